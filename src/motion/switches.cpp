// Limit and home switches on the printer port's status register.

#include "interpreter/cnc.h"

namespace tamo {
namespace {

// Each switch is read by its own line of the status register and nothing else: the other lines
// (pin 15, and the three low bits that some ports read as 0 and others as 1) say nothing about it.
constexpr int kLimitLine = 0x40; // pin 10: reads 0 while the limit switch is active
constexpr int kHomeXLine = 0x80; // pin 11: the port inverts it, so it reads 1 while X is home
constexpr int kHomeYLine = 0x20; // pin 12: reads 0 while Y is home
constexpr int kHomeZLine = 0x10; // pin 13: reads 0 while Z is home

// Whether the tick just emitted stepped an axis in a direction that ran into the limit.
bool TowardTrip(const MachineState& st) {
    return (st.StepDirX != 0 && st.StepDirX == st.LimitDirX) || (st.StepDirY != 0 && st.StepDirY == st.LimitDirY) ||
           (st.StepDirZ != 0 && st.StepDirZ == st.LimitDirZ);
}

void ForgetTrip(MachineState& st) {
    st.LimitTripped = false;
    st.LimitDirX = st.LimitDirY = st.LimitDirZ = 0;
}

} // namespace

// Reads the status register once, at the end of a tick. Changes: StopRequest and the limit trip
// (LimitTripped, LimitDirX/Y/Z), MachPosX/Y/Z (home). The limit message is modal: the tick does
// not go on until the operator has confirmed it.
//
// The limit stops the tick that runs into it and is told once. While it still reads active, a
// tick that moves away from it (or moves nothing) goes on without a word, so that a jog can back
// off the switch; one that steps again in a direction that tripped it stops at once.
void Cnc::CheckSwitches() {
    const int status_byte = port_->Inp32(kStatusRegister);
    if (status_byte < 0 || status_byte > 255) {
        return;
    }
    if ((status_byte & kLimitLine) != 0) {
        if (st.LimitTripped) {
            ForgetTrip(st);
        }
    } else if (!st.LimitTripped || TowardTrip(st)) {
        if (!st.LimitTripped && (st.StepDirX != 0 || st.StepDirY != 0 || st.StepDirZ != 0)) {
            st.LimitTripped = true;
            st.LimitDirX = st.StepDirX;
            st.LimitDirY = st.StepDirY;
            st.LimitDirZ = st.StepDirZ;
        }
        st.StopRequest = true;
        OutputsOff();
        op_->ShowMessage("Limit Zone", kAppTitle);
    }
    if ((status_byte & kHomeXLine) != 0) {
        st.MachPosX = 0;
    }
    if ((status_byte & kHomeYLine) == 0) {
        st.MachPosY = 0;
    }
    if ((status_byte & kHomeZLine) == 0) {
        st.MachPosZ = 0;
    }
}

bool Cnc::LimitReadsActive() {
    const int status_byte = port_->Inp32(kStatusRegister);
    if (status_byte < 0 || status_byte > 255 || (status_byte & kLimitLine) != 0) {
        ForgetTrip(st);
        return false;
    }
    return true;
}

bool Cnc::RefuseAtLimit() {
    if (!LimitReadsActive()) {
        return false;
    }
    op().ShowMessage("Limit Zone", kAppTitle);
    return true;
}

} // namespace tamo
