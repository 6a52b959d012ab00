// The converter's cases in tests/golden/convert: one program per rule, its first lines saying, as
// worked out by hand from the standard's rules, every move a standard controller makes of it:
//   (expect LINE G01 X.. Y.. Z..)                 a straight move to that point
//   (expect LINE G02 X.. Y.. Z.. about X.. Y..)   an arc to that point about that centre
//   (expect LINE segments X.. Y.. Z.. about A.. B.. via A.. B..)  straight moves along an arc of
//                                                 another plane, every one ending on it, passing
//                                                 the via point, the last at that point
//   (expect LINE words M6 T2)                     a line of the converted program as written
//   (expect LINE not-converted)                   the line is listed and not converted
//   (expect LINE not-converted G43 H1)            those words of the line are listed, the rest of
//                                                 it converted
//   (expect LINE not-converted G55 because WHY)   listed for that reason
//   (expect LINE refused)                         the whole program is refused at that line:
//                                                 nothing is written
//   (option clearance Z)                          converted with that clearance height given
// The converted program is read back by the machine's own parser, entry by entry as a run reads
// it: its lines other than comments must be exactly those, in order, to 0.0001 mm (a given F
// too). Nothing else may be listed, and the program check finds no error in it.

#include "check_fixture.h"
#include "convert/convert.h"
#include "interpreter/motion_word.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

