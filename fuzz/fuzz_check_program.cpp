// Any bytes as a program file, read as Open reads it and then checked as the check window checks
// it. The check works out every line on a copy of the controller; whatever the file holds, it must
// end, keep its findings in line order and within the program, and count what it kept.

#include "check/check.h"
#include "fuzz_machine.h"

#include <cstddef>
#include <cstdint>
#include <string>

using tamo::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tamo::fuzz::FuzzMachine& machine = tamo::fuzz::Machine();
    machine.Reset();
    tamo::MachineState& st = machine.cnc.st;
    st.PrgBuf.Size(std::string(reinterpret_cast<const char*>(data), size));
    st.PrgLineCount = 0;
    while (st.PrgBuf.ReadNextItem()) {
        ++st.PrgLineCount;
    }

    const tamo::check::Report report = tamo::check::CheckProgram(tamo::check::CopyForCheck(machine.cnc));
    Require(report.complete && report.lines == st.PrgLineCount, "the check reads every line");
    Require(report.errors + report.warnings == static_cast<long>(report.findings.size()) + report.left_out,
            "every finding is counted once, kept or left out");
    int previous = 0;
    for (const tamo::check::Finding& finding : report.findings) {
        Require(finding.line >= previous && finding.line >= 1 && finding.line <= st.PrgLineCount + 1,
                "findings stand in line order, within the program");
        Require(!finding.code.empty() && !finding.message.empty(), "a finding says what it is");
        previous = finding.line;
    }
    return 0;
}
