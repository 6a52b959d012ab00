// The line parser: one program line into the block state.
//
// A line is a set of words, each a letter of N T M G X Y Z A I J R F Q followed by its text. Only
// the first occurrence of a letter is a word; lower-case letters never are. A word's text runs up
// to the next word letter of the line (N does not end a word), so that whatever stands between
// two words (blanks, a comment without word letters) belongs to the earlier word and is ignored
// by the numeric scan. For a line with its words in the order M T G X Y Z A I J R F Q this is the
// same as cutting the words off the end of the line in the reverse order, which is how the parser
// has always been described; lines in any other order are read as written.

#include "interpreter/cnc.h"
#include "interpreter/numbers.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace tamo {
namespace {

// Word letters in the order they are stored. N is located but never stored.
enum Slot : int { kQ, kF, kR, kJ, kI, kA, kZ, kY, kX, kG, kT, kM, kN, kSlots };

constexpr std::array<signed char, 128> MakeSlotTable() {
    std::array<signed char, 128> table{};
    for (auto& entry : table) {
        entry = -1;
    }
    table['Q'] = kQ;
    table['F'] = kF;
    table['R'] = kR;
    table['J'] = kJ;
    table['I'] = kI;
    table['A'] = kA;
    table['Z'] = kZ;
    table['Y'] = kY;
    table['X'] = kX;
    table['G'] = kG;
    table['T'] = kT;
    table['M'] = kM;
    table['N'] = kN;
    return table;
}
constexpr std::array<signed char, 128> kSlotOf = MakeSlotTable();
constexpr std::size_t kAbsent = std::string_view::npos;

std::string_view TrimSpaces(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == kAbsent) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

} // namespace

// Changes: StopRequest, MWord, StartX/Y/Z, RapidMove and FeedFactor for every line; for a line
// that is not skipped, the words it carries (see the table of Slot), GCode, PrgLine, Text3 for an
// F word, SingleStep through the tool-change prompt, and the feed through ComputeFeedDelay.
// Runs once per line of every run and twice per line of every redraw: it must not allocate
// beyond the capacity the word texts already have.
void Cnc::ParseLine() {
    st.StopRequest = false;
    st.MWord = 0.0;
    st.StartX = st.TargetX;
    st.StartY = st.TargetY;
    st.StartZ = st.TargetZ;
    st.RapidMove = false;
    st.FeedFactor = 1;

    std::string& line = st.PrgLine;
    {
        const std::string_view trimmed = TrimSpaces(line);
        if (trimmed.empty()) {
            line.clear();
        } else if (trimmed.size() != line.size()) {
            const auto offset = static_cast<std::size_t>(trimmed.data() - line.data());
            line.erase(offset + trimmed.size());
            line.erase(0, offset);
        }
    }
    // Comments, blank lines and lines that start with a digit or a sign carry no block.
    if (line.empty() || static_cast<unsigned char>(line[0]) < '@') {
        return;
    }

    // Where each word starts and ends: a word ends at the next word letter after it, N excepted.
    // The first occurrences come in line order, so one pass back over them finds every end.
    std::array<std::size_t, kSlots> at{};
    std::array<std::size_t, kSlots> end{};
    std::array<signed char, kSlots> order{};
    std::size_t words = 0;
    at.fill(kAbsent);
    for (std::size_t i = 0; i < line.size() && words < kSlots; ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        if (c < 128 && kSlotOf[c] >= 0 && at[static_cast<std::size_t>(kSlotOf[c])] == kAbsent) {
            at[static_cast<std::size_t>(kSlotOf[c])] = i;
            order[words++] = kSlotOf[c];
        }
    }
    std::size_t next_word = line.size();
    for (std::size_t k = words; k-- > 0;) {
        const auto slot = static_cast<std::size_t>(order[k]);
        end[slot] = next_word;
        if (slot != kN) {
            next_word = at[slot];
        }
    }
    const std::size_t first_word = next_word; // N excepted
    const std::string_view text(line);
    // The text of a word after its letter.
    auto word = [&](Slot slot) {
        const std::size_t p = at[slot];
        return text.substr(p + 1, end[slot] - p - 1);
    };

    if (at[kQ] != kAbsent) {
        st.QWord.assign(word(kQ));
    }
    if (at[kF] != kAbsent) {
        st.FWord.assign(word(kF));
        st.ProgFeed = ScanNumber(st.FWord) * ScaleFactor(0);
        main.Text3 = FormatNumber(st.ProgFeed);
    }
    if (at[kR] != kAbsent) {
        st.RWord.assign(word(kR));
    }
    if (at[kJ] != kAbsent) {
        st.JWord.assign(word(kJ));
        st.ArcJ = ScanNumber(st.JWord) * ScaleFactor(2);
    }
    if (at[kI] != kAbsent) {
        st.IWord.assign(word(kI));
        st.ArcI = ScanNumber(st.IWord) * ScaleFactor(1);
    }
    if (at[kA] != kAbsent) {
        st.AWord.assign(word(kA));
    }
    if (at[kZ] != kAbsent) {
        st.ZWord.assign(word(kZ));
        st.TargetZ = ScanNumber(st.ZWord) * ScaleFactor(3);
    }
    if (at[kY] != kAbsent) {
        st.YWord.assign(word(kY));
        st.TargetY = ScanNumber(st.YWord) * ScaleFactor(2);
    }
    if (at[kX] != kAbsent) {
        st.XWord.assign(word(kX));
        st.TargetX = ScanNumber(st.XWord) * ScaleFactor(1);
    }
    if (at[kG] != kAbsent) {
        // The motion word keeps its letter: "G01", "G0", "G17" are told apart by their text.
        const std::size_t p = at[kG];
        st.GCode.assign(TrimSpaces(text.substr(p, end[kG] - p)));
    }
    if (at[kT] != kAbsent) {
        st.TWord.assign(word(kT));
        st.ToolNo = ScanNumber(st.TWord);
    }
    bool m_is_six = false;
    if (at[kM] != kAbsent) {
        std::string_view m = word(kM);
        st.MCode = ScanNumber(m);
        m_is_six = st.MCode == 6;
        st.MWord = std::string(m);
    }

    // What stood before the first word stays in the line (a line number, for instance).
    line.erase(first_word);

    // An arc without a centre is a straight line.
    if ((st.GCode == "G02" || st.GCode == "G03") && st.ArcJ == 0 && st.ArcI == 0) {
        st.GCode = "G01";
    }
    if (!st.Previewing && m_is_six) {
        ToolChangePrompt();
    }
    ComputeFeedDelay();
}

void Cnc::ToolChangePrompt() {
    st.SingleStep = true;
    op().ShowMessage("Change to tool #" + st.TWord, kAppTitle);
}

// A factor that does not read as a number scales by 1 until the operator corrects it.
double Cnc::ScaleFactor(int index) const {
    return ReadNumber(scale.Combo1[static_cast<std::size_t>(index)]).value_or(1.0);
}

} // namespace tamo
