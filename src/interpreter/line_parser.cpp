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
#include "interpreter/line_words.h"
#include "interpreter/motion_word.h"
#include "interpreter/numbers.h"

#include <cctype>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace tamo {

// Twice for every entry of a check and of a run: a loop of its own, not the general search.
std::string_view TrimSpaces(std::string_view text) {
    const char* first = text.data();
    const char* last = first + text.size();
    while (first != last && *first == ' ') {
        ++first;
    }
    if (first == last) {
        return {};
    }
    while (last[-1] == ' ') {
        --last;
    }
    return {first, static_cast<std::size_t>(last - first)};
}

namespace {

// WordSlotOf for every byte value: one look-up a byte of the line.
constexpr std::array<signed char, 256> MakeByteSlots() {
    std::array<signed char, 256> table{};
    for (std::size_t c = 0; c < table.size(); ++c) {
        table[c] = c < 128 ? line_words_detail::kSlotOf[c] : static_cast<signed char>(-1);
    }
    return table;
}
constexpr std::array<signed char, 256> kByteSlot = MakeByteSlots();

} // namespace

// The first occurrences come in line order, so one pass back over them finds every end.
LineWords LocateWords(std::string_view line) {
    std::array<WordSlot, kWordSlots> order{};
    std::array<std::size_t, kWordSlots> at{};
    std::size_t words = 0;
    unsigned seen = 0; // the slots met so far, one bit each
    const char* const text = line.data();
    const std::size_t size = line.size();
    for (std::size_t i = 0; i < size; ++i) {
        const int slot = kByteSlot[static_cast<unsigned char>(text[i])];
        if (slot >= 0 && (seen & (1u << slot)) == 0) {
            seen |= 1u << slot;
            at[static_cast<std::size_t>(slot)] = i;
            order[words++] = static_cast<WordSlot>(slot);
            if (words == kWordSlots) {
                break;
            }
        }
    }
    return WordsFromFirsts(order, words, at, size);
}

LineWords WordsFromFirsts(const std::array<WordSlot, kWordSlots>& order, std::size_t count,
                          const std::array<std::size_t, kWordSlots>& at, std::size_t size) {
    LineWords w;
    std::size_t next_word = size;
    for (std::size_t k = count; k-- > 0;) {
        const auto slot = static_cast<std::size_t>(order[k]);
        w.at[slot] = at[slot];
        w.end[slot] = next_word;
        if (slot != kN) {
            next_word = at[slot];
        }
    }
    w.first_word = next_word;
    return w;
}

