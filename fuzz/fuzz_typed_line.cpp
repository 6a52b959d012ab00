// Any bytes as a line typed on the "Point" page and run with "Run line", on a calibrated machine.
// A line the page refuses writes nothing to the port; a line it runs leaves every position a
// number.

#include "fuzz_machine.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

using tamo::fuzz::Require;

namespace {

// Pause pressed after a few thousand ticks: the fuzzer looks for faults, not for long moves.
class PauseAfterTicks final : public tamo::TickObserver {
public:
    explicit PauseAfterTicks(tamo::Cnc& cnc) : cnc_(cnc) {}
    void OnTick(const tamo::Cnc& /*cnc*/) override {
        if (++ticks_ == 4000) {
            cnc_.Pause();
        }
    }

private:
    tamo::Cnc& cnc_;
    long ticks_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tamo::fuzz::FuzzMachine& machine = tamo::fuzz::Machine();
    machine.Reset();
    tamo::Cnc& cnc = machine.cnc;
    cnc.st.LoopCalMm = 60000;
    cnc.st.LoopCalIn = 2362;
    cnc.st.LoopCal = cnc.st.LoopCalMm;
    cnc.manual.Line.assign(reinterpret_cast<const char*>(data), size);
    PauseAfterTicks pause(cnc);
    cnc.set_tick_observer(&pause);
    const bool refused = !cnc.TypedLineProblem(cnc.manual.Line).empty();
    cnc.RunManualLine();
    cnc.set_tick_observer(nullptr);

    if (refused) {
        Require(machine.port.write_count() == 0, "a refused line moves nothing");
    }
    for (const double position :
         {cnc.st.ProgPosX, cnc.st.ProgPosY, cnc.st.ProgPosZ, cnc.st.MachPosX, cnc.st.MachPosY, cnc.st.MachPosZ}) {
        Require(std::isfinite(position), "every position stays a number");
    }
    return 0;
}
