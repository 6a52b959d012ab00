// The run controls of the control panel: start, pause, reset, the run mode, and the step controls
// that walk the program's lines in the view without moving the machine.

#include "interpreter/cnc.h"
#include "interpreter/numbers.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace tamo {
namespace {

// An M word is read with the parser's numeric scan, so that "6 (TOOL)" counts as the 6 that
// raised the tool-change prompt.
double MWordValue(const Value& m) {
    if (const std::string* text = std::get_if<std::string>(&m)) {
        return ScanNumber(*text);
    }
    return NumberOf(m);
}

} // namespace

// "Execute Program". Decides between the continuation after an M word, the continuation after
// "Move machine to end of line", the resumption of a stopped move, the next line in step mode, an
// armed continuation and a fresh start, then runs the program.
// Changes: MWord, SingleStep, ContinueRun, ResumeMove, ResumePending, StopRequest,
// ContinueAfterStep, PlotStep;
// on a fresh start StartX/Y/Z, TargetX/Y/Z, MachPosX/Y/Z, PrgLineNo and the pen width (2); then
// whatever RunProgram changes. Does nothing while a run is active or no program is loaded.
void Cnc::Start() {
    if (Running()) {
        // The window disables the button during a run, but a resumed-but-stopped move enables it
        // again before the loop has returned; entering the loop twice would run two programs at
        // once over the same block.
        return;
    }
    if (st.PrgLineCount == 0) {
        // Nothing to run. The buffer may still hold a program whose Open was cancelled.
        return;
    }
    if (RefuseUncalibratedMove()) {
        return;
    }
    if (RefuseUnrunnableProgram()) {
        return; // worked out once per program, settings and scale: a Start costs a comparison
    }
    if (MWordValue(st.MWord) > 0) {
        st.SingleStep = false;
        st.MWord = 0.0;
        RunProgram();
        return;
    }
    UpdatePlotStep();
    if (st.ContinueRun) {
        st.ContinueRun = false;
    } else if (st.StopRequest && st.ResumePending) {
        st.ResumeMove = true;
        st.StopRequest = false;
    } else {
        if (st.StopRequest) {
            // A stop with no stopped move behind it (a jog's release, the step controls' "Reset",
            // a key in the idle view) leaves nothing to resume. The program goes on from where the
            // machine is: "Reset" zeroed the end point whose words the next line may leave out,
            // and a jog may have moved the machine since.
            st.StopRequest = false;
            st.TargetX = st.ProgPosX;
            st.TargetY = st.ProgPosY;
            st.TargetZ = st.ProgPosZ;
        }
        // A record of a move that has been finished or abandoned since is never replayed.
        ClearResumeRecord();
        if (st.PrgLineNo > 0 && st.SingleStep) {
            // The next line follows.
        } else if (st.PrgLineNo > 0 && st.ContinueAfterStep) {
            st.ContinueAfterStep = false;
        } else {
            st.StartX = st.StartY = st.StartZ = 0;
            st.TargetX = st.TargetY = st.TargetZ = 0;
            st.MachPosX = st.MachPosY = st.MachPosZ = 0;
            st.PrgLineNo = 0;
            view().SetDrawWidth(2);
        }
    }
    RunProgram();
}

// "Pause". Changes: StopRequest. The running move ends at its next tick and saves its resume
// record; the next Start resumes it.
void Cnc::Pause() {
    st.StopRequest = true;
}

// "Step". Changes: SingleStep, the option pair. Takes effect at the end of the current line.
void Cnc::SelectStepMode() {
            // The program is read from its first line as the preview reads it: no arc centre is
            // set before a line sets one, whatever the redraw or the last run left.
            st.ArcI = st.ArcJ = 0;
    st.SingleStep = true;
    main.Option2 = true;
    main.Option3 = false;
    op().ModelsChanged();
}

// "Continous". Changes: SingleStep, ContinueAfterStep (one continuation armed), the option pair.
void Cnc::SelectContinuousMode() {
    st.SingleStep = false;
    st.ContinueAfterStep = true;
    main.Option2 = false;
    main.Option3 = true;
    op().ModelsChanged();
}

// "Reset Program", after the operator confirms. Changes: StartX/Y/Z, ResumePosX/Y/Z,
// ProgPosX/Y/Z and TargetX/Y/Z (0, then what the redraw leaves), MWord, PrgLineNo, the resume record,
// StopRequest, the readouts, the view's pen width and colour. The machine position is kept: the
// current position becomes the program origin.
void Cnc::ResetProgram() {
    if (Running()) {
        return; // zeroing the positions under a running move would send it elsewhere
    }
    op().Beep();
    if (!op().AskYesNo("Are you sure to reset the file?", "Resetting File")) {
        return;
    }
    st.Previewing = true;
    st.StartX = st.StartY = st.StartZ = 0;
    st.ResumePosX = st.ResumePosY = st.ResumePosZ = 0;
    st.ProgPosX = st.ProgPosY = st.ProgPosZ = 0;
    st.TargetX = st.TargetY = st.TargetZ = 0;
    view().SetDrawWidth(1);
    view().SetForeColor(kBlack);
    TegnUd();
    // As after Open: an M word of the program's last line must not make the next Start a
    // continuation; it starts afresh from line 1.
    st.MWord = 0.0;
    UpdateReadouts();
    st.PrgLineNo = 0;
    ClearResumeRecord();
    st.StopRequest = false;
    st.Previewing = false;
}

