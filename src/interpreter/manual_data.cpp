// The "Point" page: the operator moves the machine to a typed point, or types one G-code line and
// runs it, without a program.
//
// Both run outside the program: the block state they leave is what a program line would leave
// (the next line starts where the machine is), but neither a stop during them nor a tool change
// typed here is carried into the next "Execute Program".

#include "interpreter/cnc.h"
#include "interpreter/line_words.h"
#include "interpreter/numbers.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

namespace tamo {
namespace {

constexpr std::array<const char*, 3> kAxisNames{"X", "Y", "Z"};
constexpr int kFeedField = 3;

} // namespace

// True, after telling the operator why, when a typed move must not run now: the machine moves, a
// program is part-way (its next line or resumed move expects the machine where the program left
// it), or the machine is online without a calibration, as for a run.
bool Cnc::RefuseManualMove() {
    if (Running()) {
        op().ShowMessage("The machine is moving: a typed move waits until it has stopped.", kAppTitle);
        return true;
    }
    if (st.PrgLineNo >= 1 && st.PrgLineNo <= st.PrgLineCount) {
        op().ShowMessage("The program is part-way (line " + std::to_string(st.PrgLineNo) + " of " +
                             std::to_string(st.PrgLineCount) +
                             "). Run it to its end or press \"Reset Program\" before a typed move.",
                         kAppTitle);
        return true;
    }
    return RefuseUncalibratedMove();
}

// "Move to point": to the typed point in program coordinates by the safe approach, every leg at
// the typed feed (times the override, within the machine's limits, as a program's G01): Z up
// first, then X and Y, then Z down, so that a point below the tool is never reached on a slant
// through the stock. An empty axis field keeps that axis where it is. The scale factors do not
// apply: the point is where the operator said. Refused with "Limit Zone" while the limit switch
// reads active.
// Changes: manual.Refused; StartX/Y/Z (the end point before) and TargetX/Y/Z (the point),
// FeedRate, StepDelay, Text2 and what the moves change; StopRequest and ResumeMove end false.
// GCode and ProgFeed end as they were.
void Cnc::MoveToPoint() {
    manual.Refused = -1;
    if (RefuseManualMove()) {
        return;
    }
    std::array<double, 3> target{st.ProgPosX, st.ProgPosY, st.ProgPosZ};
    for (std::size_t i = 0; i < target.size(); ++i) {
        if (manual.Axis[i].find_first_not_of(" \t") == std::string::npos) {
            continue;
        }
        const auto value = ReadNumber(manual.Axis[i]);
        if (!value) {
            manual.Refused = static_cast<int>(i);
            op().ShowMessage(std::string(kAxisNames[i]) + " must be a number, or empty to keep the axis where it is.",
                             kAppTitle);
            return;
        }
        target[i] = *value;
    }
    const auto feed = ReadNumber(manual.Feed);
    if (!feed || !(*feed > 0)) {
        manual.Refused = kFeedField;
        op().ShowMessage("Feed must be a number above 0.", kAppTitle);
        return;
    }
    if (std::string why = PointMoveProblem(target, *feed); !why.empty()) {
        op().ShowMessage(why, kAppTitle);
        return;
    }
    if (RefuseAtLimit()) {
        return;
    }

    BusyScope busy(*this, Activity::Manual);
    op().FocusView();
    const double held_feed = st.ProgFeed;
    st.ProgFeed = *feed;
    st.FeedFactor = 1;
    op().ModelsChanged();
    (void)ApproachSafely({target[0], target[1], target[2], -std::numeric_limits<double>::infinity(), "G01", "G01"});
    st.StartX = st.TargetX;
    st.StartY = st.TargetY;
    st.StartZ = st.TargetZ;
    st.TargetX = target[0];
    st.TargetY = target[1];
    st.TargetZ = target[2];
    st.ProgFeed = held_feed;
    st.StopRequest = false;
    st.ResumeMove = false;
    UpdateReadouts();
}

// "Run line": manual.Line through ParseLine and DispatchMove, exactly as the run loop carries out
// a program line (the scale factors, the override and the feed limits included), from where the
// machine stands: it moves only the axes it names. An M6 shows its
// prompt but does not change the run mode, and an M word does not make the next Start a
// continuation. An empty line does nothing; a line Start would refuse in a program (a move that
// would never end or take more than a day, a number that is not finite, a feed move at feed 0) is
// refused with the reason.
// Every other line gets an answer, kept in manual.History and written to the log: where the
// machine stands after it, or why nothing moved, in the check's words where it has any.
// Changes: PrgLine, the block state, what the move changes, manual.History; StopRequest, ResumeMove
// and MWord end cleared; SingleStep ends as it was.
void Cnc::RunManualLine(const TypedLineReading& reading) {
    if (manual.Line.find_first_not_of(" \t") == std::string::npos) {
        return;
    }
    const std::uint64_t told = log.added();
    const auto refused = [&](const std::string& why) {
        AnswerTypedLine("refused: " + why);
    };
    // The reason of a refusal the operator was just shown, as the log holds it.
    const auto shown = [&] {
        return log.added() > told ? log.entries().back().text : std::string();
    };
    if (RefuseManualMove()) {
        refused(shown());
        return;
    }
    // Answered in the page's list, the status bar and the log, where the operator is looking: no
    // box on top of the answer.
    if (std::string why = TypedLineProblem(manual.Line); !why.empty()) {
        refused(why);
        return;
    }
    if (RefuseAtLimit()) {
        refused(shown());
        return;
    }
    const std::array<double, 3> before{st.ProgPosX, st.ProgPosY, st.ProgPosZ};
    {
        BusyScope busy(*this, Activity::Manual);
        op().FocusView();
        const bool single_step = st.SingleStep;
        // From where the machine stands: an axis the line does not name stays there, whatever end
        // point a line before it left (one that did not move, "G91 X5", leaves X5 behind).
        st.TargetX = st.ProgPosX;
        st.TargetY = st.ProgPosY;
        st.TargetZ = st.ProgPosZ;
        st.PrgLine = manual.Line;
        ExecuteLine();
        st.SingleStep = single_step;
        st.MWord = 0.0;
        st.StopRequest = false;
        st.ResumeMove = false;
        UpdateReadouts();
    }
    if (before != std::array<double, 3>{st.ProgPosX, st.ProgPosY, st.ProgPosZ}) {
        AnswerTypedLine("moved to X" + main.PrgOutlbl[0] + " Y" + main.PrgOutlbl[1] + " Z" + main.PrgOutlbl[2] +
                        (reading.finding.empty() ? "" : " (" + reading.finding + ")"));
    } else if (!reading.finding.empty()) {
        AnswerTypedLine("nothing moved: " + reading.finding);
    } else if (const std::string_view trimmed = TrimSpaces(manual.Line);
               SkipsLine(trimmed) || LocateWords(trimmed).first_word >= trimmed.size()) {
        AnswerTypedLine(
            "nothing moved: the line holds no word the machine reads (upper case N T M G X Y Z A I J R F Q)");
    } else {
        AnswerTypedLine("nothing moved: the line asks for no move from where the machine stands");
    }
}

// The typed line's answer into the history, which keeps the newest kTypedLinesKept, the status
// bar's notice and the log.
void Cnc::AnswerTypedLine(const std::string& answer) {
    status.Notice = "Typed line " + manual.Line + ": " + answer;
    log.Add(status.Notice);
    manual.History.push_back({manual.Line, answer});
    if (manual.History.size() > kTypedLinesKept) {
        manual.History.erase(manual.History.begin(),
                             manual.History.end() - static_cast<std::ptrdiff_t>(kTypedLinesKept));
    }
    op().ModelsChanged();
}

} // namespace tamo
