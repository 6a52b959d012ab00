// The headless check opens a program without the redraw's walk over every line: what it leaves
// for a Start, and so every finding, must be what File > Open leaves.

#include "check/open_for_check.h"
#include "check_fixture.h"

#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <string>
#include <vector>

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

// Programs by what they put to the shortcut: where the last line with G, I and J stands, which
// words only the lines before it set, and what the arcs after it leave in I and J.
const std::vector<std::string> kPrograms = {
    // Words only before the last G-I-J line; after it arcs without I and J (drawn: they turn I and
    // J round, J of 0 becoming -I), a straight line, and a line of M and F.
    "%\nQ2 R3 A4\nM06 T7\nG00 X1 Y2 Z3 F400\nG02 X10 Y0 I5 J0\nX4 Y4\nG03 X0 Y0\nG01 X3\nM30 F250\n",
    // No line holds G, I and J: the whole program is walked.
    "G00 X0 Y0\nG02 X10 I5\nX0 J3\nG03 X5 Y5\nF100\n",
    // I and J both 0 turn the arc word into G01 on the last G-I-J line.
    "F300 T2\nG02 X5 Y5 I1 J1\nG02 X1 Y1 I0 J0\nX2 Y2\n",
    // A comma splits the G-I-J line off; a skipped comment and a line that starts with a digit hold
    // the letters too, and lower-case words are no words.
    "F120\nG01 X1, G03 X2 Y2 I1 J1\n(G02 I5 J5 F999)\n1 G02 I1 J1 F5\ng02 x1 i1 j1\nX7\n",
    // An arc of radius 0 is not drawn and leaves I and J; the G-I-J line is the first line.
    "G02 X0 Y0 I0 J1e-320 F50\nX1 Y1\nG03 X2 Y0 I0 J-1\n",
    // The G-I-J line is the last line; the M word before it stays for nobody (Open clears it).
    "T4 M03 S100\nF77 Z-1\nG03 X1 Y1 I1 J0\n",
    // Nothing but comments and blank lines.
    "(only a comment)\n\n   \n",
};

TEST(CheckOpen, LeavesWhatFileOpenLeavesAndTheSameFindings) {
    for (const std::array<std::string, 4>& scale :
         {std::array<std::string, 4>{"1", "1", "1", "1"}, std::array<std::string, 4>{"2", "0.5", "3", "1"}}) {
        for (const std::string& program : kPrograms) {
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
