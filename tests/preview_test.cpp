// The toolpath preview: the grid and its mapping, arcs and moves as drawn, and programs whose
// numbers the surface could not take.

#include "test_machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tamo {
namespace {

namespace fs = std::filesystem;
using test::TestMachine;
using Kind = RecordingSurface::Kind;
using Op = RecordingSurface::Op;

// Reads the program into the buffer and redraws it as Open does, with the foreground colour left
// green, as a rapid panel move (homing, say) leaves it: the redraw draws in its own colours.
void Preview(TestMachine& m, const std::string& program) {
    ASSERT_EQ(m.cnc.ReadProgramItems(test::ProgramFile(program)), "");
    m.view.SetForeColor(kGreen);
    m.view.clear_ops();
    m.st.Previewing = true;
    m.cnc.TegnUd();
    m.st.Previewing = false;
}

std::vector<Op> LinesIn(const TestMachine& m, Colour colour) {
    std::vector<Op> found;
    for (const Op& op : m.view.ops_of(Kind::Line)) {
        if (op.colour == colour) {
            found.push_back(op);
        }
    }
    return found;
}

// The toolpath's feed lines: the black lines drawn after the two black axes.
std::vector<Op> FeedLines(const TestMachine& m) {
    std::vector<Op> black = LinesIn(m, kBlack);
    black.erase(black.begin(), black.begin() + std::min<std::ptrdiff_t>(2, std::ssize(black)));
    return black;
}

// The x of the vertical grid lines, then the y of the horizontal ones, in drawing order.
std::pair<std::vector<double>, std::vector<double>> GridOf(const TestMachine& m) {
    std::vector<double> xs, ys;
    for (const Op& op : LinesIn(m, kLightGrey)) {
        (op.a == op.c ? xs : ys).push_back(op.a == op.c ? op.a : op.b);
    }
    return {xs, ys};
}

// The margin of 1.1 is not exact in binary: edges are compared to a small tolerance.
void ExpectCoordinates(const Op& op, std::vector<double> expected) {
    const std::vector<double> got{op.a, op.b, op.c, op.d};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(got[i], expected[i], 1e-9) << "coordinate " << i;
    }
}

void ExpectMapping(const TestMachine& m, double left, double top, double side) {
    ASSERT_EQ(m.view.ops_of(Kind::Mapping).size(), 1u);
    ExpectCoordinates(m.view.ops_of(Kind::Mapping)[0], {left, top, side, side});
}

TEST(PreviewGrid, StartUpViewSpansMinus10To210WithLinesEvery40) {
    TestMachine m;
    m.view.clear_ops();
    m.cnc.Cordinate();
    ExpectMapping(m, -10, 210, 220);
    const std::vector<double> every40{0, 40, 80, 120, 160, 200, 0};
    EXPECT_EQ(GridOf(m), std::pair(every40, every40));
    std::string labels;
    for (const Op& op : m.view.ops_of(Kind::Text)) {
        labels += op.text + " ";
        EXPECT_EQ(op.b, 0) << "labels stand on the smallest Y of the extents";
    }
    EXPECT_EQ(labels, "0 40 80 120 160 200 0 ");
    const auto axes = LinesIn(m, kBlack);
    ASSERT_EQ(axes.size(), 2u);
    ExpectCoordinates(axes[0], {0, 210, 0, -10});
    ExpectCoordinates(axes[1], {210, 0, -10, 0});
}

// S = 55 gives G = 50: lines 25 apart, whichever side of the Y axis the program lies. Nothing but
// the origin: the mapping is refused, the former one stays and the rest is drawn.
TEST(PreviewGrid, ScalesToTheProgramWithATenPercentMargin) {
    TestMachine m;
    Preview(m, "G00 X0 Y0\nG01 X50 Y20\nG01 X0 Y0\n");
    ExpectMapping(m, -2.5, 37.5, 55);
    EXPECT_EQ(GridOf(m), std::pair(std::vector<double>{0, 25, 50, 0}, std::vector<double>{0, 25, 0}));

    TestMachine mirrored;
    Preview(mirrored, "G00 X0 Y0\nG01 X-50 Y20\nG01 X0 Y0\n");
    ExpectMapping(mirrored, -52.5, 37.5, 55);
    EXPECT_EQ(GridOf(mirrored).first, (std::vector<double>{0, 0, -25, -50}));

    TestMachine empty;
    Preview(empty, "(nothing)\n");
    EXPECT_EQ(empty.view.ops().front().kind, Kind::Clear);
    EXPECT_TRUE(empty.view.ops_of(Kind::Mapping).empty());
    EXPECT_EQ(LinesIn(empty, kBlack).size(), 2u);
    EXPECT_EQ(LinesIn(empty, kLightGrey).size(), 4u);
}

