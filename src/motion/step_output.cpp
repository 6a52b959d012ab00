// Step output: one interpolation tick on the printer port's data lines.

#include "interpreter/cnc.h"
#include "platform/realtime.h"

namespace tamo {

// One tick: at most one step on each axis in the directions of StepDirX/Y/Z, which the caller
// sets and clears. Changes: PlotTravel, DirByte, PortByte, ProgPos and MachPos of every axis, and
// whatever CheckSwitches changes; draws one live dot every PlotStep of travel. A port that failed
// under the tick's writes or read stops the move and takes the machine offline (PortFailed).
//
// Timing: the step write waits for its due time (the contract is in platform/clock.h), then the
// three writes go out back to back with only the pulse-width wait between them, and StepDelay
// becomes the period until the next tick's step. The pulse-width wait stays a plain busy wait of
// its iterations: it lasts nanoseconds to microseconds, less than the clock reads a deadline would
// cost, and the only harm a preemption inside it can do is a longer pulse, which drivers accept.
//
// Budget: everything after the writes (positions, dot, switches) and the caller's yield run inside
// the period, so they must cost well under one period at the fast jog rate: no allocation, no
// logging, no repaint beyond the dot. A tick with nothing to step still holds its due time, writes
// and asks for its period.
//
// A period that would hold the step for more than a few milliseconds is waited in slices with the
// events let in between (a slow feed, or a calibration of 1e300); a stop request that arrives
// meanwhile ends the tick before its step, with nothing written or moved.
void Cnc::StepPulse() {
    if (!HoldForStep()) {
        return;
    }
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
        // The spindle and coolant lines on the data register stay as they are through the tick.
        port_->Out32(kDataRegister, static_cast<std::int16_t>(st.DirByte | st.OutputBits));
        port_->Out32(kDataRegister, static_cast<std::int16_t>(st.PortByte | st.OutputBits));
        clock_->StepWritten();
        clock_->Wait(NumberOf(st.PulseWidth));
        port_->Out32(kDataRegister, static_cast<std::int16_t>(st.DirByte | st.OutputBits));
    }
    clock_->NextStepAfter(st.StepDelay);

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

// The events let in between the slices may run a handler that ticks on its own (a single-step
// jog): the directions this tick was called with are its own again afterwards.
bool Cnc::HoldForStep() {
    while (!clock_->AwaitStep()) {
        const int x = st.StepDirX;
        const int y = st.StepDirY;
        const int z = st.StepDirZ;
        op_->Yield();
        if (st.StopRequest) {
            return false;
        }
        st.StepDirX = x;
        st.StepDirY = y;
        st.StepDirZ = z;
    }
    return true;
}

// Once per run or panel move, never per tick.
void Cnc::EnterRealtime() {
    if (RealtimeRequest* realtime = clock_->realtime(); realtime != nullptr) {
        if (std::string notice = realtime->Enter(); !notice.empty()) {
            status.Notice = std::move(notice);
            op_->ModelsChanged();
        }
    }
}

void Cnc::LeaveRealtime() {
    if (RealtimeRequest* realtime = clock_->realtime(); realtime != nullptr) {
        realtime->Leave();
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
