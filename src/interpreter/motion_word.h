#pragma once

#include <string_view>

namespace tamo {

// What a motion word asks the machine to do. GCode keeps the word as it was written; the one-digit
// forms that most CAM programs write move exactly as the two-digit ones, so that the machine cuts
// what the preview draws. Every other word (a plane, unit or mode word, a canned cycle) moves
// nothing.
enum class Motion { None, Rapid, Feed, ArcClockwise, ArcCounterClockwise };

[[nodiscard]] constexpr Motion MotionOf(std::string_view gcode) {
    if (gcode == "G00" || gcode == "G0") {
        return Motion::Rapid;
    }
    if (gcode == "G01" || gcode == "G1") {
        return Motion::Feed;
    }
    if (gcode == "G02" || gcode == "G2") {
        return Motion::ArcClockwise;
    }
    if (gcode == "G03" || gcode == "G3") {
        return Motion::ArcCounterClockwise;
    }
    return Motion::None;
}

} // namespace tamo
