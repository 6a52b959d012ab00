// The override controls of the panel, and the speed test of the fast jog rate.

#include "interpreter/numbers.h"
#include "test_machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace tamo {
namespace {

using test::TestMachine;
using Message = ScriptedOperator::Message;

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
// at 500 mm/min, and X ends where it started, never further away than one second at the goal. The
// program origin is then where the machine stands, and the readouts say so.
TEST_F(SpeedTest, StartsAtTheSlowJogRateKeepsXNearItsStartAndCalibratesTheGoal) {
    IoRecord& record = m.Record();
    m.st.StepDelay = 0;
    m.st.ProgPosY = 1.5;
    m.st.ProgPosZ = -2.25;
    m.cnc.UpdateReadouts();
    m.cnc.Spdtest();
    EXPECT_EQ(m.cnc.main.PrgOutlbl, (std::array<std::string, 3>{"0.0000", "0.0000", "0.0000"}));
    EXPECT_EQ(m.op.questions().front(),
              (Message{"X will move up to 8.3 mm. Speedtest - click OK - Do not move mouse!", "Speedtest"}));
    EXPECT_EQ(Last(), (Message{"Speedtest done", "Speedtest"}));
    // The result, labelled, in the status bar, with where the origin now is, and in the log.
    EXPECT_EQ(m.cnc.status.Notice.rfind("Speed test: X made 499 mm/min at the fast jog rate of 500 mm/min. ", 0), 0u)
        << m.cnc.status.Notice;
    const auto& log = m.cnc.log.entries();
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const MessageLog::Entry& entry) {
        return entry.text == "Speed test: X made 499 mm/min at the fast jog rate of 500 mm/min";
    }));
    EXPECT_NE(m.cnc.status.Notice.find("Program origin set at machine X0.0000 Y0.0000 Z0.0000"), std::string::npos);
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

// Another program taking 3 ms of the CPU every 500th tick makes the test longer and leaves the
// calibration as it was; every 50th tick, the steps come 6 % short of the fast jog rate, which this
// PC then cannot be said to reach.
TEST_F(SpeedTest, TellsWhetherTheStepsCameAtTheFastJogRateLateOnesIncluded) {
    m.cnc.Spdtest();
    const std::int64_t idle_ns = m.clock.NowNs();
    for (const auto& [every, message] :
         {std::pair{500, "Speedtest done"},
          std::pair{50, "Speedtest could not reach the fast jog rate of 500 mm/min: the steps of X made at most 477 "
                        "mm/min. Set the X fast jog rate (Setup > Settings) to 420 mm/min and run the test again; or "
                        "allow real-time priority and close other programs, then run it at the rate you have. "
                        "Calibration unchanged."}}) {
        SCOPED_TRACE(every);
        const std::int64_t before_ns = m.clock.NowNs();
        m.op.OnYield([&, n = every](std::uint64_t y) { m.clock.AdvanceNs(y % n == 0 ? 3'000'000 : 0); });
        m.cnc.Spdtest();
        EXPECT_EQ(Last().text, message);
        EXPECT_EQ(m.st.LoopCalMm, 4500000);
        EXPECT_GT(m.clock.NowNs() - before_ns, idle_ns);
    }
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
        // What to set next: nine tenths of the best the steps made, in tens of mm/min.
        EXPECT_EQ(machine.op.messages().back().text,
                  slow_ticks ? "Speedtest could not reach the fast jog rate of 500 mm/min: the steps of X made at most "
                               "450 mm/min. Set the X fast jog rate (Setup > Settings) to 400 mm/min and run the test "
                               "again; or allow real-time priority and close other programs, then run it at the rate "
                               "you have. Calibration unchanged."
                             : "Speedtest could not reach the fast jog rate of 100000 mm/min: the steps of X made at "
                               "most 4496 mm/min. Set the X fast jog rate (Setup > Settings) to 4040 mm/min and run "
                               "the test again; or allow real-time priority and close other programs, then run it at "
                               "the rate you have. Calibration unchanged.");
        // Ten windows of a second, and the way back to the start.
        EXPECT_GT(machine.clock.NowNs(), 10'000'000'000);
        EXPECT_LT(machine.clock.NowNs(), 12'000'000'000);
        EXPECT_EQ(File(), file_before_);
        EXPECT_NEAR(machine.st.MachPosX, 0, 1e-9);
        EXPECT_FALSE(machine.st.SpeedTestRunning || machine.st.StopRequest);
    }
}

// Inches, with a lead of 4 over 512 steps: 1/128 per step, exact in binary. A slow jog rate of 472.7
// gives a first window of exactly 1010 steps, goal × 1.01: neither the end nor a correction, so the
// second window measures again at the same delay. The calibration stored is the one the test ran
// on, 100 ns an iteration in inches.
TEST_F(SpeedTest, AWindowExactlyOnTheLimitMeasuresAgainWithTheSameDelay) {
    m.cnc.settings.optionmm = false;
    m.cnc.settings.OptionIn = true;
    m.cnc.settings.Combo7[0] = "4";
    m.cnc.settings.Combo2[0] = "512";
    m.cnc.settings.Combo3[0] = "468.75";
    m.cnc.settings.Combo3[2] = "472.7";
    (void)m.cnc.WriteConfig();
    m.cnc.ReadConfig();
    m.cnc.Spdtest();
    EXPECT_NE(m.cnc.main.Text4, "473.4375");
    EXPECT_GT(std::stod(m.cnc.main.Text4), 468.75 / 1.01);
    EXPECT_EQ(m.st.LoopCalIn, 4687500);
}

// A stop within the first second has measured nothing: the file stays as it was. A stop in the
// second window shows the first window's measurement, 223 steps after its opening one (100.35
// mm/min), and stores the calibration the test ran on. Either way X stays where it stopped.
TEST_F(SpeedTest, AStopKeepsXWhereItIsAndStoresOnlyAfterAWholeWindow) {
    for (const auto& [yield, message, text4] : {std::tuple{100, "Speedtest interrupted - calibration unchanged", ""},
                                                std::tuple{230, "Speedtest done", "100.35"}}) {
        SCOPED_TRACE(yield);
        TestMachine machine;
        machine.cnc.ConfigPath = m.cnc.ConfigPath;
        machine.clock.set_ns_per_iteration(100);
        machine.AtYield(static_cast<std::uint64_t>(yield), [&] { machine.cnc.Pause(); });
        machine.cnc.Spdtest();
        EXPECT_EQ(machine.op.messages().back(), (Message{message, "Speedtest"}));
        EXPECT_EQ(machine.cnc.main.Text4, text4);
        EXPECT_EQ(File(), file_before_);
        EXPECT_FALSE(machine.st.SpeedTestRunning || machine.st.StopRequest);
        EXPECT_GT(machine.st.MachPosX, 0);
    }
}

} // namespace
} // namespace tamo
