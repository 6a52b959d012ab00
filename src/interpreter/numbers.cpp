#include "interpreter/numbers.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

namespace tamo {
namespace {

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

// The significant digits of a plain decimal text: leading zeros do not count, trailing ones do.
std::size_t SignificantDigits(const char* first, const char* last) {
    std::size_t digits = 0;
    for (const char* p = first; p != last; ++p) {
        if (IsDigit(*p) && (digits > 0 || *p != '0')) {
            ++digits;
        }
    }
    return digits;
}

// The words of a program are nearly always written plainly: a sign, up to 15 significant digits
// with a point, and blanks or another word after them. Such a text is read in one pass over its
// characters, to the same mantissa and power of ten that the general scan gathers, and so to the
// same double. Anything else (blanks between digits, an exponent, "&H", more digits) is left to
// the general scan.
std::optional<double> ScanPlainNumber(std::string_view text) {
    std::size_t i = 0;
    const std::size_t size = text.size();
    while (i < size && IsBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < size && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    std::uint64_t mantissa = 0;
    std::size_t significant = 0;
    int digits = 0;
    long exponent = 0;
    // Leading zeros are no significant digits; after the point they move the exponent.
    while (i < size && text[i] == '0') {
        ++i;
        ++digits;
    }
    // A run of digits into the mantissa, each moving the exponent by `step` (-1 after the point);
    // false past 15 significant digits.
    const auto take_digits = [&](long step) {
        while (i < size && IsDigit(text[i])) {
            if (++significant > 15) {
                return false;
            }
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(text[i] - '0');
            ++i;
            ++digits;
            exponent += step;
        }
        return true;
    };
    if (!take_digits(0)) {
        return std::nullopt;
    }
    if (i < size && text[i] == '.') {
        ++i;
        if (significant == 0) {
            while (i < size && text[i] == '0') {
                ++i;
                ++digits;
                --exponent;
            }
        }
        if (!take_digits(-1)) {
            return std::nullopt;
        }
    }
    // What follows the digits: the end, blanks to the end, or a character that ends the number.
    std::size_t after = i;
    while (after < size && IsBlank(text[after])) {
        ++after;
    }
    if (after < size) {
        const char c = text[after];
        if (IsDigit(c) || c == '.' || c == 'E' || c == 'e' || c == 'D' || c == 'd' || c == '&' ||
            (digits == 0 && (c == '-' || c == '+'))) {
            return std::nullopt;
        }
    }
    if (digits == 0 || significant == 0) {
        return 0.0;
    }
    const std::optional<double> exact = ExactDecimal(mantissa, significant, exponent);
    if (!exact) {
        return std::nullopt;
    }
    return negative && *exact != 0 ? -*exact : *exact;
}

} // namespace

double ScanNumber(std::string_view text) {
    if (const std::optional<double> plain = ScanPlainNumber(text)) {
        return *plain;
    }
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

std::optional<double> ReadNumber(std::string_view text) {
    std::size_t b = 0;
    std::size_t e = text.size();
    while (b < e && (text[b] == ' ' || text[b] == '\t')) {
        ++b;
    }
    while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t')) {
        --e;
    }
    std::string_view t = text.substr(b, e - b);
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        ++i;
    }
    const std::size_t number_start = i;
    int digits = 0;
    long fraction_digits = 0;
    std::uint64_t mantissa = 0; // used only when there are at most 15 digits
    while (i < t.size() && IsDigit(t[i])) {
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(t[i] - '0');
        ++i;
        ++digits;
    }
    if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && IsDigit(t[i])) {
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(t[i] - '0');
            ++i;
            ++digits;
            ++fraction_digits;
        }
    }
    if (digits == 0) {
        return std::nullopt;
    }
    if (i == t.size()) {
        if (const auto exact = ExactDecimal(mantissa, static_cast<std::size_t>(digits), -fraction_digits)) {
            return t[0] == '-' ? -*exact : *exact;
        }
    }
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
            ++i;
        }
        int exponent_digits = 0;
        while (i < t.size() && IsDigit(t[i])) {
            ++i;
            ++exponent_digits;
        }
        if (exponent_digits == 0) {
            return std::nullopt;
        }
    }
    if (i != t.size()) {
        return std::nullopt;
    }
    double value = 0;
    // from_chars takes no '+'; the sign is applied after.
    auto [end, error] = std::from_chars(t.data() + number_start, t.data() + t.size(), value);
    if (error != std::errc() || end != t.data() + t.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return t[0] == '-' ? -value : value;
}

