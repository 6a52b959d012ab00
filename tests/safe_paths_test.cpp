// The paths by which the machine could cut with its spindle off, leave its travel or move an axis
// nobody named: run from a line, the return after a stop, the tool change, jog increments, the lifts
// and the speed test, checked on the port's pins, the positions and the operator's texts (typed
// lines: golden/operator/typed_lines_named_axes.txt).

#include "interpreter/motion_word.h"
#include "test_machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace tamo {
namespace {

using test::TestMachine;

constexpr int kIdle = 127;
constexpr int kSpindleBit = 64; // the spindle on data pin 8
constexpr double kStep = 0.0075;

using Machine = test::MachineWith; // steps of 0.0075 mm
constexpr const char* kOutputs = "spindle_pin = 8\nflood_pin = 1\nspin_up_s = 0.5\n";

// Every tick, as the motors and the spindle see it: the feed ticks (G01, G02, G03) whose step went
// out with the spindle pin low, the ticks per program line, the highest machine Z, and
// the spindle and coolant switches in order.
struct Watch final : TickObserver {
    explicit Watch(const SimulatedPort& p) : port(p) {}
    void OnTick(const Cnc& c) override {
        ++ticks;
        const Motion m = MotionOf(c.st.GCode);
        const bool steps = c.st.StepDirX != 0 || c.st.StepDirY != 0 || c.st.StepDirZ != 0;
        if (steps && m != Motion::Rapid && m != Motion::None) {
            ++cut;
            // The write that raised this tick's step lines, before a stop in the tick's switch check.
            const int steps_mask = c.st.StepMaskX | c.st.StepMaskY | c.st.StepMaskZ;
            int data = 0;
            for (auto w = port.writes().rbegin(); w != port.writes().rend(); ++w) {
                if (w->address == kDataRegister && (w->value & steps_mask) != 0) {
                    data = w->value;
                    break;
                }
            }
            dry += (data & kSpindleBit) == 0;
        }
        if (c.st.PrgLineNo >= 0 && static_cast<std::size_t>(c.st.PrgLineNo) < per_line.size()) {
            ++per_line[static_cast<std::size_t>(c.st.PrgLineNo)];
        }
        top_z = std::max(top_z, c.st.MachPosZ);
        if (c.st.SpeedTestRunning) {
            test_yz += c.st.StepDirY != 0 || c.st.StepDirZ != 0;
            furthest_x = std::max(furthest_x, std::fabs(c.st.MachPosX - test_start_x));
        }
        if (at_tick) {
            at_tick(ticks);
        }
    }
    void OnOutputs(const Cnc& c) override {
        switches.push_back(std::to_string(c.st.PrgLineNo) + ":" +
                           (c.st.SpindleOn ? (c.st.SpindleCcw ? "ccw" : "cw") : "off"));
    }
    const SimulatedPort& port;
    std::function<void(int)> at_tick; // what happens after a tick, by its number
    int ticks = 0, cut = 0, dry = 0, test_yz = 0;
    std::vector<int> per_line = std::vector<int>(16);
    double top_z = -1e300;
    double test_start_x = 0, furthest_x = 0;
    std::vector<std::string> switches;
};

// Whatever path leads to a cut of a program that switched its spindle and flood on, every feed tick
// steps with both on: a full run, run from a line, Start after the stop key, after the limit switch,
// after "Move machine to end of line", and after a tool change (which switched them off for the
// operator's hands).
TEST(NeverCutDry, EveryPathToTheCutSwitchesTheProgramsOutputsOnFirst) {
    const std::string program = "M3\nM8\nG01 Z-0.03 F100\nG01 X0.15\nG01 Y0.15\n";
    struct Path {
        const char* what;
        std::string program;
        std::function<void(Machine&, Watch&)> act;
    };
    const std::vector<Path> paths{
        {"full run", program,
         [](Machine& m, Watch&) {
             m.cnc.Start();
         }},
        {"run from line 4", program,
         [](Machine& m, Watch&) {
             m.cnc.RunFromLine(4);
         }},
        {"stop key, Start", program,
         [](Machine& m, Watch& w) {
             w.at_tick = [&m](int tick) {
                 if (tick == 10) {
                     m.cnc.ViewKeyPress();
                 }
             };
             m.cnc.Start();
             EXPECT_EQ(m.Data() & kSpindleBit, 0) << "the stop key switched it off";
             EXPECT_EQ(m.st.PrgLineNo, 4);
             m.cnc.Start();
         }},
        {"limit switch, Start", program,
         [](Machine& m, Watch& w) {
             w.at_tick = [&m](int tick) {
                 m.port.set_status(tick == 10 ? 63 : kIdle); // read at the end of the next tick
             };
             m.cnc.Start();
             EXPECT_EQ(m.op.messages().back().text, "Limit Zone");
             EXPECT_EQ(m.Data() & kSpindleBit, 0) << "the limit switch switched it off";
             m.cnc.Start();
         }},
        {"move to the end of line 3, Start", program,
         [](Machine& m, Watch&) {
             for (int i = 0; i < 3; ++i) {
                 m.cnc.StepForward();
             }
             m.cnc.MoveToEndOfLine();
             m.cnc.Start();
         }},
        {"tool change, Start", "M3\nM8\nG01 Z-0.03 F100\nM6 T2\nG01 X0.15\n",
         [](Machine& m, Watch&) {
             m.cnc.Start();
             EXPECT_EQ(m.op.messages().back().text, "Change to tool #2");
             EXPECT_EQ(m.Data() & kSpindleBit, 0) << "off while the prompt is shown";
             EXPECT_FALSE(m.cnc.AnyOutputOn());
             m.cnc.Start();
         }},
    };
    for (const Path& path : paths) {
        SCOPED_TRACE(path.what);
        Machine m(kOutputs);
        Watch watch(m.port);
        m.cnc.set_tick_observer(&watch);
        m.Load(path.program);
        path.act(m, watch);
        EXPECT_EQ(m.op.messages().back().text, "File succesfully processed");
        EXPECT_GT(watch.cut, 20);
        EXPECT_EQ(watch.dry, 0) << "feed ticks with the spindle or flood off";
    }
}

// What "switched on again" looks like: said in the status bar and the log, with its spin-up on the
// step clock before the first step of the cut.
TEST(NeverCutDry, StartAfterTheStopKeySaysSoAndSpinsUpBeforeTheCut) {
    Machine m(kOutputs);
    m.Load("M3\nG01 X0.3 F100\n");
    m.AtYield(5, [&m] { m.cnc.ViewKeyPress(); });
    m.cnc.Start();
    IoRecord& record = m.Record();
    m.cnc.Start();
    EXPECT_TRUE(m.Logged("Switched on again, as the program has them: spindle CW (spin-up 0.5 s)"));
    const std::vector<std::int64_t> edges = record.RisingEdges(2);
    ASSERT_FALSE(edges.empty());
    EXPECT_GE(edges.front() - record.events().front().at_ns, 500'000'000);
}

// After M6 the spindle comes back on with Start unless the next line switches it itself: then it
// is that line's word alone (no CW before an M4).
TEST(NeverCutDry, ToolChangeLeavesTheSwitchToTheNextLineWhenItHasOne) {
    for (const auto& [next, expected] :
         {std::pair{std::string("G01 X0"), std::vector<std::string>{"1:cw", "3:off", "3:cw", "5:off"}},
          std::pair{std::string("M4\nG01 X0"), std::vector<std::string>{"1:cw", "3:off", "4:ccw", "6:off"}}}) {
        SCOPED_TRACE(next);
        Machine m("spindle_pin = 8\nspindle_direction_pin = 14\nspin_up_s = 0\n");
        Watch watch(m.port);
        m.cnc.set_tick_observer(&watch);
        m.Load("M3\nG01 X0.03 F100\nM6 T2\n" + next + "\n");
        m.cnc.Start();
        m.cnc.Start();
        EXPECT_EQ(watch.switches, expected);
    }
}

// Run from a line cuts that line as a full run cuts it: an arc before it has rewritten the centre
// words the line's own arc reads.
TEST(RunFromLine, CutsTheLineAsAFullRunDoes) {
    const std::string program = "G00 X0 Y0\nG02 X0.6 Y0 I0.3 J0 F300\nY0.3\n";
    Machine full("");
    Watch whole(full.port);
    full.cnc.set_tick_observer(&whole);
    full.Load(program);
    full.cnc.Start();
    Machine from("");
    Watch part(from.port);
    from.cnc.set_tick_observer(&part);
    from.Load(program);
    from.cnc.RunFromLine(3);
    EXPECT_EQ(from.op.messages().back().text, "File succesfully processed");
    ASSERT_GT(whole.per_line[3], 0);
    EXPECT_EQ(part.per_line[3], whole.per_line[3]);
    EXPECT_NEAR(from.st.ProgPosX, full.st.ProgPosX, 1e-9);
    EXPECT_NEAR(from.st.ProgPosY, full.st.ProgPosY, 1e-9);
}

constexpr const char* kTravel =
    "travel_x_min_mm = 0\ntravel_x_max_mm = 0.3\ntravel_y_min_mm = 0\ntravel_y_max_mm = 10\n"
    "travel_z_min_mm = -5\ntravel_z_max_mm = 0\nhome_search_mm = 0.5\n";

// Homed with the program origin 3 mm below the top of Z's travel: "Move machine to end of line",
// run from a line and the return to a stopped run all cross at the top of the travel at most, not
// at the lift height of 10 mm above the origin.
TEST(Lifts, NeverAboveTheTopOfTheTravel) {
    struct Path {
        const char* what;
        std::function<void(Machine&)> act;
    };
    // clang-format off
    const std::vector<Path> paths{
        {"move to the end of line 2", [](Machine& m) { m.cnc.StepForward(); m.cnc.StepForward();
                                                       m.cnc.MoveToEndOfLine(); }},
        {"run from line 2", [](Machine& m) { m.cnc.RunFromLine(2); }},
        {"return to the stop point", [](Machine& m) {
             m.AtYield(3, [&m] { m.cnc.Pause(); });
             m.cnc.Start();
             m.cnc.SelectJogIncrement(1);
             m.cnc.JogPressed(6, 1); // Z+ 0.1, then back down on Start
             m.cnc.Start(); }},
    };
    // clang-format on
    for (const Path& path : paths) {
        SCOPED_TRACE(path.what);
        Machine m(kTravel);
        m.st.Homed = true;
        m.st.MachPosZ = -3;
        Watch watch(m.port);
        m.cnc.set_tick_observer(&watch);
        m.Load("G01 X0.1 Z-1 F100\nG01 X0.2\n");
        m.st.MachPosZ = -3;
        ASSERT_EQ(m.cnc.LineLiftHeight(), 10);
        path.act(m);
        EXPECT_LE(watch.top_z, kStep / 2);
        EXPECT_GT(watch.ticks, 0);
    }
}

// The speed test moves X alone, from where it stands, never farther than its question says (8.3 mm
// at the fast jog rate of 500), whatever came before: a failed homing search, Open, a jog, a probe.
TEST(SpeedTestPaths, MovesXOnlyAndNoFartherThanItSaysWhateverCameBefore) {
    struct Before {
        const char* what;
        std::function<void(Machine&)> act;
    };
    // clang-format off
    const std::vector<Before> befores{
        {"failed homing", [](Machine& m) { m.cnc.settings.Check1[0] = kChecked; m.cnc.HomeTheMachine();
                                           ASSERT_FALSE(m.st.Homed); }},
        {"Open", [](Machine& m) { m.Load("G01 X5 Y5 Z-2 F300\n"); }},
        {"jog Z+", [](Machine& m) { m.cnc.SelectJogIncrement(2); m.cnc.JogPressed(6, 1); }},
        {"probe", [](Machine& m) { m.AtYield(20, [&m] { m.port.set_status(kIdle & ~0x08); }); m.cnc.ProbeZ();
                                   m.port.set_status(kIdle); }},
    };
    // clang-format on
    for (const Before& before : befores) {
        SCOPED_TRACE(before.what);
        test::ScratchDir dir;
        Machine m(std::string(kTravel) + "probe = low\nprobe_distance_mm = 1\n");
        m.cnc.ConfigPath = dir / "tamo.cfg";
        m.clock.set_ns_per_iteration(100);
        before.act(m);
        Watch watch(m.port);
        watch.test_start_x = m.st.MachPosX;
        const double y = m.st.MachPosY;
        const double z = m.st.MachPosZ;
        m.cnc.set_tick_observer(&watch);
        m.cnc.Spdtest();
        EXPECT_EQ(m.op.messages().back().text, "Speedtest done");
        EXPECT_EQ(watch.test_yz, 0) << "ticks that stepped Y or Z";
        EXPECT_EQ(m.st.MachPosY, y);
        EXPECT_EQ(m.st.MachPosZ, z);
        EXPECT_GT(watch.furthest_x, 5.0);
        EXPECT_LE(watch.furthest_x, 500.0 / 60 + kStep / 2);
        EXPECT_NEAR(m.st.MachPosX, watch.test_start_x, 1e-9);
    }
}

} // namespace
} // namespace tamo