namespace {

bool StartsIgnoringCase(std::string_view text, std::string_view lower) {
    if (text.size() < lower.size()) {
        return false;
    }
    for (std::size_t i = 0; i < lower.size(); ++i) {
        const char c = text[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != lower[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

namespace {

// Whether "nan" or "inf" stands anywhere in the text, in any case: almost never, and then no word
// needs a closer look.
bool MayNameNonFinite(std::string_view text) {
    auto lower = [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        if (lower(text[i]) == 'n') {
            const char before = lower(text[i - 1]);
            const char after = lower(text[i + 1]);
            if ((before == 'i' && after == 'f') || (after == 'a' && i + 2 < text.size() && lower(text[i + 2]) == 'n')) {
                return true;
            }
        }
    }
    return false;
}

// A word's text into its field, in the room the field already has: what assign does, without its
// general path for a text that overlaps the field (a word never does: it is a slice of the line).
void KeepText(std::string& field, std::string_view text) {
    if (text.size() > field.capacity()) {
        field.assign(text);
        return;
    }
    field.resize(text.size());
    if (!text.empty()) {
        std::memcpy(field.data(), text.data(), text.size());
    }
}

} // namespace

namespace {

// Whether the scan of a word's text, whose number ends `used` characters in, stops there: nothing
// or blanks follow, or after the blanks a character that cannot continue a number (no digit, point,
// exponent or radix mark, which would make the scan read on).
bool ScansNoFurther(std::string_view field, std::size_t used) {
    if (used > field.size()) {
        return false;
    }
    std::size_t i = used;
    while (i < field.size() && (field[i] == ' ' || field[i] == '\t' || field[i] == '\n')) {
        ++i;
    }
    if (i == field.size()) {
        return true;
    }
    const char c = field[i];
    return !((c >= '0' && c <= '9') || c == '.' || c == 'E' || c == 'e' || c == 'D' || c == 'd' || c == '&');
}

} // namespace

NonFiniteNumber NonFiniteWord(std::string_view line) {
    const std::string_view trimmed = TrimSpaces(line);
    if (SkipsLine(trimmed) || !MayNameNonFinite(trimmed)) {
        return {};
    }
    unsigned seen = 0; // the word letters met so far, by slot
    for (std::size_t i = 0; i + 3 < trimmed.size(); ++i) {
        const char letter = trimmed[i];
        const int slot = WordSlotOf(letter);
        const unsigned bit = slot >= 0 ? 1u << slot : 0u;
        const bool first = (seen & bit) == 0;
        seen |= bit;
        if (std::string_view("XYZIJF").find(letter) == std::string_view::npos || !first) {
            continue; // not a word that moves, or not the first of its letter, the one that is read
        }
        // The number as written: blanks, a sign, then letters where digits belong.
        std::size_t end = trimmed.find_first_not_of(" \t", i + 1);
        if (end != std::string_view::npos && (trimmed[end] == '+' || trimmed[end] == '-')) {
            end = trimmed.find_first_not_of(" \t", end + 1);
        }
        if (end == std::string_view::npos ||
            !(StartsIgnoringCase(trimmed.substr(end), "nan") || StartsIgnoringCase(trimmed.substr(end), "inf"))) {
            continue;
        }
        while (end < trimmed.size() && std::isalpha(static_cast<unsigned char>(trimmed[end]))) {
            ++end;
        }
        return {static_cast<WordSlot>(WordSlotOf(letter)), TrimSpaces(trimmed.substr(i + 1, end - i - 1))};
    }
    return {};
}

// Changes: StopRequest, MWord, StartX/Y/Z, RapidMove and FeedFactor for every line; for a line
// that is not skipped, the words it carries (see WordSlot), GCode, PrgLine, Text3 for an
// F word, SingleStep through the tool-change prompt, and the feed through ComputeFeedDelay (not on
// a copy that reads lines only).
// Runs once per line of every run and twice per line of every redraw: it must not allocate
// beyond the capacity the word texts already have.
void Cnc::ParseLine(const ReadNumbers* known) {
    st.StopRequest = false;
    st.MWord = 0.0;
    st.StartX = st.TargetX;
    st.StartY = st.TargetY;
    st.StartZ = st.TargetZ;
    st.RapidMove = false;
    st.FeedFactor = 1;

    std::string& line = st.PrgLine;
    std::size_t offset = 0; // of the trimmed line in the line as handed over
    {
        const std::string_view trimmed = TrimSpaces(line);
        if (trimmed.empty()) {
            line.clear();
        } else if (trimmed.size() != line.size()) {
            offset = static_cast<std::size_t>(trimmed.data() - line.data());
            line.erase(offset + trimmed.size());
            line.erase(0, offset);
        }
    }
    // Comments, blank lines and lines that start with a digit or a sign carry no block.
    if (SkipsLine(line)) {
        return;
    }

    const std::string_view text(line);
    if (known != nullptr && known->located && offset == 0) {
        // Nearly every line: no spaces led the text handed over, and the places need no shift.
        parsed_words_ = WordsFromFirsts(known->first_slot, known->firsts, known->first_at, text.size());
    } else if (known != nullptr && known->located) {
        std::array<std::size_t, kWordSlots> at{};
        for (std::size_t k = 0; k < known->firsts; ++k) {
            const WordSlot slot = known->first_slot[k];
            at[static_cast<std::size_t>(slot)] = known->first_at[static_cast<std::size_t>(slot)] - offset;
        }
        parsed_words_ = WordsFromFirsts(known->first_slot, known->firsts, at, text.size());
    } else {
        parsed_words_ = LocateWords(text);
    }
    const LineWords& w = parsed_words_;
    auto word = [&](WordSlot slot) {
        return w.Text(text, slot);
    };
    // The word's number: as read already where that reading is the scan's, else scanned.
    auto number = [&](WordSlot slot, std::string_view field) {
        if (known != nullptr && known->Has(slot) && known->at[slot] == w.at[slot] + offset && known->end[slot] >= 1 &&
            ScansNoFurther(field, known->end[slot] - 1)) {
            return known->value[slot];
        }
        return ScanNumber(field);
    };
    // The word's text, kept in its field; a copy that reads lines only keeps none but the tool's,
    // which the tool-change prompt names: nothing else reads them there.
    auto keep = [&](std::string& field, WordSlot slot) -> std::string_view {
        if (lines_only_) {
            return word(slot);
        }
        KeepText(field, word(slot));
        return field;
    };

    if (w.Has(kQ)) {
        keep(st.QWord, kQ);
    }
    if (w.Has(kF)) {
        st.ProgFeed = number(kF, keep(st.FWord, kF)) * ScaleFactor(0);
        main.Text3 = FormatNumber(st.ProgFeed);
    }
    if (w.Has(kR)) {
        keep(st.RWord, kR);
    }
    if (w.Has(kJ)) {
        st.ArcJ = number(kJ, keep(st.JWord, kJ)) * ScaleFactor(2);
    }
    if (w.Has(kI)) {
        st.ArcI = number(kI, keep(st.IWord, kI)) * ScaleFactor(1);
    }
    if (w.Has(kA)) {
        keep(st.AWord, kA);
    }
    if (w.Has(kZ)) {
        st.TargetZ = number(kZ, keep(st.ZWord, kZ)) * ScaleFactor(3);
    }
    if (w.Has(kY)) {
        st.TargetY = number(kY, keep(st.YWord, kY)) * ScaleFactor(2);
    }
    if (w.Has(kX)) {
        st.TargetX = number(kX, keep(st.XWord, kX)) * ScaleFactor(1);
    }
    if (w.Has(kG)) {
        // The motion word keeps its letter: "G01", "G0", "G17" are told apart by their text.
        const std::size_t p = w.at[kG];
        KeepText(st.GCode, TrimSpaces(text.substr(p, w.end[kG] - p)));
    }
    if (w.Has(kT)) {
        KeepText(st.TWord, word(kT));
        st.ToolNo = number(kT, st.TWord);
    }
    bool m_is_six = false;
    if (w.Has(kM)) {
        std::string_view m = word(kM);
        st.MCode = number(kM, m);
        m_is_six = st.MCode == 6;
        st.MWord = std::string(m);
    }

    // What stood before the first word stays in the line (a line number, for instance).
    line.erase(w.first_word);

    // An arc without a centre is a straight line, whether its word has one digit or two.
    if (const Motion motion = MotionOf(st.GCode);
        (motion == Motion::ArcClockwise || motion == Motion::ArcCounterClockwise) && st.ArcJ == 0 && st.ArcI == 0) {
        st.GCode = "G01";
    }
    if (!st.Previewing && m_is_six) {
        ToolChangePrompt();
    }
    if (!lines_only_) {
        ComputeFeedDelay();
    }
}

void Cnc::ReadLinesOnly() {
    for (std::size_t i = 0; i < walk_scale_.size(); ++i) {
        walk_scale_[i] = ScaleFactor(static_cast<int>(i));
    }
    lines_only_ = true;
}

// The spindle and coolant go off before the operator's hands go near the tool; the program's own
// state keeps them, so that Start switches them on again unless the next line does it itself.
// The time the prompt waits for the operator is no run time: the run's clock starts that much later.
void Cnc::ToolChangePrompt() {
    OutputsOff();
    st.SingleStep = true;
    const std::uint32_t asked_ms = clock().GetTickCount();
    op().ShowMessage("Change to tool #" + st.TWord, kAppTitle);
    busy_since_ms_ += clock().GetTickCount() - asked_ms;
}

// A factor that does not read as a number scales by 1 until the operator corrects it. A redraw's
// walk reads the factors once at its start: nothing can change them while it runs, and reading
// four texts a line was a fifth of the walk of a long program.
double Cnc::ScaleFactor(int index) const {
    if (walking_ || lines_only_) {
        return walk_scale_[static_cast<std::size_t>(index)];
    }
    return ReadSettingNumber(scale.Combo1[static_cast<std::size_t>(index)]).value_or(1.0);
}

} // namespace tamo
