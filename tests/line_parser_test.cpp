#include "interpreter/numbers.h"
#include "test_machine.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <random>
#include <string>

namespace tamo {
namespace {

using test::TestMachine;

TEST(LineParser, WorkedExample) {
    TestMachine m;
    m.Parse("N5 G01 X10.5 Y-2 F300");
    EXPECT_EQ(m.st.PrgLine, "N5 ");
    EXPECT_EQ(m.st.GCode, "G01");
    EXPECT_EQ(m.st.XWord, "10.5 ");
    EXPECT_EQ(m.st.YWord, "-2 ");
    EXPECT_EQ(m.st.FWord, "300");
    EXPECT_EQ(m.st.TargetX, 10.5);
    EXPECT_EQ(m.st.TargetY, -2);
    EXPECT_EQ(m.st.ProgFeed, 300);
    EXPECT_EQ(m.cnc.main.Text3, "300");
    EXPECT_EQ(m.cnc.main.Text2, "300");

    m.Parse("G01X10Y20F100");
    EXPECT_EQ(m.st.TargetX, 10);
    EXPECT_EQ(m.st.TargetY, 20);
    EXPECT_EQ(m.st.ProgFeed, 100);
    EXPECT_EQ(m.st.StartX, 10.5);
    EXPECT_EQ(m.st.StartY, -2);
}

// A skipped line changes only what every line resets, and computes no feed.
TEST(LineParser, SkipsCommentsBlanksAndLinesBelowTheAtSign) {
    for (const std::string line :
         {"(COMMENT X10)", "%", "", "     ", "12 G01 X5", "\tG01 X5", ";X5", "-G01", "  (G01)  "}) {
        TestMachine m;
        m.Parse("G00 X1 Y2 Z3 F50");
        m.st.StopRequest = true;
        m.st.RapidMove = true;
        m.st.FeedFactor = 7;
        m.st.StepDelay = -99;
        m.cnc.main.Text2 = "sentinel";
        m.Parse(line);
        EXPECT_FALSE(m.st.StopRequest) << line;
        EXPECT_FALSE(m.st.RapidMove) << line;
        EXPECT_EQ(m.st.FeedFactor, 1) << line;
        EXPECT_EQ(m.st.MWord, Value(0.0)) << line;
        EXPECT_EQ(m.st.StartZ, 3) << line;
        EXPECT_EQ(m.st.TargetX, 1) << line;
        EXPECT_EQ(m.st.GCode, "G00") << line;
        EXPECT_EQ(m.st.StepDelay, -99) << "no feed computation for " << line;
        EXPECT_EQ(m.cnc.main.Text2, "sentinel") << line;
        EXPECT_TRUE(m.op.messages().empty());
    }
}

TEST(LineParser, LinesStartingWithALetterOrAboveAreParsed) {
    TestMachine m;
    m.st.StepDelay = -99;
    m.Parse("g01 x10"); // lower case: no words, but the feed is computed
    EXPECT_EQ(m.st.GCode, "");
    EXPECT_EQ(m.st.TargetX, 0);
    EXPECT_NE(m.st.StepDelay, -99);
    m.Parse("@ X4");
    EXPECT_EQ(m.st.TargetX, 4);
    m.Parse("[G01 X5");
    EXPECT_EQ(m.st.GCode, "G01");
    EXPECT_EQ(m.st.TargetX, 5);
}

TEST(LineParser, WordsAreModal) {
    TestMachine m;
    m.Parse("G01 X10 Y20 Z-1 F200");
    m.Parse("X30");
    EXPECT_EQ(m.st.GCode, "G01");
    EXPECT_EQ(m.st.StartX, 10);
    EXPECT_EQ(m.st.TargetX, 30);
    EXPECT_EQ(m.st.TargetY, 20);
    EXPECT_EQ(m.st.TargetZ, -1);
    EXPECT_EQ(m.st.ProgFeed, 200);
    m.Parse("G1 X5");
    EXPECT_EQ(m.st.GCode, "G1"); // stored as written: only "G01" moves at run time
    m.Parse("G17");
    EXPECT_EQ(m.st.GCode, "G17");
    EXPECT_EQ(m.st.TargetX, 5);
    m.Parse("N10 G00 X1");
    EXPECT_EQ(m.st.PrgLine, "N10 ");
    EXPECT_EQ(m.st.GCode, "G00");
    EXPECT_EQ(m.st.TargetX, 1);
}

TEST(LineParser, ArcWithoutCentreBecomesALine) {
    TestMachine m;
    m.Parse("G02 X10 Y0");
    EXPECT_EQ(m.st.GCode, "G01");
    m.Parse("G03 X10 Y0");
    EXPECT_EQ(m.st.GCode, "G01");
    m.Parse("G2 X10 Y0");
    EXPECT_EQ(m.st.GCode, "G2"); // only the exact texts are turned
    m.Parse("G01 X0 I5");
    m.Parse("G02 X10 Y0"); // I and J are modal: the arc uses the I of the line before
    EXPECT_EQ(m.st.GCode, "G02");
    EXPECT_EQ(m.st.ArcI, 5);
    EXPECT_EQ(m.st.ArcJ, 0);
    m.Parse("G03 X0 Y10 J-2");
    EXPECT_EQ(m.st.GCode, "G03");
    EXPECT_EQ(m.st.ArcI, 5);
    EXPECT_EQ(m.st.ArcJ, -2);
}

TEST(LineParser, ScaleFactorsApplyToTheirWords) {
    TestMachine m;
    m.cnc.scale.Combo1 = {"1.5", "2", "3", "4"};
    m.Parse("G02 X1 Y1 Z1 I1 J1 F200");
    EXPECT_EQ(m.st.ProgFeed, 300);
    EXPECT_EQ(m.cnc.main.Text3, "300");
    EXPECT_EQ(m.st.TargetX, 2);
    EXPECT_EQ(m.st.ArcI, 2);
    EXPECT_EQ(m.st.TargetY, 3);
    EXPECT_EQ(m.st.ArcJ, 3);
    EXPECT_EQ(m.st.TargetZ, 4);

    // A field that does not read as a number scales by 1 until it is corrected.
    m.cnc.scale.Combo1 = {"", "abc", "2,5", "1"};
    m.Parse("X7 Y8 F9");
    EXPECT_EQ(m.st.TargetX, 7);
    EXPECT_EQ(m.st.TargetY, 8);
    EXPECT_EQ(m.st.ProgFeed, 9);

    m.cnc.scale.Combo1 = {"25.4", "25.4", "25.4", "25.4"};
    m.Parse("X1 Y2 F10");
    EXPECT_DOUBLE_EQ(m.st.TargetX, 25.4);
    EXPECT_DOUBLE_EQ(m.st.TargetY, 50.8);
    EXPECT_DOUBLE_EQ(m.st.ProgFeed, 254);
}

TEST(LineParser, ToolChangePromptsOnlyOutsideThePreview) {
    TestMachine m;
    m.Parse("M06 T2");
    ASSERT_EQ(m.op.messages().size(), 1u);
    EXPECT_EQ(m.op.messages()[0].text, "Change to tool #2");
    EXPECT_EQ(m.op.messages()[0].title, "TamoCNC");
    EXPECT_TRUE(m.st.SingleStep);
    EXPECT_EQ(m.st.MWord, Value(std::string("06 ")));
    EXPECT_EQ(m.st.MCode, 6);
    EXPECT_EQ(m.st.ToolNo, 2);

    m.st.SingleStep = false;
    m.st.Previewing = true;
    m.Parse("M6 T3");
    EXPECT_EQ(m.op.messages().size(), 1u);
    EXPECT_FALSE(m.st.SingleStep);
    m.st.Previewing = false;

    for (const char* line : {"M6", "M06", "M6   ", "M 6", "M6 (TOOL)", "M6.0", "T4 M6"}) {
        m.op.clear_messages();
        m.Parse(line);
        EXPECT_EQ(m.op.messages().size(), 1u) << line;
    }
    for (const char* line : {"M61", "M3", "M30", "M", "(M6)", "m6"}) {
        m.op.clear_messages();
        m.Parse(line);
        EXPECT_TRUE(m.op.messages().empty()) << line;
    }
    m.Parse("G01 X1");
    EXPECT_EQ(m.st.MWord, Value(0.0)); // reset by every line
}

TEST(LineParser, NumericScanQuirksReachTheTargets) {
    TestMachine m;
    m.Parse("X1 0");
    EXPECT_EQ(m.st.TargetX, 10);
    m.Parse("G01 X10 D2"); // the unknown D word falls into the X text and reads as an exponent
    EXPECT_EQ(m.st.TargetX, 1000);
    m.Parse("X");
    EXPECT_EQ(m.st.TargetX, 0);
    m.Parse("X5 (NOTE)"); // N and O are inside the X text; N is located but ends no word
    EXPECT_EQ(m.st.TargetX, 5);
    m.Parse("G01 X20 G02"); // a second G lies inside the X text
    EXPECT_EQ(m.st.GCode, "G01");
    EXPECT_EQ(m.st.TargetX, 20);
}

TEST(LineParser, WordsOutOfOrderAreReadAsWritten) {
    TestMachine m;
    m.Parse("G01 F100 X10");
    EXPECT_EQ(m.st.GCode, "G01");
    EXPECT_EQ(m.st.ProgFeed, 100);
    EXPECT_EQ(m.st.TargetX, 10);
    m.Parse("X12 G00");
    EXPECT_EQ(m.st.GCode, "G00");
    EXPECT_EQ(m.st.TargetX, 12);
    EXPECT_EQ(m.st.PrgLine, "");
    m.Parse("T1 M6");
    EXPECT_EQ(m.st.ToolNo, 1);
    EXPECT_EQ(m.st.MCode, 6);
    m.Parse("G01 X1 (FAST) Y2"); // the comment's F, A and T are words of their own
    EXPECT_EQ(m.st.TargetX, 1);
    EXPECT_EQ(m.st.TargetY, 2);
    EXPECT_EQ(m.st.AWord, "S");
    EXPECT_EQ(m.st.TWord, ") ");
}

// The plain reading of a line: cut the words off the end, Q first, M last, each word's text
// running to the end of what is left of the line.
struct Reading {
    std::map<char, std::string> words;
    std::string rest;
};

Reading CutFromTheEnd(std::string line) {
    const std::string order = "QFRJIAZYXGTM";
    std::map<char, std::size_t> at;
    for (char letter : order) {
        at[letter] = line.find(letter);
    }
    Reading r;
    for (char letter : order) {
        const std::size_t p = at[letter];
        if (p == std::string::npos) {
            continue;
        }
        std::string text = line.substr(p);
        line.resize(p);
        r.words[letter] = text;
    }
    r.rest = line;
    return r;
}

TEST(LineParser, LinesInWordOrderReadExactlyAsCutFromTheEnd) {
    std::mt19937 random(12345);
    const std::string in_order = "MTGXYZAIJRFQ";
    const std::array<std::string, 6> fillers{"", " ", "  ", " (c) ", "\t", " ;"};
    for (int round = 0; round < 2000; ++round) {
        std::string line = random() % 3 == 0 ? "N" + std::to_string(random() % 1000) + " " : "";
        for (char letter : in_order) {
            if (random() % 2 == 0) {
                continue;
            }
            line += letter;
            line += std::to_string(static_cast<int>(random() % 2001) - 1000);
            if (random() % 2 == 0) {
                line += "." + std::to_string(random() % 1000);
            }
            line += fillers[random() % fillers.size()];
        }
        if (line.empty() || static_cast<unsigned char>(line[0]) < '@' || line.back() == ' ') {
            continue; // skipped and trimmed lines are covered elsewhere
        }
        const Reading expected = CutFromTheEnd(line);
        TestMachine m;
        m.st.Previewing = true;
        m.Parse(line);
        auto text_of = [&](char letter) {
            return expected.words.at(letter).substr(1);
        };
        EXPECT_EQ(m.st.PrgLine, expected.rest) << line;
        if (expected.words.count('G')) {
            std::string g = expected.words.at('G'); // keeps its letter, loses its blanks
            g.erase(g.find_last_not_of(' ') + 1);
            EXPECT_EQ(m.st.GCode, g) << line;
        }
        const std::map<char, std::string*> stored{
            {'X', &m.st.XWord}, {'Y', &m.st.YWord}, {'Z', &m.st.ZWord}, {'I', &m.st.IWord}, {'J', &m.st.JWord},
            {'F', &m.st.FWord}, {'T', &m.st.TWord}, {'Q', &m.st.QWord}, {'R', &m.st.RWord}, {'A', &m.st.AWord}};
        for (const auto& [letter, word] : stored) {
            if (expected.words.count(letter)) {
                EXPECT_EQ(*word, text_of(letter)) << letter << " in " << line;
            }
        }
        if (expected.words.count('X')) {
            EXPECT_EQ(m.st.TargetX, ScanNumber(text_of('X'))) << line;
        }
        if (expected.words.count('M')) {
            EXPECT_EQ(m.st.MWord, Value(text_of('M'))) << line;
        }
    }
}

TEST(FeedComputation, OverrideLimitsAndRounding) {
    TestMachine m; // fast jog rates 500
    m.st.LoopCal = 60000;
    m.cnc.main.Overide = "50";
    m.Parse("G01 X1 F200");
    EXPECT_EQ(m.cnc.main.Text2, "100");
    EXPECT_EQ(m.st.FeedRate, 100);
    EXPECT_EQ(m.st.StepDelay, 600);
    EXPECT_EQ(m.st.RampDownAngle, 91);
    EXPECT_EQ(m.st.RampUpAngle, 0);

    m.cnc.main.Overide = "100";
    m.st.ProgFeed = 0; // no F word yet: the floor of 1 unit per minute
    m.cnc.ComputeFeedDelay();
    EXPECT_EQ(m.st.FeedRate, 1);
    m.st.ProgFeed = 9000; // above the X fast rate
    m.cnc.ComputeFeedDelay();
    EXPECT_EQ(m.st.FeedRate, 500);

    m.st.ProgFeed = 10;
    m.st.GCode = "G00"; // rapids ignore feed and override, but a Z move keeps to Z's rate
    m.st.JogFastZ = 250.0;
    m.cnc.ComputeFeedDelay();
    EXPECT_EQ(m.st.FeedRate, 500);
    m.st.StepsZ = -3;
    m.cnc.ComputeFeedDelay();
    EXPECT_EQ(m.st.FeedRate, 250);
    EXPECT_EQ(m.cnc.main.Text2, "250");

    m.st.StepsZ = 0;
    m.st.GCode = "G01";
    m.st.ProgFeed = 100;
    m.st.FeedFactor = 0.5; // a 45-degree move: the displayed feed is the path's
    m.cnc.ComputeFeedDelay();
    EXPECT_EQ(m.cnc.main.Text2, "100");
    EXPECT_EQ(m.st.StepDelay, 1200);

    m.st.FeedFactor = 1;
    m.st.LoopCal = 250; // 2.5 rounds to 2, 3.5 to 4
    m.cnc.ComputeFeedDelay();
    EXPECT_EQ(m.st.StepDelay, 2);
    m.st.LoopCal = 350;
    m.cnc.ComputeFeedDelay();
    EXPECT_EQ(m.st.StepDelay, 4);

    m.cnc.main.Overide = "fast"; // not a number: reads as 0, the feed floor holds
    m.cnc.ComputeFeedDelay();
    EXPECT_EQ(m.st.FeedRate, 1);
}

} // namespace
} // namespace tamo
