// A port that stops working while the machine runs.

#include "interpreter/cnc.h"

namespace tamo {

// Called by StepPulse at the end of the tick in which the port failed; the tick itself has been
// counted, so the readouts show where the machine was told to be. Changes: Offline, StopRequest
// (the running move, jog or test ends after this tick, with its resume record), the status
// bar's port. Nothing is written to the port any more: a failed port could not take it, and one
// that came back must not receive the rest of a move from a machine that has lost its place.
void Cnc::PortFailed() {
    const std::string why(port_->failure());
    // The last thing the port is asked: a device that still takes a write gets every output off.
    if (setup.Uses(OutputPin::Register::Data)) {
        port_->OutOnSignal(kDataRegister, 0);
    }
    if (setup.Uses(OutputPin::Register::Control)) {
        port_->OutOnSignal(kControlRegister, static_cast<std::uint8_t>(machine::kControlAllLow));
    }
    st.Offline = true;
    OutputsOff();
    st.StopRequest = true;
    status.Port = "Offline";
    op().ShowMessage("The parallel port stopped working:\n" + why +
                         "\n\nThe move was stopped. TamoCNC now runs offline: no step pulse reaches the machine, "
                         "and its position may differ from the readouts. Check the port and its cable, then "
                         "start TamoCNC again and home the machine.",
                     kAppTitle);
    op().ModelsChanged();
}

} // namespace tamo
