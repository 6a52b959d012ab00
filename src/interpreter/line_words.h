#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace tamo {

// Where the words of a program line stand, as the line parser reads them. A word is the first
// occurrence of one of the letters N T M G X Y Z A I J R F Q (upper case only); its text runs up
// to the next word letter of the line, N excepted, whatever stands in between. The parser and the
// program check read lines through this one function, so that the check sees the words the run
// sees.

// Word letters in the order the parser stores them. N is located but never stored.
enum WordSlot : int { kQ, kF, kR, kJ, kI, kA, kZ, kY, kX, kG, kT, kM, kN, kWordSlots };

// The letter of each slot.
inline constexpr std::array<char, kWordSlots> kWordLetter{'Q', 'F', 'R', 'J', 'I', 'A', 'Z',
                                                          'Y', 'X', 'G', 'T', 'M', 'N'};

inline constexpr std::size_t kNoWord = std::string_view::npos;

struct LineWords {
    LineWords() { at.fill(kNoWord); }

    std::array<std::size_t, kWordSlots> at;    // where the letter stands; kNoWord when absent
    std::array<std::size_t, kWordSlots> end{}; // one past the end of the word's text
    std::size_t first_word = 0;                // where the first word but N begins

    [[nodiscard]] bool Has(WordSlot slot) const { return at[slot] != kNoWord; }
    // The word's text after its letter.
    [[nodiscard]] std::string_view Text(std::string_view line, WordSlot slot) const {
        return line.substr(at[slot] + 1, end[slot] - at[slot] - 1);
    }
};

namespace line_words_detail {
constexpr std::array<signed char, 128> MakeSlotTable() {
    std::array<signed char, 128> table{};
    for (auto& entry : table) {
        entry = -1;
    }
    for (int slot = 0; slot < kWordSlots; ++slot) {
        table[static_cast<std::size_t>(kWordLetter[static_cast<std::size_t>(slot)])] = static_cast<signed char>(slot);
    }
    return table;
}
inline constexpr std::array<signed char, 128> kSlotOf = MakeSlotTable();
} // namespace line_words_detail

// The slot of a character, or -1 when it is no word letter.
[[nodiscard]] inline int WordSlotOf(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u < 128 ? line_words_detail::kSlotOf[u] : -1;
}

// The numbers of a line's words as another reader of the same text has already read them, so that
// the parse need not read them again. For each slot in `numbered` (a bit each): where its letter stands
// in the text handed to the parse, where the number after it ends, counted from the letter, and
// its value. The number is a sign and at most 15 digits with at most one point, read exactly, and
// a zero without its sign. The parse takes the value only where its own word begins at that letter
// and holds nothing after the number that its own scan would read on (ScanPlainNumber's rule).
//
// Where that reader has seen every word letter of the text (a line of nothing but words and
// blanks), `located` holds the first occurrence of each, in the order they stand, as LocateWords
// would find them, and the parse need not look for them either.
struct ReadNumbers {
    unsigned numbered = 0;
    std::array<std::size_t, kWordSlots> at{};
    std::array<std::size_t, kWordSlots> end{};
    std::array<double, kWordSlots> value{};

    bool located = false;
    std::size_t firsts = 0;                         // how many letters `first_at` holds
    std::array<WordSlot, kWordSlots> first_slot{};  // in the order they stand
    std::array<std::size_t, kWordSlots> first_at{}; // in the text handed to the parse

    [[nodiscard]] bool Has(WordSlot slot) const { return (numbered & (1u << slot)) != 0; }
};

// The line without leading and trailing space characters (tabs stay).
[[nodiscard]] std::string_view TrimSpaces(std::string_view text);

// Whether the parser skips a trimmed line: empty, or its first character sorts below "@"
// (comments, blank lines, lines that start with a digit, a sign or a tab).
[[nodiscard]] inline bool SkipsLine(std::string_view trimmed) {
    return trimmed.empty() || static_cast<unsigned char>(trimmed[0]) < '@';
}

// Whether a program line can move along an arc of its own: the parser does not skip it, and it
// holds a word that sets the motion word, the end point or the centre. A line without one (the
// empty entry after the last line, a comment, a line of M, T or F words) would hand ArcMove an end
// point equal to its start point, which the arc walk turns into a full circle about a centre the
// previous arc has already rewritten: a cut nobody programmed. The run loop does not dispatch an
// arc for it.
[[nodiscard]] inline bool CarriesArcWord(std::string_view line) {
    const std::string_view trimmed = TrimSpaces(line);
    if (SkipsLine(trimmed)) {
        return false;
    }
    // Read for every line of a run and a check: a comparison a byte, not a search of the letters.
    for (const char c : trimmed) {
        if (c == 'G' || c == 'X' || c == 'Y' || c == 'Z' || c == 'I' || c == 'J') {
            return true;
        }
    }
    return false;
}

// The words of a trimmed line that the parser does not skip.
[[nodiscard]] LineWords LocateWords(std::string_view line);
// The same from the first occurrences of the word letters, found already: `count` slots in the
// order they stand, at `at` (for each slot), in a line of `size` characters.
[[nodiscard]] LineWords WordsFromFirsts(const std::array<WordSlot, kWordSlots>& order, std::size_t count,
                                        const std::array<std::size_t, kWordSlots>& at, std::size_t size);

// A number written as a NaN or an infinity after a letter that moves the machine (X, Y, Z, I, J,
// F): "XNaN", "Y-inf", "ZInfinity". The parser reads such a word as 0 (or cuts it into other
// words), a move nobody meant. slot is kWordSlots when the line has none.
struct NonFiniteNumber {
    WordSlot slot = kWordSlots;
    std::string_view number; // as written, sign included
};
[[nodiscard]] NonFiniteNumber NonFiniteWord(std::string_view line);

} // namespace tamo
