#include "motion/planner/planner.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace tamo::planner {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// The feed floor of the machine: 1 unit per minute.
constexpr double kSlowestFeed = 1.0 / 60;
// Sideways, an arc may use this share of the smaller of the X and Y accelerations, and along the
// path the rest: the two are at right angles, so together they stay within the axis' acceleration.
constexpr double kArcCentripetalShare = 0.866;
constexpr double kArcTangentialShare = 0.5;
// A corner's speed jump and the ramps either side of it may ask this share of an axis' acceleration
// together (over 20 ms a step of the position shows as 6 % of 200 mm/s^2: the share leaves room).
constexpr double kJumpShare = 1.02;

// The same speed to the bit: a plan that is recomputed only where it can change must come out as
// a whole replan would.
bool Same(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

double Length(const std::array<double, 3>& v) {
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

// The largest value along `unit` that keeps every axis' share within its limit.
double AlongPath(const std::array<double, 3>& unit, const std::array<double, 3>& limit) {
    double most = kInfinity;
    for (std::size_t a = 0; a < 3; ++a) {
        if (std::fabs(unit[a]) > 1e-12) {
            most = std::min(most, limit[a] / std::fabs(unit[a]));
        }
    }
    return most;
}

// The unit tangent of an arc at polar angle `angle` about its centre.
std::array<double, 3> ArcTangent(double angle, int dir, double xy_share, double z_share) {
    return {dir * std::sin(angle) * xy_share, -dir * std::cos(angle) * xy_share, z_share};
}

// The largest speed jump per second of the window (j = J / window) that an axis braking at `before`
// into the corner and accelerating at `after` out of it (both at their worst, in the jump's sense)
// may take, so that the change of its mean speed between two windows that follow each other stays
// within `allowed` per second wherever the windows fall. With the jump a fraction x of a window
// from their boundary, that change is j (1 - x) plus the ramps weighted by the windows' triangle:
// at most the larger ramp plus j^2 / 2d (d the ramps' difference) while j <= d, else their mean
// plus j.
double JumpRoom(double before, double after, double allowed) {
    const double high = std::max(before, after);
    if (!(allowed > high)) {
        return 0;
    }
    const double d = high - std::min(before, after);
    const double within = std::sqrt(2 * d * (allowed - high));
    return d > 0 && within <= d ? within : allowed - (before + after) / 2;
}

} // namespace

RampTick SineRampTick(double angle_deg, double feed, double loop_cal, double slow_feed) {
    RampTick tick;
    tick.feed = std::sin(angle_deg / 180 * (4 * std::atan(1.0))) * feed;
    tick.delay = loop_cal / tick.feed;
    double floor_feed = slow_feed;
    if (feed < floor_feed) {
        floor_feed = feed;
    }
    const double slowest_delay = loop_cal / floor_feed;
    if (tick.delay > slowest_delay) {
        tick.delay = slowest_delay;
    }
    return tick;
}

// ---------------------------------------------------------------------------------------------
// Profile

void Profile::Add(double s0, double v0, double a) {
    Phase p{s0, v0, a, 0};
    if (count_ > 0) {
        p.t0 = TimeAt(s0);
    }
    phases_[count_++] = p;
}

Profile::Profile(double entry, double cruise, double exit, double accel, double length)
    : length_(std::max(0.0, length)), accel_(accel), rest_at_(kInfinity) {
    if (!(length_ > 0) || !(accel > 0)) {
        return;
    }
    const double a = accel;
    const double v0 = std::max(0.0, entry);
    const double vc = std::max(0.0, cruise);
    const double v1 = std::min(std::max(0.0, exit), std::max(vc, v0));
    // Where the braking to the exit speed must begin, from the cruise speed.
    const double brake_from_cruise = length_ - (vc * vc - v1 * v1) / (2 * a);
    // The fastest the block can be entered and still be left at the exit speed.
    const double enterable = std::sqrt(v1 * v1 + 2 * a * length_);
    if (v0 <= vc) {
        const double reach = (vc * vc - v0 * v0) / (2 * a);
        if (reach <= brake_from_cruise) {
            Add(0, v0, a);
            Add(reach, vc, 0);
            Add(brake_from_cruise, vc, -a);
            return;
        }
        const double peak_at = (v1 * v1 - v0 * v0 + 2 * a * length_) / (4 * a);
        if (peak_at <= 0) {
            Add(0, std::min(v0, enterable), -a);
        } else {
            Add(0, v0, a);
            const double peak_at_clamped = std::min(peak_at, length_);
            Add(peak_at_clamped, std::sqrt(v0 * v0 + 2 * a * peak_at_clamped), -a);
        }
        return;
    }
    // Entered faster than the block may cruise (the override was lowered, or a stop comes): down
    // to the cruise speed first.
    const double down = (v0 * v0 - vc * vc) / (2 * a);
    if (down <= brake_from_cruise) {
        Add(0, v0, -a);
        Add(down, vc, 0);
        Add(brake_from_cruise, vc, -a);
        return;
    }
    Add(0, std::min(v0, enterable), -a);
    const double rest = phases_[0].v0 * phases_[0].v0 / (2 * a);
    if (rest <= length_) {
        rest_at_ = rest;
    }
}

Profile Profile::Braking(double entry, double accel, double length) {
    Profile p;
    p.length_ = std::max(0.0, length);
    p.accel_ = accel;
    if (!(p.length_ > 0) || !(accel > 0)) {
        p.rest_at_ = 0;
        return p;
    }
    const double v0 = std::max(0.0, entry);
    p.Add(0, v0, -accel);
    const double rest = v0 * v0 / (2 * accel);
    p.rest_at_ = rest <= p.length_ ? rest : kInfinity;
    return p;
}

double Profile::SpeedAt(double s) const {
    if (count_ == 0) {
        return 0;
    }
    s = std::clamp(s, 0.0, length_);
    std::size_t i = count_ - 1;
    while (i > 0 && phases_[i].s0 > s) {
        --i;
    }
    const Phase& p = phases_[i];
    return std::sqrt(std::max(0.0, p.v0 * p.v0 + 2 * p.a * (s - p.s0)));
}

double Profile::TimeAt(double s) const {
    if (count_ == 0) {
        return 0;
    }
    s = std::clamp(s, 0.0, std::min(rest_at_, length_));
    std::size_t i = count_ - 1;
    while (i > 0 && phases_[i].s0 > s) {
        --i;
    }
    const Phase& p = phases_[i];
    const double d = s - p.s0;
    if (d <= 0) {
        return p.t0;
    }
    const double v = std::sqrt(std::max(0.0, p.v0 * p.v0 + 2 * p.a * d));
    // Exact for a constant acceleration, and for none.
    const double sum = p.v0 + v;
    return sum > 0 ? p.t0 + 2 * d / sum : p.t0;
}

// ---------------------------------------------------------------------------------------------
// Planner

void Planner::set_feed_scale(double scale) {
    feed_scale_ = scale;
    for (std::size_t i = 0; i < count_; ++i) {
        TopSpeed(AtMut(i));
    }
    double before = last_top_;
    for (std::size_t i = 0; i < count_; ++i) {
        Block& b = AtMut(i);
        const double prev = i == 0 ? before : At(i - 1).top_speed;
        b.max_entry = b.tiny ? b.top_speed : std::min({b.corner, b.top_speed, prev});
        before = b.top_speed;
    }
    Replan(Change::All);
}

double Planner::TopSpeedOf(const Block& b) const {
    if (b.tiny) {
        return kInfinity;
    }
    if (b.rapid) {
        return b.axis_top;
    }
    double feed = b.feed * feed_scale_;
    if (!(feed >= kSlowestFeed)) {
        feed = kSlowestFeed; // an override of 0, or a feed that is not a number
    }
    return std::min(b.axis_top, feed);
}

void Planner::Measure(Block& b) const {
    const Limits& l = limits_;
    if (!b.arc) {
        const std::array<double, 3> d{b.end[0] - b.start[0], b.end[1] - b.start[1], b.end[2] - b.start[2]};
        b.length = Length(d);
        std::array<double, 3> u{};
        if (b.length > 0) {
            u = {d[0] / b.length, d[1] / b.length, d[2] / b.length};
        }
        b.dir_in = b.dir_out = u;
        b.accel = b.length > 0 ? AlongPath(u, l.accel) : std::min({l.accel[0], l.accel[1], l.accel[2]});
        b.axis_top = b.length > 0 ? AlongPath(u, l.top_speed) : kInfinity;
        for (std::size_t a = 0; a < 3; ++a) {
            b.axis_accel_in[a] = b.axis_accel_out[a] = b.accel * std::fabs(u[a]);
        }
    } else {
        const double rx = b.start[0] - b.centre_x;
        const double ry = b.start[1] - b.centre_y;
        const double radius = std::sqrt(rx * rx + ry * ry);
        const double around = radius * b.sweep;
        const double rise = b.end[2] - b.start[2];
        b.length = std::sqrt(around * around + rise * rise);
        const double xy_share = b.length > 0 ? around / b.length : 1;
        const double z_share = b.length > 0 ? rise / b.length : 0;
        const double start_angle = std::atan2(ry, rx);
        b.dir_in = ArcTangent(start_angle, b.dir, xy_share, z_share);
        b.dir_out = ArcTangent(start_angle - b.dir * b.sweep, b.dir, xy_share, z_share);
        // The tangent turns through every direction of the plane: the smaller of X's and Y's
        // limits holds all the way round.
        const double xy_accel = std::min(l.accel[0], l.accel[1]);
        double accel = kArcTangentialShare * xy_accel;
        double top = std::min(l.top_speed[0], l.top_speed[1]) / std::max(xy_share, 1e-12);
        if (std::fabs(z_share) > 1e-12) {
            accel = std::min(accel, l.accel[2] / std::fabs(z_share));
            top = std::min(top, l.top_speed[2] / std::fabs(z_share));
        }
        // Sideways the path needs v^2 / r of the plane's speed.
        if (radius > 0 && xy_share > 0) {
            top = std::min(top, std::sqrt(kArcCentripetalShare * xy_accel * radius) / xy_share);
        }
        b.accel = accel;
        b.axis_top = top;
        // Along the tangent the ramps, across it the turn: together no more than X's and Y's own.
        for (std::size_t a = 0; a < 2; ++a) {
            b.axis_accel_in[a] = b.axis_accel_out[a] = xy_accel;
        }
        b.axis_accel_in[2] = b.axis_accel_out[2] = accel * std::fabs(z_share);
    }
}

double Planner::CornerSpeed(const std::array<double, 3>& out, const std::array<double, 3>& out_accel,
                            const Block& after) const {
    const std::array<double, 3>& in = after.dir_in;
    if (Length(out) == 0 || Length(in) == 0) {
        return kInfinity;
    }
    // The angle between the way out of the corner and the way back along the path into it.
    const double cos_theta = -(out[0] * in[0] + out[1] * in[1] + out[2] * in[2]);
    if (cos_theta < -0.999999) {
        return kInfinity; // straight on
    }
    if (cos_theta > 0.999999) {
        return 0; // straight back
    }
    std::array<double, 3> turn{in[0] - out[0], in[1] - out[1], in[2] - out[2]};
    const double turn_length = Length(turn);
    std::array<double, 3> turn_unit = turn;
    for (double& t : turn_unit) {
        t /= turn_length;
    }
    const double accel = AlongPath(turn_unit, limits_.accel);
    // The speed at which a circle that keeps within the junction deviation of the corner would be
    // taken at that acceleration.
    const double sin_half = std::sqrt(0.5 * (1 - cos_theta));
    const double radius = limits_.junction_deviation * sin_half / (1 - sin_half);
    double speed = std::sqrt(accel * radius);
    // Taken at v, the corner changes each axis' speed at once by v times its share of the turn.
    // Over a motor's reaction time that jump comes on top of the ramps that brake into the corner
    // and accelerate out of it: the two together stay within the axis' acceleration.
    for (std::size_t a = 0; a < 3; ++a) {
        const double change = std::fabs(turn[a]);
        if (change < 1e-12) {
            continue;
        }
        speed = std::min(speed, std::min(JumpRoom(out_accel[a], after.axis_accel_in[a], kJumpShare * limits_.accel[a]) *
                                             kReactionWindow,
                                         limits_.largest_jump) /
                                    change);
    }
    return speed;
}

bool Planner::Add(Block b) {
    if (Full()) {
        return false;
    }
    Measure(b);
    TopSpeed(b);
    if (b.tiny) {
        b.dir_in = b.dir_out = last_out_;
        b.corner = kInfinity;
        b.max_entry = last_stops_ ? 0 : kInfinity;
    } else {
        b.corner = last_stops_ ? 0 : CornerSpeed(last_out_, last_accel_, b);
        b.max_entry = std::min({b.corner, b.top_speed, last_top_});
        last_out_ = b.dir_out;
        last_accel_ = b.axis_accel_out;
        last_top_ = b.top_speed;
    }
    last_stops_ = b.stop_at_end;
    if (b.stop_at_end) {
        last_top_ = 0;
    }
    AtMut(count_) = b;
    ++count_;
    Replan(Change::Last);
    return true;
}

void Planner::Pop() {
    if (count_ == 0) {
        return;
    }
    head_ = (head_ + 1) % kLookAhead;
    --count_;
}

void Planner::Clear(const std::array<double, 3>& last_out) {
    head_ = 0;
    count_ = 0;
    last_out_ = last_out;
    // What it was is not known: a line's ramps along it.
    const double along = AlongPath(last_out, limits_.accel);
    for (std::size_t a = 0; a < 3; ++a) {
        last_accel_[a] = std::isfinite(along) ? along * std::fabs(last_out[a]) : 0;
    }
    last_stops_ = Length(last_out) == 0;
    last_top_ = last_stops_ ? 0 : kInfinity;
}

void Planner::StopAfterLast() {
    if (count_ == 0) {
        return;
    }
    AtMut(count_ - 1).stop_at_end = true;
    last_stops_ = true;
    last_top_ = 0;
    Replan(Change::Last);
}

double Planner::ExitOfFront() const {
    if (count_ < 2 || Front().stop_at_end) {
        return 0;
    }
    return At(1).entry;
}

// Backward: each block enters no faster than it can brake from to what the next one enters at,
// the last one to rest. Forward: from the speed the machine runs at, no block enters faster than
// the one before it can accelerate to. Both passes cost one square root per block they visit.
void Planner::Replan(Change change) {
    const std::size_t changed = change == Change::SpeedNow ? count_ : Backward(change == Change::All);
    Forward(changed);
}

// A block's backward limit depends only on its own and on the next block's: where it comes out as
// it was, so do all before it.
std::size_t Planner::Backward(bool all) {
    double next_entry = 0;
    for (std::size_t k = count_; k-- > 0;) {
        Block& b = AtMut(k);
        const double exit = b.stop_at_end ? 0 : next_entry;
        const double entry = std::min(b.max_entry, std::sqrt(exit * exit + 2 * b.accel * b.length));
        if (!all && k + 1 < count_ && Same(entry, b.backward)) {
            return k + 1;
        }
        b.backward = entry;
        next_entry = entry;
    }
    return 0;
}

// A block's entry depends only on the entry before it and on its own backward limit: before
// `changed`, where an entry comes out as it was, the entries up to `changed` stay as they are.
void Planner::Forward(std::size_t changed) {
    if (count_ == 0) {
        return;
    }
    Block& front = AtMut(0);
    std::size_t k = changed > 0 ? changed - 1 : 0;
    if (!Same(front.entry, speed_now_)) {
        front.entry = speed_now_;
        k = 0;
    }
    while (k + 1 < count_) {
        const Block& b = At(k);
        Block& next = AtMut(k + 1);
        const double reachable = std::sqrt(b.entry * b.entry + 2 * b.accel * b.length);
        const double entry = std::min(next.backward, reachable);
        if (k + 1 < changed && Same(entry, next.entry)) {
            k = changed - 1;
            continue;
        }
        next.entry = entry;
        ++k;
    }
}

// ---------------------------------------------------------------------------------------------
// BlockRun

void BlockRun::Begin(const Profile& profile, double ticks) {
    profile_ = profile;
    length_ = profile.length();
    base_ = 0;
    ds_ = ticks > 0 ? length_ / ticks : length_;
    done_ = 0;
    t_done_ = 0;
    last_period_ = 0;
    exit_ = ExitSpeed();
    braking_ = false;
}

double BlockRun::NextPeriod() {
    const double end = std::min(length_ - base_, profile_.RestAt());
    const double next = std::min(done_ + ds_, end);
    if (!(next > done_)) {
        return last_period_; // a tick past the end (the longest axis' share fell short of a step)
    }
    const double t = profile_.TimeAt(next);
    last_period_ = t - t_done_;
    done_ = next;
    t_done_ = t;
    return last_period_;
}

void BlockRun::Brake() {
    if (braking_) {
        return;
    }
    const double v = Speed();
    base_ += done_;
    profile_ = Profile::Braking(v, profile_.accel(), length_ - base_);
    done_ = 0;
    t_done_ = 0;
    braking_ = true;
}

void BlockRun::Retarget(double cruise) {
    if (braking_) {
        return;
    }
    const double v = Speed();
    base_ += done_;
    profile_ = Profile(v, cruise, std::min(exit_, cruise), profile_.accel(), length_ - base_);
    done_ = 0;
    t_done_ = 0;
}

} // namespace tamo::planner