namespace {

std::string FormatAnyNumber(double value) {
    if (!std::isfinite(value)) {
        return std::isnan(value) ? "NaN" : (value > 0 ? "Infinity" : "-Infinity");
    }
    if (value == 0) {
        return "0";
    }
    std::array<char, 48> buf{};
    const double magnitude = std::fabs(value);
    std::to_chars_result r{};
    if (magnitude >= 1e-4 && magnitude < 1e15) {
        // The shortest text that reads back as the value is the 15-digit general form whenever it
        // has at most 15 significant digits, and it costs a fraction of a rounding to 15 digits.
        r = std::to_chars(buf.data(), buf.data() + buf.size(), value, std::chars_format::fixed);
        if (r.ec == std::errc() && SignificantDigits(buf.data(), r.ptr) <= 15) {
            return {buf.data(), r.ptr};
        }
    }
    // Rounded to 15 significant digits, the exponent of the rounded value picks the form (1E+15
    // from 999999999999999.5, 0.0001 from 0.00009999999999999999); no trailing zeros either way.
    r = std::to_chars(buf.data(), buf.data() + buf.size(), value, std::chars_format::general, 15);
    std::string s(buf.data(), r.ptr);
    if (const std::size_t e = s.find('e'); e != std::string::npos) {
        s[e] = 'E';
    }
    return s;
}

// The last texts of a few settings read on every line of a parse (the override, the scale
// factors), with their numbers: kept per thread, so that the check's thread and the window's never
// share one.
template <typename Number, Number (*kRead)(std::string_view)> Number ReadRemembered(std::string_view text) {
    struct Remembered {
        std::string text;
        Number number{};
    };
    thread_local std::array<Remembered, 8> kept;
    thread_local std::size_t next = 0;
    for (const Remembered& r : kept) {
        if (!r.text.empty() && r.text == text) {
            return r.number;
        }
    }
    Remembered& r = kept[next];
    next = (next + 1) % kept.size();
    r.number = kRead(text);
    r.text.assign(text);
    return r.number;
}

} // namespace

// The feed shown on the panel is formatted after every line, nearly always the same value as
// before: the last value's text is kept.
std::string FormatNumber(double value) {
    thread_local double last_value = 0;
    thread_local std::string last_text = "0";
    if (std::bit_cast<std::uint64_t>(value) != std::bit_cast<std::uint64_t>(last_value)) {
        last_text = FormatAnyNumber(value);
        last_value = value;
    }
    return last_text;
}

double ScanSettingNumber(std::string_view text) {
    return ReadRemembered<double, ScanNumber>(text);
}

std::optional<double> ReadSettingNumber(std::string_view text) {
    return ReadRemembered<std::optional<double>, ReadNumber>(text);
}

std::string FormatFixed(double value, int decimals) {
    std::array<char, 400> buf{};
    auto r = std::to_chars(buf.data(), buf.data() + buf.size(), value, std::chars_format::fixed, decimals);
    if (r.ec != std::errc()) {
        return FormatNumber(value);
    }
    std::string s(buf.data(), r.ptr);
    // No "-0.000": a value that rounds to zero shows as zero.
    if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) {
        s.erase(0, 1);
    }
    return s;
}

double RoundHalfEven(double value) {
    return std::nearbyint(value);
}

} // namespace tamo
