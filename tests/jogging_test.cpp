// Jogging with the JogZ buttons, and the "Home the Machine" button.

#include "golden_rows.h"
#include "motor_steps.h"
#include "test_machine.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tamo {
namespace {

using test::MotorSteps;
using test::Phases;
using test::Steps;
using test::TestMachine;
using test::Total;

constexpr int kFast = 0, kStep = 3; // the jog speeds, medium 1 and slow 2 between them
constexpr int kLeft = 1;            // the mouse button; the right one is 2, the middle one 4

// Logs the ramp angles and the feed of every tick. A release loop whose ramp never ends is cut
// short here, so that such a fault fails the test instead of hanging it.
struct JogMachine : TestMachine, TickObserver {
    struct Tick {
        double up, down, feed;
    };
    std::vector<Tick> ticks;
    JogMachine() { cnc.set_tick_observer(this); }
    void OnTick(const Cnc& c) override {
        ticks.push_back({c.st.RampUpAngle, c.st.RampDownAngle, c.st.FeedRate});
        if (ticks.size() > 10000) {
            st.RampDownAngle = 0;
        }
    }
};

// Each speed on another axis, with jog rates that differ by axis, released with another button
// at the 40th yield of the jog loop, as the window system delivers the mouse-up.
TEST(Jogging, RampTicksAndRateOfEachSpeedAndAReleaseOfAnyButton) {
    for (const test::Row& row : test::GoldenRows("jog/ramps.txt")) {
        SCOPED_TRACE(row[0]);
        const struct {
            int speed, index, button, accelerating, decelerating;
            double rate;
        } c{std::stoi(row[0]), std::stoi(row[1]), std::stoi(row[2]),
            std::stoi(row[3]), std::stoi(row[4]), std::stod(row[5])};
        JogMachine m;
        m.cnc.settings.Combo3 = {"500", "200", "100", "400", "160", "80", "300", "120", "60"};
        m.cnc.ReadConfig();
        // One yield a tick: no period is held in slices.
        m.clock.set_ns_per_iteration(0);
        m.cnc.main.Overide = "50"; // a jog runs at its rate as it stands
        m.Parse("G00 X0 F30");
        constexpr std::uint64_t kHeld = 40;
        m.cnc.SelectJogSpeed(c.speed);
        m.op.OnYield([&](std::uint64_t yields) {
            if (yields == kHeld) {
                m.cnc.JogReleased(c.index, c.button);
            } else if (yields > 10000) {
                m.cnc.Pause();
            }
        });
        m.cnc.JogPressed(c.index, c.button);

        ASSERT_EQ(m.ticks.size(), kHeld + static_cast<std::size_t>(c.decelerating));
        int accelerating = 0, decelerating = 0;
        double angle = 0;
        for (const auto& tick : m.ticks) {
            accelerating += tick.up > angle;
            decelerating += tick.down < 91;
            angle = tick.up;
            EXPECT_EQ(tick.feed, c.rate);
        }
        EXPECT_EQ(accelerating, c.accelerating);
        EXPECT_EQ(decelerating, c.decelerating) << "all after the release";
        EXPECT_EQ(m.st.GCode, "G00") << "restored by the release";
        const double travel = std::fabs(m.st.ProgPosX) + std::fabs(m.st.ProgPosY) + std::fabs(m.st.ProgPosZ);
        EXPECT_NEAR(travel, static_cast<double>(m.ticks.size()) * 0.0075, 1e-9);
    }
}

// "Home the Machine" in each mode and move type, from X0.3 Y-0.15 Z0.45 reached by a program line,
// with Z jogged up two steps since and machine zero set elsewhere (X0.6 Y0.15 Z2 on the machine):
// X and Y go to the zero in one straight move, and Z stays where the operator left it.
TEST(Homing, EachModeMovesXAndYInOneStraightMoveAndNeverZ) {
    for (const test::Row& row : test::GoldenRows("jog/homing.txt")) {
        const struct {
            int mode;
            std::string move_type;
            Steps moved;
            std::string shown_feed;
        } c{std::stoi(row[0]), row[1], {std::stoi(row[2]), std::stoi(row[3]), std::stoi(row[4])}, row[5]};
        SCOPED_TRACE(testing::Message() << c.mode << " " << c.move_type);
        TestMachine m;
        m.Load("G01 X0.3 Y-0.15 Z0.45 F100\n");
        m.cnc.Start();
        m.cnc.SelectJogSpeed(kStep);
        for (int press = 0; press < 2; ++press) {
            m.cnc.JogPressed(6, kLeft); // "Z +"
            m.cnc.JogReleased(6, kLeft);
        }
        m.cnc.SetMachine();
        m.cnc.coord.Combo1 = {"0.6", "0.15", "2"};
        m.cnc.CoordOk();
        m.cnc.main.Text6 = "250";
        m.cnc.SetHomeMoveType(c.move_type);
        m.cnc.SetHomeOption(c.mode, true);
        m.port.clear();

        m.cnc.HomeTheMachine();
        const auto pulses = MotorSteps(m.port);
        EXPECT_EQ(Total(pulses), c.moved);
        EXPECT_EQ(Phases(pulses), c.mode == 0 ? "" : "XY");
        // One straight move: every pulse within a step of the line from the start to the end.
        int x = 0, y = 0;
        for (const Steps& s : pulses) {
            x += s[0];
            y += s[1];
            const double off = std::fabs(double(x) * c.moved[1] - double(y) * c.moved[0]) /
                               std::hypot(double(c.moved[0]), double(c.moved[1]));
            ASSERT_LE(off, 1.0) << x << "," << y;
        }
        EXPECT_NEAR(m.st.ProgPosZ, 0.465, 1e-9);
        EXPECT_EQ(m.cnc.main.PrgOutlbl[2], "0.4650");
        if (c.mode == 2) {
            EXPECT_EQ(m.cnc.main.MachOutLl[0] + " " + m.cnc.main.MachOutLl[1], "0.0000 0.0000");
        }
        EXPECT_EQ(m.cnc.main.Text2, c.shown_feed) << "the homing feed, then the rate the move ran at";
    }
}

} // namespace
} // namespace tamo
