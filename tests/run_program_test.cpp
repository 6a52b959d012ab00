#include "test_machine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace tamo {
namespace {

using test::TestMachine;
const std::vector<ScriptedOperator::Message> kDone{{"File succesfully processed", "Done"}};

// Writes the program into the test's own file and opens it through File > Open.
std::string Load(TestMachine& m, const std::string& text) {
    const std::string path = ::testing::TempDir() + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::ofstream(path, std::ios::binary) << text;
    m.op.QueueFile(path);
    m.cnc.Open_Menu();
    return path;
}

TEST(RunProgram, ThreeLinesRunInFourPassesThenReportDone) {
    TestMachine m;
    const std::string path = Load(m, "G00 X1.5 Y2.25\nG01 X3 F100\nM30\n");
    EXPECT_EQ(m.cnc.main.Caption, "TamoCNC     " + path);
    bool disabled = true;
    m.op.OnYield([&](std::uint64_t) { disabled &= m.cnc.Running() && !m.cnc.main.Command7Enabled; });
    m.cnc.Start();
    EXPECT_EQ(m.st.PrgLineNo, 4); // three lines and the empty entry after them
    EXPECT_EQ(m.op.messages(), kDone);
    EXPECT_TRUE(disabled && !m.cnc.Running() && m.cnc.main.Command7Enabled);
    EXPECT_EQ(m.cnc.main.PrgOutlbl, (std::array<std::string, 3>{"3.0000", "2.2500", "0.0000"}));
}

// A program that ends with an arc: the lines after it and the empty entry carry no arc words and
// must not hand ArcMove a zero-length arc, which it would cut as a full circle.
TEST(RunProgram, SingleStepPassesWithoutArcWordsDispatchNoArc) {
    TestMachine m;
    Load(m, "G00 X10 Y0\nG02 X0 Y0 I-5 J0\nF200\n(end)\n");
    m.cnc.SelectStepMode();
    m.cnc.Start();
    m.cnc.Start();
    EXPECT_EQ(m.st.ArcDir, 1);
    const auto yields = m.op.yields();
    for (int line = 3; line <= 5; ++line) {
        m.st.ArcDir = 0;
        m.cnc.Start();
        EXPECT_EQ(m.st.PrgLineNo, line);
        EXPECT_EQ(m.st.ArcDir, 0) << line;
    }
    EXPECT_EQ(m.op.yields(), yields);
    EXPECT_EQ(m.op.messages(), kDone);
}

TEST(RunProgram, PauseInMidMoveThenStartResumesTheSameBlock) {
    TestMachine m;
    Load(m, "G01 X3 F100\nG01 Y1.5\n"); // 400 ticks, then 200
    m.op.OnYield([&](std::uint64_t n) {
        if (n == 100) {
            m.cnc.Pause();
        }
    });
    m.cnc.Start();
    EXPECT_EQ(m.st.PrgLineNo, 1);
    m.st.ProgPosX += 1; // a jog between stop and resume is not taken into account
    m.cnc.Start();
    EXPECT_EQ(m.op.yields(), 600u);
    EXPECT_NEAR(m.st.ProgPosX, 3, 1e-9);
    EXPECT_EQ(m.op.messages(), kDone);
}

TEST(RunProgram, NothingLoadedMovesNothing) {
    TestMachine m;
    m.st.GCode = "G01";
    m.st.ProgPosX = 1;
    m.cnc.Start(); // no buffer yet
    Load(m, "G01 X3 F100\n");
    m.cnc.Open_Menu(); // cancelled: the old program is no longer loaded, though still in the buffer
    EXPECT_EQ(m.cnc.main.Caption, "TamoCNC");
    EXPECT_FALSE(m.op.busy() || m.st.Previewing);
    m.cnc.Start();
    EXPECT_EQ(m.port.writes().size(), 0u);
    EXPECT_TRUE(m.op.messages().empty());

    Load(m, "%"); // no byte left for the entry after the last item
    m.cnc.Start();
    EXPECT_EQ(m.op.messages(), kDone);
}

TEST(ProgramLoading, OpenStartsInGcodesAndPromptsForNothing) {
    TestMachine m;
    m.cnc.ConfigPath = std::filesystem::path(::testing::TempDir()) / "tamo.cfg";
    m.st.ProgPosX = m.st.MachPosX = 4;
    Load(m, "G00 X0 Y0\nM06 T1\nG01 X10, Y5\n");
    EXPECT_EQ(m.op.last_dialog_dir(), m.cnc.ConfigPath.parent_path().string() + "/gcodes");
    EXPECT_EQ(m.st.PrgLineCount, 4);
    EXPECT_TRUE(m.op.messages().empty());
    EXPECT_EQ(m.st.ProgPosX, 0);
    EXPECT_EQ(m.st.MachPosX, 4);
}

} // namespace
} // namespace tamo
