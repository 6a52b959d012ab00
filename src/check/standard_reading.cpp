// How a controller that follows the common G-code dialect reads a text line, which is what the
// author of a program meant: comments in parentheses or after a semicolon, then words of a letter
// of either case and a number, with several G words on a line each setting its own mode.

#include "check/check_item.h"
#include "interpreter/numbers.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace tamo::check {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// What a byte is to the reading of words, by one look-up.
enum class CharKind : unsigned char { Other, CommentMark, Blank, Upper, Lower };
constexpr std::array<CharKind, 256> MakeCharKinds() {
    std::array<CharKind, 256> kinds{};
    kinds['('] = kinds[';'] = CharKind::CommentMark;
    kinds[' '] = kinds['\t'] = kinds['\r'] = CharKind::Blank;
    for (char c = 'A'; c <= 'Z'; ++c) {
        kinds[static_cast<unsigned char>(c)] = CharKind::Upper;
        kinds[static_cast<unsigned char>(c - 'A' + 'a')] = CharKind::Lower;
    }
    return kinds;
}
constexpr std::array<CharKind, 256> kCharKinds = MakeCharKinds();

// The number that starts at `at`: a sign, digits with at most one point. Empty when there is no
// digit. Its value goes into `amount` as it is read: up to 15 significant digits the mantissa and
// a power of ten up to 22 are exact doubles, and one division rounds once, as the full conversion
// would; longer numbers take it. Read for every word of every line: kept in its callers' loops.
[[gnu::always_inline]] inline std::string_view NumberAt(std::string_view text, std::size_t at, double& amount) {
    static constexpr std::array<double, 23> kPow10{1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const char* const first = text.data() + at;
    const char* const last = text.data() + text.size();
    const char* p = first;
    const bool negative = p != last && *p == '-';
    if (p != last && (*p == '+' || *p == '-')) {
        ++p;
    }
    // A byte is a digit when its distance from '0' is below 10 (as unsigned: those before wrap).
    auto digit = [](char c) {
        return static_cast<unsigned>(static_cast<unsigned char>(c)) - '0';
    };
    std::uint64_t mantissa = 0; // wraps beyond 19 digits, but is used only up to 15
    const char* const whole_from = p;
    for (unsigned d = 0; p != last && (d = digit(*p)) < 10; ++p) {
        mantissa = mantissa * 10 + d;
    }
    auto digits = static_cast<std::size_t>(p - whole_from);
    std::size_t decimals = 0;
    if (p != last && *p == '.') {
        const char* const fraction = ++p;
        for (unsigned d = 0; p != last && (d = digit(*p)) < 10; ++p) {
            mantissa = mantissa * 10 + d;
        }
        decimals = static_cast<std::size_t>(p - fraction);
        digits += decimals;
    }
    if (digits == 0) {
        return {};
    }
    const std::string_view number(first, static_cast<std::size_t>(p - first));
    // Zeros before the first other digit are not significant: only a long number needs them counted.
    std::size_t significant = digits;
    if (digits > 15) {
        for (const char* z = whole_from; z != p && (*z == '0' || *z == '.'); ++z) {
            significant -= *z == '0' ? 1 : 0;
        }
    }
    if (significant > 15 || decimals >= kPow10.size()) {
        amount = ReadNumber(number).value_or(0);
    } else {
        const double value = static_cast<double>(mantissa) / kPow10[decimals];
        amount = negative ? -value : value;
    }
    return number;
}

std::string_view NumberAt(std::string_view text, std::size_t at) {
    double amount = 0;
    return NumberAt(text, at, amount);
}

bool Is(double g, double value) {
    return g == value;
}

const char* GWordKind(double g) {
    if (g >= 0 && g <= 3 && g == std::floor(g)) {
        return "motion";
    }
    if (Is(g, 4)) {
        return "dwell";
    }
    if (g >= 17 && g < 20) {
        return "plane";
    }
    if (Is(g, 20) || Is(g, 21) || Is(g, 70) || Is(g, 71)) {
        return "units";
    }
    if (g >= 28 && g < 31) {
        return "homing";
    }
    if (Is(g, 53)) {
        return "machine coordinates";
    }
    if ((g >= 40 && g < 50) || (g >= 54 && g < 60) || Is(g, 10) || Is(g, 52) || (g >= 92 && g < 93)) {
        return "offsets";
    }
    if (Is(g, 73) || Is(g, 76) || (g >= 80 && g < 90)) {
        return "cycles";
    }
    if ((g >= 61 && g < 65) || (g >= 90 && g < 92) || (g >= 93 && g < 100)) {
        return "mode";
    }
    return "other";
}

} // namespace

