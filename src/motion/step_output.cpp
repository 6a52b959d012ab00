// Step output: one interpolation tick on the printer port's data lines.

#include "interpreter/cnc.h"

namespace tamo {

// One tick: at most one step on each axis in the directions of StepDirX/Y/Z, which the caller
// sets and clears. Changes: PlotTravel, DirByte, PortByte, ProgPos and MachPos of every axis, and
// whatever CheckSwitches changes; draws one live dot every PlotStep of travel. A port that failed
// under the tick's writes or read stops the move and takes the machine offline (PortFailed).
//
// Timing contract: this is the innermost loop of every move. Apart from the two busy waits and
// the port writes it must cost a few nanoseconds: no allocation, no logging, no repaint beyond
// the dot. The three writes go out back to back with only the pulse-width wait between them.
void Cnc::StepPulse() {
    st.PlotTravel += st.UnitsPerStepX;

    // An idle axis keeps its direction line low between ticks. The bytes are formed bit by bit: two
    // signals wired to one pin (a settings mistake) raise that pin, never the pin above it as a sum
    // of masks would.
    st.DirByte = 0;
    if (st.StepDirX == st.DirSignX) {
        st.DirByte |= st.DirMaskX;
    }
    if (st.StepDirY == st.DirSignY) {
        st.DirByte |= st.DirMaskY;
    }
    if (st.StepDirZ == st.DirSignZ) {
        st.DirByte |= st.DirMaskZ;
    }
    int step_bits = 0;
    if (st.StepDirX != 0) {
        step_bits |= st.StepMaskX;
    }
    if (st.StepDirY != 0) {
        step_bits |= st.StepMaskY;
    }
    if (st.StepDirZ != 0) {
        step_bits |= st.StepMaskZ;
    }

    if (!st.Offline) {
        st.PortByte = st.DirByte | step_bits;
        port_->Out32(kDataRegister, static_cast<std::int16_t>(st.DirByte));
        port_->Out32(kDataRegister, static_cast<std::int16_t>(st.PortByte));
        clock_->Wait(NumberOf(st.PulseWidth));
        port_->Out32(kDataRegister, static_cast<std::int16_t>(st.DirByte));
    }
    clock_->Wait(st.StepDelay);

    st.ProgPosX += st.UnitsPerStepX * st.StepDirX;
    st.MachPosX += st.UnitsPerStepX * st.StepDirX;
    st.ProgPosY += st.UnitsPerStepY * st.StepDirY;
    st.MachPosY += st.UnitsPerStepY * st.StepDirY;
    st.ProgPosZ += st.UnitsPerStepZ * st.StepDirZ;
    st.MachPosZ += st.UnitsPerStepZ * st.StepDirZ;

    if (st.PlotTravel >= st.PlotStep) {
        view_->Point(static_cast<float>(st.ProgPosX), static_cast<float>(st.ProgPosY));
        st.PlotTravel = 0;
    }
    CheckSwitches();
    if (!st.Offline && !port_->failure().empty()) {
        PortFailed();
    }
    if (tick_observer_ != nullptr) {
        tick_observer_->OnTick(*this);
    }
}

// The data-register bit of a connector data pin: pin 2 is bit 0 up to pin 9, bit 7. Any other
// value drives nothing.
int Cnc::PinMask(const Value& pin) {
    const double number = NumberOf(pin);
    for (int p = 2; p <= 9; ++p) {
        if (number == p) {
            return 1 << (p - 2);
        }
    }
    return 0;
}

} // namespace tamo
