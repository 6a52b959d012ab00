#include "sim/convert_command.h"

#include "convert/convert.h"
#include "interpreter/program_buffer.h"
#include "platform/file_io.h"

#include <nlohmann/json.hpp>

#include <filesystem>

namespace tamo::sim {

int RunConvert(const std::string& program, const std::string& output, const MachineOptions& options, std::ostream& out,
               std::ostream& err) {
    SimMachine machine;
    if (std::string problem = StartMachine(machine, options); !problem.empty()) {
        err << "tamocnc-sim: " << problem << '\n';
        return 2;
    }
    const FileContents file = ReadWholeFile(program, kMaxProgramBytes);
    if (file.error != 0) {
        err << "tamocnc-sim: cannot read " << program << ": " << file.problem << '\n';
        return 2;
    }
    const std::filesystem::path source(program);
    const std::filesystem::path target =
        output.empty() ? convert::ConvertedPath(source) : std::filesystem::path(output);
    const MachineState& st = machine.cnc.st;
    convert::Options convert_options;
    convert_options.inch = machine.cnc.settings.OptionIn && !machine.cnc.settings.optionmm;
    convert_options.step_x = st.UnitsPerStepX;
    convert_options.step_y = st.UnitsPerStepY;
    convert_options.step_z = st.UnitsPerStepZ;
    convert_options.source_name = source.filename().string();
    const convert::Conversion conversion = convert::ConvertProgram(file.bytes, convert_options);
    if (std::string problem = convert::WriteConverted(source, target, conversion.text); !problem.empty()) {
        err << "tamocnc-sim: " << problem << '\n';
        return 2;
    }

    auto print = [&out](const nlohmann::ordered_json& object) {
        out << object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
    };
    for (const convert::Unconverted& line : conversion.unconverted) {
        nlohmann::ordered_json entry;
        entry["file_line"] = line.file_line;
        entry["code"] = "not-converted";
        entry["message"] = line.reason;
        entry["text"] = line.text;
        print(entry);
    }
    const std::size_t left = conversion.unconverted.size();
    nlohmann::ordered_json summary;
    summary["summary"] = left == 0 ? std::string("every line converted")
                                   : std::to_string(left) + (left == 1 ? " line" : " lines") + " not converted";
    summary["written"] = target.string();
    summary["lines"] = conversion.lines;
    summary["not_converted"] = left;
    summary["left_after_end"] = conversion.left_after_end;
    print(summary);
    return left > 0 ? 3 : 0;
}

} // namespace tamo::sim
