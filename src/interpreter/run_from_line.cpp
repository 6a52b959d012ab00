// "Run from here": a program started at one of its lines, as if a fresh Start had run every line
// before it, with the tool brought there the safe way first.

#include "interpreter/cnc.h"
#include "interpreter/line_words.h"
#include "interpreter/motion_word.h"
#include "motion/arc_geometry.h"

#include <string>

namespace tamo {

// The state at the line is the state a full run has there: the motion word, the feed, the arc
// centre as the arcs before it left it (a run rewrites the centre words in place), the end point of
// the line before (where the line starts) and the spindle and coolant the M words before it
// switched on. It is worked out by parsing every line before it from a fresh start's block, with
// Previewing set: nothing moves and no tool change is asked for. The tool then goes to the line's
// start by ApproachSafely (Z up to the height of "Move machine to end of line" first, then X and Y;
// the spindle and coolant on, spin-up included; then Z down at the program's feed), and the run
// goes on from the line as after "Move machine to end of line".
//
// Refused, with the reason: a line that a comma split off the line before it (its state would be
// the middle of that line's block), a line outside the program, and whatever refuses a Start.
// A stop during the approach leaves the program at its start.
// Changes: the block state and the modal words, PrgLineNo, the positions, and what Start changes.
void Cnc::RunFromLine(int line) {
    if (Running() || st.PrgLineCount == 0) {
        return;
    }
    const std::string where = "Cannot run from line " + std::to_string(line) + ": ";
    if (line < 1 || line > st.PrgLineCount) {
        op().ShowMessage(where + "the program has lines 1 to " + std::to_string(st.PrgLineCount) + ".", kAppTitle);
        return;
    }
    const auto entry = static_cast<std::size_t>(line);
    if (st.PrgBuf.AfterComma(entry)) {
        int first = line;
        while (first > 1 && st.PrgBuf.AfterComma(static_cast<std::size_t>(first))) {
            --first;
        }
        op().ShowMessage(where + "a comma split it off line " + std::to_string(first) +
                             ", so the state in the middle of that line is not known. Run from line " +
                             std::to_string(first) + ".",
                         kAppTitle);
        return;
    }
    if (RefuseUncalibratedMove() || RefuseAtLimit() || RefuseUnrunnableProgram()) {
        return;
    }

    // A fresh Start's block, then every line before this one.
    st.StartX = st.StartY = st.StartZ = 0;
    st.TargetX = st.TargetY = st.TargetZ = 0;
    st.ArcI = st.ArcJ = 0;
    const bool previewing = st.Previewing;
    st.Previewing = true;
    for (int before = 1; before < line; ++before) {
        st.PrgLine = std::string(st.PrgBuf.Text(static_cast<std::size_t>(before)));
        const bool may_arc = CarriesArcWord(st.PrgLine);
        ParseLine();
        const Motion motion = MotionOf(st.GCode);
        if (may_arc && (motion == Motion::ArcClockwise || motion == Motion::ArcCounterClockwise)) {
            // The run's arc leaves its centre words rewritten for the next block to read.
            LeaveCentreOffsets(st.ArcI, st.ArcJ);
        }
    }
    st.Previewing = previewing;
    ProgramOutputsAt(line - 1);
    // The run mode is the one the Run page shows: a tool change among the lines before (or one
    // the step controls showed) leaves no single step behind.
    st.SingleStep = main.Option2;
    st.MWord = 0.0;
    st.PrgLineNo = 0;
    st.ContinueRun = false;
    ClearResumeRecord();
    if (line > 1) {
        BusyScope busy(*this, Activity::Manual);
        op().FocusView();
        const bool arrived =
            ApproachSafely({st.TargetX, st.TargetY, st.TargetZ, LineLiftHeight(), "G00", "G01", false, line});
        st.StopRequest = false;
        if (!arrived) {
            ProgramOutputsAt(0); // the program stays at its start
            UpdateReadouts();
            return;
        }
        log.Add("Run from line " + std::to_string(line) + ": the tool is at its start");
    }
    st.StartX = st.TargetX;
    st.StartY = st.TargetY;
    st.StartZ = st.TargetZ;
    st.PrgLineNo = line - 1;
    st.ContinueRun = line > 1;
    Start();
}

} // namespace tamo
