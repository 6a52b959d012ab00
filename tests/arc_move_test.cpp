#include "golden_rows.h"
#include "motion/arc_geometry.h"
#include "motor_steps.h"
#include "test_machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

namespace tamo {
namespace {

using test::TestMachine;

constexpr double kStep = 0.0075;
const double kPi = 4 * std::atan(1.0);

// A controller that walks one arc and keeps the position after every tick. LinearMove sets
// StepsMax and the walk never touches it: with the marker -1 set before the arc, a tick seen with
// it belongs to the walk, any other to the closing straight move.
struct ArcMachine : TestMachine, TickObserver {
    struct Tick {
        double x, y, z, delay;
        bool walk;
    };
    std::vector<Tick> ticks;
    std::vector<Tick> walk;

    ArcMachine() { cnc.set_tick_observer(this); }
    void OnTick(const Cnc& c) override {
        ticks.push_back({c.st.ProgPosX, c.st.ProgPosY, c.st.ProgPosZ, c.st.StepDelay, c.st.StepsMax < 0});
        if (ticks.back().walk) {
            walk.push_back(ticks.back());
        }
    }

    // From (x0, y0) to (x1, y1), centre offsets i, j; dir +1 for G02, -1 for G03.
    void Arc(double x0, double y0, double x1, double y1, double i, double j, int dir) {
        st.StartX = st.ProgPosX = x0;
        st.StartY = st.ProgPosY = y0;
        st.TargetX = x1;
        st.TargetY = y1;
        st.ArcI = i;
        st.ArcJ = j;
        st.ArcDir = dir;
        st.GCode = dir > 0 ? "G02" : "G03";
        st.StepsMax = -1;
        cnc.ArcMove();
    }

