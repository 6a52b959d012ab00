#include "interpreter/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace tamo {
namespace {

TEST(NumericScan, ReadsWordValuesTheWayProgramsHaveAlwaysBeenRead) {
    struct Case {
        const char* text;
        double value;
    } cases[] = {
        {"10 (NOTE", 10},   {"1 0", 10},  {"-.5", -0.5},      {"10 D2", 1000}, {"1e3", 1000},
        {"2.5E-1", 0.25},   {"+5", 5},    {"- 5", -5},        {"\t7\n", 7},    {"1.2.3", 1.2},
        {"1E", 1},          {"1E+", 1},   {"5X", 5},          {"", 0},         {"abc", 0},
        {"-", 0},           {".", 0},     {"&HFF", 255},      {"&hff", 255},   {"&HFFFF", -1},
        {"&H10000", 65536}, {"&O17", 15}, {"&HFFFFFFFF", -1}, {"&X1", 0},      {"300 ", 300},
        {"0.0075", 0.0075}, {"007", 7},   {"10.5 Y", 10.5},   {"--5", 0},      {"5-3", 5},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ScanNumber(c.text), c.value) << '"' << c.text << '"';
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

TEST(ReadNumber, AcceptsOnlyWholeNumbers) {
    EXPECT_EQ(ReadNumber("400"), 400);
    EXPECT_EQ(ReadNumber(" 3.00 "), 3);
    EXPECT_EQ(ReadNumber("-1.5e2"), -150);
    EXPECT_EQ(ReadNumber("+.5"), 0.5);
    EXPECT_EQ(ReadNumber("5."), 5);
    for (const char* text : {"", " ", "abc", "1 0", "1,5", "3mm", "1e", "0x10", "inf", "nan", "1e999", "&H10", "."}) {
        EXPECT_FALSE(ReadNumber(text).has_value()) << '"' << text << '"';
    }
}

TEST(FormatNumber, GivesTheShortGeneralForm) {
    EXPECT_EQ(FormatNumber(300), "300");
    EXPECT_EQ(FormatNumber(0.0075), "0.0075");
    EXPECT_EQ(FormatNumber(0.1 + 0.2), "0.3");
    EXPECT_EQ(FormatNumber(-2.5), "-2.5");
    EXPECT_EQ(FormatNumber(1e20), "1E+20");
    EXPECT_EQ(FormatNumber(1.5e-5), "1.5E-05");
    EXPECT_EQ(FormatNumber(123456789012345.0), "123456789012345");
    EXPECT_EQ(FormatNumber(-0.0), "0");
    EXPECT_EQ(FormatNumber(1 / 25.4), "0.0393700787401575");
    EXPECT_EQ(FormatNumber(999999999999999.5), "1E+15"); // the rounded value picks the form
    EXPECT_EQ(FormatNumber(0.00009999999999999999), "0.0001");
    EXPECT_EQ(FormatNumber(-1.25e-7), "-1.25E-07");
}

TEST(FormatNumber, FixedPatternsAndEvenRounding) {
    EXPECT_EQ(FormatFixed(3 / 25.4, 3), "0.118");
    EXPECT_EQ(FormatFixed(19.685, 0), "20");
    EXPECT_EQ(FormatFixed(-0.0001, 2), "0.00");
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(100.5), 100);
    EXPECT_EQ(RoundHalfEven(101.5), 102);
    EXPECT_EQ(RoundHalfEven(2.4999), 2);
}

} // namespace
} // namespace tamo
