// The run controls of the control panel: start, pause, reset, the run mode, and the step controls
// that walk the program's lines in the view without moving the machine.

#include "config/settings_checks.h"
#include "interpreter/cnc.h"
#include "interpreter/numbers.h"

#include <array>
#include <cmath>
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
// armed continuation and a fresh start, then runs the program. Whatever goes on with the program
// first brings the machine back to where the run stopped, should a jog, homing or point move have
// taken it away: the program lands where it is written.
// Changes: MWord, SingleStep, ContinueRun, ResumeMove, ResumePending, StopRequest,
// ContinueAfterStep, PlotStep, the positions on the way back;
// on a fresh start StartX/Y/Z, TargetX/Y/Z, ArcI/J, MachPosX/Y/Z, PrgLineNo and the pen width (2); then
// whatever RunProgram changes. Does nothing while a run is active or no program is loaded, and
// nothing but "Limit Zone" while the limit switch reads active.
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
    if (RefuseUncalibratedMove() || RefuseAtLimit()) {
        return;
    }
    if (RefuseUnrunnableProgram()) {
        return; // worked out once per program, settings and scale: a Start costs a comparison
    }
    const bool after_m_word = MWordValue(st.MWord) > 0;
    const bool resumes = st.StopRequest && st.ResumePending;
    const bool goes_on =
        after_m_word || st.ContinueRun || resumes || (st.PrgLineNo > 0 && (st.SingleStep || st.ContinueAfterStep));
    const bool returns = goes_on && st.ReturnPending;
    // What the program had on comes back on first (a stop, a limit trip, a port failure or a tool
    // change switched it off), spin-up included, before the tool goes back to the cut.
    const bool resumed_first = resumes && !after_m_word && !st.ContinueRun;
    if (goes_on && !RestoreProgramOutputs(resumed_first ? 0 : st.PrgLineNo + 1)) {
        return; // stopped during the spin-up: the next Start goes on from here
    }
    if (returns && !ReturnToStopPoint()) {
        return; // stopped on the way back: the next Start goes on from there
    }
    if (after_m_word) {
        st.SingleStep = false;
        st.MWord = 0.0;
        st.StopRequest = false; // a jog after the tool change leaves its stop behind
        RunProgram();
        return;
    }
    UpdatePlotStep();
    if (st.ContinueRun) {
        st.ContinueRun = false;
        st.StopRequest = false;
    } else if (resumes) {
        st.ResumeMove = true;
        st.StopRequest = false;
    } else {
        if (st.StopRequest) {
            // A stop with no stopped move behind it (a jog's release, the step controls' "Reset",
            // a key in the idle view) leaves nothing to resume. Back on the return point the
            // program's end point holds; without one the program goes on from where the machine
            // is: "Reset" zeroed the end point whose words the next line may leave out.
            st.StopRequest = false;
            if (!returns) {
                st.TargetX = st.ProgPosX;
                st.TargetY = st.ProgPosY;
                st.TargetZ = st.ProgPosZ;
            }
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
            // The program is read from its first line as the preview reads it: no arc centre is
            // set before a line sets one, whatever the redraw or the last run left.
            st.ArcI = st.ArcJ = 0;
            if (!st.Homed) {
                // Homed on the switches, the machine coordinates are the travel's: they stay.
                st.MachPosX = st.MachPosY = st.MachPosZ = 0;
            }
            st.PrgLineNo = 0;
            ProgramOutputsAt(0);
            view().SetDrawWidth(2);
        }
    }
    RunProgram();
}

// The way back to the return point, at the fast jog rates, the Z rule of every approach. The
// status bar says where to while it moves. Changes: the positions and what ApproachSafely changes.
bool Cnc::ReturnToStopPoint() {
    auto away = [](double to, double from, double units_per_step) {
        return RoundHalfEven((to - from) / units_per_step) != 0; // a whole step or more
    };
    if (!away(st.ReturnPosX, st.ProgPosX, st.UnitsPerStepX) && !away(st.ReturnPosY, st.ProgPosY, st.UnitsPerStepY) &&
        !away(st.ReturnPosZ, st.ProgPosZ, st.UnitsPerStepZ)) {
        return true;
    }
    BusyScope busy(*this, Activity::Return);
    op().FocusView();
    return ApproachSafely({st.ReturnPosX, st.ReturnPosY, st.ReturnPosZ});
}

// "Pause". Changes: StopRequest. The running move ends at its next tick and saves its resume
// record; the next Start resumes it.
void Cnc::Pause() {
    st.StopRequest = true;
    if (AnyOutputOn()) {
        status.Notice = "Paused: the spindle and coolant stay on. A key in the view switches them off.";
        op().ModelsChanged();
    }
}

