// Offline practice as the operator meets it before the first calibration: moves take the time their
// feed gives, homing on the switches finds them at the ends of the travel so that the soft limits
// apply, and a run's time leaves out the wait at a tool change.

#include "test_machine.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace tamo {
namespace {

using test::TestMachine;

// Started offline with no calibration in the settings (a fresh tamo.cfg): steps of 0.0075 mm, jog
// rates 500, 200 and 100 mm/min.
struct Uncalibrated : TestMachine {
    Uncalibrated() : TestMachine(NotStarted{}) { cnc.StartUp(true); }
    [[nodiscard]] double Seconds(std::int64_t since_ns) { return static_cast<double>(clock.NowNs() - since_ns) / 1e9; }
};

// Without a calibration every move used to run at tick speed: a second's jog at "Slow" went metres.
// Now a held jog takes the time its rate gives (feed moves: the machine script offline_feed_moves).
TEST(OfflinePractice, AJogRunsAtItsRateInRealTimeWithoutACalibration) {
    Uncalibrated m;
    m.cnc.main.Check1 = kChecked; // constant contour: no ramps to blur the rate
    const std::int64_t start = m.clock.NowNs();
    m.cnc.SelectJogSpeed(2);
    bool released = false;
    m.op.OnYield([&](std::uint64_t yields) {
        if (!released && (m.Seconds(start) >= 1.0 || yields > 100'000)) { // a bound for a clock that stands
            released = true;
            m.cnc.JogReleased(4, 1);
        }
    });
    m.cnc.JogPressed(4, 1);
    EXPECT_NEAR(m.st.MachPosX, 100.0 / 60, 0.03 * 100 / 60);
    EXPECT_NEAR(m.Seconds(start), 1.0, 0.03);
}

// The minute the tool-change box waits for the operator is not run time: the log's "Run ended
// after" and the status bar count the moves only.
TEST(OfflinePractice, RunTimeLeavesOutTheToolChangeWait) {
    Uncalibrated m;
    m.cnc.main.Check1 = kChecked;
    m.op.OnMessage([&](const auto& message) {
        if (message.text.starts_with("Change to tool")) {
            m.clock.AdvanceNs(60'000'000'000);
        }
    });
    m.Load("G01 X6 F600\nM06 T2\nG01 X12\n");
    m.cnc.Start(); // to the tool change
    m.cnc.Start(); // on after it
    std::string runs;
    for (const auto& entry : m.cnc.log.entries()) {
        if (entry.text.starts_with("Run ")) {
            runs += entry.text + "\n";
        }
    }
    // 6 mm at 600 mm/min, twice: 1.2 s, not a minute more.
    EXPECT_TRUE(runs.ends_with("(run time 0:01)\n")) << runs;
    EXPECT_EQ(runs.find("1:0"), std::string::npos) << runs;
}

} // namespace
} // namespace tamo
