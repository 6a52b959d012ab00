// Words: where the parser reads the words of a line differently from how they are written. Its
// rules: only the first occurrence of a letter is a word, only upper-case letters are words, a
// letter counts wherever it stands (in a comment too), and a line that begins with a character
// below "@" (a tab, a digit, a parenthesis) is skipped whole.
//
// Reports:
//   skipped-line   error    a line that is skipped although it holds words after what begins it
//   lower-case     error    lower-case words, which are not read
//   letter-twice   error    a coordinate, I, J or F written twice with different values: the
//                           second is ignored
//                  warning  any other letter written twice (M5 M9): the second is ignored
//   word-order     warning  words out of the order M T G X Y Z A I J R F Q: read as written, each
//                           named with the value it was read as
//   comment-word   error    a comment whose letters are read as words that change the move
//                           (a coordinate, F, the motion word, an M word above 0)
//                  warning  a comment whose letters are read as I, J, the tool number or M0
//   not-finite     error    a coordinate, I, J or F written as NaN or an infinity: read as 0

#include "check/check_item.h"
#include "interpreter/line_words.h"
#include "interpreter/numbers.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tamo::check {
namespace {

// The order in which a line's words are written for the parser to cut them off its end.
constexpr std::string_view kWordOrder = "MTGXYZAIJRFQ";

constexpr std::array<WordSlot, kWordOrder.size()> MakeOrderSlots() {
    std::array<WordSlot, kWordOrder.size()> slots{};
    for (std::size_t k = 0; k < kWordOrder.size(); ++k) {
        slots[k] = static_cast<WordSlot>(line_words_detail::kSlotOf[static_cast<std::size_t>(kWordOrder[k])]);
    }
    return slots;
}
constexpr std::array<WordSlot, kWordOrder.size()> kOrderSlots = MakeOrderSlots();

bool ChangesBlock(char letter) {
    return std::string_view("GXYZIJF").find(letter) != std::string_view::npos;
}

// A comment's letter that moves the machine differently: I and J only matter to an arc that omits
// them, which the arc checks tell of.
bool ChangesMove(char letter) {
    return std::string_view("GXYZF").find(letter) != std::string_view::npos;
}

std::string TokenText(const Token& t) {
    return std::string(1, t.lower ? static_cast<char>(t.letter - 'A' + 'a') : t.letter) + std::string(t.number);
}

std::string StartName(char c) {
    switch (c) {
    case '\t':
        return "a tab";
    case '(':
        return "a comment";
    case '/':
        return "a block-delete slash";
    default:
        if (c >= '0' && c <= '9') {
            return "a digit";
        }
        return Quote(std::string_view(&c, 1));
    }
}

class WordChecks final : public Family {
public:
    explicit WordChecks(const Context& /*context*/) {}

    void Check(const Item& item, Findings& out) override {
        if (item.skipped) {
            SkippedLine(item, out);
            return;
        }
        if (item.non_finite.slot != kWordSlots) {
            NotFinite(item, out);
        }
        // One look at the words, with no branch a word, tells whether either of the next two may
        // have anything to say.
        std::uint32_t seen = 0;
        bool repeated = false;
        bool lower = false;
        for (const Token& t : item.tokens) {
            const std::uint32_t bit = t.lower ? 0 : 1u << (t.letter - 'A');
            repeated |= (seen & bit) != 0;
            seen |= bit;
            lower |= t.lower;
        }
        if (lower) {
            LowerCase(item, out);
        }
        if (repeated) {
            LetterTwice(item, out);
        }
        WordOrder(item, out);
        if (item.first_in_line && !item.comments.empty()) {
            CommentWords(item, out); // a part split off by a comma is told of with the comma
        }
    }

private:
    static void SkippedLine(const Item& item, Findings& out) {
        if (item.number || !item.first_in_line || item.tokens.empty() || item.trimmed.empty()) {
            return;
        }
        std::string words;
        for (const Token& t : item.tokens) {
            words += (words.empty() ? "" : " ") + TokenText(t);
        }
        out.Add(item, "skipped-line", Severity::Error,
                "The line begins with " + StartName(item.trimmed.front()) + ", so it is skipped whole: " + words +
                    (item.tokens.size() == 1 ? " is" : " are") + " not read.");
    }

    static void NotFinite(const Item& item, Findings& out) {
        const NonFiniteNumber& word = item.non_finite;
        out.Add(item, "not-finite", Severity::Error,
                "The " + std::string(1, kWordLetter[static_cast<std::size_t>(word.slot)]) + " word " +
                    Quote(word.number) +
                    " is not a number a move can be made of: it is read as 0, and the run refuses the line.");
    }

