#include "golden_rows.h"
#include "interpreter/numbers.h"

#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
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

TEST(ReadNumber, AcceptsOnlyWholeNumbers) {
    for (const test::Row& c : test::GoldenRows("numbers/read.txt")) {
        EXPECT_EQ(ReadNumber(c[0]), c[1] == "refused" ? std::nullopt : std::optional(std::stod(c[1])))
            << '"' << c[0] << '"';
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

// Every word the programs in the tests, the samples and the fuzzers' corpora held reads to the bit
// as the general scan read it before plain words got a path of their own; so do random texts of
// the characters a number can hold, blanks and word ends among them, whose readings were summed
// (FNV-1a over each double's bits) with that scan.
TEST(NumericScan, ReadsEveryWordBitForBitAsTheGeneralScanDid) {
    // Each text is read where a digit follows it in memory, which the scan must not read.
    auto scan = [](const std::string& text) {
        const std::string followed = text + '9';
        return ScanNumber(std::string_view(followed).substr(0, text.size()));
    };
    std::size_t words = 0;
    for (const test::Row& c : test::GoldenRows("numbers/words.txt")) {
        const double now = scan(c[0]);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(now), std::stoull(c[1], nullptr, 16))
            << '"' << c[0] << "\" reads " << now << ", was " << std::bit_cast<double>(std::stoull(c[1], nullptr, 16));
        ++words;
    }
    EXPECT_GT(words, 500u);
    std::mt19937_64 random(34);
    const std::string_view alphabet = "0123456789000.-+ \teEdD&hHoOX(\n";
    std::uint64_t sum = 14695981039346656037ull;
    for (int i = 0; i < 200000; ++i) {
        std::string text(random() % 24, ' ');
        for (char& c : text) {
            c = alphabet[random() % alphabet.size()];
        }
        const auto bits = std::bit_cast<std::uint64_t>(scan(text));
        for (int shift = 0; shift < 64; shift += 8) {
            sum = (sum ^ ((bits >> shift) & 0xFF)) * 1099511628211ull;
        }
    }
    EXPECT_EQ(sum, 0x1f50d8fdf78be552ull);
}

} // namespace
} // namespace tamo
