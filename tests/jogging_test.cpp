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
    std::function<void(std::size_t)> after_tick; // with the ticks so far
    JogMachine() { cnc.set_tick_observer(this); }
    void OnTick(const Cnc& c) override {
        ticks.push_back({c.st.RampUpAngle, c.st.RampDownAngle, c.st.FeedRate});
        if (ticks.size() > 10000) {
            st.RampDownAngle = 0;
        }
        if (after_tick) {
            after_tick(ticks.size());
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

// A fast jog stopped by the limit switch, by Pause or by a key in the view, then released: the
// axis stays where it stopped, and "Limit Zone" is shown once.
TEST(Jogging, AJogThatHasStoppedTakesNoStepAtTheRelease) {
    struct Case {
        const char* what;
        std::function<void(JogMachine&)> stop; // at the fourth yield
        std::size_t messages;
    };
    for (const Case& c : {Case{"limit", [](JogMachine& m) { m.port.set_status(63); }, 1},
                          Case{"pause", [](JogMachine& m) { m.cnc.Pause(); }, 0},
                          Case{"key", [](JogMachine& m) { m.cnc.ViewKeyPress(); }, 0}}) {
        SCOPED_TRACE(c.what);
        JogMachine m;
        m.cnc.SelectJogSpeed(kFast);
        m.AtYield(4, [&] { c.stop(m); });
        m.cnc.JogPressed(4, kLeft);
        m.cnc.JogReleased(4, kLeft);
        const std::size_t stopped_after = c.messages == 1 ? 5 : 4;
        EXPECT_EQ(m.ticks.size(), stopped_after);
        EXPECT_NEAR(m.st.ProgPosX, static_cast<double>(stopped_after) * 0.0075, 1e-12);
        EXPECT_EQ(m.op.messages().size(), c.messages);
        EXPECT_TRUE(m.st.StopRequest);
    }
}

// The limit trips X+ during the release ramp: the ramp ends on that tick, with one "Limit Zone".
// While the switch still reads active, a jog into it is refused with the message, and so is Start;
// a jog the other way backs off the switch without a word, and once it reads idle X+ jogs again.
TEST(Jogging, TheLimitSwitchHoldsTheDirectionThatRanIntoIt) {
    JogMachine m;
    m.Load("G01 X0.3 F100\n");
    m.cnc.SelectJogSpeed(kFast);
    m.AtYield(4, [&] { m.cnc.JogReleased(4, kLeft); });
    m.after_tick = [&](std::size_t n) {
        if (n == 6) {
            m.port.set_status(63);
        }
    };
    m.cnc.JogPressed(4, kLeft);
    EXPECT_EQ(m.ticks.size(), 7u);
    EXPECT_EQ(m.op.messages().size(), 1u);

    m.cnc.JogPressed(4, kLeft); // into it
    m.cnc.JogReleased(4, kLeft);
    m.cnc.Start();
    EXPECT_EQ(m.ticks.size(), 7u);
    EXPECT_EQ(m.op.messages(), std::vector<ScriptedOperator::Message>(3, {"Limit Zone", kAppTitle}));

    m.AtYield(m.op.yields() + 3, [&] { m.cnc.JogReleased(2, kLeft); });
    m.cnc.JogPressed(2, kLeft); // away from it
    EXPECT_GT(m.ticks.size(), 7u + 3u);
    EXPECT_EQ(m.op.messages().size(), 3u);
    EXPECT_NEAR(m.st.ProgPosX, (14 - static_cast<double>(m.ticks.size())) * 0.0075, 1e-12);

    m.port.set_status(127);
    m.cnc.SelectJogSpeed(kStep);
    const std::size_t ticks = m.ticks.size();
    m.cnc.JogPressed(4, kLeft);
    EXPECT_EQ(m.ticks.size(), ticks + 1);
    EXPECT_EQ(m.op.messages().size(), 3u);
}

// A tick at a slow rate is held for its due time in slices, with the events let in between: the
// "Step" clicks that come in meanwhile are a step each and leave no stop behind, and a "Slow" tap
// at a slow jog rate of 30 keeps every tick of its release ramp.
TEST(Jogging, SlowTicksLoseNeitherAClickNorARampTick) {
    JogMachine m;
    m.clock.set_ns_per_iteration(5000); // a step at F1 waits 0.3 s, one at 30 per minute 10 ms
    m.cnc.SelectJogSpeed(kStep);
    m.cnc.JogPressed(4, kLeft);
    m.cnc.JogReleased(4, kLeft);
    m.AtYield(1, [&] {
        for (int click = 0; click < 2; ++click) {
            m.cnc.JogPressed(4, kLeft);
            m.cnc.JogReleased(4, kLeft);
        }
    });
    m.cnc.JogPressed(4, kLeft); // held for its due time: the next two clicks come in meanwhile
    m.cnc.JogReleased(4, kLeft);
    EXPECT_EQ(m.ticks.size(), 4u);
    EXPECT_NEAR(m.st.ProgPosX, 4 * 0.0075, 1e-12);
    EXPECT_FALSE(m.st.StopRequest);

    JogMachine tap;
    tap.clock.set_ns_per_iteration(5000);
    tap.st.JogSlowX = 30.0;
    tap.AtYield(1, [&] { tap.cnc.JogReleased(4, kLeft); });
    tap.cnc.JogPressed(4, kLeft);
    EXPECT_EQ(tap.ticks.size(), 3u);
    EXPECT_NEAR(tap.st.ProgPosX, 3 * 0.0075, 1e-12);
}

TEST(Jogging, StepMovesOneStepPerPressOnTheButtonsAxis) {
    // JogZ(1..6): "Z -", "X -", "Y +", "X +", "Y -", "Z +".
    const std::array<std::array<double, 3>, 7> moved{
        {{}, {0, 0, -1}, {-1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {0, -1, 0}, {0, 0, 1}}};
    for (int index = 1; index <= 6; ++index) {
        SCOPED_TRACE(index);
        JogMachine m;
        m.cnc.SelectJogSpeed(kStep);
        m.cnc.JogPressed(index, kLeft);
        m.cnc.JogReleased(index, kLeft);
        EXPECT_FALSE(m.st.StopRequest) << "the release of a single step stops nothing";
        m.cnc.JogPressed(index, kLeft);
        // No ramp step was ever set, and the option changes (from the keyboard) while the button
        // is held: the release finds a continuous jog to end, with a ramp that cannot advance.
        m.cnc.SelectJogSpeed(kFast);
        m.cnc.JogReleased(index, kLeft);
        const auto& d = moved[static_cast<std::size_t>(index)];
        EXPECT_EQ((std::array{m.st.ProgPosX, m.st.ProgPosY, m.st.ProgPosZ}),
                  (std::array{2 * d[0] * 0.0075, 2 * d[1] * 0.0075, 2 * d[2] * 0.0075}));
        EXPECT_EQ(m.ticks.size(), 2u);
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
