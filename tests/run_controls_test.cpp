#include "motor_steps.h"
#include "test_machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
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

// The continuation armed at line 0 survives the run and is used up by the next Start.
TEST(RunControls, FinishedRunRestartsAfreshUnlessAContinuationIsArmed) {
    TestMachine m;
    m.Load("G01 X3 F100\n");
    m.cnc.SelectContinuousMode();
    m.cnc.Start();
    const auto yields = m.op.yields();
    m.cnc.Start(); // the continuation: nothing left to move
    EXPECT_EQ(m.Dones(), 2);
    EXPECT_EQ(m.op.yields(), yields);
    m.cnc.Start(); // fresh: the machine position restarts from 0 and the program is already at X3
    EXPECT_EQ(m.Dones(), 3);
    EXPECT_EQ(m.cnc.main.MachOutLl[0], "0.0000");

    // A fresh start draws its live trace two pixels wide, over the one-pixel preview.
    TestMachine fresh;
    fresh.Load("G01 X0.1 F100\n");
    fresh.view.clear_ops();
    fresh.cnc.Start();
    const auto trace = fresh.view.ops_of(RecordingSurface::Kind::Point);
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(trace.front().width, 2);
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
    EXPECT_EQ(m.Dones(), 1);
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
    EXPECT_EQ(m.Dones(), 0);
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

// "Move machine to end of line" outside a run, to the end of line 2 from (0.45, -0.3) at Z -5 or
// Z 15, crossing at the height of "Z-axis move (To line)" (10 mm, or its inch equivalent, when it
// is empty or 0): X and Y move only at that height or above, never together with Z; the machine
// ends on the end point of line 2, and Start goes on with line 3 alone (a fresh start would first
// go back to line 1's end).
TEST(RunControls, MoveToEndOfLineCrossesAtItsHeightAndStartGoesOnAfterTheLine) {
    struct Case {
        double z0;
        const char* setting; // line 43 of tamo.cfg
        bool inch;
        double height;
        const char* phases;
    };
    for (const Case c : {Case{-5, "10", false, 10, "Z XY Z"}, Case{15, "10", false, 15, "XY Z"},
                         Case{-5, "2.5", false, 2.5, "Z XY Z"}, Case{-5, "0", true, 10 / 25.4, "Z XY Z"}}) {
        SCOPED_TRACE(testing::Message() << c.z0 << " " << c.setting);
        TestMachine m;
        m.st.ZMoveToLineDist = std::string(c.setting);
        m.st.UnitIsInch = c.inch;
        m.Load("G01 X0.45 Y-0.3 F100\nG01 X0.3 Y0.15 Z-0.3\nG01 X0.6\n");
        m.st.ProgPosX = 0.45;
        m.st.ProgPosY = -0.3;
        m.st.ProgPosZ = c.z0;
        m.cnc.StepForward();
        m.cnc.StepForward();
        m.cnc.MoveToEndOfLine();
        const auto pulses = MotorSteps(m.port);
        EXPECT_EQ(Phases(pulses), c.phases);
        double z = c.z0, highest = c.z0;
        for (const Steps& s : pulses) {
            z += s[2] * 0.0075;
            highest = std::max(highest, z);
            ASSERT_TRUE((s[0] == 0 && s[1] == 0) || z >= c.height - 0.0075) << z; // not a whole number of steps
        }
        EXPECT_NEAR(highest, c.height, 0.0075);
        const Steps moved = Total(pulses);
        EXPECT_EQ(std::pair(moved[0], moved[1]), std::pair(-20, 60));
        EXPECT_NEAR(z, -0.3, 0.0075);
        EXPECT_NEAR(m.st.ProgPosZ, z, 1e-9);
        EXPECT_EQ(m.cnc.main.VisiblePage, 3);
        EXPECT_EQ(m.st.GCode, "G01");

        m.port.clear();
        m.cnc.Start();
        EXPECT_EQ(MotorSteps(m.port), std::vector<Steps>(40, Steps{1, 0, 0}));
        EXPECT_EQ(m.Dones(), 1);
    }

    // A Pause on the way ends it there and arms nothing; pressed again, it starts afresh and
    // arrives, and Start goes on with the line after it.
    TestMachine m;
    m.Load("G01 X0.3 Y0.15 Z-0.3 F100\nG01 X0.6\n");
    m.cnc.StepForward();
    m.AtYield(5, [&] { m.cnc.Pause(); });
    m.cnc.MoveToEndOfLine();
    EXPECT_EQ(MotorSteps(m.port).size(), 5u);
    EXPECT_FALSE(m.st.ContinueRun);
    EXPECT_EQ(m.st.PrgLineNo, 0);
    EXPECT_EQ(m.st.GCode, "G01");
    m.op.OnYield(nullptr);
    m.cnc.MoveToEndOfLine();
    EXPECT_NEAR(m.st.ProgPosX, 0.3, 1e-9);
    EXPECT_NEAR(m.st.ProgPosY, 0.15, 1e-9);
    EXPECT_NEAR(m.st.ProgPosZ, -0.3, 1e-9);
    m.port.clear();
    m.cnc.Start();
    EXPECT_EQ(Total(MotorSteps(m.port)), (Steps{40, 0, 0}));
    EXPECT_EQ(m.Dones(), 1);
}

// Whatever took the machine away while the program stood (homing or a jog pressed during a run,
// which stops the run first and waits for it, a jog after Pause, jogs between lines in step mode,
// a jog after "Move machine to end of line", a homing that was itself stopped), the program waits
// for Start, which first goes back to where the program stopped, saying so in the status bar: the
// program ends where it is written, on the machine as in the program, at its own feed.
TEST(RunControls, TheProgramLandsWhereItIsWrittenWhateverMovedTheMachineMeanwhile) {
    auto jog = [](TestMachine& m, int index) { // "Slow", released at its third yield
        m.cnc.SelectJogSpeed(2);
        m.AtYield(m.op.yields() + 3, [&m, index] { m.cnc.JogReleased(index, 1); });
        m.cnc.JogPressed(index, 1);
    };
    auto home = [](TestMachine& m) {
        m.cnc.SetHomeOption(1, true);
        m.cnc.HomeTheMachine();
    };
    struct Case {
        const char* what;
        std::function<void(TestMachine&)> stop_and_move;
        const char* returning; // the status while it goes back
        const char* phases;    // of every pulse from the next Start to the end
    };
    // clang-format off
    const std::vector<Case> cases{
        {"homing pressed during line 2", [&](TestMachine& m) { m.AtYield(40, [&m] { m.cnc.HomeTheMachine(); });
                                                                m.cnc.SetHomeOption(1, true); m.cnc.Start(); },
         "Returning to X0.1500 Y0.0000 Z-0.1500", "XY"},
        {"a jog after Pause", [&](TestMachine& m) { m.AtYield(40, [&m] { m.cnc.Pause(); }); m.cnc.Start(); jog(m, 4); },
         "Returning to X0.1500 Y0.0000 Z-0.1500", "XY"},
        {"a jog pressed and released during line 2", [&](TestMachine& m) {
             m.AtYield(40, [&m] { m.cnc.JogPressed(2, 1); m.cnc.JogReleased(2, 1); }); m.cnc.Start(); },
         "Returning to X0.1500 Y0.0000 Z-0.1500", "XY"},
        {"a stopped homing after Pause", [&](TestMachine& m) {
             m.AtYield(40, [&m] { m.cnc.Pause(); }); m.cnc.Start();
             m.AtYield(m.op.yields() + 5, [&m] { m.cnc.Pause(); }); home(m); },
         "Returning to X0.1500 Y0.0000 Z-0.1500", "XY"},
        {"jogs up and across between lines", [&](TestMachine& m) { m.cnc.SelectStepMode(); m.cnc.Start(); m.cnc.Start();
                                                                    jog(m, 6); jog(m, 5); m.cnc.SelectContinuousMode(); },
         "Returning to X0.3000 Y0.0000 Z-0.1500", "XY Z XY"},
        {"homing between lines", [&](TestMachine& m) { m.cnc.SelectStepMode(); m.cnc.Start(); m.cnc.Start(); home(m);
                                                        m.cnc.SelectContinuousMode(); },
         "Returning to X0.3000 Y0.0000 Z-0.1500", "XY"},
        {"a jog after the end of line 2 was reached", [&](TestMachine& m) { m.cnc.StepForward(); m.cnc.StepForward();
                                                                             m.cnc.MoveToEndOfLine(); jog(m, 6); },
         "Returning to X0.3000 Y0.0000 Z-0.1500", "Z XY"},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestMachine m;
        m.Load("G01 Z-0.15 F20\nG01 X0.3\nG01 X0.6\nG01 X0 Y0\n");
        c.stop_and_move(m);
        m.port.clear();
        std::string returning;
        m.op.OnYield([&](std::uint64_t) {
            m.cnc.UpdateStatus();
            if (returning.empty() && m.cnc.status.State.rfind("Returning", 0) == 0) {
                returning = m.cnc.status.State;
            }
        });
        m.cnc.Start(); // one Start to the end
        EXPECT_EQ(m.Dones(), 1);
        EXPECT_EQ(returning, c.returning);
        EXPECT_EQ(Phases(MotorSteps(m.port)), c.phases);
        const std::array<double, 3> end{0, 0, -0.15};
        const std::array<double, 6> at{m.st.ProgPosX, m.st.ProgPosY, m.st.ProgPosZ,
                                       m.st.MachPosX, m.st.MachPosY, m.st.MachPosZ};
        for (std::size_t axis = 0; axis < at.size(); ++axis) {
            EXPECT_NEAR(at[axis], end[axis % 3], 1e-9) << (axis < 3 ? "program " : "machine ") << "XYZ"[axis % 3];
        }
        EXPECT_EQ(m.cnc.main.Text2, "20");
    }
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
