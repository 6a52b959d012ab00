// The run-time estimate: the time of every line, in the model of `tamocnc-sim run`, checked
// against the run itself; and the lines Start refuses, because their move would never end, would
// take more than a day, or cannot be computed at all.

#include "interpreter/numbers.h"
#include "platform/clock.h"
#include "test_machine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

namespace tamo {
namespace {

using test::TestMachine;

const std::string kMachineCfg = std::string(TAMO_SOURCE_DIR) + "/tests/golden/run/machine.cfg";

// The model of `tamocnc-sim run`'s seconds, tick by tick, and the time at which each line ended.
class RunClock final : public TickObserver {
public:
    void OnTick(const Cnc& cnc) override {
        const MachineState& st = cnc.st;
        seconds_ += static_cast<double>(BusyWaitIterations(st.StepDelay)) * 60 * st.UnitsPerStepX / st.LoopCal;
        const auto line = static_cast<std::size_t>(std::min(st.PrgLineNo, st.PrgLineCount));
        if (line_end_.size() < line) {
            line_end_.resize(line, line_end_.empty() ? 0.0 : line_end_.back());
        }
        line_end_[line - 1] = seconds_;
    }
    [[nodiscard]] double LineEnd(std::size_t line) const {
        return line <= line_end_.size() ? line_end_[line - 1] : seconds_;
    }

private:
    double seconds_ = 0;
    std::vector<double> line_end_;
};

struct Sample {
    const char* program; // a sample of gcodes/, unless the text is given
    bool contour;
    const char* text = nullptr;
};

void PrintTo(const Sample& s, std::ostream* out) {
    *out << s.program << (s.contour ? " contour" : " ramped");
}

// Both directions, starting and ending above and below the centre, three quarters clockwise, and
// helices: a whole turn down, and a quarter that needs more Z steps than it has increments.
constexpr const char* kArcs = "G00 X20 Y0\nG02 X0 Y-20 I-20 J0 F300\nG02 X-20 Y0 I0 J20\nG03 X0 Y-20 I20 J0\n"
                              "G03 X20 Y0 I0 J20\nG02 X0 Y20 I-20 J0\nG02 X0 Y20 Z-1 I0 J-20\n"
                              "G03 X-20 Y0 Z-40 I0 J-20\n";

class EstimateOfSample : public ::testing::TestWithParam<Sample> {};

// The estimate leaves out the step accumulators' carried fractions (a move whose longest axis'
// share falls just short of 1 takes one tick more, at the ramp's floor) and the exact end of an
// arc's walk (an increment more or less): a tick or two of a move. Here that is 0.02 % of the run
// time (three thousand random short segments: also 0.02 %); the test allows 0.1 % of the run time,
// at every line and in total.
TEST_P(EstimateOfSample, MatchesTheRunLineByLine) {
    TestMachine m(TestMachine::NotStarted{});
    m.cnc.ConfigPath = kMachineCfg;
    m.cnc.ConfigReadOnly = true;
    m.cnc.StartUp(true);
    m.cnc.main.Check1 = GetParam().contour ? kChecked : kUnchecked;
    const Sample& sample = GetParam();
    m.op.QueueFile(sample.text != nullptr ? test::ProgramFile(sample.text)
                                          : std::string(TAMO_SOURCE_DIR) + "/gcodes/" + sample.program);
    m.cnc.Open_Menu();
    const RunEstimate estimate = m.cnc.EstimateRun();
    ASSERT_TRUE(estimate.calibrated);
    ASSERT_EQ(estimate.refused_line, 0) << estimate.refusal;
    ASSERT_EQ(estimate.seconds.size(), static_cast<std::size_t>(m.st.PrgLineCount));

    RunClock run;
    m.cnc.set_tick_observer(&run);
    for (int starts = 0; starts < 10 && m.st.PrgLineNo <= m.st.PrgLineCount; ++starts) {
        m.cnc.Start();
    }
    ASSERT_EQ(m.op.messages().back().text, "File succesfully processed");
    const double total = run.LineEnd(estimate.seconds.size());
    EXPECT_GT(total, 10);
    for (std::size_t line = 1; line <= estimate.seconds.size(); ++line) {
        EXPECT_NEAR(estimate.seconds[line - 1], run.LineEnd(line), total / 1000) << "line " << line;
    }
}

INSTANTIATE_TEST_SUITE_P(Samples, EstimateOfSample,
                         ::testing::Values(Sample{"bracket.txt", false}, Sample{"bracket.txt", true},
                                           Sample{"square.txt", false}, Sample{"square.txt", true},
                                           Sample{"arcs", false, kArcs}));

// What the estimate and Start look at, as a text: nothing of it may change.
std::string LiveState(const Cnc& c) {
    const MachineState& s = c.st;
    std::ostringstream out;
    out.precision(17);
    out << s.ProgPosX << ' ' << s.ProgPosY << ' ' << s.ProgPosZ << ' ' << s.MachPosX << ' ' << s.StartX << ' '
        << s.TargetX << ' ' << s.TargetY << ' ' << s.TargetZ << ' ' << s.ArcI << ' ' << s.ArcJ << ' ' << s.GCode << ' '
        << s.ProgFeed << ' ' << s.FeedRate << ' ' << s.StepDelay << ' ' << s.FeedFactor << ' ' << s.StepsZ << ' '
        << s.DdaAccX << ' ' << s.PrgLineNo << ' ' << s.PrgLine << ' ' << s.Previewing << ' ' << s.SingleStep << ' '
        << s.RapidMove << ' ' << s.ArcDir << ' ' << c.main.Text2 << ' ' << c.main.Text3 << ' ' << c.ConfigText();
    return out.str();
}

struct Refusal {
    const char* name;
    const char* program;
    const char* scale_x;
    const char* scale_f;
    int line;        // refused; 0: runs
    const char* why; // in the message
};

void PrintTo(const Refusal& r, std::ostream* out) {
    *out << r.name;
}

class UnrunnableLine : public ::testing::TestWithParam<Refusal> {};

// On the start-up settings: 0.0075 mm a step, fast jog rate 500 mm/min.
TEST_P(UnrunnableLine, IsRefusedAtStartBeforeAnythingMoves) {
    const Refusal& r = GetParam();
    TestMachine m(true);
    m.cnc.scale.Combo1[1] = r.scale_x;
    m.cnc.scale.Combo1[0] = r.scale_f;
    m.cnc.main.Overide = "0";
    m.cnc.main.Check1 = kChecked;
    m.Load(r.program);
    const std::string before = LiveState(m.cnc);
    const RunEstimate estimate = m.cnc.EstimateRun();
    EXPECT_EQ(LiveState(m.cnc), before) << "the estimate works on a copy";
    EXPECT_EQ(estimate.refused_line, r.line) << estimate.refusal;
    if (r.line == 0) {
        return;
    }
    EXPECT_NE(estimate.refusal.find(r.why), std::string::npos) << estimate.refusal;
    EXPECT_EQ(estimate.seconds.size(), static_cast<std::size_t>(r.line - 1)) << "times up to the line before";

    m.cnc.Start();
    ASSERT_EQ(m.op.messages().size(), 1u);
    const std::string& message = m.op.messages()[0].text;
    EXPECT_EQ(message, estimate.refusal);
    EXPECT_EQ(message.rfind("Line " + std::to_string(r.line) + " (", 0), 0u) << message;
    EXPECT_TRUE(m.port.writes().empty());
    EXPECT_EQ(m.op.yields(), 0u);
    EXPECT_EQ(LiveState(m.cnc), before);
}

INSTANTIATE_TEST_SUITE_P(
    Start, UnrunnableLine,
    ::testing::Values(
        Refusal{"EndlessLine", "G01 X10\nG01 X1e300\nG01 X0\n", "1", "1", 2, "would never end"},
        Refusal{"EndlessArc", "G02 X10 Y10 I1e150 J0\n", "1", "1", 1, "its arc would never end"},
        Refusal{"EndlessByScale", "G00 X0 Y0\nG01 X10 F100\n", "1e300", "1", 2, "would never end"},
        Refusal{"StepsBeyondNumbers", "G01 X1e308\n", "1", "1", 1, "more steps than any number can hold"},
        Refusal{"EndBeyondNumbers", "G00 Y1\nG01 X1e308\n", "2", "1", 2, "end point is beyond any number"},
        Refusal{"CentreBeyondNumbers", "G03 X1 Y1 I1e308 J1e308\n", "1", "1", 1, "centre, radius or end point"},
        // At the override of 0 every feed is 1 mm a minute: 2000 mm take 33 hours, 100 mm 100 minutes.
        Refusal{"LongerThanADay", "G01 X100 F300\nG01 X2100\n", "1", "1", 2,
                "more than a day at its feed, about 33.3 hours"},
        Refusal{"LongButFinite", "G01 X100 F300\n", "1", "1", 0, ""},
        // An infinite feed (F near the largest double, feed scale 2) at an override of 0 runs at the
        // floor: slow, not refused.
        Refusal{"InfiniteFeed", "G01 X10 F1e308\n", "1", "2", 0, ""},
        // A word without digits reads as 0, as every word does: X0, a move like any other; a number
        // written as NaN or an infinity would read as 0 too, a move nobody meant.
        Refusal{"WordWithoutDigits", "G01 X10\nG01 X Y1\n", "1", "1", 0, ""},
        Refusal{"NaN", "G01 X10\nG01 XNaN\n", "1", "1", 2, "its X word \"NaN\" is not a number"},
        Refusal{"Infinity", "G00 X1\nG01 X2 F100\nG01 X3 ZInfinity\n", "1", "1", 3, "its Z word \"Infinity\""}),
    [](const auto& test) { return std::string(test.param.name); });

// Start keeps the estimate while nothing it depends on changes, and works it out again when the
// scale, a setting or the program does.
TEST(Estimate, FollowsTheScaleTheSettingsAndTheProgram) {
    TestMachine m(true);
    m.cnc.main.Check1 = kChecked;
    m.Load("G01 X1 F500\n");
    EXPECT_EQ(m.cnc.Estimate().refused_line, 0);
    m.st.JogFastX = 1e-6; // as a read of the settings would leave it
    EXPECT_EQ(m.cnc.Estimate().refused_line, 1) << "1 mm at 1e-6 mm a minute";
    m.st.JogFastX = 500.0;
    m.Load("G01 X9e9 F5\n"); // a program of the same length
    EXPECT_EQ(m.cnc.Estimate().refused_line, 1);

    m.Load("G01 X1 F500\n");
    m.cnc.Start();
    EXPECT_EQ(m.op.messages().back().text, "File succesfully processed");
    m.cnc.scale.Combo1[1] = "1e300"; // applies to the next parsed line, "Ok" or not
    m.op.clear_messages();
    m.cnc.Start();
    ASSERT_EQ(m.op.messages().size(), 1u);
    EXPECT_EQ(m.op.messages()[0].text.rfind("Line 1 (G01 X1 F500) cannot be run", 0), 0u);
}

} // namespace
} // namespace tamo
