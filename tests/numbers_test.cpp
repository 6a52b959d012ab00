#include "golden_rows.h"
#include "interpreter/line_words.h"
#include "interpreter/numbers.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <string_view>

namespace tamo {
namespace {

TEST(NumericScan, ReadsWordValuesTheWayProgramsHaveAlwaysBeenRead) {
    for (const test::Row& c : test::GoldenRows("numbers/scan.txt")) {
        EXPECT_EQ(ScanNumber(c[0]), std::strtod(c[1].c_str(), nullptr)) << '"' << c[0] << '"';
    }
}

TEST(NumericScan, NeverYieldsInfinityAndKeepsLongNumbersExact) {
    EXPECT_EQ(ScanNumber("1e400"), std::numeric_limits<double>::max());
    EXPECT_EQ(ScanNumber("-1e400"), -std::numeric_limits<double>::max());
    EXPECT_EQ(ScanNumber("1e-400"), 0);
    EXPECT_EQ(ScanNumber(std::string(500, '9')), std::numeric_limits<double>::max());
    EXPECT_EQ(ScanNumber("0." + std::string(300, '0') + "1"), 1e-301);
    EXPECT_EQ(ScanNumber("123456789012345678901234567890123456789012345678"), 1.2345678901234568e47);
    EXPECT_EQ(ScanNumber("0.1"), 0.1);
    EXPECT_EQ(ScanNumber("-0"), 0);
    EXPECT_FALSE(std::signbit(ScanNumber("-0")));
}

// Every decimal text reads as the double the C library rounds it to: program words, settings and
// the headless tool's "numbers read back exactly" all rest on it. Random texts of up to 20
// significant digits, with signs, points, leading zeros, E and D exponents and blanks inside,
// cover both the fast path (up to 15 digits and powers of ten up to 22) and the slow one.
TEST(NumericScan, ReadsRandomDecimalTextsToTheCorrectlyRoundedDouble) {
    ASSERT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "C");
    std::mt19937_64 random(20261207);
    auto pick = [&](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(random);
    };
    for (int i = 0; i < 200000; ++i) {
        std::string digits;
        for (int k = 0, n = pick(0, 3); k < n; ++k) {
            digits += '0';
        }
        digits += static_cast<char>('1' + pick(0, 8));
        for (int k = 1, n = pick(1, 20); k < n; ++k) {
            digits += static_cast<char>('0' + pick(0, 9));
        }
        std::string plain = std::string(pick(0, 2) == 0 ? "-" : pick(0, 1) == 0 ? "+" : "") + digits;
        if (pick(0, 3) != 0) {
            plain.insert(plain.size() - static_cast<std::size_t>(pick(0, static_cast<int>(digits.size()))), ".");
        }
        std::string exponent;
        if (pick(0, 2) != 0) {
            exponent = std::to_string(pick(-40, 40));
            if (exponent[0] != '-' && pick(0, 1) == 0) {
                exponent.insert(0, "+");
            }
        }
        const double expected = std::strtod((exponent.empty() ? plain : plain + "E" + exponent).c_str(), nullptr);

        // The program word: any exponent letter, blanks anywhere.
        std::string word = exponent.empty() ? plain : plain + "EeDd"[pick(0, 3)] + exponent;
        for (int k = 0, n = pick(0, 2); k < n; ++k) {
            word.insert(static_cast<std::size_t>(pick(0, static_cast<int>(word.size()))), pick(0, 1) ? " " : "\t");
        }
        ASSERT_EQ(ScanNumber(word), expected) << '"' << word << '"';
        // A setting: E exponents only, no blanks inside.
        if (exponent.empty() || word.find_first_of("Dd") == std::string::npos) {
            const std::string setting = exponent.empty() ? plain : plain + "e" + exponent;
            ASSERT_EQ(ReadNumber(setting), expected) << '"' << setting << '"';
        }
    }
}

// Beyond the digits a double can hold, the dropped digits still decide a value that lies a hair
// from halfway between two doubles.
TEST(NumericScan, LongTextsNextToHalfwayRoundTheWayTheirLastDigitsSay) {
    const std::string halfway_after_one = "1.00000000000000011102230246251565404236316680908203125"; // 1 + 2^-53
    EXPECT_EQ(ScanNumber(halfway_after_one), 1.0); // a tie goes to the even neighbour
    EXPECT_EQ(ScanNumber(halfway_after_one + "1"), 1.0000000000000002);
    EXPECT_EQ(ScanNumber("9007199254740993" + std::string(60, '0') + "1E-61"), 9007199254740994.0);
    EXPECT_EQ(ScanNumber("9007199254740993" + std::string(60, '0') + "E-60"), 9007199254740992.0);
    // Past the 800 digits that are kept, a dropped digit other than 0 still says "above halfway".
    EXPECT_EQ(ScanNumber("9007199254740993" + std::string(800, '0') + "1E-801"), 9007199254740994.0);
    EXPECT_EQ(ScanNumber("-9007199254740993.0000000000000000000000000000000000000000001"), -9007199254740994.0);
}

TEST(ReadNumber, AcceptsOnlyWholeNumbers) {
    for (const auto& [text, value] :
         {std::pair{"400", 400.0}, {" 3.00 ", 3}, {"-1.5e2", -150}, {"+.5", 0.5}, {"5.", 5}}) {
        EXPECT_EQ(ReadNumber(text), value) << '"' << text << '"';
    }
    for (const char* text : {"", " ", "abc", "1 0", "1,5", "3mm", "1e", "0x10", "inf", "nan", "1e999", "&H10", "."}) {
        EXPECT_FALSE(ReadNumber(text).has_value()) << '"' << text << '"';
    }
}

TEST(FormatNumber, ShortGeneralFormFixedPatternsAndEvenRounding) {
    for (const test::Row& c : test::GoldenRows("numbers/format.txt")) {
        EXPECT_EQ(FormatNumber(std::strtod(c[0].c_str(), nullptr)), c[1]) << c[0];
    }
    EXPECT_EQ(FormatFixed(3 / 25.4, 3), "0.118");
    EXPECT_EQ(FormatFixed(19.685, 0), "20");
    EXPECT_EQ(FormatFixed(-0.0001, 2), "0.00");
    for (const auto& [value, rounded] :
         {std::pair{2.5, 2.0}, {3.5, 4}, {-2.5, -2}, {100.5, 100}, {101.5, 102}, {2.4999, 2}}) {
        EXPECT_EQ(RoundHalfEven(value), rounded) << value;
    }
}

// The scan as it was before plain words got a path of their own, kept here to hold the two equal.
namespace before {
// NOLINTBEGIN
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int DigitValue(char c) {
    if (IsDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return 99;
}

// Reads the characters of `text` one by one, skipping the ignored blanks.
class BlankSkipper {
public:
    explicit BlankSkipper(std::string_view text) : text_(text) {}
    [[nodiscard]] char Peek() {
        while (pos_ < text_.size() && IsBlank(text_[pos_])) {
            ++pos_;
        }
        return pos_ < text_.size() ? text_[pos_] : '\0';
    }
    // The character after the one Peek() shows, blanks skipped.
    [[nodiscard]] char PeekSecond() {
        (void)Peek();
        std::size_t p = pos_ + 1;
        while (p < text_.size() && IsBlank(text_[p])) {
            ++p;
        }
        return p < text_.size() ? text_[p] : '\0';
    }
    void Take() { ++pos_; }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

// "&H" / "&O" numbers read as 16-bit values when they fit 16 bits and as 32-bit values when they
// fit 32, two's complement, as the scan has always read them (&HFFFF is -1).
double ScanRadix(BlankSkipper& in, int radix) {
    std::uint64_t value = 0;
    bool overflow = false;
    while (true) {
        const int digit = DigitValue(in.Peek());
        if (digit >= radix) {
            break;
        }
        in.Take();
        if (value > (std::numeric_limits<std::uint64_t>::max() >> 4)) {
            overflow = true;
        }
        value = value * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(digit);
    }
    if (overflow || value > 0xFFFFFFFFull) {
        return static_cast<double>(std::numeric_limits<std::int32_t>::max());
    }
    if (value <= 0xFFFF) {
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

// from_chars on a compact copy; a result out of range is the largest double of its sign, or 0
// for a number too small.
double Convert(const char* first, const char* last, int decimal_exponent_hint) {
    double value = 0;
    auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        return decimal_exponent_hint > 0 ? std::numeric_limits<double>::max() : 0.0;
    }
    if (error != std::errc()) {
        return 0;
    }
    return value;
}

// Clinger's fast path: a mantissa of at most 15 digits and a power of ten up to 22 are both exact
// doubles, so one multiplication or division rounds once, as from_chars would. Most words of a
// program ("X12.5", "F300") take this path; the rest go through from_chars.
std::optional<double> ExactDecimal(std::uint64_t mantissa, std::size_t digits, long exponent) {
    static constexpr std::array<double, 23> kPow10{1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (digits > 15 || exponent < -22 || exponent > 22) {
        return std::nullopt;
    }
    const auto m = static_cast<double>(mantissa);
    return exponent >= 0 ? m * kPow10[static_cast<std::size_t>(exponent)]
                         : m / kPow10[static_cast<std::size_t>(-exponent)];
}

double OldScanNumber(std::string_view text) {
    BlankSkipper in(text);
    if (in.Peek() == '&') {
        const char kind = in.PeekSecond();
        if (kind == 'H' || kind == 'h' || kind == 'O' || kind == 'o') {
            in.Take();
            in.Take();
            return ScanRadix(in, kind == 'H' || kind == 'h' ? 16 : 8);
        }
        return 0;
    }

    // The digits are gathered as a whole-number mantissa and a power of ten, so that blanks inside
    // the number, a D exponent and any number of digits all end in one exact conversion. A value
    // halfway between two doubles has at most 767 significant digits, so 800 kept digits decide
    // every rounding; beyond them only whether a dropped digit was non-zero still matters, and a
    // final 1 stands for it.
    constexpr std::size_t kMaxDigits = 800;
    std::array<char, kMaxDigits + 32> buf; // filled as far as n; the rest is never read
    std::size_t n = 0;
    bool dropped_nonzero = false;
    char c = in.Peek();
    const bool negative = c == '-';
    if (c == '-' || c == '+') {
        in.Take();
    }
    int digits = 0;
    long exponent = 0;
    std::uint64_t mantissa = 0; // wraps beyond 19 digits, but is used only up to 15
    while (IsDigit(c = in.Peek())) {
        in.Take();
        ++digits;
        if (n == 0 && c == '0') {
            continue;
        }
        if (n < kMaxDigits) {
            buf[n++] = c;
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
        } else {
            ++exponent;
            dropped_nonzero = dropped_nonzero || c != '0';
        }
    }
    if (in.Peek() == '.') {
        in.Take();
        while (IsDigit(c = in.Peek())) {
            in.Take();
            ++digits;
            if (n == 0 && c == '0') {
                --exponent;
            } else if (n < kMaxDigits) {
                buf[n++] = c;
                mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
                --exponent;
            } else {
                dropped_nonzero = dropped_nonzero || c != '0';
            }
        }
    }
    if (digits == 0) {
        return 0;
    }
    c = in.Peek();
    if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
        const char after = in.PeekSecond();
        if (IsDigit(after) || after == '+' || after == '-') {
            in.Take();
            bool minus = false;
            if (in.Peek() == '+' || in.Peek() == '-') {
                minus = in.Peek() == '-';
                in.Take();
            }
            long e = 0;
            while (IsDigit(c = in.Peek())) {
                in.Take();
                if (e < 1'000'000) {
                    e = e * 10 + (c - '0');
                }
            }
            exponent += minus ? -e : e;
        }
    }
    if (n == 0) {
        return 0;
    }
    if (const auto exact = ExactDecimal(mantissa, n, exponent)) {
        return negative && *exact != 0 ? -*exact : *exact;
    }
    const int magnitude = static_cast<int>(n) + static_cast<int>(exponent); // digits before the point
    if (dropped_nonzero) {
        buf[n++] = '1';
        --exponent;
    }
    buf[n++] = 'e';
    auto [p, ec] = std::to_chars(buf.data() + n, buf.data() + buf.size(), exponent);
    if (ec != std::errc()) {
        return 0;
    }
    const double value = Convert(buf.data(), p, magnitude);
    return negative && value != 0 ? -value : value;
}

// NOLINTEND
} // namespace before

// The plain words' path reads every word as the general scan did, to the bit: every word of every
// program the tests, the samples and the fuzzers' corpora hold, and random texts of the characters
// a number can hold, blanks and word ends among them.
TEST(NumericScan, ReadsEveryWordBitForBitAsTheGeneralScanDid) {
    auto same = [](std::string_view text) {
        const double now = ScanNumber(text);
        const double was = before::OldScanNumber(text);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(now), std::bit_cast<std::uint64_t>(was))
            << '"' << text << "\" reads " << now << ", was " << was;
    };
    std::size_t words = 0;
    for (const char* folder : {"tests/golden", "gcodes", "fuzz/corpus"}) {
        for (const auto& entry :
             std::filesystem::recursive_directory_iterator(std::filesystem::path(TAMO_SOURCE_DIR) / folder)) {
            if (!entry.is_regular_file()) {
                continue;
            }
            std::ifstream file(entry.path(), std::ios::binary);
            std::string line;
            while (std::getline(file, line)) {
                const std::string_view text = TrimSpaces(line);
                const LineWords w = LocateWords(text);
                for (int slot = 0; slot < kWordSlots; ++slot) {
                    if (w.Has(static_cast<WordSlot>(slot))) {
                        same(w.Text(text, static_cast<WordSlot>(slot)));
                        ++words;
                    }
                }
                for (std::size_t from = 0; from < text.size(); ++from) {
                    same(text.substr(from)); // whatever follows any character
                }
            }
        }
    }
    EXPECT_GT(words, 5000u);
    std::mt19937_64 random(34);
    const std::string_view alphabet = "0123456789000.-+ \teEdD&hHoOX(\n";
    for (int i = 0; i < 200000; ++i) {
        std::string text(random() % 24, ' ');
        for (char& c : text) {
            c = alphabet[random() % alphabet.size()];
        }
        same(text);
    }
}

} // namespace
} // namespace tamo
