// The program check against the run itself: what it says moves or does not move, the arc centre it
// names, the lines it points at, and the settings, scale factors and state it reads.

#include "check/standard_reading.h"
#include "check_fixture.h"
#include "golden_rows.h"
#include "interpreter/numbers.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <iomanip>
#include <sstream>
#include <stop_token>
#include <string>
#include <vector>

namespace tamo {
namespace {

using test::CheckText;
using test::Codes;
using test::Find;
using test::TestMachine;

// The check says a line does not move exactly when the run does not move on it.
TEST(Check, SaysALineDoesNotMoveExactlyWhenTheRunDoesNotMoveOnIt) {
    for (const char* program :
         {"G01 X5 F100", "G1 X5 F100", "G00 X5", "G0 X5", "G17\nX5", "G81 X5 Y5 Z-1 R1 F100", "G01 (ROUGH) X5 F100",
          "G01 S500 X5 F100", "X5", "G02 X10 Y0 I5 J0 F100", "G2 X10 Y0 I5 J0 F100", "G00 G90 X5"}) {
        TestMachine run(true);
        run.Load(std::string(program) + "\n");
        run.cnc.Start();
        const bool moved = run.st.ProgPosX != 0;

        TestMachine m;
        const check::Report report = CheckText(m, std::string(program) + "\n");
        const bool idle = Find(report, "no-motion") != nullptr || Find(report, "drill-cycle") != nullptr;
        EXPECT_NE(idle, moved) << program;
    }
}

// Each finding as "entry/file line code text".
std::vector<std::string> Places(const check::Report& report) {
    std::vector<std::string> places;
    for (const check::Finding& f : report.findings) {
        places.push_back(std::to_string(f.line) + "/" + std::to_string(f.file_line) + " " + f.code + " " + f.text);
    }
    return places;
}

// Lines are the program buffer's entries, as the listing counts them; a comma split also names the
// text line of the file. CR LF, CR and LF line ends all end a text line.
TEST(Check, PointsAtEntriesAndTheFileLineTheyCameFrom) {
    TestMachine m;
    const check::Report report = CheckText(m, "G00 X1, Y2\r\nG17\rX3,Y4\nX5\n");
    EXPECT_EQ(Places(report), (std::vector<std::string>{"2/1 comma-split Y2", "3/2 non-motion-g G17",
                                                        "4/3 no-motion X3", "5/3 comma-split Y4"}));
    EXPECT_NE(report.findings[2].message.find("(and 2 more lines up to line 4)"), std::string::npos);
    EXPECT_EQ(report.lines, 6);

    // A comma inside quotes splits nothing; what follows the closing quote is lost.
    const check::Report quoted = CheckText(m, "\"G00 X1, Y2\" X3\nG17,X4\n");
    EXPECT_EQ(Places(quoted), (std::vector<std::string>{"1/1 quoted-item G00 X1, Y2", "2/2 non-motion-g G17",
                                                        "3/2 comma-split X4", "3/2 no-motion X4"}));

    // An item cut off by a comma is read with its whole text line, the comma too, also where the
    // comma ends the file: the converter does not take such a line.
    for (const char* program : {"G17,\n", "G17,", "G17,\r\n"}) {
        const check::Report cut = CheckText(m, program);
        const check::Finding* g17 = Find(cut, "non-motion-g");
        ASSERT_NE(g17, nullptr) << program;
        EXPECT_FALSE(g17->convert_fixes) << program;
    }
    EXPECT_TRUE(Find(CheckText(m, "G17"), "non-motion-g")->convert_fixes);
}

// The feed scale and the unit of the settings are the machine's own.
TEST(Check, ReadsWithTheScaleFactorsAndUnitOfTheMachine) {
    TestMachine m;
    EXPECT_EQ(Codes(CheckText(m, "G01 X10 F0.5\n")), std::vector<std::string>{"1 feed-floor"});
    m.cnc.scale.Combo1[0] = "4";
    EXPECT_TRUE(CheckText(m, "G01 X10 F0.5\n").findings.empty());

    TestMachine inch;
    inch.cnc.SetOptionIn(true);
    EXPECT_EQ(Codes(CheckText(inch, "G20\nG21\n")),
              (std::vector<std::string>{"1 non-motion-g", "2 non-motion-g", "2 unit-word"}));
    const check::Report report = CheckText(inch, "G21\n");
    const check::Finding* unit = Find(report, "unit-word");
    ASSERT_NE(unit, nullptr);
    EXPECT_NE(unit->message.find("read as inches"), std::string::npos) << unit->message;
}

// A fresh Start keeps the motion word, the feed and the arc centre that were in force before it:
// the check starts from them too, and leaves the live controller as it was.
TEST(Check, StartsFromTheMotionWordAndFeedLeftBeforeTheProgram) {
    TestMachine m;
    EXPECT_EQ(Codes(CheckText(m, "X5 F100\n")), std::vector<std::string>{"1 no-motion"});
    m.st.GCode = "G01"; // left by a program run before; Open puts it back after its redraw
    const check::Report report = CheckText(m, "X5\nX6 F250\n");
    EXPECT_EQ(Codes(report), (std::vector<std::string>{"1 inherited-motion", "1 feed-missing"}));
    EXPECT_NE(Find(report, "feed-missing")->message.find("F250"), std::string::npos); // the preview's last F
    EXPECT_EQ(m.st.GCode, "G01");
    EXPECT_EQ(m.st.PrgBuf.Text(2), "X6 F250");
    EXPECT_EQ(m.st.PrgLineCount, 2);
}

TEST(Check, KeepsTheFirstFindingsOfACodeAndCountsThemAll) {
    std::string program;
    for (int k = 0; k < check::kMaxFindingsPerCode + 50; ++k) {
        program += "G01 X10 X20 F100\n";
    }
    TestMachine m;
    const check::Report report = CheckText(m, program);
    EXPECT_EQ(report.findings.size(), static_cast<std::size_t>(check::kMaxFindingsPerCode));
    EXPECT_EQ(report.left_out, 50);
    EXPECT_EQ(report.Summary(), std::to_string(check::kMaxFindingsPerCode + 50) + " errors, no warnings");
}

TEST(Check, FindingsAtTheirEdges) {
    for (const test::Row& c : test::GoldenRows("check/edges.txt")) {
        SCOPED_TRACE(c[1]);
        TestMachine m;
        m.Parse(c[0]);
        const check::Report report = CheckText(m, c[1]);
        std::string codes;
        for (const std::string& code : Codes(report)) {
            codes += (codes.empty() ? "" : ",") + code;
        }
        EXPECT_EQ(codes, c[2]);
        ASSERT_FALSE(report.findings.empty());
        EXPECT_NE(report.findings[0].message.find(c[3]), std::string::npos) << report.findings[0].message;
    }
}

// The standard reading takes a word's value as it finds the word: to the bit the full conversion's,
// for numbers with many digits, zeros before them, a point at either end and either sign.
TEST(Check, TheStandardReadingTakesEveryNumberExactly) {
    for (const char* number : {"97.419", "-0", "+2.", "-.5", "0.00000000000000012345", "000000000000000001.5",
                               "1234567890123456.5", "0.1234567890123456789", "0.000000000000000000000012",
                               "123456789012345", "9007199254740993.0000001", "1e5"}) {
        const std::string line = std::string("X") + number;
        std::vector<check::Token> tokens;
        check::ReadTokens(line, 0, line.size(), {}, tokens);
        ASSERT_FALSE(tokens.empty()) << line;
        EXPECT_EQ(std::bit_cast<std::uint64_t>(tokens[0].amount),
                  std::bit_cast<std::uint64_t>(ReadNumber(tokens[0].number).value_or(0)))
            << line << " read " << tokens[0].amount;
    }
}

// A line read in one pass, as holding no comment, reads as the search for comments and the reading
// around them read it; where a comment mark stands anywhere, even right after a letter or a sign,
// the one pass gives up.
TEST(Check, TheStandardReadingOfALineWithoutCommentsIsTheSameInOnePass) {
    for (const std::string_view line : {"G01 X97.419 Y-32.5 F1500", "x1 Y 2\tZ\r", "X1 #2 [3] Y4", "G1 X1 (Y2) Z3",
                                        "X(1", "X-(1", "X1.;", ";", "(", "G1 X2 Y3 ;", "N5 G0 X1Y2 %"}) {
        std::vector<check::Span> comments;
        std::vector<check::Token> tokens;
        bool blanks_only = false;
        check::FindComments(line, comments);
        check::ReadTokens(line, 0, line.size(), comments, tokens, &blanks_only);
        std::vector<check::Token> plain;
        bool plain_blanks_only = !blanks_only;
        ASSERT_EQ(check::ReadPlainTokens(line, plain, &plain_blanks_only), comments.empty()) << line;
        if (!comments.empty()) {
            continue;
        }
        EXPECT_EQ(plain_blanks_only, blanks_only) << line;
        ASSERT_EQ(plain.size(), tokens.size()) << line;
        for (std::size_t k = 0; k < plain.size(); ++k) {
            EXPECT_EQ(plain[k].at, tokens[k].at) << line;
            EXPECT_EQ(plain[k].letter, tokens[k].letter) << line;
            EXPECT_EQ(plain[k].number, tokens[k].number) << line;
        }
    }
}

// A helix whose climb, turned from inches into millimetres, is beyond any number is a problem of
// its line, as a straight move to there is: no move is made of it, and the reading goes on.
TEST(Check, TheStandardReadingTellsOfAHelixClimbBeyondAnyNumber) {
    check::StandardReader reader;
    const std::string helix = "G20 G2 X1 Y0 I0.5 J0 F100 Z" + std::string(308, '9');
    const check::StandardLine& line = reader.Read(helix, 1);
    EXPECT_EQ(line.Problems(), "a coordinate beyond any number");
    EXPECT_TRUE(line.moves.empty());
    const check::StandardLine& next = reader.Read("G1 X2", 2);
    EXPECT_TRUE(next.problems.empty()) << next.Problems();
    ASSERT_EQ(next.moves.size(), 1u);
    EXPECT_DOUBLE_EQ(next.moves[0].end[0], 2 * 25.4);
}

// The parse takes the numbers (and on a line of words only, the places of its words) the standard
// reading has read only where its own reading finds the same: the block and the words come out the
// same to the bit with them as without, whatever stands around a number.
TEST(Check, TheParseReadsTheSameBlockWithTheStandardReadingsNumbers) {
    for (const char* line : {"G01 X97.419 Y-32.5 Z-.5 F1500",
                             "G02 X1. Y+3 I-0.883 J0 F250",
                             "X-0 Y-0.000 Z0 I-0 J-.0 F0",
                             "X007 Y000.50 Z123456789012345 F12345678901234.5",
                             "X1.2345678901234567 Y0.00000000000000000000000012",
                             "X1E5 Y1e5 Z1D2 I2d1 J1&H10",
                             "X1 2 Y3.4.5 Z6 .7 F8 -9",
                             "X 5 Y\t6 Z  -7",
                             "X- 5 X6 Y-- 1 Y2",
                             "x1 X2 y3 Y4 z5",
                             "  N10 X1 Y2",
                             "X1 E5 Y2 D3 Z4 S200",
                             "X1 X2 X3 F100 F200",
                             "T2 M3 X1",
                             "M30",
                             "G1 X1 (Y2) Z3 ; F4",
                             "XNaN Y1",
                             "X1Y2Z3I4J5F6",
                             "X+.5 Y+0 Z-1.50",
                             " G1  N5 X2 S9 Y3 N6 X4  ",
                             "N1 X1 Y2 Z3 I4 J5 F6 G1 T1 M3 R7 Q8 A9",
                             "X1 Y X2",
                             "G0 X1 Y2 K3 P4"}) {
        std::vector<check::Span> comments;
        std::vector<check::Token> tokens;
        const std::string_view text(line);
        check::FindComments(text, comments);
        bool blanks_only = false;
        check::ReadTokens(text, 0, text.size(), comments, tokens, &blanks_only);
        ReadNumbers known;
        check::NumbersRead(text, text, tokens, blanks_only && comments.empty(), known);
        TestMachine scanned;
        TestMachine taken;
        scanned.st.PrgLine = line;
        scanned.cnc.ParseLine();
        taken.st.PrgLine = line;
        taken.cnc.ParseLine(&known);
        const auto bits = [](const MachineState& st) {
            return std::vector<std::uint64_t>{
                std::bit_cast<std::uint64_t>(st.TargetX), std::bit_cast<std::uint64_t>(st.TargetY),
                std::bit_cast<std::uint64_t>(st.TargetZ), std::bit_cast<std::uint64_t>(st.ArcI),
                std::bit_cast<std::uint64_t>(st.ArcJ),    std::bit_cast<std::uint64_t>(st.ProgFeed),
                std::bit_cast<std::uint64_t>(st.ToolNo),  std::bit_cast<std::uint64_t>(st.MCode)};
        };
        EXPECT_EQ(bits(taken.st), bits(scanned.st)) << line;
        const LineWords& a = taken.cnc.ParsedWords();
        const LineWords& b = scanned.cnc.ParsedWords();
        EXPECT_TRUE(a.at == b.at && a.end == b.end && a.first_word == b.first_word) << line;
    }
}

// The check finds what Start refuses on the line Start names, in Start's words, after the lines
// before it have carried their feed, targets, arcs and tool changes, also behind a comma and at
// the edge of the machine's travel.
TEST(Check, ReportsTheLineStartRefusesAfterWhatTheLinesBeforeItLeft) {
    constexpr const char* kTravel = "travel_x_min_mm = 0\ntravel_x_max_mm = 0.3\ntravel_y_min_mm = 0\n"
                                    "travel_y_max_mm = 10\ntravel_z_min_mm = -5\ntravel_z_max_mm = 0\n";
    struct Case {
        const char* program;
        int refused;
        bool homed_in_travel;
    };
    const Case cases[] = {
        {"G01 X1 F100\nF1\nG01 X2000\nF100\n", 3, false},
        {"G01 X1 F1\nF100\nG01 X2000\nF1\n", 0, false},
        {"G01 X1 F100, G01 X1e300\nG00 X0\n", 2, false},
        {"G02 X2 Y0 I1 J0 F100\nG01 X2 Y0\nM06 T2\nG00 X5\nG01 Xinf\n", 5, false},
        {"G02 X2 Y0 I1 J0 F100\nG02 X0 Y0\nG02 X0 Y0 I0 J1e200\n", 3, false},
        {"G01 X0.1 F100\nG01 X0.2\nG01 X0.5\n", 3, true},
        {"G01 X0.1 F100\nG01 X0.2\nG01 X0\n", 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program);
        TestMachine m;
        if (c.homed_in_travel) {
            ASSERT_EQ(m.cnc.LoadMachineSettingsText(kTravel), "");
            ASSERT_TRUE(m.cnc.MachinePageOk());
            m.st.Homed = true;
        }
        m.Load(c.program);
        const check::Report report = check::CheckProgram(check::CopyForCheck(m.cnc));
        m.op.clear_messages();
        const bool refused = m.cnc.RefuseUnrunnableProgram();
        ASSERT_EQ(refused, c.refused != 0);
        const check::Finding* found = Find(report, "start-refused");
        if (!refused) {
            EXPECT_EQ(found, nullptr);
            continue;
        }
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->line, c.refused);
        EXPECT_EQ(found->message, m.op.messages().back().text);
        EXPECT_EQ(found->severity, check::Severity::Error);
    }
}

// The check comes to Start's verdict on moves at the edge of a day, where a step more or less of
// where the lines before left the tool decides it: after moves and arcs that end off the step grid,
// at feeds the override slows, on arcs and helices; and on a long program whose refusal comes late.
TEST(Check, ComesToStartsVerdictOnMovesAtTheEdgeOfADay) {
    TestMachine probe;
    const double step = std::fabs(probe.st.UnitsPerStepX);
    ASSERT_GT(step, 0);
    auto number = [](double value) {
        std::ostringstream out;
        out << std::setprecision(17) << value;
        return out.str();
    };
    struct Case {
        std::string program;
        std::string override_percent = "100";
        double step = 0; // the machine's own where 0
    };
    std::vector<Case> cases;
    // A day at the floor of 1 unit a minute is 1440 units.
    for (const std::string& before :
         {std::string(), "G01 X-" + number(0.4 * step) + " F100\n", "G01 X-" + number(0.6 * step) + " F100\n",
          "G02 X0 Y0 I" + number(0.7 * step) + " J0 F100\n",
          "G03 X" + number(step) + " Y0 I" + number(0.5 * step) + " J" + number(0.3 * step) + " F100\n"}) {
        for (int quarter = -6; quarter <= 6; ++quarter) {
            cases.push_back({before + "G01 X" + number(1440 + quarter * step / 4) + " F1\n"});
        }
    }
    for (const char* line : {"G01 X1439 F100\n", "G01 X1441 F100\n", "G01 X1441 F1000\n"}) {
        cases.push_back({line, "1"});
    }
    for (const char* line :
         {"G02 X0 Y0 I-229 J0 F1\n", "G02 X0 Y0 I-230 J0 F1\n", "G02 X0 Y0 I-0.1 J0 Z-1430 F1\n",
          "G02 X0 Y0 I-0.1 J0 Z-1450 F1\n", "G02 X1439 Y1 I-0.1 J0 F1\n", "G02 X1441 Y1 I-0.1 J0 F1\n"}) {
        cases.push_back({std::string("G01 X1 Y1 F100\n") + line});
    }
    for (const char* line : {"G02 X1439 Y1 I-0.1 J0 F1\n", "G02 X1441 Y1 I-0.1 J0 F1\n"}) {
        cases.push_back({std::string("G01 X1441 Y1 F100\nG80 X0 Y0\n") + line});
        cases.push_back({std::string("G01 X1441 Y1 F100\nG03 X0 Y0\n") + line});
    }
    // Steps so fine that a short move has more ticks than a step counter can count down.
    cases.push_back({"G01 X100 F1000\n", "100", 1e-14});
    std::string late;
    for (int k = 0; k < 2000; ++k) {
        late += k % 2 == 0 ? "G02 X2 Y0 I1 J0 F100\n" : "G03 X0 Y0 I-1 J0\n";
    }
    cases.push_back({late + "G01 X1441 F1\n"});
    cases.push_back({late + "G01 X1439 F1\n"});
    int refused = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program.substr(0, 80) + " at " + c.override_percent + " %");
        TestMachine m;
        m.cnc.main.Overide = c.override_percent;
        m.Load(c.program);
        if (c.step != 0) {
            m.st.UnitsPerStepX = m.st.UnitsPerStepY = m.st.UnitsPerStepZ = c.step;
        }
        const check::Report report = check::CheckProgram(check::CopyForCheck(m.cnc));
        m.op.clear_messages();
        const check::Finding* found = Find(report, "start-refused");
        if (!m.cnc.RefuseUnrunnableProgram()) {
            EXPECT_EQ(found, nullptr);
            continue;
        }
        ++refused;
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->line, m.cnc.Estimate().refused_line);
        EXPECT_EQ(found->message, m.op.messages().back().text);
    }
    // Both verdicts come up among the cases, or they would not be at the edge.
    EXPECT_GT(refused, 10);
    EXPECT_LT(refused, static_cast<int>(cases.size()) - 10);
}

TEST(Check, AStopRequestEndsItEarly) {
    TestMachine m;
    m.Load(std::string(100'000, '\n'));
    std::stop_source stop;
    stop.request_stop();
    const check::Report report = check::CheckProgram(check::CopyForCheck(m.cnc), stop.get_token());
    EXPECT_FALSE(report.complete);
    EXPECT_LT(report.lines, 100'000);
}

} // namespace
} // namespace tamo