// A rapid homing move leaves the foreground colour green; the frame's redraw after it still draws
// the labels and the feed lines black.
TEST(PreviewMove, ARedrawAfterARapidHomingDrawsInItsOwnColours) {
    TestMachine m;
    m.Load("G01 X30 Y0 F100\nG01 X30 Y30\n");
    m.cnc.SetHomeOption(1, true);
    m.st.ProgPosX = 0.3;
    m.cnc.HomeTheMachine();
    ASSERT_EQ(m.view.ForeColor(), kGreen);
    m.view.clear_ops();
    m.cnc.FrameResized();
    const auto black = LinesIn(m, kBlack);
    EXPECT_TRUE(std::any_of(black.begin(), black.end(),
                            [](const Op& op) { return op.a == 30 && op.b == 0 && op.c == 30 && op.d == 30; }));
    EXPECT_TRUE(LinesIn(m, kGreen).empty());
    const auto labels = m.view.ops_of(Kind::Text);
    ASSERT_FALSE(labels.empty());
    EXPECT_TRUE(std::all_of(labels.begin(), labels.end(), [](const Op& op) { return op.colour == kBlack; }));
}

TEST(PreviewMove, RapidsAndDrillMovesDashedGreenFeedsBlack) {
    TestMachine m;
    m.st.GCode = "G01"; // put back after the redraw
    m.st.TargetX = 99;  // the drawing pass starts at the origin, whatever the points held
    Preview(m, "G00 X10 Y14\nG81 X20 Y5\nG01 X30 Y-3\nG17\nG1 X40\n");
    const auto rapids = LinesIn(m, kGreen);
    ASSERT_EQ(rapids.size(), 2u);
    ExpectCoordinates(rapids[0], {0, 0, 10, 14});
    ExpectCoordinates(rapids[1], {10, 14, 20, 5});
    EXPECT_EQ(rapids[0].style, LineStyle::Dash);
    EXPECT_EQ(rapids[1].style, LineStyle::Dash);
    const auto feeds = FeedLines(m);
    ASSERT_EQ(feeds.size(), 2u) << "G17 draws nothing";
    EXPECT_EQ(feeds[0].style, LineStyle::Solid);
    ExpectCoordinates(feeds[1], {30, -3, 40, -3});
    EXPECT_EQ(m.st.PreviewLine, m.st.PrgLineCount);
    EXPECT_EQ(m.st.GCode, "G01");
}

// One walk from the origin with the modal words as they stand: neither the points a run left nor
// the motion word the program ends with reach the drawing or the extents.
TEST(PreviewMove, TheWalkStartsAtTheOriginWithTheModalWordsAsTheyStand) {
    TestMachine m;
    m.st.TargetX = 99;
    Preview(m, "Y10\nG02 X20 Y10 I5 J0\n");
    EXPECT_EQ(m.view.ops_of(Kind::Arc).size(), 1u) << "the line without a word is no arc";
    EXPECT_EQ(std::pair(m.st.ViewMinX, m.st.ViewMaxX), std::pair(0.0, 20.0));
}

