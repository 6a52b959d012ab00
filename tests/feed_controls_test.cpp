// The override controls of the panel, and the speed test that calibrates the step delay.

#include "interpreter/numbers.h"
#include "test_machine.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>

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

// A tick costs the pulse-width wait (6 iterations) plus the step delay (floor + 1) at 100 ns an
// iteration, so every window's step count is known in advance.
class SpeedTest : public ::testing::Test {
protected:
    void SetUp() override {
        m.cnc.ConfigPath = dir / "tamo.cfg";
        m.cnc.main.Check1 = kChecked; // no ramp: every one-step move runs at the delay the test sets
        m.clock.set_ns_per_iteration(100);
        m.st.LoopCalIn = 177165; // as a former test left them
        m.st.LoopCalMm = 4500000;
        (void)m.cnc.WriteConfig();
        file_before_ = File();
    }
    std::string File() const { return test::Slurp(m.cnc.ConfigPath); }
    Message Last() const { return m.op.messages().back(); }

    test::ScratchDir dir;
    TestMachine m;
    std::string file_before_;
};

// Goal 500 mm/min at 0.0075 mm per step. At a delay of 4493 (0.45 ms a tick) the first window
// counts 2223 steps, 1000.35 mm/min; the delay becomes 4493 * 1000.35 / 500 = 8989.1451 and the
// next window counts 1112 steps, 500.4 mm/min.
TEST_F(SpeedTest, ConvergesAndStoresTheCalibrationOfBothUnits) {
    m.st.StepDelay = 4493;
    m.cnc.Spdtest();
    EXPECT_EQ(Last(), (Message{"Speedtest done", "Speedtest"}));
    EXPECT_EQ(m.cnc.main.Text4, "500.4");
    // 500.4 * 8989.1451 = 4498168.2, and 4498168 / 25.4 = 177093.2: lines 34 to 36 of the file.
    EXPECT_NE(File().find("\r\n 177093 \r\n5\r\n 4498168 \r\n"), std::string::npos) << File();
    EXPECT_EQ(m.st.LoopCal, 4498168) << "read back for the unit in use";
    EXPECT_FALSE(m.st.SpeedTestRunning);
    EXPECT_EQ(m.st.ProgPosX, 0);
    EXPECT_EQ(m.cnc.main.MachOutLl[0], "25.0125") << "the machine keeps the 3335 steps it travelled";
}

// Inches, with a lead of 4 over 512 steps: 1/128 per step, exact in binary, so that a window of
// 1010 steps measures exactly the goal 468.75 * 1.01. At 0.9907 ms a tick the first window counts
// 1010 steps and the second 1009.
TEST_F(SpeedTest, AWindowExactlyOnTheLimitMeasuresAgainWithTheSameDelay) {
    m.cnc.settings.optionmm = false;
    m.cnc.settings.OptionIn = true;
    m.cnc.settings.Combo7[0] = "4";
    m.cnc.settings.Combo2[0] = "512";
    m.cnc.settings.Combo3[0] = "468.75";
    (void)m.cnc.WriteConfig();
    m.cnc.ReadConfig();
    ASSERT_EQ(60.0 * 1010 * m.st.UnitsPerStepX, NumberOf(m.st.JogFastX) * 1.01);
    m.st.StepDelay = 9900;
    m.cnc.Spdtest();
    EXPECT_EQ(m.cnc.main.Text4, "472.96875");
    EXPECT_EQ(m.st.LoopCalIn, 4682391); // 472.96875 * 9900 = 4682390.625
    EXPECT_EQ(m.st.LoopCalMm, 118932731);
}

TEST_F(SpeedTest, StoppedBeforeAWholeWindowKeepsTheCalibrationAndTheFile) {
    m.st.StepDelay = 4493;
    m.AtYield(100, [&] { m.cnc.Pause(); });
    m.cnc.Spdtest();
    EXPECT_EQ(Last(), (Message{"Speedtest interrupted - calibration unchanged", "Speedtest"}));
    EXPECT_EQ(m.st.LoopCalMm, 4500000);
    EXPECT_EQ(File(), file_before_);
    EXPECT_FALSE(m.st.SpeedTestRunning || m.st.StopRequest);
}

// A stop in the second window pairs the first window's measurement with the delay it ran at
// (4493), not with the correction that followed (8989.1451).
TEST_F(SpeedTest, StoppedAfterAWindowStoresThatWindowsMeasurement) {
    m.st.StepDelay = 4493;
    m.AtYield(2300, [&] { m.cnc.Pause(); });
    m.cnc.Spdtest();
    EXPECT_EQ(m.cnc.main.Text4, "1000.35");
    EXPECT_EQ(m.st.LoopCalMm, 4494573); // 1000.35 * 4493 = 4494572.55
}

// A machine whose bare tick already runs at the goal converges at a delay of 0: a calibration of
// 0 would run every feed at top speed.
TEST_F(SpeedTest, ACalibrationOfZeroIsNeverStored) {
    m.clock.set_ns_per_iteration(128572); // 7 iterations: 0.9 ms
    m.st.StepDelay = 0;
    m.cnc.Spdtest();
    EXPECT_EQ(Last(), (Message{"Speedtest gave no usable calibration - calibration unchanged", "Speedtest"}));
    EXPECT_EQ(File(), file_before_);
}

} // namespace
} // namespace tamo
