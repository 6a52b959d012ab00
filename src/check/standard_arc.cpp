// The standard reading of an arc: its centre from R or from the offsets of its plane, its end checked
// against the circle through its start, and its sweep, turns included.

#include "check/standard_reading.h"
#include "interpreter/numbers.h"
#include "motion/arc_geometry.h"

#include <array>
#include <cmath>
#include <numbers>
#include <string>
#include <string_view>

namespace tamo::check {

void StandardReader::Arc(const Words& w, const std::array<double, 3>& end) {
    const PlaneAxes axes = AxesOf(plane_);
    const auto a = static_cast<std::size_t>(axes.first);
    const auto b = static_cast<std::size_t>(axes.second);
    if (!Known(axes.first, "an arc") || !Known(axes.second, "an arc")) {
        return;
    }
    static constexpr std::string_view kOffsetOf = "IJK"; // X, Y, Z
    const char oa = kOffsetOf[a];
    const char ob = kOffsetOf[b];
    const bool centre_words = w.Has(oa) || w.Has(ob);
    std::array<double, 3> centre = pos_;
    if (w.Has('R')) {
        if (centre_words) {
            Problem("an arc with both R and a centre");
            return;
        }
        const double r = Length(w.Value('R'));
        const double da = end[a] - pos_[a];
        const double db = end[b] - pos_[b];
        const double chord = std::hypot(da, db);
        if (chord == 0) {
            Problem("an R arc cannot end where it starts");
            return;
        }
        const double half = chord / 2;
        double h = 0;
        if (std::fabs(r) >= half) {
            h = std::sqrt(r * r - half * half);
        } else if (half - std::fabs(r) > tolerance_) {
            Problem("R" + std::string(w.Of('R')->number) + " is shorter than half the way to the end point");
            return;
        }
        // Counter-clockwise with R above 0 has the centre on the left of the way from start to end.
        const double side = (motion_ == MoveKind::Ccw ? 1 : -1) * (r < 0 ? -1 : 1);
        centre[a] = pos_[a] + da / 2 - side * h * db / chord;
        centre[b] = pos_[b] + db / 2 + side * h * da / chord;
    } else if (centre_words) {
        const double ia = w.Has(oa) ? Length(w.Value(oa)) : 0;
        const double ib = w.Has(ob) ? Length(w.Value(ob)) : 0;
        centre[a] = arc_absolute_ ? ia : pos_[a] + ia;
        centre[b] = arc_absolute_ ? ib : pos_[b] + ib;
    } else {
        Problem("an arc without a centre (" + std::string(1, oa) + ", " + std::string(1, ob) + " or R)");
        return;
    }
    const double from_a = pos_[a] - centre[a];
    const double from_b = pos_[b] - centre[b];
    const double to_a = end[a] - centre[a];
    const double to_b = end[b] - centre[b];
    // Nearly every arc of the plane ends on its circle: that much its exact radii need not tell,
    // and only another plane's arc reads them further.
    double r0 = 0;
    if (plane_ != Plane::XY || !SurelyWithin(from_a, from_b, to_a, to_b, tolerance_)) {
        r0 = std::hypot(from_a, from_b);
        const double r1 = std::hypot(to_a, to_b);
        if (!(r0 > 0)) {
            Problem("an arc of radius 0");
            return;
        }
        if (std::fabs(r1 - r0) > tolerance_) {
            Problem("the end point lies " + FormatNumber(std::round(std::fabs(r1 - r0) * 1e4) / 1e4) +
                    (inch_machine_ ? " in" : " mm") + " off the circle through the start");
            return;
        }
    }
    int turns = 1;
    if (w.Has('P')) {
        const double p = w.Value('P');
        if (p < 1 || p != std::floor(p) || p > kMostTurns) {
            Problem("P" + std::string(w.Of('P')->number) + " is not a whole number of turns up to " +
                    FormatNumber(kMostTurns));
            return;
        }
        turns = static_cast<int>(p);
    }
    double sweep = 0;
    if (arc_sweeps_ || plane_ != Plane::XY) {
        const double from = std::atan2(pos_[b] - centre[b], pos_[a] - centre[a]);
        const double to = std::atan2(end[b] - centre[b], end[a] - centre[a]);
        sweep = motion_ == MoveKind::Ccw ? to - from : from - to;
        if (sweep <= 0) {
            sweep += 2 * std::numbers::pi; // an end on the start is a whole turn
        }
        sweep += 2 * std::numbers::pi * (turns - 1);
    }
    if (plane_ != Plane::XY && sweep / SegmentAngle(r0, tolerance_) > kMostSegments) {
        Problem("an arc that would take more than " + FormatNumber(kMostSegments) + " straight moves");
        return;
    }
    StandardMove* move = Add(motion_, end);
    if (move == nullptr) {
        return;
    }
    move->centre = centre;
    move->plane = plane_;
    move->sweep = sweep;
    Reach(*move);
}

} // namespace tamo::check
