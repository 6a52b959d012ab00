// A long program's redraw walks its two halves on two threads. Whatever the program, the toolpath
// record, the view's extents and the state the walk leaves behind must be those of one walk from
// the first line to the last, to the bit; and on a program as a CAM post writes it the halves
// must join rather than walk the second half again.

#include "../bench/adaptive_program.h"
#include "golden_rows.h"
#include "test_machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <initializer_list>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace tamo {
namespace {

using test::TestMachine;

std::string Hex(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%a", v);
    return text;
}

// Where two long texts part, with the lines there; empty when they are equal. A failed comparison
// of megabytes of text would otherwise be reported as a diff of them.
std::string FirstDifference(const std::string& a, const std::string& b) {
    const auto [at, _] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    if (at == a.end() && a.size() == b.size()) {
        return "";
    }
    const std::size_t n = static_cast<std::size_t>(at - a.begin());
    const std::size_t line = a.rfind('\n', n) == std::string::npos ? 0 : a.rfind('\n', n) + 1;
    return "line " + std::to_string(std::count(a.begin(), a.begin() + static_cast<long>(line), '\n') + 1) + ": " +
           a.substr(line, 120) + " | " + b.substr(line, 120);
}

// Everything of a redraw the operator or a later run could see, as text to compare.
struct Walked {
    std::string moves;
    std::string state;
    bool in_two = false;
};

Walked Walk(const std::string& program, int in_two_from) {
    TestMachine m;
    m.cnc.WalkInTwoFromLines = in_two_from;
    EXPECT_EQ(m.cnc.ReadProgramItems(test::ProgramFile(program)), "");
    m.st.Previewing = true;
    m.cnc.TegnUd();
    m.st.Previewing = false;

    Walked w;
    const Toolpath& path = *m.cnc.toolpath();
    for (const ToolpathMove& move : path.moves()) {
        w.moves += Hex(move.x) + " " + Hex(move.y) + " " + Hex(move.z) + " " + std::to_string(move.line_kind) + "\n";
    }
    for (const ToolpathArc& arc : path.arcs()) {
        w.moves += "arc " + Hex(arc.cx) + " " + Hex(arc.cy) + " " + Hex(arc.r) + " " + Hex(arc.from) + " " +
                   Hex(arc.to) + "\n";
    }
    for (int i = 0; i < 3; ++i) {
        w.moves += "bounds " + Hex(path.bounds().min[i]) + " " + Hex(path.bounds().max[i]) + "\n";
    }
    const MachineState& s = m.st;
    for (const double v :
         {s.ViewMinX,      s.ViewMinY, s.ViewMaxX, s.ViewMaxY,    s.ViewCentreX,  s.ViewCentreY, s.TargetX,
          s.TargetY,       s.TargetZ,  s.StartX,   s.StartY,      s.StartZ,       s.ArcI,        s.ArcJ,
          s.ProgFeed,      s.ToolNo,   s.MCode,    s.FeedFactor,  s.FeedRate,     s.StepDelay,   s.RampUpAngle,
          s.RampDownAngle, s.ArcEndDX, s.ArcEndDY, s.ArcEndAngle, s.ArcStartAngle}) {
        w.state += Hex(v) + " ";
    }
    for (const std::string* t : std::initializer_list<const std::string*>{
             &s.GCode, &s.HeldGCode, &s.XWord, &s.YWord, &s.ZWord, &s.FWord, &s.IWord, &s.JWord, &s.TWord, &s.QWord,
             &s.RWord, &s.AWord, &s.PrgLine, &m.cnc.main.Text2, &m.cnc.main.Text3}) {
        w.state += "[" + *t + "] ";
    }
    w.state += TextOf(s.MWord) + " " + std::to_string(s.PreviewLine) + " " + std::to_string(s.ArcDir) +
               std::to_string(s.RapidMove) + std::to_string(s.StopRequest) + std::to_string(s.SingleStep);
    w.in_two = m.cnc.WalkedInTwo();
    return w;
}

TEST(WalkInHalves, JoinsOnAProgramAsPostsWriteIt) {
    // The benchmarks' program as a CAM post writes it for adaptive clearing, long enough that the
    // second half's moves and arcs fill several parts of its record.
    std::ostringstream written;
    bench::WriteAdaptiveProgram(written, 150000);
    const std::string program = written.str();
    const Walked one = Walk(program, INT_MAX);
    const Walked two = Walk(program, 2);
    EXPECT_FALSE(one.in_two);
    EXPECT_TRUE(two.in_two) << "the second half was walked again";
    EXPECT_EQ(FirstDifference(one.moves, two.moves), "");
    EXPECT_EQ(one.state, two.state);
}

// Random programs of the lines in tests/golden/walk/vocabulary.txt, half of them mostly plain
// moves so that many halves can join.
TEST(WalkInHalves, AnyProgramGivesWhatOneWalkGives) {
    std::vector<std::string> vocabulary;
    for (const test::Row& row : test::GoldenRows("walk/vocabulary.txt")) {
        vocabulary.push_back(row[0]);
    }
    std::mt19937 random(2024);
    int joined = 0;
    for (int round = 0; round < 150; ++round) {
        std::uniform_int_distribution<int> length(8, 1400);
        std::uniform_int_distribution<std::size_t> pick(0, vocabulary.size() - 1);
        std::uniform_int_distribution<int> number(1, 60);
        // Past twice the lead-in of a few hundred lines, the second half starts from a guess.
        const bool plain = round % 2 == 0;
        std::string program;
        const int lines = length(random);
        for (int i = 0; i < lines; ++i) {
            std::size_t k = pick(random);
            if (plain && k > 4 && random() % 8 != 0) {
                k = random() % 5;
            }
            char line[96];
            std::snprintf(line, sizeof line, vocabulary[k].c_str(), number(random), number(random), number(random),
                          number(random));
            program += line;
            program += random() % 9 == 0 ? "\r\n" : "\n";
        }
        const Walked one = Walk(program, INT_MAX);
        const Walked two = Walk(program, 2);
        ASSERT_EQ(one.moves, two.moves) << "round " << round << ":\n" << program;
        ASSERT_EQ(one.state, two.state) << "round " << round << ":\n" << program;
        joined += two.in_two ? 1 : 0;
    }
    EXPECT_GT(joined, 20);
}

// The states of tests/golden/walk/far_state.txt, each walked at two lengths so that the arcs before
// the middle come out odd and even: some second halves must be walked again.
TEST(WalkInHalves, AStateSetFarBeforeTheMiddleIsNotGuessed) {
    int walked_again = 0;
    for (const test::Row& row : test::GoldenRows("walk/far_state.txt")) {
        for (const int lines : {900, 902}) {
            SCOPED_TRACE(row[0] + " then " + row[1] + ", " + std::to_string(lines));
            std::string program = "T4 M06\n" + row[0] + "\n";
            for (int i = 0; i < lines; ++i) {
                char line[64];
                std::snprintf(line, sizeof line, row[1].c_str(), i % 7, (i * 3) % 11);
                program += std::string(line) + "\n";
            }
            const Walked one = Walk(program, INT_MAX);
            const Walked two = Walk(program, 2);
            EXPECT_EQ(one.moves, two.moves);
            EXPECT_EQ(one.state, two.state);
            walked_again += two.in_two ? 0 : 1;
        }
    }
    EXPECT_GT(walked_again, 0);
}

// A walk that is no preview stops at every tool change, in line order, on the operator's own
// screen: none of them may be asked on a second machine's.
TEST(WalkInHalves, AWalkThatAsksForToolsAsksForEachInTurn) {
    std::string program = "T1 M06\n";
    for (int i = 0; i < 2000; ++i) {
        program += "G01 X" + std::to_string(i % 13) + " Y2\n";
    }
    program += "T2 M06\nG01 X1\n";
    test::TestMachine m;
    m.cnc.WalkInTwoFromLines = 2;
    ASSERT_EQ(m.cnc.ReadProgramItems(test::ProgramFile(program)), "");
    m.op.clear_messages();
    m.cnc.TegnUd();
    ASSERT_EQ(m.op.messages().size(), 2u);
    EXPECT_EQ(m.op.messages()[0].text, "Change to tool #1 "); // the T word runs to the M
    EXPECT_EQ(m.op.messages()[1].text, "Change to tool #2 ");
    EXPECT_FALSE(m.cnc.WalkedInTwo());
}

// A file of one line of sixty thousand items, most of them comments that name a word letter: the
// second machine's look for the last word of each letter must neither read the line from its
// start for every letter it meets (minutes) nor change what is drawn.
TEST(WalkInHalves, OneEndlessLineOfItemsIsWalkedAsOneWalkWalksIt) {
    std::string program = "G01 X1 Y1 F100,";
    for (int i = 0; i < 60000; ++i) {
        program += i % 1000 == 0 ? "G01 X" + std::to_string(i % 7) + " Y2," : "(A T),";
    }
    program += "G02 X1 Y1 I1 J0\n";
    const Walked one = Walk(program, INT_MAX);
    const Walked two = Walk(program, 2);
    EXPECT_EQ(one.moves, two.moves);
    EXPECT_EQ(one.state, two.state);
}

} // namespace
} // namespace tamo