// A coordinate near the largest double, an arc with no radius and one whose circle overflows:
// the redraw ends, hands the surface only numbers, and draws the blocks that can be drawn.
TEST(PreviewRobustness, HugeCoordinatesAndDegenerateArcsAreLeftOut) {
    TestMachine m;
    Preview(m, "G01 X1E300 Y5\nG00 X0 Y0\nG2 X10 I1E-200\nG01 X20 Y20\n");
    EXPECT_DOUBLE_EQ(m.view.ops_of(Kind::Mapping).at(0).c, 1.1e300);
    EXPECT_TRUE(LinesIn(m, kLightGrey).empty()) << "no grid beyond 10000 units";
    EXPECT_TRUE(m.view.ops_of(Kind::Arc).empty());
    const auto feeds = FeedLines(m);
    ASSERT_EQ(feeds.size(), 2u) << "the axes, and the block after the skipped arc";
    ExpectCoordinates(feeds[1], {10, 0, 20, 20});

    TestMachine overflow;
    Preview(overflow, "G01 X-1.7E308\nG02 X0 Y0 I1E200 J1E200\nG01 X1.7E308 Y1.7E308\n");
    for (const Op& op : overflow.view.ops()) {
        EXPECT_TRUE(std::isfinite(op.a) && std::isfinite(op.b) && std::isfinite(op.c) && std::isfinite(op.d) &&
                    std::isfinite(op.e));
    }
    EXPECT_TRUE(overflow.view.ops_of(Kind::Arc).empty());

    // An arc of 1e-7 rad about pi, less than the record's angles can tell apart: a short stroke
    // still, never the whole circle.
    TestMachine sliver;
    Preview(sliver, "G00 X-1000000 Y0\nG03 X-1000000 Y-0.1 I1000000 J0\n");
    ASSERT_EQ(sliver.view.ops_of(Kind::Arc).size(), 1u);
    const Op arc = sliver.view.ops_of(Kind::Arc)[0];
    EXPECT_GT(arc.e, arc.d);
    EXPECT_LT(arc.e - arc.d, 1e-6);

    // Extents that miss the origin would need 200000 lines from 0 to the far edge: no grid.
    TestMachine far;
    far.st.ViewMinX = far.st.ViewMinY = 1e6;
    far.st.ViewMaxX = far.st.ViewMaxY = 1e6 + 10;
    far.view.clear_ops();
    far.cnc.Cordinate();
    EXPECT_EQ(far.view.ops().size(), 3u) << "the mapping and the axes";
}

// One surface call a line, every number as it reads back exactly.
std::string Listing(const std::vector<Op>& ops) {
    static const char* const kNames[] = {"clear", "map", "line", "arc", "point", "dot", "text"};
    std::string text;
    char buffer[256];
    for (const Op& op : ops) {
        std::snprintf(buffer, sizeof buffer, "%s %.17g %.17g %.17g %.17g %.17g rgb%d,%d,%d %s w%d %s\n",
                      kNames[static_cast<int>(op.kind)], op.a, op.b, op.c, op.d, op.e, op.colour.r, op.colour.g,
                      op.colour.b, op.style == LineStyle::Dash ? "dash" : "solid", op.width, op.text.c_str());
        text += buffer;
    }
    return text;
}

// The top view draws every program as it did before it shared its walk with the 3-D view: the
// surface calls after an Open, and after the frame's redraw that follows a run stopped part-way and
// one run to the end (the part cut drawn again), are those recorded then, for the sample programs
// and the cases in golden/preview. One change is on purpose: lines ahead of the first motion word no
// longer draw as the program's last line moves (a dot at the origin in two of these programs), see
// the test below. TAMO_UPDATE_GOLDEN=1 records them afresh.
TEST(PreviewGolden, TheTopViewDrawsEveryProgramAsItAlwaysHas) {
    const fs::path source = TAMO_SOURCE_DIR;
    std::vector<fs::path> programs;
    for (const fs::path& folder : {source / "gcodes", source / "tests" / "golden" / "preview"}) {
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (entry.path().extension() == ".txt") {
                programs.push_back(entry.path());
            }
        }
    }
    ASSERT_GE(programs.size(), 8u);
    for (const fs::path& program : programs) {
        SCOPED_TRACE(program.filename().string());
        TestMachine m(true);
        m.Load(test::Slurp(program));
        std::string drawn = Listing(m.view.ops());
        m.AtYield(40, [&m] { m.cnc.Pause(); });
        m.cnc.Start();
        m.op.OnYield(nullptr);
        for (const char* stage : {"stopped", "ended"}) {
            m.view.clear_ops();
            m.cnc.FrameResized();
            drawn += std::string("-- after the run ") + stage + "\n" + Listing(m.view.ops());
            for (int start = 0; start < 20 && m.Dones() == 0; ++start) {
                m.cnc.Start(); // on to the end, through tool changes
            }
        }
        const fs::path golden = source / "tests" / "golden" / "preview" / (program.stem().string() + ".ops");
        if (std::getenv("TAMO_UPDATE_GOLDEN") != nullptr) {
            std::ofstream(golden, std::ios::binary) << drawn;
        }
        EXPECT_TRUE(test::Slurp(golden) == drawn) << "differs from " << golden;
    }
}

} // namespace
} // namespace tamo
