#include "motor_steps.h"
#include "test_machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <tuple>
#include <utility>
#include <vector>

namespace tamo {
namespace {

using test::MotorSteps;
using test::Phases;
using test::Steps;
using test::TestMachine;
using test::Total;
using Message = ScriptedOperator::Message;

long DoneCount(const TestMachine& m) {
    return std::count(m.op.messages().begin(), m.op.messages().end(), Message{"File succesfully processed", "Done"});
}

// The continuation armed at line 0 survives the run and is used up by the next Start.
TEST(RunControls, FinishedRunRestartsAfreshUnlessAContinuationIsArmed) {
    TestMachine m;
    m.Load("G01 X3 F100\n");
    m.cnc.SelectContinuousMode();
    m.cnc.Start();
    const auto yields = m.op.yields();
    m.cnc.Start(); // the continuation: nothing left to move
    EXPECT_EQ(DoneCount(m), 2);
    EXPECT_EQ(m.op.yields(), yields);
    m.cnc.Start(); // fresh: the machine position restarts from 0 and the program is already at X3
    EXPECT_EQ(DoneCount(m), 3);
    EXPECT_EQ(m.cnc.main.MachOutLl[0], "0.0000");
}

TEST(RunControls, ResetProgramAsksAndOnYesStartsAfresh) {
    TestMachine m;
    m.Load("G01 X3 F100\nM30\n"); // every redraw leaves the M30 behind
    m.st.MachPosX = 5;
    m.cnc.Start(); // afresh after Open too
    m.op.QueueAnswer(false);
    m.cnc.ResetProgram();
    EXPECT_EQ(m.op.questions().size(), 1u);
    EXPECT_EQ(m.st.PrgLineNo, 3);
    EXPECT_EQ(m.cnc.main.MachOutLl[0], "3.0000");
    m.cnc.ResetProgram();
    EXPECT_EQ(m.st.PrgLineNo, 0);
    EXPECT_EQ(m.cnc.main.PrgOutlbl[0], "0.0000");
    m.cnc.Start(); // from line 1 with the machine position zeroed, not a continuation after M30
    EXPECT_EQ(m.cnc.main.MachOutLl[0], "3.0000");
}

TEST(RunControls, StepForwardAndBackShowTheLineAndMarkItsEndPoint) {
    TestMachine m;
    m.Load("G00 X1\nG01 X2 Y2\nX3\n");
    m.view.clear_ops();
    m.cnc.StepForward();
    EXPECT_EQ(m.cnc.main.Text1, "G00 X1");
    auto dots = m.view.ops_of(RecordingSurface::Kind::Dot);
    ASSERT_EQ(dots.size(), 2u);
    EXPECT_EQ(std::tie(dots[0].a, dots[0].b, dots[0].colour, dots[0].width), std::tuple(1.0, 0.0, kLightRed, 3));
    EXPECT_EQ(std::tie(dots[1].a, dots[1].b, dots[1].colour), std::tuple(0.0, 0.0, kBlack));

    m.cnc.StepForward();
    m.cnc.StepForward();
    for (int back = 0; back < 3; ++back) { // twice to line 1, then it stays there
        m.cnc.StepBack();
    }
    EXPECT_EQ(m.cnc.main.StepLineNo, 1);
    EXPECT_EQ(m.cnc.main.Text1, "G00 X1");
    // Line 1 starts from the origin, not from where line 2 left Y.
    dots = m.view.ops_of(RecordingSurface::Kind::Dot);
    EXPECT_EQ(std::tie(dots.back().a, dots.back().b, dots.back().colour), std::tuple(1.0, 0.0, kLightRed));
}

TEST(RunControls, AutoRepeatStepsUntilPastTheBufferEnd) {
    TestMachine m;
    m.Load("X1\n"); // three bytes: entries 2 and 3 are empty, 4 does not exist
    m.cnc.StepForwardPressed();
    EXPECT_EQ(m.cnc.main.Timer1Interval, 500);
    for (int step = 1; step <= 3; ++step) {
        m.cnc.Timer1Tick();
        EXPECT_EQ(m.cnc.main.StepLineNo, step);
    }
    EXPECT_EQ(m.cnc.main.Timer1Interval, 50);
    m.cnc.StepForwardReleased();
    EXPECT_FALSE(m.cnc.main.Timer1Enabled);
    m.cnc.StepForward();
    EXPECT_EQ(m.cnc.main.StepLineNo, 0);
}

// Nested in a run, the controls that would rewrite the running block, and Start itself, do nothing.
TEST(RunControls, StepControlsAndStartDoNothingDuringARun) {
    TestMachine m;
    m.Load("G01 X1.5 F100\nX3\n");
    m.cnc.main.StepLineNo = 2;
    m.AtYield(5, [&] {
        m.cnc.StepForward();
        m.cnc.StepBack();
        m.cnc.StepReset();
        m.cnc.Timer1Tick();
        m.cnc.MoveToEndOfLine();
        m.cnc.Start();
        m.cnc.ResetProgram();
        m.cnc.Open_Menu();
    });
    m.cnc.Start();
    EXPECT_NEAR(m.st.ProgPosX, 3, 1e-9);
    EXPECT_EQ(m.cnc.main.StepLineNo, 2);
    EXPECT_EQ(DoneCount(m), 1);
    EXPECT_FALSE(m.st.ContinueRun || !m.op.questions().empty());
    EXPECT_EQ(m.st.PrgLineCount, 2);
}

// A panel move holds the machine too: Start clicked inside its yield must not run the program
// under it.
TEST(RunControls, StartDoesNothingDuringAPanelMove) {
    TestMachine m;
    m.Load("G01 X1 F100\n");
    m.cnc.SetHomeOption(1, true);
    m.st.ProgPosX = m.st.ProgPosY = 0.75;
    m.AtYield(2, [&] { m.cnc.Start(); });
    m.cnc.HomeTheMachine();
    EXPECT_EQ(m.st.PrgLineNo, 0);
    EXPECT_EQ(DoneCount(m), 0);
    EXPECT_NEAR(m.st.ProgPosX, 0, 1e-9);
    EXPECT_FALSE(m.cnc.Running());
}

// Online without a calibration every delay would be 0 and the machine would run at the loop's top
// speed: whatever would move it is refused, with the reason. Offline, or calibrated, each moves.
TEST(RunControls, NothingMovesOnlineWithoutACalibration) {
    // clang-format off
    const std::vector<std::pair<const char*, std::function<void(Cnc&)>>> commands{
        {"Start", [](Cnc& cnc) { cnc.Start(); }},
        {"jog", [](Cnc& cnc) { cnc.SelectJogSpeed(3); cnc.JogPressed(4, 1); cnc.JogReleased(4, 1); }}, // a step
        {"home", [](Cnc& cnc) { cnc.SetHomeOption(1, true); cnc.st.ProgPosX = 0.3; cnc.HomeTheMachine(); }},
        {"end of line", [](Cnc& cnc) { cnc.StepForward(); cnc.MoveToEndOfLine(); }},
    };
    // clang-format on
    for (const auto& [name, command] : commands) {
        for (const auto& [offline, cal] : {std::pair(false, 0.0), std::pair(true, 0.0), std::pair(false, 60000.0)}) {
            SCOPED_TRACE(testing::Message() << name << (offline ? " offline" : " online") << " cal " << cal);
            TestMachine m(offline);
            m.Load("G01 X0.3 F100\n");
            m.st.LoopCal = cal;
            command(m.cnc);
            const bool refused = !offline && cal == 0;
            EXPECT_EQ(m.st.MachPosX == 0 && m.st.MachPosZ == 0, refused);
            EXPECT_EQ(m.port.write_count() == 0, refused || offline);
            EXPECT_EQ(m.op.messages().size() == 1 && m.op.messages()[0].text == kUncalibratedText, refused);
        }
    }
}

// "Move machine to end of line" outside a run, to the end of line 2 from (0.45, -0.3) at Z -5, below
// the height of 10 it crosses at, and at Z 15, above it: X and Y move only at that height or above,
// never together with Z; the machine ends on the end point of line 2, and Start goes on with line 3
// alone (a fresh start would first go back to line 1's end).
TEST(RunControls, MoveToEndOfLineCrossesAtItsHeightAndStartGoesOnAfterTheLine) {
    struct Case {
        double z0;
        const char* phases;
    };
    for (const Case c : {Case{-5, "Z XY Z"}, Case{15, "XY Z XY Z"}}) {
        SCOPED_TRACE(c.z0);
        TestMachine m;
        m.Load("G01 X0.45 Y-0.3 F100\nG01 X0.3 Y0.15 Z-0.3\nG01 X0.6\n");
        m.st.ProgPosX = 0.45;
        m.st.ProgPosY = -0.3;
        m.st.ProgPosZ = c.z0;
        m.cnc.StepForward();
        m.cnc.StepForward();
        m.cnc.MoveToEndOfLine();
        const auto pulses = MotorSteps(m.port);
        EXPECT_EQ(Phases(pulses), c.phases);
        double z = c.z0;
        for (const Steps& s : pulses) {
            z += s[2] * 0.0075;
            ASSERT_TRUE((s[0] == 0 && s[1] == 0) || z >= 10 - 0.0075) << z; // 10 is not a whole number of steps
        }
        const Steps moved = Total(pulses);
        EXPECT_EQ(std::pair(moved[0], moved[1]), std::pair(-20, 60));
        EXPECT_NEAR(z, -0.3, 0.0075);
        EXPECT_NEAR(m.st.ProgPosZ, z, 1e-9);
        EXPECT_EQ(m.cnc.main.VisiblePage, 3);
        EXPECT_EQ(m.st.GCode, "G01");

        m.port.clear();
        m.cnc.Start();
        EXPECT_EQ(MotorSteps(m.port), std::vector<Steps>(40, Steps{1, 0, 0}));
        EXPECT_EQ(DoneCount(m), 1);
    }

    // A Pause on the way ends it there: no move after it begins, and Start is not armed to go on.
    TestMachine m;
    m.Load("G01 X0.3 Y0.15 Z-0.3 F100\n");
    m.cnc.StepForward();
    m.AtYield(5, [&] { m.cnc.Pause(); });
    m.cnc.MoveToEndOfLine();
    EXPECT_EQ(MotorSteps(m.port).size(), 5u);
    EXPECT_FALSE(m.st.ContinueRun);
    EXPECT_EQ(m.st.GCode, "G01");
}

// A jog between two lines leaves nothing to resume: the next line starts where the jog left the
// machine and moves only the axes it names.
TEST(RunControls, AfterAJogTheNextLineMovesOnlyTheAxesItNames) {
    TestMachine m;
    m.Load("G01 X0.3 Z-0.3 F100\nG01 X0.6\n");
    m.cnc.SelectStepMode();
    m.cnc.Start();
    m.cnc.SelectJogSpeed(2); // "Slow", released at the first yield
    m.AtYield(m.op.yields() + 1, [&] { m.cnc.JogReleased(6, 1); });
    m.cnc.JogPressed(6, 1); // "Z +"
    const double z = m.st.ProgPosZ;
    ASSERT_GT(z, -0.3);
    m.port.clear();
    m.cnc.SelectContinuousMode();
    m.cnc.Start();
    EXPECT_EQ(Total(MotorSteps(m.port)), (Steps{40, 0, 0}));
    EXPECT_EQ(m.st.ProgPosZ, z);
}

// A line paused half-way at X0.3 and then finished, or abandoned: no later Start replays its second
// half, whatever stop request stands when it is pressed, and line 2, which leaves X out, stays at
// the machine's X though "Reset" zeroed the end point.
TEST(RunControls, AFinishedOrAbandonedStopIsNeverReplayed) {
    struct Case {
        const char* what;
        bool step_mode;
        std::function<void(TestMachine&)> after_pause;
        int starts;
    };
    // clang-format off
    for (const Case& c : {
             Case{"finished, then Reset", true, [](TestMachine& m) { m.cnc.Start(); m.cnc.StepReset(); }, 1},
             Case{"program finished, then a key", false,
                  [](TestMachine& m) { m.cnc.Start(); m.cnc.ViewKeyPress(); }, 2},
             Case{"other program, then Pause", false, [](TestMachine& m) { m.Load("G01 Y0.3\n"); m.cnc.Pause(); }, 1},
         }) {
        // clang-format on
        SCOPED_TRACE(c.what);
        TestMachine m;
        m.Load("G01 X0.6 F100\nG01 Y0.3\n");
        if (c.step_mode) {
            m.cnc.SelectStepMode();
        }
        m.AtYield(40, [&] { m.cnc.Pause(); });
        m.cnc.Start();
        ASSERT_NEAR(m.st.ProgPosX, 0.3, 1e-9);
        c.after_pause(m);
        m.port.clear();
        for (int start = 0; start < c.starts; ++start) {
            m.cnc.Start();
        }
        int x_steps = 0; // ticks whose middle write raises the X step line, bit 1
        for (std::size_t i = 0; i + 2 < m.port.writes().size(); i += 3) {
            x_steps += (m.port.writes()[i + 1].value & ~m.port.writes()[i].value & 2) != 0;
        }
        EXPECT_EQ(x_steps, 0);
        EXPECT_NEAR(m.st.ProgPosY, 0.3, 1e-9);
    }
}

// A program opened after another one starts at its own first line, whatever mode is chosen.
TEST(RunControls, NewProgramStartsAtItsFirstLine) {
    TestMachine m;
    m.Load("G01 X1 F100\nX2\nX3\n");
    m.cnc.SelectStepMode();
    m.cnc.Start();
    m.cnc.Start();
    EXPECT_EQ(m.st.PrgLineNo, 2);
    m.Load("G01 Y1.5 F100\nY3\n");
    m.cnc.Start();
    EXPECT_EQ(m.st.PrgLineNo, 1);
    EXPECT_NEAR(m.st.ProgPosY, 1.5, 1e-9);
}

} // namespace
} // namespace tamo
