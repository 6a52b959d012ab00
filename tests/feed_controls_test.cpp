// The override controls of the panel, and the speed test that calibrates the step delay.

#include "interpreter/numbers.h"
#include "test_machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tamo {
namespace {

using test::TestMachine;
using Message = ScriptedOperator::Message;

TEST(OverrideControls, TypingChoosingAndTheButtons) {
    TestMachine m;
    m.st.LoopCal = 60000;
    m.Parse("G01 X10 F200");
    m.cnc.OverideTyped("50"); // typing only refreshes the display
    m.cnc.Text3Typed("150");
    EXPECT_EQ(m.cnc.main.Text2, "75");
    EXPECT_EQ(m.st.StepDelay, 300);
    m.cnc.OverideChosen("200");
    EXPECT_EQ(m.st.StepDelay, 150) << "feed 400";
    EXPECT_EQ(m.op.focus_handovers(), 1);
    m.cnc.OverideTyped("100");
    for (int i = 0; i < 50; ++i) {
        m.cnc.FasterSlower(1);
    }
    EXPECT_EQ(m.cnc.main.Overide, "0");
    EXPECT_EQ(m.st.FeedRate, 1);
    m.cnc.FasterSlower(1); // no lower bound
    m.cnc.FasterSlower(0);
    m.cnc.FasterSlower(0);
    EXPECT_EQ(m.st.FeedRate, 4) << "2 %";
    m.cnc.FasterSlowerReleased();
    EXPECT_EQ(m.op.focus_handovers(), 2);
}

// An F word near the largest double times a feed scale of 2 is an infinite feed. Times an override
// of 0 (or a text that reads as 0) it was NaN, which passed every limit: the delay was NaN and the
// machine stepped without any wait. Whatever the override, the feed stays within its limits.
TEST(OverrideControls, AnInfiniteFeedStaysWithinTheLimitsWhateverTheOverride) {
    TestMachine m;
    m.st.LoopCal = 60000;
    m.cnc.scale.Combo1[0] = "2";
    const std::pair<const char*, double> cases[] = {{"0", 1}, {"abc", 1}, {"-100", 1}, {"100", 500}, {"1e308", 500}};
    for (const auto& [override_text, feed] : cases) {
        m.cnc.main.Overide = override_text;
        m.Parse("G01 X10 F1e308");
        EXPECT_EQ(m.st.FeedRate, feed) << override_text;
        EXPECT_EQ(m.st.StepDelay, 60000 / feed) << override_text;
        EXPECT_EQ(m.cnc.main.Text2, FormatNumber(feed)) << override_text;
    }
    m.cnc.main.Overide = "0";
    m.Parse("G01 X0.075"); // 10 steps at 1 mm/min, each a full delay
    m.cnc.main.Check1 = kChecked;
    m.cnc.LinearMove();
    EXPECT_EQ(m.clock.iterations(), 10 * (60000 + 1 + 6)) << "delay and pulse width of every tick";
}

// The speed test on a PC whose loop runs 100 ns an iteration, at the start-up settings: 0.0075 mm a
// step, X slow jog rate 100, fast jog rate 500 mm/min, so that the slow jog rate is a step every
// 4.5 ms and the goal a step every 0.9 ms.
class SpeedTest : public ::testing::Test {
protected:
    void SetUp() override {
        m.cnc.ConfigPath = dir / "tamo.cfg";
        m.clock.set_ns_per_iteration(100);
        m.st.LoopCalIn = 177165; // as a former test left them
        m.st.LoopCalMm = 4500000;
        (void)m.cnc.WriteConfig();
        file_before_ = File();
        m.cnc.set_tick_observer(&furthest_);
    }
    std::string File() const { return test::Slurp(m.cnc.ConfigPath); }
    Message Last() const { return m.op.messages().back(); }
    // The rate the status bar says X measured.
    std::string Measured() const {
        const std::string& notice = m.cnc.status.Notice;
        const std::size_t at = notice.find("X measured ");
        return at == std::string::npos ? std::string() : notice.substr(at + 11, notice.find(' ', at + 11) - at - 11);
    }

