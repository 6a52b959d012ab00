// Any bytes as machine.cfg. The file is edited by hand, so reading it must never crash; a file that
// is refused says why and leaves the machine's travel, outputs and probe as they were; a file that
// is taken holds only what the "Machine" page's "Ok" takes, and is written back in a form that
// reads back to itself.

#include "fuzz_machine.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

using tamo::fuzz::Require;

int StepAndDirectionPins(const tamo::MachineState& st) {
    return st.StepMaskX | st.StepMaskY | st.StepMaskZ | st.DirMaskX | st.DirMaskY | st.DirMaskZ;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tamo::fuzz::FuzzMachine& machine = tamo::fuzz::Machine();
    machine.Reset();
    tamo::Cnc& cnc = machine.cnc;

    const std::string before = cnc.MachineSettingsText();
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    if (const std::string problem = cnc.LoadMachineSettingsText(file); !problem.empty()) {
        Require(cnc.MachineSettingsText() == before, "a refused file changes no setting");
        return 0;
    }
    for (int i = 0; i < tamo::machine::kKeys; ++i) {
        const std::string& text = tamo::machine::Field(cnc.machine_page, i);
        Require(tamo::machine::FieldProblem(i, text, StepAndDirectionPins(cnc.st)).empty(),
                "a file that is taken holds nothing the Machine page refuses");
    }
    Require(tamo::machine::PageProblem(cnc.machine_page).text.empty(), "nor two fields that clash");

    cnc.DeriveMachineSetup();
    const tamo::MachineSetup& setup = cnc.setup;
    if (setup.probe_level >= 0) {
        Require(setup.probe_feed >= 0.1 && std::isfinite(setup.probe_feed), "a probe never creeps slower than 0.1");
    }
    Require(setup.home_search >= 0 && std::isfinite(setup.home_search), "a homing search is a distance");

    const std::string written = cnc.MachineSettingsText();
    Require(cnc.LoadMachineSettingsText(written).empty(), "what was written from a file that was taken is taken");
    Require(cnc.MachineSettingsText() == written, "a written file reads back to itself");
    return 0;
}
