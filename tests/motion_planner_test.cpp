// The moves as the motors feel them: every step's time on the fake clock, each axis' speed and
// acceleration rebuilt from them, with and without the machine's accelerations set.

#include "motion/planner/planner.h"
#include "test_machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace tamo {
namespace {

using test::TestMachine;

constexpr double kStep = 0.005; // 200 steps/mm on every axis

// Every tick's step time and the steps it made.
struct StepLog final : TickObserver {
    struct Tick {
        double t; // seconds
        std::array<int, 3> dir;
        std::array<double, 3> at; // where the motors stand after the step, from where they began
    };
    std::vector<Tick> ticks;
    Clock* clock = nullptr;
    std::array<double, 3> at{};
    std::function<void(const Cnc&)> after; // a switch or the probe that reads the position
    void OnTick(const Cnc& cnc) override {
        const std::array<int, 3> dir{cnc.st.StepDirX, cnc.st.StepDirY, cnc.st.StepDirZ};
        for (std::size_t a = 0; a < 3; ++a) {
            at[a] += dir[a] * kStep;
        }
        ticks.push_back({static_cast<double>(clock->last_step_ns()) * 1e-9, dir, at});
        if (after) {
            after(cnc);
        }
    }
};

// The times of an axis' steps.
std::vector<double> StepTimes(const StepLog& log, std::size_t axis) {
    std::vector<double> times;
    for (const auto& tick : log.ticks) {
        if (tick.dir[axis] != 0) {
            times.push_back(tick.t);
        }
    }
    return times;
}

// The ticks before Y's first step: the leg into a corner from X.
StepLog BeforeY(const StepLog& log) {
    StepLog part;
    for (const auto& tick : log.ticks) {
        if (tick.dir[1] != 0) {
            break;
        }
        part.ticks.push_back(tick);
    }
    return part;
}

// What an axis was asked for: speeds over runs of `run` steps, the acceleration between runs that
// follow each other, the largest change of speed between them, and the speed at the axis' last
// run. A run that spans a pause of more than `gap` seconds is left out.
struct AxisFigures {
    double top_speed = 0, top_accel = 0, last_speed = 0;
};

AxisFigures Figures(const StepLog& log, std::size_t axis, std::size_t run = 1, double gap = 0.05) {
    const std::vector<double> times = StepTimes(log, axis);
    AxisFigures f;
    double v_before = -1, t_before = 0;
    for (std::size_t k = run; k < times.size(); k += run) {
        const double span = times[k] - times[k - run];
        if (span <= 0 || span > gap) {
            v_before = -1;
            continue;
        }
        const double v = static_cast<double>(run) * kStep / span;
        const double centre = (times[k] + times[k - run]) / 2;
        f.top_speed = std::max(f.top_speed, v);
        if (v_before >= 0) {
            f.top_accel = std::max(f.top_accel, std::fabs(v - v_before) / (centre - t_before));
        }
        v_before = v;
        t_before = centre;
        f.last_speed = v;
    }
    return f;
}

// The same from the axis' position sampled every `window` seconds (linear between its steps): the
// speed over each window and the change of speed between windows that follow each other (20 ms
// windows count the speed to a quarter of a step per window). An axis
// that steps on some ticks of the longest axis and not on others (a diagonal, an arc) has steps
// one tick early or late, which no motor follows: over a window they even out.
AxisFigures WindowFigures(const StepLog& log, std::size_t axis, double window) {
    const std::vector<double> times = StepTimes(log, axis);
    AxisFigures f;
    if (times.size() < 2) {
        return f;
    }
    auto position = [&](double t) {
        const auto after = std::upper_bound(times.begin(), times.end(), t);
        const auto k = static_cast<std::size_t>(after - times.begin());
        if (k == 0 || k == times.size()) {
            return static_cast<double>(k) * kStep;
        }
        const double part = (t - times[k - 1]) / (times[k] - times[k - 1]);
        return (static_cast<double>(k) + part - 1) * kStep;
    };
    for (double t = times.front(); t + window <= times.back(); t += window / 4) {
        const double v = (position(t + window) - position(t)) / window;
        f.top_speed = std::max(f.top_speed, v);
        if (t + 2 * window <= times.back()) {
            const double v_after = (position(t + 2 * window) - position(t + window)) / window;
            f.top_accel = std::max(f.top_accel, std::fabs(v_after - v) / window);
        }
    }
    return f;
}

// A mill of 200 steps/mm, 3000 mm/min fast on X and Y, 600 on Z, with a calibration fine enough
// that a period is counted to a part in a thousand, and the accelerations given (none: ramps).
struct Mill {
    TestMachine m;
    StepLog log;
    explicit Mill(std::array<const char*, 3> accel = {"", "", ""}, const char* junction = "0.01",
                  const std::string& machine_text = "") {
        // A start-up without a calibration file: the clock then counts in the calibration below.
        m.st.UnitsPerStepX = m.st.UnitsPerStepY = m.st.UnitsPerStepZ = kStep;
        m.st.JogFastX = 3000.0;
        m.st.JogFastY = 3000.0;
        m.st.JogFastZ = 600.0;
        m.st.LoopCal = 6e7;
        m.cnc.CalibrateClock();
        if (!machine_text.empty()) {
            EXPECT_EQ(m.cnc.LoadMachineSettingsText(machine_text), "");
        }
        for (std::size_t a = 0; a < 3; ++a) {
            m.cnc.machine_page.Acceleration[a] = accel[a];
        }
        m.cnc.machine_page.JunctionDeviation = junction;
        m.cnc.DeriveMachineSetup();
        log.clock = &m.clock;
        m.cnc.set_tick_observer(&log);
    }
    void Run(const std::string& program, bool contour) {
        m.cnc.main.Check1 = contour ? kChecked : kUnchecked;
        m.Load(program);
        m.cnc.Start();
    }
    [[nodiscard]] double Seconds() const { return log.ticks.back().t - log.ticks.front().t; }
};

constexpr std::array<const char*, 3> kSmallMill{"500", "500", "200"};

// Without accelerations the moves ramp as they always did, but no axis runs above its fast rate:
// Z on a steep move ran at the feed times StepsMax / (|StepsX| + |StepsY|), 250 times too fast on
// the first line; Y on a machine whose Y step is twice X's ran at twice its rate.
TEST(MotionPlanner, NoAxisEverStepsAboveItsFastRate) {
    struct Case {
        const char* program;
        double y_step;
        std::size_t axis;
        double fast_mm_per_s;
    };
    const Case cases[] = {
        {"G01 X0.01 Y0.01 Z5 F1000\n", kStep, 2, 10},
        {"G01 X0.5 Y0.2 Z-3 F3000\n", kStep, 2, 10},
        {"G00 Y20\n", 2 * kStep, 1, 50},
    };
    for (const Case& c : cases) {
        Mill mill;
        mill.m.st.UnitsPerStepY = c.y_step;
        mill.Run(c.program, false);
        ASSERT_FALSE(mill.log.ticks.empty()) << c.program;
        const std::vector<double> times = StepTimes(mill.log, c.axis);
        double top = 0;
        for (std::size_t k = 1; k < times.size(); ++k) {
            top = std::max(top, (c.axis == 1 ? c.y_step : kStep) / (times[k] - times[k - 1]));
        }
        EXPECT_LE(top, c.fast_mm_per_s * 1.01) << c.program;
        EXPECT_GE(top, c.fast_mm_per_s * 0.5) << c.program;
    }
}

// With the accelerations set, a straight move accelerates at the setting of the axis it runs on,
// cruises at the feed along the path and ends at rest; a 45-degree move runs each axis at the feed
// times 0.707, not at half of it.
TEST(MotionPlanner, StraightMovesAccelerateAtTheSetting) {
    struct Case {
        const char* program;
        std::size_t axis;
        double accel, speed;
    };
    const Case cases[] = {
        {"G01 X20 F2400\n", 0, 500, 40},
        {"G00 Y-30\n", 1, 500, 50},
        {"G01 Z-8 F3000\n", 2, 200, 10},
        {"G01 X20 Y20 F2400\n", 0, 500, 40 * std::sqrt(0.5)},
    };
    for (const Case& c : cases) {
        Mill mill(kSmallMill);
        mill.Run(c.program, true);
        // Speeds over single steps, accelerations over runs of four: a period is counted in whole
        // iterations and nanoseconds, which over a single step of 0.1 ms shows as 1 % of it.
        EXPECT_NEAR(Figures(mill.log, c.axis, 4).top_accel, c.accel, c.accel * 0.02) << c.program;
        const AxisFigures f = Figures(mill.log, c.axis);
        EXPECT_NEAR(f.top_speed, c.speed, c.speed * 0.01) << c.program;
        // At rest: the last step comes as one from a standstill does.
        EXPECT_LT(f.last_speed, 3.0) << c.program;
    }
}

// A right angle: "Constant contour on" takes it at the junction deviation's speed (sqrt(a R) with
// R = d sin(45) / (1 - sin(45))) as long as the jump it makes on X and on Y, with X braking into
// the corner at 500 mm/s^2 and Y accelerating out of it, keeps 20 ms windows within 1.02 times
// 500 mm/s^2 (a jump of sqrt(2 x 500 x 10) x 20 ms = 2 mm/s);
// unticked the machine comes to rest; either way no axis is asked for more than its acceleration.
// The speed X is seen at is its last step's: over the step two to one step before the corner,
// braking at 500 mm/s^2.
TEST(MotionPlanner, RightAngleCornerBlendsAsTheSettingSays) {
    const std::string program = "G01 X10 F2400\nG01 Y10\n";
    struct Case {
        const char* junction;
        bool contour;
        double corner; // mm/s
    };
    auto corner_speed = [](double junction) {
        const double sin_half = std::sqrt(0.5);
        return std::min(std::sqrt(2 * 500 * 10.0) * 0.02,
                        std::sqrt(500 / sin_half * junction * sin_half / (1 - sin_half)));
    };
    const Case cases[] = {
        {"0.0001", true, corner_speed(0.0001)}, {"0.05", true, corner_speed(0.05)}, {"0.05", false, 0}};
    for (const Case& c : cases) {
        Mill mill(kSmallMill, c.junction);
        mill.Run(program, c.contour);
        ASSERT_NEAR(mill.m.st.ProgPosY, 10, 1e-9);
        const double seen =
            (std::sqrt(c.corner * c.corner + 4 * 500 * kStep) + std::sqrt(c.corner * c.corner + 2 * 500 * kStep)) / 2;
        EXPECT_NEAR(Figures(BeforeY(mill.log), 0).last_speed, seen, 0.02) << c.junction << c.contour;
        for (std::size_t a = 0; a < 2; ++a) {
            EXPECT_LE(Figures(mill.log, a, 4).top_accel, 500 * 1.02) << c.junction << c.contour;
        }
    }
}

// The corner's speed jump is held to 5 mm/s whatever the unit of the settings: a mill set up in
// inches takes a right angle as fast as the same mill set up in millimetres, not faster.
TEST(MotionPlanner, CornerSpeedIsTheSameInInchesAndMillimetres) {
    auto corner_speed = [](bool inch) {
        Mill mill;
        if (inch) {
            mill.m.cnc.settings.OptionIn = true;
            mill.m.st.UnitsPerStepX = mill.m.st.UnitsPerStepY = mill.m.st.UnitsPerStepZ = kStep / 25.4;
            mill.m.st.JogFastX = mill.m.st.JogFastY = 3000 / 25.4;
            mill.m.st.JogFastZ = 600 / 25.4;
            mill.m.cnc.CalibrateClock();
        }
        mill.m.cnc.machine_page.Acceleration = {"2000", "2000", "2000"};
        mill.m.cnc.DeriveMachineSetup();
        mill.Run(inch ? "G01 X1 F100\nG01 Y1\n" : "G01 X25.4 F2540\nG01 Y25.4\n", true);
        return Figures(BeforeY(mill.log), 0).last_speed;
    };
    const double mm = corner_speed(false);
    EXPECT_LT(mm, 8);
    EXPECT_NEAR(corner_speed(true), mm, 0.01 * mm);
}

// Sharp corners blended with "Constant contour on": a Z rapid that turns into an XY rapid, a
// 45-degree step-in between two passes, a turn of 135 degrees, the end of a circle into a climb.
// The speed jump at the corner comes on top of the ramps into and out of it: over 20 ms windows
// every axis stays within 1.1 times its acceleration.
TEST(MotionPlanner, SharpCornersKeepEveryAxisWithinItsAcceleration) {
    const char* const programs[] = {
        "G00 Z5\nG00 X20 Y8\n",
        "G00 Z1\nG00 X5 Y0\nG01 Z-1 F300\nG01 X75 Y0 F1500\nG03 X80 Y5 I0 J5\n",
        "G01 X20 F2400\nG01 X20.5 Y0.5\nG01 X40 Y0.5\n",
        "G01 X20 F3000\nG01 X10 Y10\n",
        "G00 Z-4\nG01 X6 Y3 Z-5 F3000\nG01 X0 Y6 Z-4\n",
        // A whole circle whose walk ends a step away from its end, then straight up.
        "G00 X38 Y20\nG01 Z-1 F100\nG02 X38 Y20 I-8 J0 F200\nG00 Z5\n",
    };
    const std::array<double, 3> accel{500, 500, 200};
    for (const char* program : programs) {
        Mill mill(kSmallMill);
        mill.Run(program, true);
        for (std::size_t a = 0; a < 3; ++a) {
            EXPECT_LE(WindowFigures(mill.log, a, 0.02).top_accel, accel[a] * 1.1) << program << "axis " << a;
        }
    }
}

// Arcs begin from rest within the accelerations, and a small arc runs no faster than its sideways
// acceleration allows: v^2 / r within X's and Y's.
TEST(MotionPlanner, ArcsKeepWithinTheAccelerations) {
    struct Case {
        const char* program;
        double radius;
    };
    const Case cases[] = {
        {"G02 X10 Y0 I5 J0 F2400\n", 5},
        {"G03 X1 Y1 I1 J0 F2400\n", 1},
    };
    for (const Case& c : cases) {
        Mill mill(kSmallMill);
        mill.Run(c.program, true);
        const double top = std::sqrt(0.866 * 500 * c.radius);
        for (std::size_t a = 0; a < 2; ++a) {
            const AxisFigures f = WindowFigures(mill.log, a, 0.02);
            EXPECT_LE(f.top_speed, std::min(40.0, top) * 1.02) << c.program;
            EXPECT_LE(f.top_accel, 500 * 1.1) << c.program;
        }
    }
}

// Pause brakes the machine to rest within v^2 / 2a, the resume record is written where it rests,
// and Start goes on to end exactly where the run without the pause ends.
TEST(MotionPlanner, PauseBrakesToRestAndStartEndsWhereTheRunEnds) {
    const std::string program = "G01 X20 F3000\nG01 X20 Y5\n";
    Mill whole(kSmallMill);
    whole.Run(program, true);

    Mill paused(kSmallMill);
    paused.m.AtYield(1500, [&] { paused.m.cnc.Pause(); });
    paused.Run(program, true);
    const double at_pause = 1500 * kStep;
    const double stopped = paused.m.st.ProgPosX;
    EXPECT_GT(stopped, at_pause);
    const double v = 50; // cruising at F3000 by then
    EXPECT_LE(stopped - at_pause, v * v / (2 * 500) + 2 * kStep);
    EXPECT_GE(stopped - at_pause, v * v / (2 * 500) * 0.9);
    EXPECT_LE(Figures(paused.log, 0, 4).top_accel, 500 * 1.02);
    EXPECT_LT(Figures(paused.log, 0).last_speed, 3.0);

    paused.m.cnc.Start();
    EXPECT_EQ(paused.m.st.ProgPosX, whole.m.st.ProgPosX);
    EXPECT_EQ(paused.m.st.ProgPosY, whole.m.st.ProgPosY);
    EXPECT_EQ(paused.m.st.MachPosX, whole.m.st.MachPosX);
    EXPECT_EQ(paused.m.st.MachPosY, whole.m.st.MachPosY);
}

// A 3-D raster of short segments that zigzag in Y: with "Constant contour on" it runs without
// coming to rest at every segment, far faster than with every line ending at rest, and within the
// accelerations over 20 ms windows, the speed jumps at the corners counted; the run estimate gives
// the planned time.
TEST(MotionPlanner, RasterOfShortSegmentsIsBlended) {
    std::string program = "G01 F2400\n";
    for (int i = 1; i <= 200; ++i) {
        const double x = 0.2 * i;
        const double z = 0.3 * std::sin(i * 0.3);
        program +=
            "G01 X" + std::to_string(x) + " Y" + std::to_string(0.05 * (i % 7)) + " Z" + std::to_string(z) + "\n";
    }
    Mill blended(kSmallMill);
    blended.Run(program, true);
    Mill stopping(kSmallMill);
    stopping.Run(program, false);
    EXPECT_LT(blended.Seconds() * 1.5, stopping.Seconds());
    const std::array<double, 3> accel{500, 500, 200};
    for (std::size_t a = 0; a < 3; ++a) {
        EXPECT_LE(WindowFigures(blended.log, a, 0.02).top_accel, accel[a] * 1.1) << a;
    }
    EXPECT_LE(WindowFigures(blended.log, 2, 0.02).top_speed, 10 * 1.02);

    Mill estimated(kSmallMill);
    estimated.m.cnc.main.Check1 = kChecked;
    estimated.m.Load(program);
    EXPECT_NEAR(estimated.m.cnc.EstimateRun().total_seconds(), blended.Seconds(), blended.Seconds() * 0.02);
}

// The panel's moves with the accelerations set. A held jog ramps up to its rate within the axis'
// acceleration and brakes to rest within it when the button is let go or Pause is pressed, and once
// homed it brakes so as to stop at the end of the travel, not a step past it. An increment is one
// move that ends at rest.
TEST(MotionPlanner, JogsRampUpAndBrakeWithinTheAcceleration) {
    struct Case {
        const char* what;
        int button; // JogZ index: 4 "X +", 1 "Z -"
        std::size_t axis;
        bool pause, homed;
        double accel, rate; // mm/s^2, mm/s
    };
    const Case cases[] = {
        {"X released", 4, 0, false, false, 500, 50},
        {"Z released", 1, 2, false, false, 200, 10},
        {"X paused", 4, 0, true, false, 500, 50},
        {"X into the travel's end", 4, 0, false, true, 500, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Mill mill(kSmallMill, "0.01",
                  "travel_x_min_mm = 0\ntravel_x_max_mm = 6\ntravel_z_min_mm = -50\n"
                  "travel_z_max_mm = 0\n");
        mill.m.st.Homed = c.homed;
        mill.m.cnc.SelectJogSpeed(0); // "Fast"
        constexpr std::uint64_t kHeld = 3000;
        double released_at = 0;
        mill.m.AtYield(kHeld, [&] {
            released_at = std::fabs(std::array<double, 3>{mill.m.st.MachPosX, 0, mill.m.st.MachPosZ}[c.axis]);
            if (c.pause) {
                mill.m.cnc.Pause();
            } else {
                mill.m.cnc.JogReleased(c.button, 1);
            }
        });
        mill.m.cnc.JogPressed(c.button, 1);
        const AxisFigures f = Figures(mill.log, c.axis);
        EXPECT_NEAR(f.top_speed, c.rate, c.rate * 0.01);
        EXPECT_NEAR(Figures(mill.log, c.axis, 4).top_accel, c.accel, c.accel * 0.02);
        EXPECT_LT(f.last_speed, 3.0); // at rest
        const double at = std::fabs(mill.log.ticks.back().at[c.axis]);
        if (c.homed) {
            EXPECT_NEAR(at, 6, 1e-9);
            EXPECT_NE(mill.m.cnc.status.Notice.find("X stopped at the end of its travel"), std::string::npos);
        } else {
            // On for v^2 / 2a after the release, within a step.
            EXPECT_NEAR(at - released_at, c.rate * c.rate / (2 * c.accel), kStep);
        }
    }

    Mill increment(kSmallMill);
    increment.m.cnc.SelectJogIncrement(3); // 10 mm
    increment.m.st.JogMediumX = 1500.0;
    increment.m.cnc.JogPressed(4, 1);
    EXPECT_NEAR(increment.m.st.MachPosX, 10, 1e-9);
    EXPECT_NEAR(Figures(increment.log, 0, 4).top_accel, 500, 500 * 0.02);
    EXPECT_NEAR(Figures(increment.log, 0).top_speed, 25, 25 * 0.01);
    EXPECT_LT(Figures(increment.log, 0).last_speed, 3.0);
}

// The status byte with the given home switches active, as the machine settings wire them.
int HomeStatus(const Cnc& cnc, const std::array<bool, 3>& active) {
    int status = 127;
    for (std::size_t a = 0; a < 3; ++a) {
        const SwitchLine& line = cnc.setup.home[a];
        status = (status & ~line.mask) | (active[a] ? line.active_bits : (~line.active_bits & line.mask));
    }
    return status;
}

// The homing cycle at a slow rate of 20 mm/s: each axis starts from rest within its acceleration,
// brakes to rest within it past its switch, and backs off at a crawl; machine zero is where the
// switch lets go. X and Y home together: X's switch trips first, both brake, Y goes on from rest.
// With Y's switch out of reach, Y goes on from rest all the same and brakes to rest by the end of
// its search, not at speed there.
TEST(MotionPlanner, HomeSwitchSearchStartsAndBrakesWithinTheAcceleration) {
    const std::array<double, 3> accel{500, 500, 200};
    const std::array<double, 3> top{20, 20, 10};
    // Where the switches close, from where the motors began (a switch that reads active puts the
    // machine coordinate at 0 on every tick).
    auto home = [](Mill& mill, const std::array<double, 3>& edge) {
        mill.m.st.JogSlowX = 1200.0;
        mill.m.st.JogSlowY = 1200.0;
        mill.m.st.JogSlowZ = 600.0;
        mill.m.cnc.settings.Check1[0] = kChecked;
        mill.m.cnc.main.Option4.fill(false);
        mill.m.cnc.main.Option4[0] = true;
        mill.log.after = [&mill, edge](const Cnc& cnc) {
            std::array<bool, 3> active{};
            for (std::size_t a = 0; a < 3; ++a) {
                active[a] = cnc.setup.home_direction[a] * (mill.log.at[a] - edge[a]) >= 0;
            }
            mill.m.port.set_status(static_cast<std::int16_t>(HomeStatus(cnc, active)));
        };
        mill.m.cnc.HomeTheMachine();
    };
    auto furthest_past = [](const Mill& mill, std::size_t a, double edge) {
        double furthest = 0;
        for (const auto& tick : mill.log.ticks) {
            furthest = std::max(furthest, mill.m.cnc.setup.home_direction[a] * (tick.at[a] - edge));
        }
        return furthest;
    };
    Mill mill(kSmallMill, "0.01", "home_search_mm = 20\n");
    const std::array<double, 3> edge{-3, -5, 2};
    home(mill, edge);
    ASSERT_TRUE(mill.m.st.Homed) << (mill.m.op.messages().empty() ? "" : mill.m.op.messages().back().text);
    for (std::size_t a = 0; a < 3; ++a) {
        SCOPED_TRACE(a);
        EXPECT_LE(Figures(mill.log, a, 4).top_accel, accel[a] * 1.02);
        EXPECT_LE(WindowFigures(mill.log, a, 0.02).top_accel, accel[a] * 1.1);
        EXPECT_NEAR(Figures(mill.log, a).top_speed, top[a], top[a] * 0.01);
        // Past the switch by what braking from the rate takes (less what the tick of the trip
        // already was past it), within two steps.
        EXPECT_NEAR(furthest_past(mill, a, edge[a]), top[a] * top[a] / (2 * accel[a]), 2 * kStep);
    }
    // Zero where the switch let go on the way back (a crawl of 2 mm/s brakes within a step).
    EXPECT_NEAR(mill.m.st.MachPosX, 0, kStep + 1e-9);
    EXPECT_NEAR(mill.m.st.MachPosZ, 0, kStep + 1e-9);
    EXPECT_NEAR(mill.m.st.MachPosY, 0, kStep + 1e-9);

    Mill lost(kSmallMill, "0.01", "home_search_mm = 8\n");
    home(lost, {-3, -50, 2});
    EXPECT_FALSE(lost.m.st.Homed);
    ASSERT_FALSE(lost.m.op.messages().empty());
    EXPECT_EQ(lost.m.op.messages().back().text.rfind("Home switch Y not found within 8 mm", 0), 0u)
        << lost.m.op.messages().back().text;
    EXPECT_LE(Figures(lost.log, 1, 4).top_accel, accel[1] * 1.02);
    EXPECT_LE(WindowFigures(lost.log, 1, 0.02).top_accel, accel[1] * 1.1);
    EXPECT_LT(Figures(lost.log, 1).last_speed, 3.0);
    EXPECT_LE(furthest_past(lost, 1, 0), 8 + kStep);

    // Pause on the way up to Z's switch, cruising at 10 mm/s: Z brakes to rest, on by v^2 / 2a.
    Mill paused(kSmallMill, "0.01", "home_search_mm = 20\n");
    paused.m.cnc.settings.Check1[0] = kChecked;
    paused.m.st.JogSlowZ = 600.0;
    double paused_at = 0;
    paused.m.AtYield(300, [&] {
        paused_at = paused.log.at[2];
        paused.m.cnc.Pause();
    });
    paused.m.cnc.HomeTheMachine();
    EXPECT_EQ(paused.m.op.messages().back().text, "Homing stopped: the machine is not homed.");
    EXPECT_NEAR(paused.log.at[2] - paused_at, 10.0 * 10 / (2 * 200), 2 * kStep);
    EXPECT_LE(Figures(paused.log, 2, 4).top_accel, 200 * 1.02);
    EXPECT_LT(Figures(paused.log, 2).last_speed, 3.0);
}

// The probe at 600 mm/min: Z starts from rest within its acceleration, brakes to rest past the
// touch within it, and the touch is where Program Z takes the plate's thickness; then it backs off.
TEST(MotionPlanner, ProbeBrakesPastTheTouchWithinTheAcceleration) {
    Mill mill(kSmallMill, "0.01",
              "probe = low\nprobe_feed_mm_per_min = 600\nprobe_distance_mm = 5\nprobe_backoff_mm = 1\n"
              "plate_thickness_mm = 10\n");
    mill.m.st.JogSlowZ = 600.0;
    double touch = 0;
    mill.log.after = [&](const Cnc& cnc) {
        if (cnc.st.MachPosZ <= -2 && touch == 0) {
            touch = cnc.st.MachPosZ;
        }
        mill.m.port.set_status(static_cast<std::int16_t>(cnc.st.MachPosZ <= -2 ? 127 & ~0x08 : 127));
    };
    mill.m.cnc.ProbeZ();
    ASSERT_NE(touch, 0);
    EXPECT_LE(Figures(mill.log, 2, 4).top_accel, 200 * 1.02);
    EXPECT_NEAR(Figures(mill.log, 2).top_speed, 10, 0.1);
    double lowest = 0;
    for (const auto& tick : mill.log.ticks) {
        lowest = std::min(lowest, tick.at[2]);
    }
    EXPECT_NEAR(touch - lowest, 10.0 * 10 / (2 * 200), 2 * kStep);
    // The touch is at the plate: Program Z less machine Z is the plate less the touch's machine Z.
    EXPECT_NEAR(mill.m.st.ProgPosZ - mill.m.st.MachPosZ, 10 - touch, 1e-9);
    EXPECT_NEAR(mill.m.st.MachPosZ, lowest + 1, kStep);

    // Pause on the way down: Z brakes to rest, on by v^2 / 2a, and nothing is said.
    Mill paused(kSmallMill, "0.01", "probe = low\nprobe_feed_mm_per_min = 600\nprobe_distance_mm = 5\n");
    double paused_at = 0;
    paused.m.AtYield(300, [&] {
        paused_at = paused.log.at[2];
        paused.m.cnc.Pause();
    });
    paused.m.cnc.ProbeZ();
    EXPECT_TRUE(paused.m.op.messages().empty());
    EXPECT_NEAR(paused_at - paused.log.at[2], 10.0 * 10 / (2 * 200), 2 * kStep);
    EXPECT_LT(Figures(paused.log, 2).last_speed, 3.0);
}

// machine.cfg: a first start writes accelerations a small mill keeps within; a file of an older
// start without them leaves the moves as they were; the page refuses accelerations for some axes
// only; in inches the mm/s^2 of the file are converted.
TEST(MotionPlanner, AccelerationSettingsInMachineCfg) {
    const test::ScratchDir dir;
    {
        TestMachine first;
        first.cnc.MachinePath = dir / "machine.cfg";
        first.cnc.ReadMachineSettings();
        const std::string saved = test::Slurp(dir / "machine.cfg");
        EXPECT_NE(saved.find("\nacceleration_x_mm_per_s2 = 300\nacceleration_y_mm_per_s2 = 300\n"
                             "acceleration_z_mm_per_s2 = 100\njunction_deviation_mm = 0.01\n"),
                  std::string::npos)
            << saved;
        EXPECT_TRUE(first.cnc.setup.Accelerates());
    }
    {
        TestMachine older;
        older.cnc.MachinePath = dir.Write("older.cfg", "plate_thickness_mm = 2\n");
        older.cnc.ReadMachineSettings();
        EXPECT_FALSE(older.cnc.setup.Accelerates());
        EXPECT_EQ(test::Slurp(dir / "older.cfg"), "plate_thickness_mm = 2\n");
    }
    {
        TestMachine page;
        page.cnc.MachinePath = dir / "page.cfg";
        page.cnc.ShowMachinePage();
        page.cnc.machine_page.Acceleration = {"500", "", "200"};
        EXPECT_FALSE(page.cnc.MachinePageOk());
        EXPECT_EQ(page.op.messages().back().text,
                  "The accelerations need all three axes, or none (the moves then run without them). Nothing was "
                  "saved.");
        page.cnc.settings.OptionIn = true;
        page.cnc.machine_page.Acceleration = {"254", "254", "25.4"};
        EXPECT_TRUE(page.cnc.MachinePageOk());
        EXPECT_DOUBLE_EQ(page.cnc.setup.accel[0], 10);
        EXPECT_DOUBLE_EQ(page.cnc.setup.accel[2], 1);
        EXPECT_DOUBLE_EQ(page.cnc.setup.junction_deviation, 0.01 / 25.4);
    }
}

// The planner on its own: the trapezoid's times and speeds.
TEST(MotionPlanner, ProfileTimesAreExact) {
    const planner::Profile p(0, 40, 0, 500, 20);
    EXPECT_NEAR(p.SpeedAt(10), 40, 1e-9);
    EXPECT_NEAR(p.Duration(), 20.0 / 40 + 40.0 / 500, 1e-9);
    const planner::Profile short_one(0, 40, 0, 500, 1);
    EXPECT_NEAR(short_one.SpeedAt(0.5), std::sqrt(500.0), 1e-9);
    const planner::Profile braking = planner::Profile::Braking(40, 500, 20);
    EXPECT_NEAR(braking.RestAt(), 1.6, 1e-12);
}

} // namespace
} // namespace tamo
