#include "sim/check_command.h"

#include "check/check.h"

#include <nlohmann/json.hpp>

namespace tamo::sim {

int RunCheck(const std::string& program, const MachineOptions& options, std::ostream& out, std::ostream& err) {
    SimMachine machine;
    if (std::string problem = StartMachine(machine, options); !problem.empty()) {
        err << "tamocnc-sim: " << problem << '\n';
        return 2;
    }
    Cnc& cnc = machine.cnc;
    if (std::string problem = OpenProgram(machine, program); !problem.empty()) {
        err << "tamocnc-sim: " << problem << '\n';
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
