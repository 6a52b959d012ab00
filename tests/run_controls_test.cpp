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
}

} // namespace
} // namespace tamo
