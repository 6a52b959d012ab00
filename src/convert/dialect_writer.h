#pragma once

// Writes the standard reading's toolpath as lines of the machine's dialect: each letter once in a
// line, upper case, in the order M T G X Y Z I J F, with the motion word on every move and I and J
// on every arc; comments on lines of their own, where nothing in them is read.

#include "check/standard_reading.h"
#include "convert/convert.h"

#include <array>
#include <string>
#include <string_view>

namespace tamo::convert {

class DialectWriter {
public:
    DialectWriter(const Options& options, std::string& out, std::string_view line_end);

    // A comment line: its text made harmless (no commas or quotes that would split or cut the
    // line, no parentheses that would end the comment early).
    void Comment(std::string_view text);
    // A line of words as they stand.
    void Words(std::string_view words);
    void Move(const check::StandardMove& move);
    // A length as it is written: in the machine's unit, to its resolution, no trailing zeros.
    [[nodiscard]] std::string Length(double value) const;
    // Lines written so far.
    [[nodiscard]] long lines() const { return lines_; }

private:
    void Straight(check::MoveKind kind, const std::array<double, 3>& end, const std::array<bool, 3>& known,
                  double feed);
    // The piece of an XY arc from angle `from` to `to` turned along it, from where the machine
    // stands; halved where the machine would walk the words another way.
    void ArcXY(const check::StandardMove& move, double from, double to, int depth);
    static std::array<double, 3> PointAt(const check::StandardMove& move, double walked);
    // An arc as straight segments within the arc tolerance (planes the machine cannot cut arcs in).
    void Segments(const check::StandardMove& move);
    // The axes of an end that differ from what the machine holds, as words; what it then holds.
    std::string Axes(const std::array<double, 3>& end, const std::array<bool, 3>& known);
    std::string Feed(double feed);

    const Options& options_;
    std::string& out_;
    std::string_view line_end_;
    double tolerance_;
    // The target the machine's parser holds: what was written, read back as it reads it. A fresh
    // Start begins at the origin.
    std::array<double, 3> target_{};
    std::string feed_;
    long lines_ = 0;
};

} // namespace tamo::convert
