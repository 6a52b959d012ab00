// Limit and home switches on the printer port's status register.

#include "interpreter/cnc.h"

namespace tamo {
namespace {

// Each switch is read by its own line of the status register and nothing else: the other lines
// (and the three low bits that some ports read as 0 and others as 1) say nothing about it. Which
// line and which level are the machine settings' (limit_pin, home_pin_x/y/z); without them, the
// limit on pin 10 and the home switches of X, Y and Z on pins 11, 12 and 13, all active low.

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
    if (!setup.limit.Active(status_byte)) {
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
    if (setup.home[0].Active(status_byte)) {
        st.MachPosX = 0;
    }
    if (setup.home[1].Active(status_byte)) {
        st.MachPosY = 0;
    }
    if (setup.home[2].Active(status_byte)) {
        st.MachPosZ = 0;
    }
}

bool Cnc::LimitReadsActive() {
    const int status_byte = port_->Inp32(kStatusRegister);
    if (!setup.limit.Active(status_byte)) {
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
