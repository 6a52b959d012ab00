#pragma once

// A program as a CAM post writes one for adaptive clearing: a tool path that never goes over the
// same outline twice. Each pass (125,000 blocks) wanders over a 120 x 90 mm pocket in short feed
// moves and arcs that turn it left and right, steered back when it nears a wall; two blocks in
// five are arcs (G02 or G03 with I and J, whose end lies on the circle about that centre). Every
// pass starts with its comment, a retract, a rapid to its own start and a plunge to a deeper
// level, and its turns come from a generator seeded by the pass, so no stroke of one pass is
// drawn again by another. The numbers are written with three decimals, as posts write millimetres.

#include "surface_finish_program.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <ostream>

namespace bench {

inline constexpr std::size_t kAdaptivePassLines = 125'000;

namespace adaptive_detail {

// A small deterministic generator (xorshift), so that every build writes the same program.
class Turns {
public:
    explicit Turns(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    // A number in [0, 1).
    double Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return static_cast<double>(state_ >> 11) * (1.0 / 9007199254740992.0);
    }

private:
    std::uint64_t state_;
};

} // namespace adaptive_detail

inline std::size_t WriteAdaptiveProgram(std::ostream& file, std::size_t lines) {
    constexpr double kWidth = 120.0;
    constexpr double kHeight = 90.0;
    constexpr double kMargin = 8.0;    // mm from a wall where the path turns back
    constexpr double kPassDepth = 0.4; // mm deeper each pass
    constexpr double kPi = 3.14159265358979323846;

    ProgramWriter out(file, lines);
    out.Line("%%");
    out.Line("(Adaptive clear 120 x 90 - flat end mill 6 mm)");
    out.Line("G21 G90 G17");
    out.Line("M06 T3");
    out.Line("M03 S18000");
    for (int pass = 1; !out.Full(); ++pass) {
        adaptive_detail::Turns turns(static_cast<std::uint64_t>(pass));
        const double depth = -kPassDepth * pass;
        double x = kMargin + (kWidth - 2 * kMargin) * turns.Next();
        double y = kMargin + (kHeight - 2 * kMargin) * turns.Next();
        double heading = 2 * kPi * turns.Next();
        out.Line("(pass %.0f depth %.3f)", pass, depth);
        out.Line("G00 Z5.000");
        out.Line("G00 X%.3f Y%.3f", x, y);
        out.Line("G01 Z%.3f F250", depth);
        out.Line("G01 X%.3f Y%.3f F1500", x + 0.2 * std::cos(heading), y + 0.2 * std::sin(heading));
        x += 0.2 * std::cos(heading);
        y += 0.2 * std::sin(heading);
        for (std::size_t block = 0; block + 5 < kAdaptivePassLines && !out.Full(); ++block) {
            if (block % 5 == 1 || block % 5 == 3) {
                // An arc of 0.5 to 3 mm radius through 10 to 60 degrees; it turns towards the
                // middle of the pocket near a wall, else either way.
                const double radius = 0.5 + 2.5 * turns.Next();
                const double sweep = (10.0 + 50.0 * turns.Next()) * kPi / 180.0;
                const double to_middle = std::atan2(kHeight / 2 - y, kWidth / 2 - x);
                const bool near_wall = x < kMargin || x > kWidth - kMargin || y < kMargin || y > kHeight - kMargin;
                bool left = turns.Next() < 0.5;
                if (near_wall) {
                    left = std::sin(to_middle - heading) > 0;
                }
                const double side = left ? 1.0 : -1.0;
                const double cx = x - side * radius * std::sin(heading);
                const double cy = y + side * radius * std::cos(heading);
                const double start = std::atan2(y - cy, x - cx);
                const double end = start + side * sweep;
                const double ex = cx + radius * std::cos(end);
                const double ey = cy + radius * std::sin(end);
                out.Line(left ? "G03 X%.3f Y%.3f I%.3f J%.3f" : "G02 X%.3f Y%.3f I%.3f J%.3f", ex, ey, cx - x, cy - y);
                x = ex;
                y = ey;
                heading += side * sweep;
            } else {
                const double length = 0.1 + 0.7 * turns.Next();
                heading += 0.3 * (turns.Next() - 0.5);
                if (x < kMargin || x > kWidth - kMargin || y < kMargin || y > kHeight - kMargin) {
                    const double to_middle = std::atan2(kHeight / 2 - y, kWidth / 2 - x);
                    heading += std::sin(to_middle - heading) > 0 ? 0.4 : -0.4;
                }
                x += length * std::cos(heading);
                y += length * std::sin(heading);
                out.Line("G01 X%.3f Y%.3f", x, y);
            }
        }
    }
    return out.Finish();
}

} // namespace bench
