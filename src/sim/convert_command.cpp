#include "sim/convert_command.h"

#include "convert/convert.h"
#include "interpreter/program_buffer.h"
#include "platform/file_io.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <filesystem>

namespace tamo::sim {

int RunConvert(const std::string& program, const ConvertOptions& options, std::ostream& out, std::ostream& err) {
    if (options.clearance_given && !std::isfinite(options.clearance)) {
        err << "tamocnc-sim: --clearance: not a height\n";
        return 2;
    }
    SimMachine machine;
    if (std::string problem = StartMachine(machine, options.machine); !problem.empty()) {
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
        options.output.empty() ? convert::ConvertedPath(source) : std::filesystem::path(options.output);
    const MachineState& st = machine.cnc.st;
    convert::Options convert_options;
    convert_options.inch = machine.cnc.settings.OptionIn && !machine.cnc.settings.optionmm;
    convert_options.step_x = st.UnitsPerStepX;
    convert_options.step_y = st.UnitsPerStepY;
    convert_options.step_z = st.UnitsPerStepZ;
    convert_options.source_name = source.filename().string();
    if (options.clearance_given) {
        convert_options.clearance = options.clearance;
    }
    const convert::Conversion conversion = convert::ConvertProgram(file.bytes, convert_options);
    auto print = [&out](const nlohmann::ordered_json& object) {
        out << object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
    };
    if (!conversion.refused.empty()) {
        nlohmann::ordered_json refused;
        refused["file_line"] = conversion.refused_line;
        refused["code"] = "refused";
        refused["message"] = conversion.refused;
        refused["text"] = conversion.refused_text;
        print(refused);
        nlohmann::ordered_json summary;
        summary["summary"] = "not converted: nothing written";
        summary["lines"] = conversion.lines;
        print(summary);
        return 4;
    }
    if (std::string problem = convert::WriteConverted(source, target, conversion.text); !problem.empty()) {
        err << "tamocnc-sim: " << problem << '\n';
        return 2;
    }

    std::size_t whole = 0;
    for (const convert::Unconverted& line : conversion.unconverted) {
        nlohmann::ordered_json entry;
        entry["file_line"] = line.file_line;
        entry["code"] = "not-converted";
        if (!line.words.empty()) {
            entry["words"] = line.words;
        }
        entry["message"] = line.reason;
        entry["text"] = line.text;
        print(entry);
        whole += line.words.empty() ? 1 : 0;
    }
    const std::size_t words = conversion.unconverted.size() - whole;
    std::string said;
    if (whole > 0) {
        said = std::to_string(whole) + (whole == 1 ? " line" : " lines") + " not converted";
    }
    if (words > 0) {
        said += (said.empty() ? "" : ", ") + std::to_string(words) + (words == 1 ? " group" : " groups") +
                " of words not converted";
    }
    nlohmann::ordered_json summary;
    summary["summary"] = said.empty() ? std::string("every line converted") : said;
    summary["written"] = target.string();
    summary["lines"] = conversion.lines;
    summary["not_converted"] = whole;
    summary["words_not_converted"] = words;
    summary["left_after_end"] = conversion.left_after_end;
    if (conversion.retracts > 0) {
        summary["retracts"] = conversion.retracts;
        summary["clearance"] = conversion.clearance;
    }
    print(summary);
    return conversion.unconverted.empty() ? 0 : 3;
}

} // namespace tamo::sim
