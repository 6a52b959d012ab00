// The controller's beginning and end: the start-up after the safety agreement, and the save of
// the settings on every way out.

#include "interpreter/cnc.h"

#include <cmath>
#include <string>

namespace tamo {

Cnc::Cnc(Port& port, Clock& clock, Operator& op, Surface& view)
    : port_(&port), clock_(&clock), logged_op_(op, log), op_(&logged_op_), view_(&view) {}

// Changes: FeedFactor, Offline, the status bar's settings file, the settings and everything
// ReadConfig derives, the view's extents, every position, PlotStep and ResumeDrawWidth. Writes
// tamo.cfg back at once, so that after start-up the file always holds the 48 lines in their
// written form.
void Cnc::StartUp(bool offline) {
    st.FeedFactor = 1;
    st.Offline = offline;
    status.ConfigFile = ConfigPath.string();
    ReadConfig();
    (void)WriteConfig();
    ReadMachineSettings();
    WriteOutputs(); // outputs start off, on the pins that carry them
    st.ViewMaxX = 200;
    st.ViewMaxY = 200;
    st.ViewMinX = 0;
    st.ViewMinY = 0;
    st.StartX = st.StartY = st.TargetX = st.TargetY = 0;
    st.MachPosX = st.MachPosY = st.MachPosZ = 0;
    st.ProgPosX = st.ProgPosY = st.ProgPosZ = 0;
    UpdatePlotStep();
    st.ResumeDrawWidth = 1;
    log.Add("Started; port: " + status.Port + "; settings: " + ConfigPath.string());
}

// File > Exit and closing the view or the frame: the settings in the controls are saved, edits
// left after a "Cancel" of the settings dialog included. Settings that the next start would have
// to set aside (a steps per turn of 0, a jog rate that is not a number) are not written: the
// operator is told, and the file keeps the settings it holds, which the next start can use.
// Changes: tamo.cfg.
bool Cnc::ExitConfirmed() {
    std::string at_stake;
    auto add = [&at_stake](const std::string& what) {
        at_stake += (at_stake.empty() ? "" : ", ") + what;
    };
    if (Running()) {
        add("the machine is moving");
    }
    if (st.PrgLineNo >= 1 && st.PrgLineNo <= st.PrgLineCount) {
        add("the program is part-way (line " + std::to_string(st.PrgLineNo) + " of " + std::to_string(st.PrgLineCount) +
            ")");
    }
    if (st.ProgPosZ < -std::fabs(st.UnitsPerStepZ) / 2) {
        add("the tool is below program Z0, in the stock");
    }
    if (st.SpindleOn) {
        add("the spindle is on");
    }
    if (st.FloodOn || st.MistOn) {
        add("the coolant is on");
    }
    if (at_stake.empty()) {
        return true;
    }
    const bool leave =
        op().AskYesNo("Exit TamoCNC while " + at_stake +
                          "? The machine stops where it is, and the spindle and coolant are switched off.",
                      kAppTitle);
    log.Add(leave ? "Exit: " + at_stake + "; the outputs switched off" : "Exit cancelled: " + at_stake);
    return leave;
}

void Cnc::ExitProgram() {
    OutputsOff();
    (void)WriteConfig();
}

} // namespace tamo
