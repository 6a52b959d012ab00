// Offline practice as the operator meets it before the first calibration: a held jog takes the time
// its rate gives. Feed moves, homing on the simulated switches and the run time that leaves out a
// tool change's wait are machine scripts (offline_feed_moves, homing_offline_*, run_time_*).

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

} // namespace
} // namespace tamo
