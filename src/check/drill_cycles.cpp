// The canned drilling cycles as a standard controller moves them, into the straight moves they are
// made of. In the XY plane only.
//
// Each hole: once, if the tool is below the R plane, up to it; then at rapid over the hole, and
// down to the R plane; then
//   G81  down to Z at the feed, back up at rapid;
//   G82  the same with a dwell at the bottom (the machine has no dwell: its P is left out);
//   G83  pecks: down by Q at the feed, up to the R plane at rapid, down at rapid to 0.254 mm
//        (0.010 in) above the depth reached, and on by Q, until the last peck reaches Z; then up;
//   G73  pecks that break the chip: down by Q at the feed, up by 0.254 mm (0.010 in) at rapid, and
//        on by Q from there, until the last peck reaches Z; then up;
//   G85  down to Z at the feed, back up to the R plane at the feed, then on up at rapid;
//   G89  the same with a dwell at the bottom (its P left out).
// Back up means to the R plane after G99, and after G98 to the height where the cycles began
// (the R plane if that is lower). R, Z and Q are kept from line to line while the cycle is in
// force; L repeats the hole, moving by X and Y again each time in incremental mode. In
// incremental mode R is measured from where the tool stands, and Z from the R plane.
//
// Tapping (G74, G84) turns the spindle with Z and reverses it at the bottom, and the boring cycles
// G76, G86, G87 and G88 stop or orient the spindle in the hole: the machine can do neither, and
// their holes are not converted, each with the reason.

#include "check/standard_reading.h"
#include "interpreter/numbers.h"

#include <algorithm>
#include <cmath>

namespace tamo::check {
namespace {

const char* Refused(int cycle) {
    switch (cycle) {
    case 74:
    case 84:
        return "taps: the spindle must turn with Z and reverse at the bottom of the hole, which the machine cannot "
               "do";
    case 76:
    case 87:
        return "bores with the spindle stopped and oriented in the hole, which the machine cannot do";
    case 86:
    case 88:
        return "stops the spindle at the bottom of the hole, which the converter does not do";
    default:
        return nullptr;
    }
}

bool Pecks(int cycle) {
    return cycle == 83 || cycle == 73;
}

} // namespace

double StandardReader::CycleMoves(double repeats, double r_plane, double bottom) const {
    double per_hole = 4 + (cycle_ == 85 || cycle_ == 89 ? 1 : 0);
    if (Pecks(cycle_)) {
        per_hole += (cycle_ == 83 ? 3 : 2) * (std::floor((r_plane - bottom) / cycle_q_) + 1);
    }
    return 1 + repeats * per_hole;
}

void StandardReader::Cycle(const Words& w) {
    if (plane_ != Plane::XY) {
        Problem("a drilling cycle outside the XY plane");
        return;
    }
    if (const char* why = Refused(cycle_)) {
        Problem("G" + std::to_string(cycle_) + " " + why);
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
    if ((cycle_ == 82 || cycle_ == 89) && w.Has('P')) {
        Leave("P" + std::string(w.Of('P')->number),
              "a dwell at the bottom of each hole, which the machine cannot make");
    }
    if (!w.HasAxis()) {
        return; // R and Q kept for the holes to come; no hole here
    }
    double repeats = 1;
    if (w.Has('L')) {
        repeats = w.Value('L');
        if (repeats < 0 || repeats != std::floor(repeats) || repeats > kMostRepeats) {
            Problem("L" + std::string(w.Of('L')->number) + " is not a number of repeats up to " +
                    std::to_string(static_cast<long>(kMostRepeats)));
        }
    }
    const std::string name = "G" + std::to_string(cycle_);
    if (!has_r_ || !has_z_) {
        Problem("a drilling cycle without " + std::string(!has_r_ ? "an R plane" : "a Z depth"));
    } else if (Pecks(cycle_) && !(has_q_ && cycle_q_ > 0)) {
        Problem(name + " without a peck depth Q above 0");
    } else if (Pecks(cycle_) && std::fabs(incremental_ ? cycle_z_ : cycle_z_ - cycle_r_) / cycle_q_ > kMostPecks) {
        Problem(name + " with more than " + std::to_string(static_cast<long>(kMostPecks)) + " pecks a hole");
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
    if (const double moves = CycleMoves(repeats, r_plane, bottom); moves > most_moves_) {
        line_.too_many_moves = moves;
        Problem("a drilling cycle of " + FormatNumber(moves) + " moves, more than the " + FormatNumber(most_moves_) +
                " a line may make");
        return;
    }
    const double clear = retract_to_start_ ? std::max(cycle_start_z_, r_plane) : r_plane;
    const double back_off = inch_machine_ ? 0.010 : 0.254;
    std::array<double, 2> hole{pos_[0], pos_[1]};
    for (std::size_t a = 0; a < 2; ++a) {
        const char axis = a == 0 ? 'X' : 'Y';
        if (w.Has(axis) && !incremental_) {
            hole[a] = Length(w.Value(axis));
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
            const char axis = a == 0 ? 'X' : 'Y';
            if (incremental_ && w.Has(axis)) {
                hole[a] += Length(w.Value(axis));
            }
        }
        const double x = hole[0];
        const double y = hole[1];
        Add(MoveKind::Rapid, {x, y, pos_[2]});
        Add(MoveKind::Rapid, {x, y, r_plane});
        if (Pecks(cycle_)) {
            for (double depth = r_plane - cycle_q_; depth > bottom; depth -= cycle_q_) {
                Add(MoveKind::Feed, {x, y, depth});
                if (cycle_ == 83) {
                    Add(MoveKind::Rapid, {x, y, r_plane});
                }
                Add(MoveKind::Rapid, {x, y, depth + back_off});
            }
        }
        Add(MoveKind::Feed, {x, y, bottom});
        if (cycle_ == 85 || cycle_ == 89) {
            Add(MoveKind::Feed, {x, y, r_plane});
        }
        Add(MoveKind::Rapid, {x, y, clear});
    }
}

} // namespace tamo::check