namespace tamo {
namespace {

namespace fs = std::filesystem;

struct Move {
    std::string kind;              // the motion word, or "words"
    std::map<char, double> at;     // X Y Z (and F) of the end
    std::map<char, double> centre; // arcs: X Y, or the plane's two axes for segments
    std::map<char, double> via;
    std::string text; // the line as written
};

struct Case {
    std::vector<std::pair<int, Move>> moves;
    std::vector<std::string> unconverted; // "LINE" or "LINE WORDS"
    int refused = 0;
    convert::Options options;
};

Case Expectations(const std::string& text) {
    static const std::regex expect(R"(^\(expect (\d+) (\S+)(.*)\)\r?$)");
    static const std::regex option(R"(^\(option clearance (-?[0-9.]+)\)\r?$)");
    static const std::regex word(R"(([XYZF])(-?[0-9.]+))");
    Case c;
    std::istringstream in(text);
    std::string line;
    std::smatch m;
    while (std::getline(in, line)) {
        if (std::regex_match(line, m, option)) {
            c.options.clearance = std::stod(m[1].str());
            continue;
        }
        if (!std::regex_match(line, m, expect)) {
            break;
        }
        const int at = std::stoi(m[1].str());
        if (m[2].str() == "not-converted") {
            c.unconverted.push_back(m[1].str() + m[3].str());
            continue;
        }
        if (m[2].str() == "refused") {
            c.refused = at;
            continue;
        }
        Move move{m[2].str(), {}, {}, {}, m[3].str().substr(1)};
        const std::string rest = m[3].str();
        const std::size_t about = rest.find(" about ");
        const std::size_t via = rest.find(" via ");
        for (std::sregex_iterator w(rest.begin(), rest.end(), word), end; w != end; ++w) {
            const auto pos = static_cast<std::size_t>(w->position());
            auto& into = pos > via ? move.via : pos > about ? move.centre : move.at;
            into[(*w)[1].str()[0]] = std::stod((*w)[2].str());
        }
        c.moves.emplace_back(at, move);
    }
    return c;
}

// The lines of the converted program other than comments, the moves as the machine's parser reads
// them.
std::vector<Move> AsRead(const std::string& converted) {
    test::TestMachine m;
    m.Load(converted);
    m.st.TargetX = m.st.TargetY = m.st.TargetZ = 0; // as a fresh Start begins
    std::vector<Move> lines;
    for (int entry = 1; entry <= m.st.PrgLineCount; ++entry) {
        const std::string text(m.st.PrgBuf.Text(static_cast<std::size_t>(entry)));
        m.st.PrgLine = text;
        m.cnc.ParseLine();
        if (text.empty() || text[0] == '(') {
            continue;
        }
        Move line{"words", {}, {}, {}, text};
        if (text[0] == 'G') {
            line.kind = m.st.GCode;
            line.at = {{'X', m.st.TargetX}, {'Y', m.st.TargetY}, {'Z', m.st.TargetZ}, {'F', m.st.ProgFeed}};
        }
        if (m.st.GCode == "G02" || m.st.GCode == "G03") {
            line.centre = {{'X', m.st.StartX + m.st.ArcI}, {'Y', m.st.StartY + m.st.ArcJ}};
        }
        lines.push_back(line);
    }
    return lines;
}

bool Near(const std::map<char, double>& want, const std::map<char, double>& got, double within) {
    return std::all_of(want.begin(), want.end(), [&](const auto& w) {
        const auto g = got.find(w.first);
        return g != got.end() && std::fabs(g->second - w.second) <= within;
    });
}

// How far a point lies from the circle of an arc in another plane, whose axes the centre names.
double OffArc(const Move& segments, const Move& point) {
    auto axis = segments.centre.begin();
    const char a = axis->first;
    const char b = (++axis)->first;
    auto radius = [&](const std::map<char, double>& p) {
        return std::hypot(p.at(a) - segments.centre.at(a), p.at(b) - segments.centre.at(b));
    };
    return std::fabs(radius(point.at) - radius(segments.at));
}

// How far the via point lies from the segment between two ends.
double OffSegment(const Move& segments, const Move& from, const Move& to) {
    double squared = 0;
    double t = 0;
    double length = 0;
    for (const auto& [axis, v] : segments.via) {
        length += std::pow(to.at.at(axis) - from.at.at(axis), 2);
        t += (v - from.at.at(axis)) * (to.at.at(axis) - from.at.at(axis));
    }
    t = length > 0 ? std::clamp(t / length, 0.0, 1.0) : 0;
    for (const auto& [axis, v] : segments.via) {
        squared += std::pow(from.at.at(axis) + t * (to.at.at(axis) - from.at.at(axis)) - v, 2);
    }
    return std::sqrt(squared);
}

TEST(ConvertGolden, EveryRuleGivesTheMovesWorkedOutByHand) {
    const fs::path folder = fs::path(TAMO_SOURCE_DIR) / "tests" / "golden" / "convert";
    int cases = 0;
    for (const auto& file : fs::directory_iterator(folder)) {
        SCOPED_TRACE(file.path().filename().string());
        ++cases;
        const std::string program = test::Slurp(file.path());
        const Case expected = Expectations(program);
        const convert::Conversion conversion = convert::ConvertProgram(program, expected.options);
        EXPECT_EQ(conversion.refused_line, expected.refused) << conversion.refused;
        if (expected.refused != 0) {
            EXPECT_EQ(conversion.text, "");
            continue;
        }
        std::vector<std::string> unconverted;
        for (const convert::Unconverted& u : conversion.unconverted) {
            unconverted.push_back(std::to_string(u.file_line) + (u.words.empty() ? "" : " " + u.words));
            const std::size_t i = unconverted.size() - 1;
            if (i < expected.unconverted.size() && expected.unconverted[i].find(" because ") != std::string::npos) {
                unconverted.back() += " because " + u.reason;
            }
        }
        EXPECT_EQ(unconverted, expected.unconverted);

        EXPECT_EQ(conversion.text.find_first_of(",\""), std::string::npos) << conversion.text;
        const std::vector<Move> lines = AsRead(conversion.text);
        std::size_t next = 0;
        for (const auto& [line, want] : expected.moves) {
            SCOPED_TRACE("line " + std::to_string(line) + " " + want.kind);
            ASSERT_LT(next, lines.size()) << conversion.text;
            if (want.kind == "segments") {
                double passed = 1;
                for (; next < lines.size() && lines[next].kind == "G01"; ++next) {
                    ASSERT_LT(OffArc(want, lines[next]), 0.001) << lines[next].text;
                    if (next > 0) {
                        passed = std::min(passed, OffSegment(want, lines[next - 1], lines[next]));
                    }
                    if (Near(want.at, lines[next].at, 1e-4)) {
                        break;
                    }
                }
                EXPECT_LT(passed, 0.006) << conversion.text;
                ASSERT_LT(next, lines.size());
            } else if (want.kind == "words") {
                EXPECT_EQ(lines[next].text, want.text);
            } else {
                EXPECT_EQ(lines[next].kind, want.kind) << lines[next].text;
                EXPECT_TRUE(Near(want.centre, lines[next].centre, 1e-4)) << lines[next].text;
            }
            EXPECT_TRUE(Near(want.at, lines[next].at, 1e-4)) << lines[next].text;
            ++next;
        }
        EXPECT_EQ(next, lines.size()) << "lines nobody expected:\n" << conversion.text;

        test::TestMachine m;
        const check::Report report = test::CheckText(m, conversion.text);
        EXPECT_EQ(report.errors, 0) << conversion.text;
    }
    EXPECT_GT(cases, 10);
}

} // namespace
} // namespace tamo
