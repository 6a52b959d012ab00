// The headless check opens a program without the redraw's walk over every line: what it leaves
// for a Start, and so every finding, must be what File > Open leaves.

#include "check/open_for_check.h"
#include "check_fixture.h"
#include "golden_rows.h"

#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <string>

namespace tamo::test {
namespace {

// Everything of the block state that a Start reads before a line sets it, as text.
std::string CarriedState(const Cnc& cnc) {
    const MachineState& st = cnc.st;
    std::ostringstream out;
    out.precision(17);
    out << "GCode " << st.GCode << " ProgFeed " << st.ProgFeed << " FWord " << st.FWord << " ArcI " << st.ArcI
        << " ArcJ " << st.ArcJ << " IWord " << st.IWord << " JWord " << st.JWord << " XWord " << st.XWord << " YWord "
        << st.YWord << " ZWord " << st.ZWord << " QWord " << st.QWord << " RWord " << st.RWord << " AWord " << st.AWord
        << " TWord " << st.TWord << " ToolNo " << st.ToolNo << " MCode " << st.MCode << " Target " << st.TargetX << ","
        << st.TargetY << "," << st.TargetZ << " Start " << st.StartX << "," << st.StartY << "," << st.StartZ << " Prog "
        << st.ProgPosX << "," << st.ProgPosY << "," << st.ProgPosZ << " MWord " << st.MWord.index()
        << (std::holds_alternative<std::string>(st.MWord) ? std::get<std::string>(st.MWord) : "") << " PrgLineNo "
        << st.PrgLineNo << " PreviewLine " << st.PreviewLine << " PrgLine " << st.PrgLine << " FeedRate " << st.FeedRate
        << " StepDelay " << st.StepDelay << " Text3 " << cnc.main.Text3 << " Text2 " << cnc.main.Text2 << " Previewing "
        << st.Previewing << " lines " << st.PrgLineCount;
    return out.str();
}

std::string Findings(const check::Report& report) {
    std::string all = report.Summary() + "\n";
    for (const check::Finding& f : report.findings) {
        all += std::to_string(f.line) + " " + f.code + " " + f.message + "\n";
    }
    return all;
}

TEST(CheckOpen, LeavesWhatFileOpenLeavesAndTheSameFindings) {
    for (const std::array<std::string, 4>& scale :
         {std::array<std::string, 4>{"1", "1", "1", "1"}, std::array<std::string, 4>{"2", "0.5", "3", "1"}}) {
        for (const Row& row : GoldenRows("walk/check_open.txt")) {
            const std::string& program = row[0];
            SCOPED_TRACE(program + " at scale " + scale[0] + "," + scale[1] + "," + scale[2]);
            const std::string path = ProgramFile(program);
            TestMachine opened(true);
            opened.cnc.scale.Combo1 = scale;
            opened.op.QueueFile(path);
            opened.cnc.Open_Menu();
            TestMachine headless(true);
            headless.cnc.scale.Combo1 = scale;
            ASSERT_EQ(check::OpenForCheck(headless.cnc, path), "");

            EXPECT_EQ(CarriedState(headless.cnc), CarriedState(opened.cnc));
            EXPECT_EQ(Findings(check::CheckProgram(check::CopyForCheck(headless.cnc))),
                      Findings(check::CheckProgram(check::CopyForCheck(opened.cnc))));
        }
    }
}

TEST(CheckOpen, AFileThatCannotBeReadSaysWhy) {
    TestMachine m(true);
    EXPECT_NE(check::OpenForCheck(m.cnc, "/nonexistent/program.nc"), "");
    EXPECT_EQ(m.cnc.st.PrgLineCount, 0);
    EXPECT_FALSE(m.cnc.st.Previewing);
}

} // namespace
} // namespace tamo::test