namespace {

// The text of a program entry as the step controls see it: entries past the program are empty.
std::string_view EntryText(const MachineState& st, int index) {
    if (index < 1 || index > st.PrgLineCount) {
        return {};
    }
    return st.PrgBuf.Text(static_cast<std::size_t>(index));
}

} // namespace

// "Step forward in program", and every auto-repeat tick. Shows the next line in Text1, draws its
// block highlighted and marks its end point red. Passing the buffer's last entry resets the step
// controls. Changes: StepLineNo, Text1, PrgLine and the block state through ParseLine (never a
// position); after a step reset also StopRequest, StartX/Y, TargetX/Y.
void Cnc::StepForward() {
    if (Running()) {
        // It would rewrite the start point, the target and GCode of the running block.
        return;
    }
    if (st.PrgLineNo == 0 && main.StepLineNo == 0) {
        StepReset();
    }
    view().SetDrawWidth(3);
    ++main.StepLineNo;
    if (!st.PrgBuf.Exists(static_cast<std::size_t>(main.StepLineNo))) {
        view().SetDrawWidth(1);
        StepReset();
        op().ModelsChanged();
        return;
    }
    st.PrgLine = EntryText(st, main.StepLineNo);
    main.Text1 = st.PrgLine;
    op().ModelsChanged();
    ParseLine();
    DrawMove();
    view().Dot(st.TargetX, st.TargetY, kLightRed);
    // Black over the previous step's marker, which sat on this block's start point.
    view().Dot(st.StartX, st.StartY, kBlack);
    view().SetDrawWidth(1);
}

// Mouse-down on "Step forward in program": the first repeat after half a second.
// Changes: Timer1Interval, Timer1Enabled.
void Cnc::StepForwardPressed() {
    main.Timer1Interval = 500;
    main.Timer1Enabled = true;
    op().ModelsChanged();
}

// Mouse-up: no more repeats. The click that follows the release steps once more.
// Changes: Timer1Enabled.
void Cnc::StepForwardReleased() {
    main.Timer1Enabled = false;
    op().ModelsChanged();
}

// Auto-repeat: every 50 ms after the first. Changes: Timer1Interval, and what StepForward changes.
void Cnc::Timer1Tick() {
    if (Running()) {
        return;
    }
    main.Timer1Interval = 50;
    op().ModelsChanged();
    StepForward();
}

// "Step back in program": shows the line before the one shown, with its end point marked. The
// line before that is parsed first, only so that the shown line gets its true start point; before
// line 1 that is the origin the step reset leaves. From line 1 the controls stay on line 1.
// Changes: StepLineNo, Text1, PrgLine and the block state through ParseLine, TargetX/Y when
// stepping back to line 1.
void Cnc::StepBack() {
    if (Running()) {
        return;
    }
    view().SetDrawWidth(3);
    view().Dot(st.TargetX, st.TargetY, kBlack);
    view().SetDrawWidth(1);
    if (main.StepLineNo < 1) {
        // No line is shown: nothing to go back to.
        return;
    }

    const int before = main.StepLineNo - 2;
    if (before >= 1) {
        if (!st.PrgBuf.Exists(static_cast<std::size_t>(before))) {
            return;
        }
        main.StepLineNo = before;
        st.PrgLine = EntryText(st, before);
        ParseLine();
    } else {
        main.StepLineNo = 0;
        st.TargetX = st.TargetY = 0;
    }

    ++main.StepLineNo;
    if (!st.PrgBuf.Exists(static_cast<std::size_t>(main.StepLineNo))) {
        return;
    }
    st.PrgLine = EntryText(st, main.StepLineNo);
    main.Text1 = st.PrgLine;
    op().ModelsChanged();
    ParseLine();
    view().SetDrawWidth(3);
    view().Dot(st.TargetX, st.TargetY, kLightRed);
    view().SetDrawWidth(1);
}

// "Reset" of the step controls. Changes: StopRequest (as Pause), the resume record (cleared: a
// stopped line is abandoned, and the next Start does not replay it), StepLineNo, StartX/Y,
// TargetX/Y.
void Cnc::StepReset() {
    if (Running()) {
        return;
    }
    Pause();
    ClearResumeRecord();
    main.StepLineNo = 0;
    st.StartX = st.StartY = 0;
    st.TargetX = st.TargetY = 0;
}

