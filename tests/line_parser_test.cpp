// The word reader of one program line, and the feed computed from it. The parse golden files pin
// a worked example, the skipped comment, the scan quirks, the scale factors, modal words kept as
// written and arcs without a centre end to end.

#include "golden_rows.h"
#include "interpreter/numbers.h"
#include "test_machine.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <random>
#include <string>
#include <tuple>

namespace tamo {
namespace {

using test::TestMachine;

// A skipped line changes only what every line resets, and computes no feed.
TEST(LineParser, SkipsCommentsBlanksAndLinesBelowTheAtSign) {
    for (const std::string line :
         {"(COMMENT X10)", "%", "", "     ", "12 G01 X5", "\tG01 X5", ";X5", "-G01", "  (G01)  "}) {
        TestMachine m;
        m.Parse("G00 X1 Y2 Z3 F50");
        m.st.StopRequest = m.st.RapidMove = true;
        m.st.FeedFactor = 7;
        m.st.StepDelay = -99;
        m.Parse(line);
        EXPECT_FALSE(m.st.StopRequest || m.st.RapidMove) << line;
        EXPECT_EQ(m.st.FeedFactor, 1) << line;
        EXPECT_EQ(m.st.MWord, Value(0.0)) << line;
        EXPECT_EQ(std::tuple(m.st.GCode, m.st.StartZ, m.st.TargetX), std::tuple("G00", 3.0, 1.0)) << line;
        EXPECT_EQ(m.st.StepDelay, -99) << "no feed computation for " << line;
    }
    TestMachine m; // a line from "@" up is read, even with no word in it
    m.st.StepDelay = -99;
    m.Parse("g01 x10");
    EXPECT_EQ(m.st.GCode, "");
    EXPECT_NE(m.st.StepDelay, -99);
    m.Parse("@ X4");
    EXPECT_EQ(m.st.TargetX, 4);
    m.Parse("[G01 X5");
    EXPECT_EQ(m.st.GCode, "G01");
}

// A field that does not read as a number scales by 1 until it is corrected.
TEST(LineParser, ScaleFieldsThatAreNoNumberScaleByOne) {
    TestMachine m;
    m.cnc.scale.Combo1 = {"", "abc", "2,5", "1"};
    m.Parse("G02 X7 Y8 I1 J1 F9");
    EXPECT_EQ((std::array{m.st.TargetX, m.st.TargetY, m.st.ArcI, m.st.ArcJ, m.st.ProgFeed}),
              (std::array{7., 8., 1., 1., 9.}));
    m.cnc.scale.Combo1 = {"1.5", "2", "3", "4"}; // F, X and I, Y and J, Z
    m.Parse("G02 X1 Y1 Z1 I1 J1 F200");
    EXPECT_EQ((std::array{m.st.TargetX, m.st.ArcI, m.st.TargetY, m.st.ArcJ, m.st.TargetZ, m.st.ProgFeed}),
              (std::array{2., 2., 3., 3., 4., 300.}));
}

// The plain reading of a line: cut the words off the end, Q first, M last, each word's text
// running to the end of what is left of the line.
std::map<char, std::string> CutFromTheEnd(std::string& line) {
    std::map<char, std::size_t> at;
    for (char letter : std::string("QFRJIAZYXGTM")) {
        at[letter] = line.find(letter);
    }
    std::map<char, std::string> words;
    for (char letter : std::string("QFRJIAZYXGTM")) {
        if (at[letter] != std::string::npos) {
            words[letter] = line.substr(at[letter] + 1);
            line.resize(at[letter]);
        }
    }
    return words;
}

TEST(LineParser, LinesInWordOrderReadExactlyAsCutFromTheEnd) {
    std::mt19937 random(12345);
    const std::array<std::string, 6> fillers{"", " ", "  ", " (c) ", "\t", " ;"};
    for (int round = 0; round < 2000; ++round) {
        std::string line = random() % 3 == 0 ? "N" + std::to_string(random() % 1000) + " " : "";
        for (char letter : std::string("MTGXYZAIJRFQ")) {
            if (random() % 2 == 0) {
                continue;
            }
            line += letter + std::to_string(static_cast<int>(random() % 2001) - 1000);
            if (random() % 2 == 0) {
                line += "." + std::to_string(random() % 1000);
            }
            line += fillers[random() % fillers.size()];
        }
        if (line.empty() || static_cast<unsigned char>(line[0]) < '@' || line.back() == ' ') {
            continue; // skipped and trimmed lines are covered elsewhere
        }
        std::string rest = line;
        const auto words = CutFromTheEnd(rest);
        TestMachine m;
        m.st.Previewing = true;
        m.Parse(line);
        EXPECT_EQ(m.st.PrgLine, rest) << line;
        if (words.count('G')) {
            std::string g = "G" + words.at('G'); // keeps its letter, loses its blanks
            EXPECT_EQ(m.st.GCode, g.erase(g.find_last_not_of(' ') + 1)) << line;
        }
        const std::map<char, std::string*> stored{
            {'X', &m.st.XWord}, {'Y', &m.st.YWord}, {'Z', &m.st.ZWord}, {'I', &m.st.IWord}, {'J', &m.st.JWord},
            {'F', &m.st.FWord}, {'T', &m.st.TWord}, {'Q', &m.st.QWord}, {'R', &m.st.RWord}, {'A', &m.st.AWord}};
        for (const auto& [letter, word] : stored) {
            EXPECT_TRUE(!words.count(letter) || *word == words.at(letter)) << letter << " in " << line;
        }
        EXPECT_TRUE(!words.count('X') || m.st.TargetX == ScanNumber(words.at('X'))) << line;
        EXPECT_TRUE(!words.count('M') || m.st.MWord == Value(words.at('M'))) << line;
    }
}

// Each row on a fresh machine, then all of them one after the other on one machine, as a program's
// lines come: a row must not keep anything of the row before.
TEST(FeedComputation, OverrideLimitsAndRounding) {
    TestMachine one;
    for (const bool fresh : {true, false}) {
        for (const test::Row& c : test::GoldenRows("feeds/feed_delay.txt")) {
            TestMachine own;
            TestMachine& m = fresh ? own : one;
            m.st.JogFastZ = 250.0;
            m.cnc.main.Overide = c[0];
            m.st.ProgFeed = std::stod(c[1]);
            m.st.GCode = c[2];
            m.st.StepsZ = std::stod(c[3]);
            m.st.FeedFactor = std::stod(c[4]);
            m.st.LoopCal = std::stod(c[5]);
            m.cnc.ComputeFeedDelay();
            EXPECT_EQ(std::tuple(m.st.FeedRate, m.st.StepDelay, m.cnc.main.Text2),
                      std::tuple(std::stod(c[6]), std::stod(c[7]), c[8]))
                << c[0] << " " << c[1] << " " << c[2] << " " << c[9] << (fresh ? "" : " (one machine)");
        }
    }
    // The operator lowers the fast jog rate: the next line's feed keeps to it.
    one.cnc.main.Overide = "100";
    one.st.ProgFeed = 9000;
    one.st.GCode = "G01";
    one.st.StepsZ = 0;
    one.st.FeedFactor = 1;
    one.st.LoopCal = 60000;
    one.cnc.ComputeFeedDelay();
    EXPECT_EQ(one.st.FeedRate, 500);
    one.st.JogFastX = 300.0;
    one.cnc.ComputeFeedDelay();
    EXPECT_EQ(std::tuple(one.st.FeedRate, one.st.StepDelay, one.cnc.main.Text2), std::tuple(300.0, 200.0, "300"));
}

} // namespace
} // namespace tamo