    static void LowerCase(const Item& item, Findings& out) {
        std::string words;
        int n = 0;
        for (const Token& t : item.tokens) {
            if (t.lower && t.letter != 'N' && WordSlotOf(t.letter) >= 0) {
                words += (words.empty() ? "" : " ") + TokenText(t);
                ++n;
            }
        }
        if (n > 0) {
            out.Add(item, "lower-case", Severity::Error,
                    "Lower-case words are not read here: " + words + (n == 1 ? " is" : " are") + " ignored.");
        }
    }

    // Asked only of a line that writes an upper-case letter twice.
    static void LetterTwice(const Item& item, Findings& out) {
        for (const Token& first : item.tokens) {
            const int slot = WordSlotOf(first.letter);
            if (first.lower || slot < 0 || first.letter == 'G' || first.letter == 'N' ||
                !item.words.Has(static_cast<WordSlot>(slot)) ||
                item.trimmed_at + item.words.at[static_cast<std::size_t>(slot)] != first.at) {
                continue; // not the word the parser took
            }
            // Only what the parser reads: the text after a closing quote is lost anyway.
            const std::size_t read_end = item.trimmed_at + item.trimmed.size();
            for (const Token& again : item.tokens) {
                if (again.at > first.at && again.at < read_end && again.letter == first.letter && !again.lower) {
                    const bool differs = ReadNumber(again.number) != ReadNumber(first.number);
                    out.Add(item, "letter-twice",
                            differs && ChangesBlock(first.letter) ? Severity::Error : Severity::Warning,
                            std::string(1, first.letter) + " is written twice: " + TokenText(first) + " is read, " +
                                TokenText(again) + " is ignored.");
                    break;
                }
            }
        }
    }

    static void WordOrder(const Item& item, Findings& out) {
        // In the order the parser wants them, the words outside comments stand further and
        // further along the line.
        std::size_t previous = 0;
        bool any = false;
        for (const WordSlot slot : kOrderSlots) {
            if (!item.words.Has(slot) || (!item.comments.empty() && item.WordInComment(slot))) {
                continue;
            }
            if (any && item.words.at[slot] < previous) {
                out.Add(item, "word-order", Severity::Warning,
                        "Words out of the order M T G X Y Z A I J R F Q, read as written: " + WordsAsRead(item, true) +
                            ".");
                return;
            }
            previous = item.words.at[slot];
            any = true;
        }
    }

    static void CommentWords(const Item& item, Findings& out) {
        std::string words;
        std::string ignored;
        const Span* comment = nullptr;
        bool error = false;
        for (std::size_t pos = 0; pos < item.trimmed.size(); ++pos) {
            const char letter = item.trimmed[pos];
            const int slot = WordSlotOf(letter);
            if (slot < 0 || std::string_view("GXYZIJFMT").find(letter) == std::string_view::npos ||
                item.words.at[static_cast<std::size_t>(slot)] != pos || !item.InComment(item.trimmed_at + pos)) {
                continue;
            }
            const auto s = static_cast<WordSlot>(slot);
            for (const Span& span : item.comments) {
                if (comment == nullptr && span.begin <= item.trimmed_at + pos && item.trimmed_at + pos < span.end) {
                    comment = &span;
                }
            }
            words += words.empty() ? "" : ", ";
            if (s == kG) {
                words += "the motion word " + Quote(item.after->gcode);
            } else {
                words += std::string(1, letter) + Num(ScanNumber(item.WordText(s)));
            }
            const double value = ScanNumber(item.WordText(s));
            error = error || ChangesMove(letter) || (letter == 'M' && value > 0);
            for (const Token& t : item.tokens) {
                if (t.letter == letter && !t.lower) {
                    ignored += (ignored.empty() ? "" : ", ") + TokenText(t);
                    break;
                }
            }
        }
        if (words.empty()) {
            return;
        }
        const std::string_view text = item.line.substr(comment->begin, comment->end - comment->begin);
        out.Add(item, "comment-word", error ? Severity::Error : Severity::Warning,
                "The comment " + Quote(text) + " holds word letters, which are read as " + words +
                    (ignored.empty() ? std::string()
                                     : "; " + ignored + " written after it " +
                                           (ignored.find(',') == std::string::npos ? "is" : "are") + " ignored") +
                    ".");
    }
};

} // namespace

std::unique_ptr<Family> MakeWordChecks(const Context& context) {
    return std::make_unique<WordChecks>(context);
}

} // namespace tamo::check