    // The walk stays on the circle about the origin within the lag of one step per axis, and never
    // steps X against the given direction (0: either).
    void ExpectWalk(double r, int x_dir) const {
        for (std::size_t k = 0; k < walk.size(); ++k) {
            ASSERT_NEAR(std::hypot(walk[k].x, walk[k].y), r, 1.5 * kStep) << k;
            ASSERT_TRUE(k == 0 || x_dir * (walk[k].x - walk[k - 1].x) >= 0) << k;
        }
    }
    [[nodiscard]] bool Passes(double x, double y) const {
        return std::any_of(ticks.begin(), ticks.end(),
                           [&](const Tick& t) { return std::hypot(t.x - x, t.y - y) < 1.5 * kStep; });
    }
    void ExpectAt(double x, double y) const {
        EXPECT_NEAR(st.ProgPosX, x, kStep / 2);
        EXPECT_NEAR(st.ProgPosY, y, kStep / 2);
    }
};

// The run golden files pin quarter arcs both ways and a full circle at a coarse step; here the walk
// is fine enough to show a drift from the circle.
TEST(ArcMove, EndOnTheStartIsAFullCircleInTheProgrammedDirection) {
    for (const int dir : {1, -1}) {
        ArcMachine m;
        m.Arc(10, 0, 10, 0, -10, 0, dir);
        EXPECT_DOUBLE_EQ(m.st.ArcSweep, 2 * kPi);
        EXPECT_EQ(std::pair(m.st.ArcI, m.st.ArcJ), std::pair(10.0, 10.0)); // a J of 0 takes the new I
        m.ExpectWalk(10, 0);
        const auto first_y = std::find_if(m.walk.begin(), m.walk.end(), [](const auto& t) { return t.y != 0; });
        ASSERT_NE(first_y, m.walk.end());
        EXPECT_EQ(first_y->y > 0, dir < 0); // G02 heads down from (10, 0), G03 up
        EXPECT_TRUE(m.Passes(0, 10) && m.Passes(-10, 0) && m.Passes(0, -10));
        m.ExpectAt(10, 0);
    }
    // Written from where a rapid left the tool, the end comes within a step of the start: still whole.
    for (const char* program :
         {"G00 X0.1 Y0.1\nG03 X0.1 Y0.1 I0.3 J-0.2\n", "G00 X1.1 Y0.1\nG02 X1.1 Y0.1 I-0.1 J-0.2\n"}) {
        TestMachine m;
        m.Load(program);
        m.cnc.Start();
        EXPECT_DOUBLE_EQ(m.st.ArcSweep, 2 * kPi) << program;
    }
}

// The arcs of tests/golden/arc/turns.txt, each way. The motors'
// steps, summed from the port, turn the whole angle in the programmed direction (counter-clockwise
// positive) and end on the end point, and nothing the machine cuts leaves the circle.
TEST(ArcMove, EveryQuadrantAndAlmostAFullCircleTurnTheProgrammedWay) {
    const double step_deg = kStep / 3 * 180 / kPi;
    for (const test::Row& c : test::GoldenRows("arc/turns.txt")) {
        SCOPED_TRACE(c[0] + " to " + c[1] + " " + c[2]);
        const double to_deg = std::stod(c[1]) + (c[1].ends_with("+s")   ? 1
                                                 : c[1].ends_with("-s") ? -1
                                                                        : 0) *
                                                    step_deg / 3;
        const double a0 = std::stod(c[0]) * kPi / 180, a1 = to_deg * kPi / 180;
        const double x0 = 3 * std::cos(a0), y0 = 3 * std::sin(a0);
        ArcMachine m;
        m.Arc(x0, y0, 3 * std::cos(a1), 3 * std::sin(a1), -x0, -y0, c[2] == "G02" ? 1 : -1);
        double x = x0, y = y0, turned = 0;
        for (const test::Steps& s : test::MotorSteps(m.port)) {
            const double before = std::atan2(y, x);
            x += s[0] * kStep;
            y += s[1] * kStep;
            turned += std::remainder(std::atan2(y, x) - before, 2 * kPi);
        }
        EXPECT_NEAR(turned * 180 / kPi, std::stod(c[3]), 2 * step_deg);
        for (const auto& t : m.ticks) {
            ASSERT_NEAR(std::hypot(t.x, t.y), 3, 1.5 * kStep);
        }
        EXPECT_NEAR(x, 3 * std::cos(a1), kStep);
        EXPECT_NEAR(y, 3 * std::sin(a1), kStep);
    }
}

// A helix: Z follows the angle turned, within a Z step, at the arc's one delay, whether the arc has
// more increments than Z steps (a bore's half-millimetre turn) or fewer (a steep ramp entry); the
// closing straight move has at most a step of Z left to do.
TEST(ArcMove, HelixMovesZInProportionToTheAngleTurned) {
    struct Case {
        double z1;
        int dir;
        double sweep;
    };
    for (const Case& c : {Case{-0.5, 1, 2 * kPi}, Case{-5, -1, kPi / 2}, Case{2, 1, kPi / 2}}) {
        SCOPED_TRACE(c.z1);
        ArcMachine m;
        m.st.LoopCal = 60000;
        m.st.ProgFeed = 300;
        m.st.TargetZ = c.z1;
        const bool quarter = c.sweep < kPi;
        m.Arc(0, 3, quarter ? 3 * c.dir : 0, quarter ? 0 : 3, 0, -3, c.dir);
        ASSERT_GT(m.walk.size(), 10u);
        double turned = 0;
        double before = kPi / 2;
        for (const auto& t : m.walk) {
            const double angle = std::atan2(t.y, t.x);
            turned += std::remainder(before - angle, 2 * kPi) * c.dir;
            before = angle;
            const double share = std::clamp(turned / c.sweep, 0.0, 1.0);
            ASSERT_NEAR(t.z, c.z1 * share, kStep + std::fabs(c.z1) * 1.5 * kStep / 3 / c.sweep) << turned;
            ASSERT_EQ(t.delay, m.walk[0].delay);
        }
        EXPECT_LE(std::fabs(m.walk.back().z - c.z1), kStep * 1.01);
        EXPECT_NEAR(m.st.ProgPosZ, c.z1, kStep / 2);
    }
}

// An end a CAM rounding off the circle, beside its left or right extreme, is reached along the
// circle: no dip below the start past the end and back (0.23 mm deep when the end angle came from
// the arc cosine of X).
TEST(ArcMove, AnEndJustOffTheCircleStopsTheWalkAtItsOwnAngle) {
    for (const test::Row& c : test::GoldenRows("arc/ends_off_the_circle.txt")) {
        SCOPED_TRACE(c[0]);
        const double past = std::stod(c[1]);
        ArcMachine m;
        m.Load(c[0]);
        m.cnc.Start();
        double worst = 0;
        for (const auto& t : m.ticks) {
            if (std::fabs(t.x) > 49.9) {
                worst = std::max(worst, past * t.y);
            }
        }
        EXPECT_LT(worst, 2 * kStep);
    }
}

TEST(ArcMove, StoppedArcResumesFromTheAngleReached) {
    ArcMachine whole;
    whole.Arc(0, 10, 10, 0, 0, -10, 1);

    ArcMachine m;
    m.st.LoopCal = 60000;
    m.st.ProgFeed = 100;
    m.view.SetDrawWidth(2);
    m.cnc.main.Command7Enabled = false;
    m.op.OnYield([&](std::uint64_t n) { m.st.StopRequest = n == 500; });
    m.Arc(0, 10, 10, 0, 0, -10, 1);
    EXPECT_EQ(m.ticks.size(), 500u);
    EXPECT_NEAR(m.st.ArcPos, 499 * m.st.ArcAngleStep, 1e-12);
    EXPECT_TRUE(m.cnc.main.Command7Enabled);
    EXPECT_EQ(std::tuple(m.st.ResumePosY, m.st.ResumeTargetX, m.st.ResumeGCode, m.st.ResumeDrawWidth),
              std::tuple(m.st.ProgPosY, 10.0, "G02", 2));
    EXPECT_EQ(m.ticks.back().delay, 600);

    // The resume walks on at the delay of the feed in force now, with the geometry untouched.
    m.st.StopRequest = false;
    m.st.ResumeMove = true;
    m.st.ProgFeed = 200;
    m.cnc.ArcMove();
    EXPECT_FALSE(m.st.ResumeMove);
    EXPECT_EQ(std::pair(m.st.ArcI, m.st.ArcJ), std::pair(0.0, 10.0));
    EXPECT_EQ(m.ticks[500].delay, 300);
    // The stopped tick's angle is walked once more; nothing else is repeated.
    EXPECT_EQ(m.ticks.size(), whole.ticks.size() + 1);
    m.ExpectWalk(10, +1);
    m.ExpectAt(whole.st.ProgPosX, whole.st.ProgPosY);
}

TEST(ArcMove, RedrawInsideTheWalkCannotTurnItRound) {
    ArcMachine m;
    // The toolpath preview writes ArcDir with the opposite sign for a G02.
    m.op.OnYield([&](std::uint64_t n) { m.st.ArcDir = n >= 100 ? -1 : m.st.ArcDir; });
    m.Arc(0, 10, 10, 0, 0, -10, 1);
    m.ExpectWalk(10, +1);
    m.ExpectAt(10, 0);
}

TEST(ArcMove, DegenerateRadiusEndsWithTheStraightMoveOnly) {
    ArcMachine m;
    m.Arc(0, 0, 30 * kStep, 0, 1e-200, 1e-200, 1); // the squares vanish: radius 0
    EXPECT_EQ(m.st.ArcRadius, 0);
    EXPECT_TRUE(m.walk.empty());
    EXPECT_EQ(m.ticks.size(), 30u);
    m.ExpectAt(30 * kStep, 0);
}

// The quick comparison of lengths says "within" only where the library's own lengths are within
// the bound: ends on the circle and a little off it, at scales from the tiny (squares below the
// normal numbers) to the huge, with the bound set at the library's own difference, which is not
// within it. Ordinary lengths well within their bound are told without the library.
TEST(ArcGeometry, LengthsSurelyWithinOnlyWhereTheLibraryLengthsAre) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> turn(0, 2 * kPi);
    std::uniform_real_distribution<double> unit(0.5, 2);
    int ordinary = 0;
    int told = 0;
    for (const double scale : {1e-158, 1e-6, 1e-3, 1.0, 7.3, 1e3, 1e99, 1e101}) {
        for (int k = 0; k < 2000; ++k) {
            const double r = scale * unit(random);
            const double a = turn(random);
            const double b = turn(random);
            const double r_end = k % 2 == 0 ? r : r * (1 + 1e-9 * unit(random));
            const double dx = r * std::cos(a);
            const double dy = r * std::sin(a);
            const double ex = r_end * std::cos(b);
            const double ey = r_end * std::sin(b);
            const double apart = std::fabs(std::hypot(dx, dy) - std::hypot(ex, ey));
            ASSERT_FALSE(SurelyWithin(dx, dy, ex, ey, apart)) << dx << " " << dy << " " << ex << " " << ey;
            ASSERT_FALSE(SurelyWithin(dx, dy, r_end, std::fabs(std::hypot(dx, dy) - r_end))) << dx << " " << dy;
            if (scale >= 1e-6 && scale <= 1e3) {
                ++ordinary;
                told += SurelyWithin(dx, dy, ex, ey, r * 1e-6) && SurelyWithin(dx, dy, r, r * 1e-6) ? 1 : 0;
            }
        }
    }
    EXPECT_EQ(told, ordinary);
    EXPECT_FALSE(SurelyWithin(std::nan(""), 1, 1, 1, 1));
    EXPECT_FALSE(SurelyWithin(1, 1, std::nan(""), 1));
}

} // namespace
} // namespace tamo
