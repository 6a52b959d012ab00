// The run loop: the program buffer, block by block, through the parser into the move procedures.

#include "interpreter/cnc.h"
#include "interpreter/line_words.h"
#include "interpreter/motion_word.h"

#include <cstddef>
#include <string_view>

namespace tamo {
namespace {

bool IsArcWord(const std::string& gcode) {
    const Motion motion = MotionOf(gcode);
    return motion == Motion::ArcClockwise || motion == Motion::ArcCounterClockwise;
}

} // namespace

// Runs the program from the entry after PrgLineNo: one entry per pass, or the stopped move first
// when ResumeMove is set. Ends at the end of the program (with "File succesfully processed", and
// the resume record cleared), at a stop request, or after one pass in single-step mode; ended
// part-way, it leaves where the machine stands as the return point of the next Start.
// Changes: PrgLineNo, PrgLine, the block state through ParseLine and DispatchMove, TargetX/Y/Z
// and GCode on a resume, the return point, and whatever the moves change; Text4, the readouts and
// Command7Enabled; the view's pen width and colour.
void Cnc::RunProgram() {
    BusyScope busy(*this);
    // The moves of the run read the program ahead; whatever ends the run leaves the machine at
    // rest with nothing read ahead.
    struct ProgramMotion {
        PlannedMotion& m;
        explicit ProgramMotion(PlannedMotion& motion) : m(motion) { m.in_program = true; }
        ~ProgramMotion() {
            m.in_program = false;
            m.holding = false;
            m.timing = false;
            m.speed = 0;
            m.planner.Clear();
            m.look_ahead.reset();
        }
        ProgramMotion(const ProgramMotion&) = delete;
        ProgramMotion& operator=(const ProgramMotion&) = delete;
    } program_motion(motion_);
    op().FocusView();
    main.Command7Enabled = false;
    op().ModelsChanged();

    for (;;) {
        if (st.PrgLineNo > st.PrgLineCount) {
            break;
        }
        if (main.Check1 == kUnchecked) {
            UpdateReadouts();
        }
        view().SetForeColor(kBlack);
        // A stop that is still braking goes on through the next blocks until the machine rests.
        if (st.StopRequest && !HoldGoesOn()) {
            break;
        }
        if (st.ResumeMove) {
            // From where the machine is: Start has brought it back to where the move stopped.
            st.TargetX = st.ResumeTargetX;
            st.TargetY = st.ResumeTargetY;
            st.TargetZ = st.ResumeTargetZ;
            view().SetDrawWidth(st.ResumeDrawWidth);
            st.GCode = st.ResumeGCode;
            DispatchMove();
        } else {
            ++st.PrgLineNo;
            if (st.PrgLineNo > st.PrgLineCount) {
                view().SetDrawWidth(1);
            }
            // Entries past the program are empty, also when the file left no byte for the entry
            // after its last item, or when a failed Open left an older program in the buffer.
            if (st.PrgLineNo <= st.PrgLineCount) {
                st.PrgLine = st.PrgBuf.Text(static_cast<std::size_t>(st.PrgLineNo));
            } else {
                st.PrgLine.clear();
            }
            if (main.Check1 == kUnchecked) {
                main.Text4 = st.PrgLine; // shown with the feeds once the line is parsed
            }
            ExecuteLine();
        }
        if (st.SingleStep) {
            break;
        }
    }

    UpdateReadouts();
    main.Command7Enabled = true;
    view().SetForeColor(kBlack);
    op().ModelsChanged();
    if (st.PrgLineNo > st.PrgLineCount) {
        ClearResumeRecord();
        OutputsOff();
        op().ShowMessage("File succesfully processed", "Done");
    } else if (st.PrgLineNo >= 1) {
        st.ReturnPending = true;
        st.ReturnPosX = st.ProgPosX;
        st.ReturnPosY = st.ProgPosY;
        st.ReturnPosZ = st.ProgPosZ;
    }
}

// Changes: PrgLine and the block state through ParseLine, and what the move changes. Unless
// "Constant contour on" is ticked the windows show the parsed line's feeds before it moves: the
// feed boxes belong to the line in progress, not to the one before it.
void Cnc::ExecuteLine() {
    const bool may_arc = CarriesArcWord(st.PrgLine);
    ParseLine();
    if (main.Check1 == kUnchecked) {
        op().ModelsChanged();
    }
    ApplyOutputWords();
    if (may_arc || !IsArcWord(st.GCode)) {
        DispatchMove();
    }
}

// Carries out the current block by its motion word, G0 to G3 written with one digit or two; any
// other word moves nothing. Changes: RapidMove (G00), ArcDir (G02, G03), the view's colour (green
// for G00), and whatever LinearMove or ArcMove change.
void Cnc::DispatchMove() {
    switch (MotionOf(st.GCode)) {
    case Motion::Rapid:
        view().SetForeColor(kGreen);
        st.RapidMove = true;
        LinearMove();
        break;
    case Motion::Feed:
        LinearMove();
        break;
    case Motion::ArcClockwise:
        st.ArcDir = 1;
        ArcMove();
        break;
    case Motion::ArcCounterClockwise:
        st.ArcDir = -1;
        ArcMove();
        break;
    case Motion::None:
        break;
    }
}

// Changes: StartX/Y, TargetX/Y, ResumePosX/Y/Z and ProgPosX/Y/Z to 0, and the resume record
// cleared: a stopped move cannot be finished from a position that is gone. StartZ and TargetZ keep
// their values.
void Cnc::ResetPositions() {
    st.StartX = st.StartY = 0;
    st.TargetX = st.TargetY = 0;
    st.ResumePosX = st.ResumePosY = st.ResumePosZ = 0;
    st.ProgPosX = st.ProgPosY = st.ProgPosZ = 0;
    ClearResumeRecord();
}

// Changes: ResumeMove, ResumePending, ReturnPending.
void Cnc::ClearResumeRecord() {
    st.ResumeMove = false;
    st.ResumePending = false;
    st.ReturnPending = false;
}

} // namespace tamo
