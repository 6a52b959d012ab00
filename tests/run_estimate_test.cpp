// The run-time estimate: the time of every line, in the model of `tamocnc-sim run`, checked
// against the run itself; and the lines Start refuses, because their move would never end, would
// take more than a day, or cannot be computed at all.

#include "golden_rows.h"
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

// The estimate leaves out the step accumulators' carried fractions (a move whose longest axis'
// share falls just short of 1 takes one tick more, at the ramp's floor) and the exact end of an
// arc's walk (an increment more or less): a tick or two of a move. Here that is 0.02 % of the run
// time (three thousand random short segments: also 0.02 %); the test allows 0.1 % of the run time,
// at every line and in total.
TEST(EstimateOfSample, MatchesTheRunLineByLine) {
    for (const test::Row& sample : test::GoldenRows("estimate/samples.txt")) {
        SCOPED_TRACE(sample[0] + " " + sample[1]);
        TestMachine m(TestMachine::NotStarted{});
        m.cnc.ConfigPath = kMachineCfg;
        m.cnc.ConfigReadOnly = true;
        m.cnc.StartUp(true);
        m.cnc.main.Check1 = sample[1] == "contour" ? kChecked : kUnchecked;
        m.op.QueueFile(std::string(TAMO_SOURCE_DIR) + "/" + sample[0]);
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
}

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

// Each refused line is refused at Start before anything moves, with the estimate's own message; the
// estimate works on a copy and leaves the times of the lines before it.
TEST(UnrunnableLine, IsRefusedAtStartBeforeAnythingMoves) {
    for (const test::Row& r : test::GoldenRows("estimate/refusals.txt")) {
        SCOPED_TRACE(r[0]);
        const int line = std::stoi(r[4]);
        TestMachine m(true);
        m.cnc.scale.Combo1[1] = r[2];
        m.cnc.scale.Combo1[0] = r[3];
        m.cnc.main.Overide = "0";
        m.cnc.main.Check1 = kChecked;
        m.Load(r[1]);
        const std::string before = LiveState(m.cnc);
        const RunEstimate estimate = m.cnc.EstimateRun();
        EXPECT_EQ(LiveState(m.cnc), before) << "the estimate works on a copy";
        EXPECT_EQ(estimate.refused_line, line) << estimate.refusal;
        if (line == 0) {
            continue;
        }
        EXPECT_NE(estimate.refusal.find(r[5]), std::string::npos) << estimate.refusal;
        EXPECT_EQ(estimate.seconds.size(), static_cast<std::size_t>(line - 1)) << "times up to the line before";

        m.cnc.Start();
        ASSERT_EQ(m.op.messages().size(), 1u);
        const std::string& message = m.op.messages()[0].text;
        EXPECT_EQ(message, estimate.refusal);
        EXPECT_EQ(message.rfind("Line " + r[4] + " (", 0), 0u) << message;
        EXPECT_TRUE(m.port.writes().empty());
        EXPECT_EQ(m.op.yields(), 0u);
        EXPECT_EQ(LiveState(m.cnc), before);
    }
}

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
