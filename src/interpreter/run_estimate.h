#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tamo {

class Cnc;
struct MachineState;

// The longest a single move may take at its feed; Start refuses a program with a longer one. A
// day is far beyond any real cut of a small mill (its longest travel at 1 mm a minute is a few
// hours), yet a move that never ends, or one of astronomic length, is caught long before its
// step counter could no longer count down.
inline constexpr double kMaxMoveSeconds = 24 * 3600;

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
    // All 0 without a calibration.
    std::vector<double> seconds;
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

// What Start refuses in a program, found beside another reading of it that parses every line
// anyway (the program check's): that reading hands over each line's text before its parse and the
// block after it, and here the block is counted as Start counts it, with the machine's own steps
// and from where Start's counting has brought the tool. The same line and words as
// RunEstimate::refused_line and refusal, without a parse of its own. After a refusal it does nothing.
class StartRefusalWalk {
public:
    // `start`: the controller as Start finds the loaded program, before the other reading begins.
    explicit StartRefusalWalk(const Cnc& start);
    StartRefusalWalk(StartRefusalWalk&&) noexcept;
    StartRefusalWalk& operator=(StartRefusalWalk&&) noexcept;
    ~StartRefusalWalk();

    // Line n's text, before it is parsed.
    void BeforeParse(int n, std::string_view line);
    // Line n as parsed (the block state; before an arc is dispatched), whose text carried an arc
    // word or not (CarriesArcWord).
    void Parsed(int n, const MachineState& parsed, bool may_arc);
    // The empty entry after the last line, once the last line has been handed over.
    void End();

    [[nodiscard]] int refused_line() const { return refused_line_; }
    [[nodiscard]] const std::string& refusal() const { return refusal_; }

private:
    struct Machine;
    void Count(int n, bool may_arc);
    std::unique_ptr<Machine> m_;
    int refused_line_ = 0;
    std::string refusal_;
};

} // namespace tamo