    // How far X went from where the test started it.
    struct FurthestX final : TickObserver {
        double mm = 0;
        void OnTick(const Cnc& cnc) override { mm = std::max(mm, std::fabs(cnc.st.MachPosX)); }
    } furthest_;
    test::ScratchDir dir;
    TestMachine m;
    std::string file_before_;
};

// Started with a delay of 0 in force (what a jog at top speed can leave), the test steps at the slow
// jog rate in its first second, then at the rate it measured that to give; it stores what runs F500
// at 500 mm/min, and X ends where it started, never further away than one second at the goal.
TEST_F(SpeedTest, StartsAtTheSlowJogRateKeepsXNearItsStartAndCalibratesTheGoal) {
    IoRecord& record = m.Record();
    m.st.StepDelay = 0;
    m.cnc.Spdtest();
    EXPECT_EQ(m.op.questions().front(),
              (Message{"X will move up to 8.3 mm. Speedtest - click OK - Do not move mouse!", "Speedtest"}));
    EXPECT_EQ(Last(), (Message{"Speedtest done", "Speedtest"}));
    // The result, labelled, in the status bar and the log; the line box is left alone.
    EXPECT_EQ(m.cnc.status.Notice.rfind("Speed test: X measured ", 0), 0u) << m.cnc.status.Notice;
    EXPECT_NE(m.cnc.status.Notice.find("Program origin set at machine X0.0000 Y0.0000 Z0.0000"), std::string::npos);
    EXPECT_EQ(m.cnc.main.Text4, "");
    const std::vector<std::int64_t> edges = record.RisingEdges(2);
    ASSERT_GT(edges.size(), 223u);
    for (std::size_t i = 1; i < 223; ++i) {
        ASSERT_EQ(edges[i] - edges[i - 1], 4'500'000) << i;
    }
    EXPECT_LE(furthest_.mm, 500.0 / 60 + 0.0075);
    EXPECT_NEAR(m.st.MachPosX, 0, 1e-9);
    EXPECT_FALSE(m.st.SpeedTestRunning);

    EXPECT_EQ(m.st.LoopCal, m.st.LoopCalMm) << "read back for the unit in use";
    EXPECT_EQ(m.st.LoopCalIn, RoundHalfEven(m.st.LoopCalMm / 25.4));
    const std::string lines =
        "\r\n " + FormatNumber(m.st.LoopCalIn) + " \r\n5\r\n " + FormatNumber(m.st.LoopCalMm) + " \r\n";
    EXPECT_NE(File().find(lines), std::string::npos) << File();
    record.clear();
    m.cnc.main.Check1 = kChecked;
    m.Parse("G01 X3 F500");
    m.cnc.LinearMove();
    const std::vector<std::int64_t> move = record.RisingEdges(2);
    ASSERT_EQ(move.size(), 400u);
    EXPECT_NEAR(static_cast<double>(move.back() - move.front()) / 399, 900'000, 1'800) << "0.2 %, a step in a window";
}

// Cancel at the question: nothing moves, nothing is stored.
TEST_F(SpeedTest, CancelledAtItsQuestionMovesNothing) {
    IoRecord& record = m.Record();
    m.op.QueueAnswer(false);
    m.cnc.Spdtest();
    EXPECT_TRUE(record.RisingEdges(2).empty());
    EXPECT_TRUE(m.op.messages().empty());
    EXPECT_EQ(File(), file_before_);
}

// Another program taking 3 ms of the CPU every 50th tick makes the test last longer but leaves the
// calibration as it is on an idle PC.
TEST_F(SpeedTest, ABusyPCMakesTheTestLongerNotTheCalibrationWrong) {
    m.cnc.Spdtest();
    const double idle = m.st.LoopCalMm;
    const std::int64_t idle_ns = m.clock.NowNs();
    m.op.OnYield([&](std::uint64_t n) { m.clock.AdvanceNs(n % 50 == 0 ? 3'000'000 : 0); });
    m.cnc.Spdtest();
    EXPECT_EQ(m.st.LoopCalMm, idle);
    EXPECT_GT(m.clock.NowNs() - idle_ns, idle_ns);
}

// A fast jog rate beyond what the test's shortest delay can step at, and one the PC cannot keep up
// with, every tick's events taking longer than the goal's period: the test gives up after its last
// window, with X back where it started and the calibration as it was.
TEST_F(SpeedTest, GivesUpWhenTheFastJogRateIsOutOfReach) {
    for (const bool slow_ticks : {false, true}) {
        SCOPED_TRACE(slow_ticks ? "ticks slower than the goal" : "a goal beyond the shortest delay");
        TestMachine machine;
        machine.cnc.ConfigPath = m.cnc.ConfigPath;
        machine.clock.set_ns_per_iteration(100);
        if (slow_ticks) {
            machine.op.OnYield([&](std::uint64_t) { machine.clock.AdvanceNs(1'000'000); });
        } else {
            machine.st.JogFastX = 100000.0;
        }
        machine.cnc.Spdtest();
        EXPECT_EQ(machine.op.messages().back().text,
                  "Speedtest could not reach the fast jog rate - calibration unchanged");
        // Ten windows of a second, and the way back to the start.
        EXPECT_GT(machine.clock.NowNs(), 10'000'000'000);
        EXPECT_LT(machine.clock.NowNs(), 12'000'000'000);
        EXPECT_EQ(File(), file_before_);
        EXPECT_NEAR(machine.st.MachPosX, 0, 1e-9);
        EXPECT_FALSE(machine.st.SpeedTestRunning || machine.st.StopRequest);
    }
}

// Inches, with a lead of 4 over 512 steps: 1/128 per step, exact in binary. A slow jog rate of 472.7
// gives a first window of exactly 1010 steps, goal × 1.01: neither the end nor a correction, so
// the calibration pairs the second window's measurement with the first window's delay.
TEST_F(SpeedTest, AWindowExactlyOnTheLimitMeasuresAgainWithTheSameDelay) {
    m.cnc.settings.optionmm = false;
    m.cnc.settings.OptionIn = true;
    m.cnc.settings.Combo7[0] = "4";
    m.cnc.settings.Combo2[0] = "512";
    m.cnc.settings.Combo3[0] = "468.75";
    m.cnc.settings.Combo3[2] = "472.7";
    (void)m.cnc.WriteConfig();
    m.cnc.ReadConfig();
    const double first_delay = 60e9 / 128 / 472.7 / 100 - 1;
    m.cnc.Spdtest();
    EXPECT_NE(Measured(), "473.4375");
    const double second = std::stod(Measured());
    EXPECT_GT(second, 468.75 / 1.01);
    EXPECT_EQ(m.st.LoopCalIn, RoundHalfEven(second * first_delay));
}

TEST_F(SpeedTest, StoppedBeforeAWholeWindowKeepsTheCalibrationAndTheFile) {
    m.AtYield(100, [&] { m.cnc.Pause(); });
    m.cnc.Spdtest();
    EXPECT_EQ(Last(), (Message{"Speedtest interrupted - calibration unchanged", "Speedtest"}));
    EXPECT_EQ(m.st.LoopCalMm, 4500000);
    EXPECT_EQ(File(), file_before_);
    EXPECT_FALSE(m.st.SpeedTestRunning || m.st.StopRequest);
    EXPECT_NEAR(m.st.MachPosX, 100 * 0.0075, 1e-9) << "a stop leaves X where it stopped";
}

// A stop in the second window pairs the first window's measurement with the delay it ran at
// (44,999), not with the correction that followed. The window opens with the first step and counts
// the 223 after it within the second: 100.35 mm/min.
TEST_F(SpeedTest, StoppedAfterAWindowStoresThatWindowsMeasurement) {
    m.AtYield(230, [&] { m.cnc.Pause(); });
    m.cnc.Spdtest();
    EXPECT_EQ(Measured(), "100.35");
    EXPECT_EQ(m.st.LoopCalMm, 4515650); // 100.35 × 44,999 = 4,515,649.65
}

// Without a slow jog rate to start from, the delay of 0 that a jog at top speed can leave is what
// the first window measures; a stop in the second would store a calibration of 0, which would run
// every feed at top speed.
TEST_F(SpeedTest, ACalibrationOfZeroIsNeverStored) {
    m.clock.set_ns_per_iteration(150000); // the pulse width's 6 iterations: 0.9 ms a tick
    m.st.JogSlowX = std::string("none");
    m.st.StepDelay = 0;
    m.AtYield(6670, [&] { m.cnc.Pause(); }); // the first window: 6,667 steps of 150 us
    m.cnc.Spdtest();
    EXPECT_EQ(Last(), (Message{"Speedtest gave no usable calibration - calibration unchanged", "Speedtest"}));
    EXPECT_EQ(File(), file_before_);
}

} // namespace
} // namespace tamo
