#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tamo {

// The numeric scan that reads every word of a program line: blanks, tabs and line feeds are
// ignored wherever they stand; then an optional sign, digits with at most one point, and an
// optional exponent (E or D); "&H" and "&O" introduce hexadecimal and octal digits. The scan stops
// at the first other character, and text without digits reads as 0. Never fails, never yields an
// infinity or a NaN: a number too large for a double reads as the largest one of its sign.
[[nodiscard]] double ScanNumber(std::string_view text);

// A text that is a number and nothing else (blanks and tabs around it allowed): sign, digits with
// at most one point, optional E exponent; the point is the separator whatever the locale.
// Used where a text must hold a number: settings, scale factors, program items.
[[nodiscard]] std::optional<double> ReadNumber(std::string_view text);

// The general text form of a number: up to 15 significant digits, no trailing zeros, exponent
// form from 1E+15 up and below 1E-4 ("300", "0.0075", "1E+20").
[[nodiscard]] std::string FormatNumber(double value);
// ScanNumber and ReadNumber for the texts of settings that a parse reads on every line (the
// override, the scale factors): the same few texts, each read once.
[[nodiscard]] double ScanSettingNumber(std::string_view text);
[[nodiscard]] std::optional<double> ReadSettingNumber(std::string_view text);

// Fixed-point text with the given number of decimals, point as separator ("0.000" patterns).
[[nodiscard]] std::string FormatFixed(double value, int decimals);

// Nearest whole number, halves to even (2.5 gives 2, 3.5 gives 4).
[[nodiscard]] double RoundHalfEven(double value);

} // namespace tamo
