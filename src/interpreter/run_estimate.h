#pragma once

#include "interpreter/line_seconds.h"

#include <array>
#include <cstdint>
#include <string>

namespace tamo {

class Cnc;

// The longest a single move may take at its feed; Start refuses a program with a longer one. A
// day is far beyond any real cut of a small mill (its longest travel at 1 mm a minute is a few
// hours), yet a move that never ends, or one of astronomic length, is caught long before its
// step counter could no longer count down.
inline constexpr double kMaxMoveSeconds = 24 * 3600;

// A step counter is a double counted down by 1: beyond 2^53 the subtraction changes nothing.
inline constexpr double kMaxCountableTicks = 9007199254740992.0;

// The one rule of every move's time, for Start, the check and each motion the operator starts: why
// a move of `ticks` ticks at `feed` (units a minute; a tick lasts 60 x step_x / feed seconds)
// cannot be run: more ticks than a step counter can count down, or more than a day. The reason
// reads after "its ", naming the move as `what` ("move", "arc", "probing move"); empty when it can.
[[nodiscard]] std::string MoveTimeProblem(double ticks, double step_x, double feed, const char* what);

// The run time of the loaded program, line by line, worked out without stepping, in the time model
// of `tamocnc-sim run`: a tick lasts floor(StepDelay) + 1 busy-loop iterations (ramps included),
// and an iteration 60 x UnitsPerStepX / LoopCal seconds.
struct RunEstimate {
    // seconds[n - 1]: from the start of line 1 to the end of line n, as a fresh Start runs it (the
    // empty entry after the last line counts with the last line). It stops before a refused line.
    // All 0 without a calibration. Each to within 31 microseconds; the total exactly.
    LineSeconds seconds;
    bool calibrated = false; // LoopCal gives an iteration a duration
    int refused_line = 0;    // the first line that cannot be run; 0 when every line can
    std::string refusal;     // why, in a message for the operator that names the line
    [[nodiscard]] double total_seconds() const { return seconds.empty() ? 0 : seconds.back(); }
};

// What an estimate depends on besides the block state: when none of it has changed, a kept
// estimate still holds.
struct RunEstimateInputs {
    std::uint64_t program = 0; // which program was read
    int lines = 0;
    std::array<double, 11> settings{}; // step sizes, calibration, the rates and accelerations that time the moves
    std::array<std::string, 4> scale;
    std::string override_text;
    int contour = 0;
    // The soft limits when they apply: the travel, and machine minus program coordinates.
    std::array<double, 9> travel{};
    bool operator==(const RunEstimateInputs&) const = default;
};

} // namespace tamo
