// Step timing on deadlines, on the fake clock: what the step edges on the port do when a tick is
// slow, when it is late, when the settings are absurd, and with a calibration stored by an earlier
// start.

#include "test_machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

namespace tamo {
namespace {

using test::TestMachine;

constexpr double kStep = 0.0075; // start-up travel per step
constexpr int kXStepMask = 2;    // X step on pin 3

std::vector<std::int64_t> Intervals(const std::vector<std::int64_t>& edges) {
    std::vector<std::int64_t> intervals;
    for (std::size_t i = 1; i < edges.size(); ++i) {
        intervals.push_back(edges[i] - edges[i - 1]);
    }
    return intervals;
}

// A feed move of X without ramps, at a delay of delay iterations.
void FeedMoveX(TestMachine& m, int steps, double delay) {
    m.cnc.main.Check1 = kChecked;
    m.st.LoopCal = delay * 100;
    m.st.ProgFeed = 100;
    m.st.GCode = "G01";
    m.st.TargetX = m.st.ProgPosX + steps * kStep;
    m.cnc.LinearMove();
}

// A port whose writes of the given numbers the system holds up (an interrupt between the wait and
// the write, or the driver's first call).
struct HeldPort final : Port {
    SimulatedPort& port;
    FakeClock& clock;
    std::map<int, std::int64_t> held_ns; // by the write's number, from 1
    int writes = 0;
    HeldPort(SimulatedPort& p, FakeClock& c, std::map<int, std::int64_t> held)
        : port(p), clock(c), held_ns(std::move(held)) {}
    void Out32(std::uint16_t address, std::int16_t value) override {
        const auto held = held_ns.find(++writes);
        clock.AdvanceNs(held == held_ns.end() ? 0 : held->second);
        port.Out32(address, value);
    }
    std::int16_t Inp32(std::uint16_t address) override { return port.Inp32(address); }
};

// 450 us a step (4500 iterations of 100 ns). The first step's rising write takes 23 us, as the
// first write of a process can: the second step still comes a whole period after it. Events of
// 0.3 ms after the 5th step fit in its period and change nothing; events of 2 ms after the 10th
// make the 11th step late, and the 12th still comes a whole period after it. The 15th step's write
// is held up 50 us: the 16th comes a whole period after the write, not after the wait.
TEST(StepTiming, ASlowTickIsAbsorbedAndALateOneIsNeverMadeUpInABurst) {
    TestMachine m;
    const IoRecord& record = m.Record();
    HeldPort held(m.port, m.clock, {{2, 23'000}, {3 * 14 + 2, 50'000}});
    m.cnc.set_port(held);
    m.clock.set_ns_per_iteration(100);
    m.op.OnYield([&](std::uint64_t n) {
        if (n == 5) {
            m.clock.AdvanceNs(300'000);
        }
        if (n == 10) {
            m.clock.AdvanceNs(2'000'000);
        }
    });
    FeedMoveX(m, 20, 4499);
    std::vector<std::int64_t> expected(19, 450'000);
    expected[9] = 600 + 2'000'000; // the pulse width, then the events
    expected[13] = 450'000 + 50'000;
    EXPECT_EQ(Intervals(record.RisingEdges(kXStepMask)), expected);
}

// The speed test on a first start whose loop ran at one speed, and the program cut on later starts
// whose loop ran at others (0.268 to 0.923 ns an iteration on one PC, from start to start): the
// stored tamo.cfg steps every feed at its programmed period, and the pulse as wide, on every start.
TEST(StepTiming, AStoredCalibrationGivesTheSamePeriodsOnEveryStart) {
    const test::ScratchDir dir;
    std::vector<std::int64_t> first_pulses;
    for (const double loop_ns : {0.494, 0.280, 0.268, 0.923}) {
        SCOPED_TRACE(loop_ns);
        TestMachine m{TestMachine::NotStarted{}};
        m.cnc.ConfigPath = dir / "tamo.cfg";
        m.clock.set_ns_per_iteration(loop_ns);
        m.cnc.StartUp(false);
        if (m.st.LoopCal == 0) {
            m.cnc.Spdtest();
            ASSERT_EQ(m.op.messages().back().text, "Speedtest done");
            continue;
        }
        IoRecord& record = m.Record();
        m.cnc.main.Check1 = kChecked;
        std::vector<std::int64_t> pulses;
        for (const double feed : {100.0, 500.0}) {
            record.clear();
            m.Parse("G01 X" + std::to_string(m.st.ProgPosX + 10 * kStep) + " F" + std::to_string(feed));
            m.cnc.LinearMove();
            for (const std::int64_t interval : Intervals(record.RisingEdges(kXStepMask))) {
                ASSERT_NEAR(static_cast<double>(interval), 60e9 * kStep / feed, 1) << feed;
            }
            for (const IoRecord::Event& e : record.events()) {
                pulses.push_back(e.kind == IoRecord::Kind::Wait ? e.ns : -1);
            }
        }
        first_pulses = first_pulses.empty() ? pulses : first_pulses;
        EXPECT_EQ(pulses, first_pulses);
    }
}

// No wait runs longer than its bound, whatever the settings, and the operator's events come in at
// least that often: Pause ends a move held on a period of centuries (or the release ramp of a jog
// on one), and the step it waited for is never written.
TEST(StepTiming, NoSingleWaitOutlastsItsBoundWhateverTheSettings) {
    struct Case {
        const char* what;
        std::function<void(TestMachine&)> set;
        bool jog;
        std::size_t steps; // written before the stop
    };
    // clang-format off
    const Case cases[] = {
        {"calibration 1e300", [](TestMachine& m) { m.st.LoopCal = 1e300; }, false, 1},
        {"a plunge at F1: a period of 100 ms, not extreme but longer than the bound",
         [](TestMachine& m) { m.st.LoopCal = 1e8; m.Parse("G01 X1 F1"); }, false, 1},
        {"fast X jog rate 1e-300, constant contour on",
         [](TestMachine& m) { m.st.JogFastX = 1e-300; m.cnc.main.Check1 = kChecked; }, false, 1},
        {"pulse width 1e300", [](TestMachine& m) { m.st.PulseWidth = 1e300; }, false, 4},
        {"slow X jog rate 1e-300, jogging", [](TestMachine& m) { m.st.JogSlowX = 1e-300; }, true, 1},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestMachine m;
        const IoRecord& record = m.Record();
        m.clock.set_ns_per_iteration(1);
        m.st.LoopCal = 4.5e5;
        m.Parse("G01 X1 F100");
        c.set(m);
        std::int64_t first_yield_ns = -1;
        m.op.OnYield([&](std::uint64_t n) {
            if (n == 1) {
                first_yield_ns = m.clock.NowNs();
            }
            if (n == 4 && c.jog) {
                m.cnc.JogReleased(4, 1);
            }
            if (n == (c.jog ? 8 : 4)) {
                m.cnc.Pause();
            }
        });
        if (c.jog) {
            m.cnc.SelectJogSpeed(2);
            m.cnc.JogPressed(4, 1);
        } else {
            m.cnc.LinearMove();
        }
        std::int64_t longest = 0;
        for (const IoRecord::Event& e : record.events()) {
            longest = std::max(longest, e.ns);
        }
        EXPECT_LE(longest, kMaxWaitNs);
        EXPECT_LE(first_yield_ns, kMaxWaitNs);
        EXPECT_LT(m.op.yields(), 20u);
        EXPECT_EQ(record.RisingEdges(kXStepMask).size(), c.steps);
        EXPECT_NEAR(m.st.MachPosX, static_cast<double>(c.steps) * kStep, 1e-12);
    }
}

} // namespace
} // namespace tamo