void FindComments(std::string_view line, std::vector<Span>& out) {
    out.clear();
    // Most lines hold no comment: two quick looks for either mark settle them.
    if (line.empty() || (std::memchr(line.data(), ';', line.size()) == nullptr &&
                         std::memchr(line.data(), '(', line.size()) == nullptr)) {
        return;
    }
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == ';') {
            out.push_back({i, line.size()});
            return;
        }
        if (line[i] == '(') {
            const std::size_t close = line.find(')', i);
            const std::size_t end = close == std::string_view::npos ? line.size() : close + 1;
            out.push_back({i, end});
            i = end - 1;
        }
    }
}

namespace {

// ReadTokens; with `plain`, of a line taken to hold no comment, which gives up (false) at the first
// comment mark it meets. Every byte of the line that can be one is looked at: the numbers and the
// blanks after a letter, which the look passes, hold none. One body for both, so that the
// token's append stays inline in it.
bool ReadTokensOf(bool plain, std::string_view line, std::size_t begin, std::size_t end, std::span<const Span> comments,
                  std::vector<Token>& out, bool* blanks_only) {
    out.clear();
    bool blanks = true;
    const std::string_view part = line.substr(0, end);
    auto comment = comments.begin();
    // Before this nothing is a comment: most lines have none, and most bytes stand before it.
    std::size_t next_comment = comment != comments.end() ? comment->begin : end;
    for (std::size_t i = begin; i < end;) {
        if (i >= next_comment) {
            while (comment != comments.end() && comment->end <= i) {
                ++comment;
            }
            if (comment != comments.end() && comment->begin <= i) {
                i = comment->end;
                continue;
            }
            next_comment = comment != comments.end() ? comment->begin : end;
        }
        const char c = part[i];
        const CharKind kind = kCharKinds[static_cast<unsigned char>(c)];
        if (kind < CharKind::Upper) {
            if (plain && kind == CharKind::CommentMark) {
                return false;
            }
            blanks = blanks && kind == CharKind::Blank;
            ++i;
            continue;
        }
        std::size_t k = i + 1;
        while (k < end && (part[k] == ' ' || part[k] == '\t')) {
            ++k;
        }
        double amount = 0;
        const std::string_view number = NumberAt(part, k, amount);
        if (number.empty()) {
            blanks = false;
            ++i;
            continue;
        }
        const bool lower = kind == CharKind::Lower;
        const char letter = static_cast<char>(lower ? c - 'a' + 'A' : c);
        out.push_back({letter, lower, i, number, amount});
        i = k + number.size();
    }
    if (blanks_only != nullptr) {
        *blanks_only = blanks;
    }
    return true;
}

} // namespace

void ReadTokens(std::string_view line, std::size_t begin, std::size_t end, std::span<const Span> comments,
                std::vector<Token>& out, bool* blanks_only) {
    ReadTokensOf(false, line, begin, end, comments, out, blanks_only);
}

bool ReadPlainTokens(std::string_view line, std::vector<Token>& out, bool* blanks_only) {
    return ReadTokensOf(true, line, 0, line.size(), {}, out, blanks_only);
}