// "Move machine to end of line": up to Z 10 above program zero, across to the end point of the
// line last parsed (normally the one the step controls show), down to its Z; a later Start goes on
// with the line after it. X and Y never move together with Z: a rise comes before the move across
// and a descent after it, so that the tool never crosses the stock sideways below the height it is
// going to. A stop on the way (Pause, a key, the limit switch) ends it there, and Start is not
// armed to go on after the line. Changes: StopRequest (cleared first), PrgLineNo, HeldGCode,
// TargetX/Y/Z, ContinueRun, VisiblePage, the pen width, and what the moves change; GCode ends as it
// was.
void Cnc::MoveToEndOfLine() {
    if (Running()) {
        // It would move the machine away in the middle of the running block.
        return;
    }
    if (RefuseUncalibratedMove()) {
        return;
    }
    BusyScope busy(*this);
    const double end_x = st.TargetX;
    const double end_y = st.TargetY;
    const double end_z = st.TargetZ;
    st.StopRequest = false;
    st.PrgLineNo = main.StepLineNo;
    view().SetDrawWidth(2);
    st.HeldGCode = st.GCode;

    // False when a stop ended the move.
    auto move = [this](double x, double y, double z, const char* gcode) {
        st.TargetX = x;
        st.TargetY = y;
        st.TargetZ = z;
        st.GCode = gcode;
        ComputeFeedDelay();
        DispatchMove();
        UpdateReadouts();
        return !st.StopRequest;
    };
    auto leg = [&](double x, double y, double z, const char* gcode) {
        if (z > st.ProgPosZ) {
            return move(st.ProgPosX, st.ProgPosY, z, gcode) && move(x, y, z, gcode);
        }
        return move(x, y, st.ProgPosZ, gcode) && move(x, y, z, gcode);
    };
    // The height is in the current unit and in program coordinates.
    const bool arrived = leg(0, 0, 10, "G00") && leg(end_x, end_y, 10, "G00") && leg(end_x, end_y, end_z, "G01");
    if (arrived) {
        ShowPage(3);
        st.ContinueRun = true;
    }
    st.GCode = st.HeldGCode;
}

// The tab buttons Command4(0..4): one group of the panel in view. Changes: VisiblePage.
void Cnc::ShowPage(int index) {
    if (index < 0 || index > 4) {
        return;
    }
    main.VisiblePage = index;
    op().ModelsChanged();
}

namespace {

// What the next Start needs to finish a stopped move.
struct ResumeRecord {
    bool pending;
    double pos_x, pos_y, pos_z, target_x, target_y, target_z;
    std::string gcode;
    int draw_width;

    static ResumeRecord Of(const MachineState& st) {
        return {st.ResumePending, st.ResumePosX,    st.ResumePosY,  st.ResumePosZ,     st.ResumeTargetX,
                st.ResumeTargetY, st.ResumeTargetZ, st.ResumeGCode, st.ResumeDrawWidth};
    }
    void PutBack(MachineState& st) const {
        st.ResumePending = pending;
        st.ResumePosX = pos_x;
        st.ResumePosY = pos_y;
        st.ResumePosZ = pos_z;
        st.ResumeTargetX = target_x;
        st.ResumeTargetY = target_y;
        st.ResumeTargetZ = target_z;
        st.ResumeGCode = gcode;
        st.ResumeDrawWidth = draw_width;
    }
};

} // namespace

// A jog or homing pressed inside the yield of a running move. Run there, it would step the machine
// under the move's feet and leave it a block it no longer holds: the run would then go on from
// wherever the jog or homing ended, at targets and a motion word that are not the program's. So
// the press stops the move as Pause does, and the jog or homing waits until the move has ended.
// Changes: StopRequest, deferred_press_ (a later press replaces an earlier one).
void Cnc::DeferPanelMove(const PanelPress& press) {
    Pause();
    deferred_press_ = press;
}

// When the run or panel move that a jog or homing interrupted has ended (the outermost BusyScope):
// the jog or homing, then the stop stands as Pause left it. The stopped move keeps its resume
// record, whatever the homing move did to the record on its way, so that Start resumes it; the
// program never goes on by itself. Changes: deferred_press_, jog_release_due_, StopRequest, the
// resume record (as it was), and whatever the jog or homing changes.
void Cnc::RunDeferredPanelMove() {
    const PanelPress press = std::exchange(deferred_press_, PanelPress{});
    if (press.kind == PanelPress::Kind::None) {
        return;
    }
    const ResumeRecord stopped = ResumeRecord::Of(st);
    if (press.kind == PanelPress::Kind::Jog) {
        jog_release_due_ = press.released;
        JogPressed(press.index, press.button);
        if (std::exchange(jog_release_due_, false)) {
            JogReleased(press.index, press.button); // a single step, or a jog that was refused
        }
    } else {
        HomeTheMachine();
    }
    stopped.PutBack(st);
    st.StopRequest = true;
}

bool Cnc::RefuseUncalibratedMove() {
    if (st.Offline || st.LoopCal > 0) {
        return false;
    }
    op().ShowMessage(kUncalibratedText, kAppTitle);
    return true;
}

// Any key in the toolpath view stops a running program, jog or homing move.
// Changes: StopRequest.
void Cnc::ViewKeyPress() {
    st.StopRequest = true;
}

} // namespace tamo
