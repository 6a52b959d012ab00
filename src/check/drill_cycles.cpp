// The canned drilling cycles G81, G82 and G83 as a standard controller moves them, into the
// straight moves they are made of. In the XY plane only.
//
// Each hole: once, if the tool is below the R plane, up to it; then at rapid over the hole, and
// down to the R plane; then
//   G81  down to Z at the feed, back up at rapid;
//   G82  the same with a dwell at the bottom (a dwell moves nothing, and is not converted);
//   G83  pecks: down by Q at the feed, up to the R plane at rapid, down at rapid to 0.254 mm
//        (0.010 in) above the depth reached, and on by Q, until the last peck reaches Z; then up.
// Back up means to the R plane after G99, and after G98 to the height where the cycles began
// (the R plane if that is lower). R, Z and Q are kept from line to line while the cycle is in
// force; L repeats the hole, moving by X and Y again each time in incremental mode. In
// incremental mode R is measured from where the tool stands, and Z from the R plane.

#include "check/standard_reading.h"

#include <algorithm>
#include <cmath>

namespace tamo::check {

void StandardReader::Cycle(const Words& w) {
    if (plane_ != Plane::XY) {
        Problem("a drilling cycle outside the XY plane");
        return;
    }
    if (w.Has('R')) {
        cycle_r_ = Length(w.Value('R'));
        has_r_ = true;
    }
    if (w.Has('Z')) {
        cycle_z_ = Length(w.Value('Z'));
        has_z_ = true;
    }
    if (w.Has('Q')) {
        cycle_q_ = std::fabs(Length(w.Value('Q')));
        has_q_ = true;
    }
    if (!w.HasAxis()) {
        return; // R and Q kept for the holes to come; no hole here
    }
    if (cycle_ == 82 && w.Has('P')) {
        line_.dwell = w.Of('P')->number;
    }
    double repeats = 1;
    if (w.Has('L')) {
        repeats = w.Value('L');
        if (repeats < 0 || repeats != std::floor(repeats) || repeats > kMostRepeats) {
            Problem("L" + std::string(w.Of('L')->number) + " is not a number of repeats up to " +
                    std::to_string(static_cast<long>(kMostRepeats)));
        }
    }
    if (!has_r_ || !has_z_) {
        Problem("a drilling cycle without " + std::string(!has_r_ ? "an R plane" : "a Z depth"));
    } else if (cycle_ == 83 && !(has_q_ && cycle_q_ > 0)) {
        Problem("G83 without a peck depth Q above 0");
    } else if (cycle_ == 83 && std::fabs(incremental_ ? cycle_z_ : cycle_z_ - cycle_r_) / cycle_q_ > kMostPecks) {
        Problem("G83 with more than " + std::to_string(static_cast<long>(kMostPecks)) + " pecks a hole");
    }
    if (!line_.problems.empty() || !FeedSet() || !Known(2, "a drilling cycle")) {
        return;
    }
    const double r_plane = incremental_ ? pos_[2] + cycle_r_ : cycle_r_;
    const double bottom = incremental_ ? r_plane + cycle_z_ : cycle_z_;
    if (bottom > r_plane) {
        Problem("the hole's depth Z lies above its R plane");
        return;
    }
    const double clear = retract_to_start_ ? std::max(cycle_start_z_, r_plane) : r_plane;
    const double back_off = inch_machine_ ? 0.010 : 0.254;
    std::array<double, 2> hole{pos_[0], pos_[1]};
    for (std::size_t a = 0; a < 2; ++a) {
        const char name = a == 0 ? 'X' : 'Y';
        if (w.Has(name) && !incremental_) {
            hole[a] = Length(w.Value(name));
            known_[a] = true;
        } else if (!Known(static_cast<int>(a), "a drilling cycle")) {
            return;
        }
    }
    if (pos_[2] < r_plane && repeats > 0) {
        Add(MoveKind::Rapid, {pos_[0], pos_[1], r_plane});
    }
    for (double k = 0; k < repeats; ++k) {
        for (std::size_t a = 0; a < 2; ++a) {
            const char name = a == 0 ? 'X' : 'Y';
            if (incremental_ && w.Has(name)) {
                hole[a] += Length(w.Value(name));
            }
        }
        const double x = hole[0];
        const double y = hole[1];
        Add(MoveKind::Rapid, {x, y, pos_[2]});
        Add(MoveKind::Rapid, {x, y, r_plane});
        if (cycle_ == 83) {
            for (double depth = r_plane - cycle_q_; depth > bottom; depth -= cycle_q_) {
                Add(MoveKind::Feed, {x, y, depth});
                Add(MoveKind::Rapid, {x, y, r_plane});
                Add(MoveKind::Rapid, {x, y, depth + back_off});
            }
        }
        Add(MoveKind::Feed, {x, y, bottom});
        Add(MoveKind::Rapid, {x, y, clear});
    }
}

} // namespace tamo::check