void NumbersRead(std::string_view text, std::string_view line, std::span<const Token> tokens, bool words_only,
                 ReadNumbers& known) {
    const auto from = reinterpret_cast<std::uintptr_t>(text.data());
    const auto line_at = reinterpret_cast<std::uintptr_t>(line.data());
    // Every word letter of the text is the letter of a word where the line holds nothing but words
    // and blanks, and the text lies within the line and holds all of its words.
    bool located = words_only && from >= line_at && from - line_at + text.size() <= line.size();
    // The text is the whole line, as most are: every word lies within it.
    const bool whole = from == line_at && text.size() == line.size();
    // Counted here and stored once: the stores into `known` would otherwise have each token's
    // fields read again after them.
    unsigned seen = 0;
    unsigned numbered = 0;
    std::size_t firsts = 0;
    constexpr std::size_t kLongest = 15; // characters: fewer digits still
    for (const Token& t : tokens) {
        const std::uintptr_t at = line_at + t.at;
        const std::string_view number = t.number;
        const auto number_end = reinterpret_cast<std::uintptr_t>(number.data()) + number.size();
        if (!whole && (at < from || number_end - from > text.size())) {
            located = false;
            if (at < from || at - from >= text.size()) {
                continue;
            }
        }
        const int slot = WordSlotOf(t.letter);
        if (t.lower || slot < 0) {
            continue;
        }
        const auto s = static_cast<std::size_t>(slot);
        if ((seen & (1u << s)) != 0) {
            continue;
        }
        seen |= 1u << s;
        const double value = t.amount + 0.0; // a zero without its sign: -0 + 0 is +0, any other value stays
        known.first_slot[firsts++] = static_cast<WordSlot>(slot);
        known.first_at[s] = at - from;
        if (number.size() > kLongest) {
            continue;
        }
        numbered |= 1u << s;
        known.at[s] = at - from;
        known.end[s] = static_cast<std::size_t>(number_end - at);
        known.value[s] = value;
    }
    known.numbered = numbered;
    known.firsts = firsts;
    known.located = located;
}

MoveKind StandardMotion::Apply(std::span<const Token> tokens) {
    bool home = false;
    bool no_move = false;
    for (const Token& t : tokens) {
        if (t.letter != 'G') {
            continue;
        }
        const double g = t.amount;
        if (Is(g, 0)) {
            modal_ = MoveKind::Rapid;
        } else if (Is(g, 1)) {
            modal_ = MoveKind::Feed;
        } else if (Is(g, 2)) {
            modal_ = MoveKind::Cw;
        } else if (Is(g, 3)) {
            modal_ = MoveKind::Ccw;
        } else if (Is(g, 80)) {
            modal_ = MoveKind::None;
        } else if (Is(g, 73) || Is(g, 76) || (g >= 81 && g <= 89 && g == std::floor(g))) {
            modal_ = MoveKind::Cycle;
        } else if (Is(g, 28) || Is(g, 30)) {
            home = true;
        } else if (Is(g, 4) || Is(g, 10) || Is(g, 52) || Is(g, 92) || Is(g, 28.1) || Is(g, 30.1)) {
            // Words whose coordinates set something rather than move there.
            no_move = true;
        }
    }
    if (home) {
        return MoveKind::Home;
    }
    return no_move ? MoveKind::None : modal_;
}

std::string GWordKinds(std::string_view text) {
    std::vector<Token> tokens;
    ReadTokens(text, 0, text.size(), {}, tokens);
    std::vector<const char*> kinds;
    for (const Token& t : tokens) {
        if (t.letter != 'G') {
            continue;
        }
        const char* kind = GWordKind(t.amount);
        if (std::find(kinds.begin(), kinds.end(), kind) == kinds.end()) {
            kinds.push_back(kind);
        }
    }
    std::string list;
    for (const char* kind : kinds) {
        list += list.empty() ? "" : ", ";
        list += kind;
    }
    return list;
}

bool IsGWordsOnly(std::string_view text) {
    bool any = false;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        if (text[i] != 'G' || i + 1 >= text.size() || !(IsDigit(text[i + 1]) || text[i + 1] == '.')) {
            return false;
        }
        const std::string_view number = NumberAt(text, i + 1);
        if (number.empty()) {
            return false;
        }
        i += 1 + number.size();
        if (i < text.size() && text[i] != ' ') {
            return false;
        }
        any = true;
    }
    return any;
}

} // namespace tamo::check
