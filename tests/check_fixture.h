#pragma once

#include "check/check.h"
#include "test_machine.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace tamo::test {

// Opens the program file through File > Open and checks it, as the windows do after an Open.
inline check::Report CheckOpened(TestMachine& m, const std::string& path) {
    m.op.QueueFile(path);
    m.cnc.Open_Menu();
    return check::CheckProgram(check::CopyForCheck(m.cnc));
}

inline check::Report CheckText(TestMachine& m, const std::string& program) {
    return CheckOpened(m, ProgramFile(program));
}

// "line code", one per finding, in line order.
inline std::vector<std::string> Codes(const check::Report& report) {
    std::vector<std::string> codes;
    for (const check::Finding& f : report.findings) {
        codes.push_back(std::to_string(f.line) + " " + f.code);
    }
    return codes;
}

inline const check::Finding* Find(const check::Report& report, std::string_view code) {
    const auto it = std::find_if(report.findings.begin(), report.findings.end(),
                                 [code](const check::Finding& f) { return f.code == code; });
    return it == report.findings.end() ? nullptr : &*it;
}

} // namespace tamo::test