// "Step". Changes: SingleStep, the option pair. Takes effect at the end of the current line.
void Cnc::SelectStepMode() {
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
    OutputsOff();
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
    TellOrigin();
    st.PrgLineNo = 0;
    ProgramOutputsAt(0);
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

// "Move machine to end of line": to the end point of the line last parsed (normally the one the
// step controls show) by the safe approach, over program X0 Y0 at the height of "Z-axis move (To
// line)" or above, and down to the end point's Z at the programmed feed; a later Start goes on
// with the line after it, from that point. A stop on the way (Pause, a key, the limit switch)
// ends it there and arms nothing: the program stays where it was, and pressing the button again
// starts the sequence afresh. Changes: PrgLineNo, ContinueRun, the resume record (abandoned) and
// the return point (the end point) when it arrives; VisiblePage, the pen width, and what the
// moves change. The block state ends as it was.
void Cnc::MoveToEndOfLine() {
    if (Running()) {
        // It would move the machine away in the middle of the running block.
        return;
    }
    if (RefuseUncalibratedMove() || RefuseAtLimit()) {
        return;
    }
    BusyScope busy(*this);
    view().SetDrawWidth(2);
    // The program goes on from this line with what a full run has on there, and the tool goes
    // down to the line's end with it.
    const std::array<bool, 4> program_had{st.ProgSpindleOn, st.ProgSpindleCcw, st.ProgFloodOn, st.ProgMistOn};
    ProgramOutputsAt(main.StepLineNo);
    Approach to{st.TargetX, st.TargetY, st.TargetZ, LineLiftHeight(), "G00", "G01", true, main.StepLineNo + 1};
    if (!ApproachSafely(to)) {
        st.ProgSpindleOn = program_had[0];
        st.ProgSpindleCcw = program_had[1];
        st.ProgFloodOn = program_had[2];
        st.ProgMistOn = program_had[3];
        return;
    }
    st.PrgLineNo = main.StepLineNo;
    ClearResumeRecord();
    st.StopRequest = false;
    st.ReturnPending = true;
    st.ReturnPosX = st.ProgPosX;
    st.ReturnPosY = st.ProgPosY;
    st.ReturnPosZ = st.ProgPosZ;
    ShowPage(3);
    st.ContinueRun = true;
}

double Cnc::LineLiftHeight() const {
    const double height = NumberOf(st.ZMoveToLineDist);
    if (height != 0 && std::isfinite(height)) {
        return height;
    }
    constexpr double kMmPerInch = 25.4;
    return NumberOf(st.UnitIsInch) != 0 ? 10 / kMmPerInch : 10;
}

// The tab buttons Command4(0..4): one group of the panel in view. Changes: VisiblePage.
void Cnc::ShowPage(int index) {
    if (index < 0 || index > 4) {
        return;
    }
    main.VisiblePage = index;
    op().ModelsChanged();
}

Cnc::ResumeRecord Cnc::KeptResumeRecord() const {
    return {st.ResumePending, st.ResumePosX,    st.ResumePosY,  st.ResumePosZ,     st.ResumeTargetX,
            st.ResumeTargetY, st.ResumeTargetZ, st.ResumeGCode, st.ResumeDrawWidth};
}

void Cnc::PutBack(const ResumeRecord& record) {
    st.ResumePending = record.pending;
    st.ResumePosX = record.pos_x;
    st.ResumePosY = record.pos_y;
    st.ResumePosZ = record.pos_z;
    st.ResumeTargetX = record.target_x;
    st.ResumeTargetY = record.target_y;
    st.ResumeTargetZ = record.target_z;
    st.ResumeGCode = record.gcode;
    st.ResumeDrawWidth = record.draw_width;
}

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
// the jog or homing, each "Step" click a step. The stopped move keeps its resume record and its
// stop (both panel moves keep them), so that Start goes back to where it stopped and resumes it;
// the program never goes on by itself. Changes: deferred_press_, jog_release_due_, and whatever
// the jog or homing changes.
void Cnc::RunDeferredPanelMove() {
    const PanelPress press = std::exchange(deferred_press_, PanelPress{});
    if (press.kind == PanelPress::Kind::Home) {
        HomeTheMachine();
        return;
    }
    for (int click = 0; press.kind == PanelPress::Kind::Jog && click < press.clicks; ++click) {
        jog_release_due_ = press.released;
        JogPressed(press.index, press.button);
        if (std::exchange(jog_release_due_, false)) {
            JogReleased(press.index, press.button); // a single step, or a jog that was refused
        }
    }
}

bool Cnc::RefuseUncalibratedMove() {
    if (st.Offline || st.LoopCal > 0) {
        return false;
    }
    if (!settings.optionmm && !settings.OptionIn) {
        // A calibration may well be stored: none applies while no unit is chosen.
        op().ShowMessage("Neither unit is chosen (" + config::LineName(32) + " and " + config::LineName(33) +
                             " of the settings are both False), so no loop calibration applies. Choose mm or In "
                             "under Setup > Settings.",
                         kAppTitle);
        return true;
    }
    op().ShowMessage(kUncalibratedText, kAppTitle);
    return true;
}

// Any key in the toolpath view stops a running program, jog or homing move.
// Changes: StopRequest.
void Cnc::ViewKeyPress() {
    st.StopRequest = true;
    OutputsOff();
}

} // namespace tamo
