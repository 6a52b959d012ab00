#include "convert/dialect_writer.h"

#include "interpreter/numbers.h"
#include "motion/arc_geometry.h"

#include <cmath>
#include <numbers>

namespace tamo::convert {
namespace {

using check::MoveKind;
using check::StandardMove;

constexpr double kPi = std::numbers::pi;
constexpr std::string_view kAxisNames = "XYZ";
// How often an arc whose walk would differ from its reading is halved before it is written as it
// stands: each half turns less than the one before, and a half circle is never ambiguous.
constexpr int kMostHalvings = 4;

double ReadBack(const std::string& text) {
    return ReadNumber(text).value_or(0);
}

} // namespace

DialectWriter::DialectWriter(const Options& options, std::string& out, std::string_view line_end)
    : options_(options), out_(out), line_end_(line_end),
      tolerance_(check::ArcTolerance(options.inch, options.step_x, options.step_y)) {}

std::string DialectWriter::Length(double value) const {
    std::string text = FormatFixed(value, options_.inch ? 5 : 4);
    while (text.back() == '0') {
        text.pop_back();
    }
    if (text.back() == '.') {
        text.pop_back();
    }
    return text == "-0" ? "0" : text;
}

void DialectWriter::Comment(std::string_view text) {
    std::string line = "(";
    for (const char c : text) {
        switch (c) {
        case ',':
            line += ';';
            break;
        case '"':
            line += '\'';
            break;
        case '(':
            line += '[';
            break;
        case ')':
            line += ']';
            break;
        case '\t':
        case '\r':
        case '\n':
            line += ' ';
            break;
        default:
            line += c;
        }
    }
    line += ")";
    Words(line);
}

void DialectWriter::Words(std::string_view words) {
    ++lines_;
    out_ += words;
    out_ += line_end_;
}

std::string DialectWriter::Axes(const std::array<double, 3>& end, const std::array<bool, 3>& known) {
    std::string words;
    for (std::size_t a = 0; a < 3; ++a) {
        if (!known[a]) {
            continue; // left where it stands, as after a return to a stored position
        }
        const std::string text = Length(end[a]);
        const double value = ReadBack(text);
        if (value != target_[a]) {
            words += " " + std::string(1, kAxisNames[a]) + text;
            target_[a] = value;
        }
    }
    return words;
}

std::string DialectWriter::Feed(double feed) {
    const std::string text = Length(feed);
    if (text == feed_) {
        return {};
    }
    feed_ = text;
    return " F" + text;
}

void DialectWriter::Straight(MoveKind kind, const std::array<double, 3>& end, const std::array<bool, 3>& known,
                             double feed) {
    const std::string axes = Axes(end, known);
    if (axes.empty()) {
        return; // no length left once written to the machine's resolution
    }
    Words((kind == MoveKind::Rapid ? "G00" : "G01") + axes + (kind == MoveKind::Rapid ? "" : Feed(feed)));
}

void DialectWriter::Move(const StandardMove& move) {
    if (move.kind == MoveKind::Rapid || move.kind == MoveKind::Feed) {
        Straight(move.kind, move.end, move.known, move.feed);
        return;
    }
    if (move.plane != check::Plane::XY) {
        Segments(move);
        return;
    }
    // A helix of several turns: each whole turn an arc back to where it began.
    const double turn = 2 * kPi;
    double done = 0;
    while (move.sweep - done > turn * (1 + 1e-12)) {
        ArcXY(move, done, done + turn, 0);
        done += turn;
    }
    ArcXY(move, done, move.sweep, 0);
}

std::array<double, 3> DialectWriter::PointAt(const StandardMove& move, double walked) {
    if (walked >= move.sweep) {
        return move.end;
    }
    std::array<double, 3> point = move.start;
    point[2] = move.start[2] + (move.end[2] - move.start[2]) * walked / move.sweep;
    if (std::fmod(walked, 2 * kPi) != 0) {
        const int dir = move.kind == MoveKind::Cw ? 1 : -1;
        const double r = std::hypot(move.start[0] - move.centre[0], move.start[1] - move.centre[1]);
        const double from = std::atan2(move.start[1] - move.centre[1], move.start[0] - move.centre[0]);
        point[0] = move.centre[0] + r * std::cos(from - dir * walked);
        point[1] = move.centre[1] + r * std::sin(from - dir * walked);
    }
    return point;
}

void DialectWriter::ArcXY(const StandardMove& move, double from, double to, int depth) {
    const std::array<double, 3> end = PointAt(move, to);
    const int dir = move.kind == MoveKind::Cw ? 1 : -1;
    const std::string i = Length(move.centre[0] - target_[0]);
    const std::string j = Length(move.centre[1] - target_[1]);
    const std::string x = Length(end[0]);
    const std::string y = Length(end[1]);
    const std::string z = Length(end[2]);
    if (ReadBack(i) == 0 && ReadBack(j) == 0) {
        Straight(MoveKind::Feed, end, move.known, move.feed); // a radius below what can be written
        return;
    }
    // The walk the machine makes of these words, against the arc as read: an end within a step
    // of the start is a whole circle to the machine, and a rounding can tip a near half circle.
    const ArcBlock block{target_[0],  target_[1],  target_[2],
                         ReadBack(x), ReadBack(y), move.known[2] ? ReadBack(z) : target_[2],
                         ReadBack(i), ReadBack(j), dir};
    const ArcGeometry walk = MakeArcGeometry(block, options_.step_x, options_.step_z);
    const double sweep = to - from;
    const double step = std::fabs(options_.step_x) / walk.radius;
    if (!(std::fabs(walk.sweep - sweep) <= 2 * step) && depth < kMostHalvings) {
        if (sweep < 2 * step) {
            Straight(MoveKind::Feed, end, move.known, move.feed); // an arc shorter than a step
            return;
        }
        ArcXY(move, from, from + sweep / 2, depth + 1);
        ArcXY(move, from + sweep / 2, to, depth + 1);
        return;
    }
    std::string words = dir > 0 ? "G02" : "G03";
    const std::array<double, 3> written{block.end_x, block.end_y, block.end_z};
    for (std::size_t a = 0; a < 3; ++a) {
        if (written[a] != target_[a]) {
            words += " " + std::string(1, kAxisNames[a]) + (a == 0 ? x : a == 1 ? y : z);
        }
    }
    target_ = written;
    Words(words + " I" + i + " J" + j + Feed(move.feed));
}

void DialectWriter::Segments(const StandardMove& move) {
    const check::PlaneAxes axes = check::AxesOf(move.plane);
    const auto a = static_cast<std::size_t>(axes.first);
    const auto b = static_cast<std::size_t>(axes.second);
    const auto n = static_cast<std::size_t>(axes.normal);
    const double r = std::hypot(move.start[a] - move.centre[a], move.start[b] - move.centre[b]);
    const double count = std::ceil(move.sweep / check::SegmentAngle(r, tolerance_));
    const double from = std::atan2(move.start[b] - move.centre[b], move.start[a] - move.centre[a]);
    const double turn = move.kind == MoveKind::Ccw ? 1 : -1;
    for (double k = 1; k < count; ++k) {
        const double angle = from + turn * move.sweep * k / count;
        std::array<double, 3> point{};
        point[a] = move.centre[a] + r * std::cos(angle);
        point[b] = move.centre[b] + r * std::sin(angle);
        point[n] = move.start[n] + (move.end[n] - move.start[n]) * k / count;
        Straight(MoveKind::Feed, point, move.known, move.feed);
    }
    Straight(MoveKind::Feed, move.end, move.known, move.feed);
}

} // namespace tamo::convert
