#pragma once

// What each of the 48 lines of tamo.cfg must hold, in one table for the three places that ask: the
// configuration reader, which sets aside a file with an unusable line and tells the operator about
// suspect ones; the writer, which never writes what the next read would set aside; and the
// settings dialog's "Ok", which refuses both, naming the field.

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tamo::config {

inline constexpr int kConfigLines = 48;

// How a line is written: a control's text, a check box state, an option's True or False, or a
// calibration rounded to a whole number.
enum class Form { Text, Check, Flag, Whole };

enum class Verdict {
    Fine,
    // Loads and is used as it always was, but no wiring or machine can mean it (a step on pin 0, a
    // negative pulse width): the operator is told at start-up, and "Ok" refuses it.
    Suspect,
    // The file cannot be used: set aside, and the start-up values apply.
    Unusable,
};

struct LineVerdict {
    Verdict verdict = Verdict::Fine;
    std::string rule; // what the line must hold, e.g. "must be a number above 0"; empty when fine
};

// The bounds of the values that become busy waits or divide them. Far outside what any machine
// means, they keep every wait a whole number of iterations below 2^53 (exact in a double, and
// countable): the longest, a calibration of kMaxLoopCal on a diagonal at the smallest jog rate
// (half of it along the longest axis), is 2e14.
inline constexpr double kMaxLoopCal = 1e12;   // busy-loop iterations x length units per minute
inline constexpr double kMinJogRate = 0.01;   // length units per minute
inline constexpr double kMaxJogRate = 1e6;    // length units per minute
inline constexpr double kMaxPulseWidth = 1e6; // busy-loop iterations

// Line n, 1 to 48.
[[nodiscard]] Form LineForm(int n);
[[nodiscard]] const char* LineWhat(int n); // "steps per turn of X": for the reader's messages
// A Text, Check or Whole line's text as read or typed (a Flag line is always fine here).
[[nodiscard]] LineVerdict CheckLine(int n, std::string_view text);

// "line 13 (fast jog rate of X)".
[[nodiscard]] std::string LineName(int n);
// A value for a message, in quotes, cut to its first few dozen characters: a line can be as long
// as the file.
[[nodiscard]] std::string Quote(std::string_view text);

// The data pin a text names, or 0 when it names none (not a whole number from 2 to 9).
[[nodiscard]] int DataPin(std::string_view text);
// The six step and direction pins (lines 4 to 9, in that order): every pair, by index, that names
// the same data pin.
[[nodiscard]] std::vector<std::pair<int, int>> SharedPins(const std::array<std::string_view, 6>& pins);
// Whether a lead and a steps per turn (both non-zero numbers) give a finite, non-zero step.
[[nodiscard]] bool StepSizeUsable(double lead, double steps_per_turn);

} // namespace tamo::config
