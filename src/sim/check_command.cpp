#include "sim/check_command.h"

#include "check/check.h"
#include "check/open_for_check.h"
#include "interpreter/numbers.h"

#include <array>
#include <cmath>
#include <string_view>

#include <nlohmann/json.hpp>

namespace tamo::sim {
namespace {

// Puts the program origin at X,Y,Z in machine coordinates; false when the text is not three numbers.
bool PlaceOrigin(Cnc& cnc, const std::string& text) {
    std::array<double, 3> at{};
    std::size_t start = 0;
    for (std::size_t a = 0; a < at.size(); ++a) {
        const std::size_t comma = text.find(',', start);
        if ((comma == std::string::npos) != (a == at.size() - 1)) {
            return false;
        }
        const auto value =
            ReadNumber(std::string_view(text).substr(start, comma == std::string::npos ? comma : comma - start));
        // Beyond a million the travel check's distances would be beyond what it can print.
        if (!value || !(std::fabs(*value) < 1e6)) {
            return false;
        }
        at[a] = *value;
        start = comma + 1;
    }
    // The program coordinates stay 0: the machine stands at the program origin.
    cnc.st.MachPosX = at[0];
    cnc.st.MachPosY = at[1];
    cnc.st.MachPosZ = at[2];
    return true;
}

} // namespace

int RunCheck(const std::string& program, const CheckOptions& options, std::ostream& out, std::ostream& err) {
    SimMachine machine;
    if (std::string problem = StartMachine(machine, options.machine); !problem.empty()) {
        err << "tamocnc-sim: " << problem << '\n';
        return 2;
    }
    Cnc& cnc = machine.cnc;
    cnc.KeepToolpathMoves = false;
    if (!options.origin.empty() && !PlaceOrigin(cnc, options.origin)) {
        err << "tamocnc-sim: --origin wants three numbers X,Y,Z, each between -1000000 and 1000000, not "
            << options.origin.substr(0, 80) << '\n';
        return 2;
    }
    // Nobody sees a drawing here: the program is read without the redraw's walk over every line.
    if (std::string problem = check::OpenForCheck(cnc, program); !problem.empty()) {
        err << "tamocnc-sim: cannot read " << program << ": " << problem << '\n';
        return 2;
    }

    const check::Report report = check::CheckProgram(check::CopyForCheck(cnc));
    auto print = [&out](const nlohmann::ordered_json& object) {
        // Bytes that are not UTF-8 (a program saved in a legacy code page) show as U+FFFD.
        out << object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
    };
    for (const check::Finding& f : report.findings) {
        nlohmann::ordered_json finding;
        finding["line"] = f.line;
        finding["file_line"] = f.file_line;
        finding["code"] = f.code;
        finding["severity"] = check::SeverityName(f.severity);
        finding["message"] = f.message;
        finding["text"] = f.text;
        finding["convert_fixes"] = f.convert_fixes;
        print(finding);
    }
    nlohmann::ordered_json summary;
    summary["summary"] = report.Summary();
    summary["errors"] = report.errors;
    summary["warnings"] = report.warnings;
    summary["left_out"] = report.left_out;
    summary["lines"] = report.lines;
    print(summary);
    if (report.errors > 0) {
        return 3;
    }
    return report.warnings > 0 ? 1 : 0;
}

} // namespace tamo::sim
