// What the operator sees at a glance: the machine's state, the line, the run time and the time
// left in the status bar, and the readouts kept moving while the machine moves.
//
// The live update runs in the windows' yield, after the tick: the tick itself stays as it was,
// and the update costs one read of the tick counter until 50 ms have passed.

#include "interpreter/cnc.h"
#include "interpreter/numbers.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace tamo {
namespace {

// About twenty times a second: the eye follows it, and it is rare enough not to count.
constexpr std::uint32_t kLiveUpdateMs = 50;

// "m:ss", or "h:mm:ss" from an hour on.
std::string FormatDuration(std::uint32_t ms) {
    const std::uint32_t seconds = ms / 1000;
    char text[32];
    if (seconds >= 3600) {
        std::snprintf(text, sizeof text, "%u:%02u:%02u", seconds / 3600, seconds / 60 % 60, seconds % 60);
    } else {
        std::snprintf(text, sizeof text, "%u:%02u", seconds / 60, seconds % 60);
    }
    return text;
}

} // namespace

// The outermost run or panel move begins, and the windows say so at once. A run that begins at the
// program's first line is a fresh start: its time counts from 0.
void Cnc::BusyBegins(Activity activity) {
    activity_ = activity;
    busy_since_ms_ = clock().GetTickCount();
    // What a pause left standing is no longer so once the machine moves again.
    if (status.Notice.starts_with("Paused:")) {
        status.Notice.clear();
    }
    if (activity == Activity::Run && st.PrgLineNo == 0 && !st.ResumeMove) {
        run_elapsed_ms_ = 0;
    }
    if (activity == Activity::Run) {
        log.Add(st.PrgLineNo == 0 && !st.ResumeMove ? std::string("Run started at line 1")
                                                    : "Run goes on after line " + std::to_string(st.PrgLineNo));
    }
    op().ModelsChanged();
}

void Cnc::BusyEnds() {
    if (activity_ == Activity::Run) {
        const std::uint32_t ran_ms = clock().GetTickCount() - busy_since_ms_;
        run_elapsed_ms_ += ran_ms;
        const bool finished = st.PrgLineNo > st.PrgLineCount;
        log.Add(std::string(finished ? "Run ended" : "Run stopped at line " + std::to_string(st.PrgLineNo)) +
                " after " + FormatDuration(ran_ms) + " (run time " + FormatDuration(run_elapsed_ms_) + ")");
    }
    activity_ = Activity::Idle;
}

// The next Start goes on with a move that a stop ended in the middle of the program (Start's
// resumption): the program is part-way and a stop is pending.
bool Cnc::StartResumes() const {
    return !Running() && st.StopRequest && !st.ContinueRun && st.PrgLineNo >= 1 && st.PrgLineNo <= st.PrgLineCount;
}

// During a run the line in progress; between runs the line the step controls show while their page
// is in view, else the line the run reached. 0: none.
int Cnc::ListingLine() const {
    int line = st.PrgLineNo;
    if (!Running() && main.VisiblePage == 0 && main.StepLineNo > 0) {
        line = main.StepLineNo;
    }
    return line <= st.PrgLineCount ? line : st.PrgLineCount;
}

void Cnc::UpdateStatus() {
    if (Running()) {
        switch (activity_) {
        case Activity::Jog:
            status.State = "Jogging";
            break;
        case Activity::Home:
            status.State = "Homing";
            break;
        case Activity::SpeedTest:
            status.State = "Speed test";
            break;
        case Activity::Return:
            status.State = "Returning to X" + FormatFixed(st.ReturnPosX, 4) + " Y" + FormatFixed(st.ReturnPosY, 4) +
                           " Z" + FormatFixed(st.ReturnPosZ, 4);
            break;
        default:
            status.State = "Running";
        }
    } else if (StartResumes()) {
        status.State = "Paused";
    } else if (st.SingleStep) {
        status.State = "Step mode";
    } else {
        status.State = "Idle";
    }

    status.Machine = MachineStatus();
    status.Line.clear();
    if (st.PrgLineCount > 0) {
        status.Line = "Line " + std::to_string(ListingLine()) + " of " + std::to_string(st.PrgLineCount);
    }

    std::uint32_t elapsed_ms = run_elapsed_ms_;
    if (Running() && activity_ == Activity::Run) {
        elapsed_ms += clock().GetTickCount() - busy_since_ms_;
    }
    status.Time = "Run time " + FormatDuration(elapsed_ms);
    // What is left, from the start of the line in progress (or of the stopped one), by the kept
    // estimate: it is worked out at an Open and at a Start, never here, so a refresh costs nothing.
    // While the program or a setting has changed since, the estimate no longer holds and is not shown.
    const RunEstimate* estimate = KeptEstimate();
    const bool running = Running() && activity_ == Activity::Run;
    if (estimate == nullptr || estimate->refused_line != 0 || estimate->seconds.empty() ||
        !(running || StartResumes() || st.PrgLineNo == 0)) {
        status.Left.clear(); // nothing known to be left
    } else if (!estimate->calibrated) {
        status.Left = "no calibration"; // without it a tick has no duration to count
    } else {
        const int line = std::clamp(st.PrgLineNo, 1, static_cast<int>(estimate->seconds.size()));
        const double done = line >= 2 ? estimate->seconds[static_cast<std::size_t>(line - 2)] : 0.0;
        const double left_ms = std::max(0.0, estimate->total_seconds() - done) * 1000;
        const auto shown_ms = static_cast<std::uint32_t>(std::min(left_ms, 4.0e9));
        status.Left = "about " + FormatDuration(shown_ms) + " left";
    }
    status.Unit = NumberOf(st.UnitIsInch) != 0 ? "in" : "mm";
}

// Changes: the six readout texts, in "0.0000" with the point, and the status texts.
bool Cnc::LiveUpdate() {
    const std::uint32_t now = clock().GetTickCount();
    if (static_cast<std::uint32_t>(now - live_shown_ms_) < kLiveUpdateMs) {
        return false;
    }
    live_shown_ms_ = now;
    SetReadoutTexts();
    UpdateStatus();
    return true;
}

} // namespace tamo
