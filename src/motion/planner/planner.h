#pragma once

// The motion planner: moves in, timed speeds out. It knows nothing of the controller that feeds it:
// blocks come in with their geometry, their feed and each axis' limits, and every block leaves
// with the speeds it enters, cruises and leaves at, so that no axis is ever asked for more than its
// acceleration or its top speed, and corners are taken as fast as the junction deviation allows.
//
// Units: lengths in the controller's unit (mm or inch), times in seconds, speeds in units per
// second, accelerations in units per second squared.
//
// Two profiles live here. The sine ramp is the machine's own from its first day: forty-five ticks
// of a sine law whatever the step size (what runs when no acceleration is set). The trapezoid
// profile with look-ahead is what runs when the accelerations are set: each block accelerates and
// brakes at the acceleration its direction allows, and the look-ahead over the next blocks makes
// sure that the machine can always come to rest by the end of what it has seen.

#include <array>
#include <cstddef>
#include <cstdint>

namespace tamo::planner {

// One tick of the sine ramp toward `feed` (units per minute) at `angle_deg`: the ramped feed and
// the tick's delay in busy-loop iterations (loop_cal iterations times units per minute), never
// slower than `slow_feed` unless the feed itself is slower still. The delay is left unrounded.
struct RampTick {
    double feed = 0;
    double delay = 0;
};
[[nodiscard]] RampTick SineRampTick(double angle_deg, double feed, double loop_cal, double slow_feed);

// What the machine can do, per axis X, Y, Z.
struct Limits {
    std::array<double, 3> accel{};     // units/s^2; all above 0, or the planner is off
    std::array<double, 3> top_speed{}; // units/s: each axis' fast jog rate
    double junction_deviation = 0;     // units: how far the path may round a corner
    double largest_jump = 5;           // units/s: the most any axis' speed may jump at a corner
    [[nodiscard]] bool Set() const { return accel[0] > 0 && accel[1] > 0 && accel[2] > 0; }
};

// One move as the planner takes it.
struct Block {
    std::array<double, 3> start{}, end{};
    // An arc in the XY plane about (centre_x, centre_y), turning `sweep` radians (+1 clockwise);
    // Z climbs in proportion on a helix.
    bool arc = false;
    double centre_x = 0, centre_y = 0, sweep = 0;
    int dir = 1;
    bool rapid = false;       // as fast as the axes allow, whatever the override
    double feed = 0;          // units/s wanted along the path before the override
    bool stop_at_end = false; // the machine must be at rest when the block ends
    // A correction of a step or two (the end of an arc): it takes the speed it is given and sets
    // no corner of its own.
    bool tiny = false;
    std::int64_t tag = 0; // the caller's: which move this is

    // Worked out by Add.
    double length = 0;
    double accel = 0;     // along the path
    double axis_top = 0;  // the fastest the axes allow along the block
    double top_speed = 0; // the fastest the block may run: the axes, and the feed with the override
    double corner = 0;    // the fastest the corner with the block before may be taken
    double max_entry = 0; // the corner and both blocks' top speeds
    double backward = 0;  // the fastest it may enter and still brake for the blocks after it
    double entry = 0;     // planned: the backward limit and what the blocks before it can reach
    std::array<double, 3> dir_in{}, dir_out{}; // unit tangents at the start and the end
    // The most each axis' speed may change per second near the start and the end of the block:
    // its ramps, and on an arc the turn.
    std::array<double, 3> axis_accel_in{}, axis_accel_out{};
};

// The speed along one block: from `entry` toward `cruise`, braking in time to leave at `exit`, at
// `accel` throughout. Times are exact for the constant accelerations of each phase, so the steps'
// periods add up to the block's duration and no two successive periods differ by more than the
// acceleration allows.
class Profile {
public:
    Profile() = default;
    Profile(double entry, double cruise, double exit, double accel, double length);
    // A stop as fast as the acceleration allows, from `entry`: at rest after entry^2 / 2a, or
    // leaving at the speed it has come down to when the block is shorter.
    static Profile Braking(double entry, double accel, double length);

    [[nodiscard]] double SpeedAt(double s) const;
    // Seconds from the start of the block to s.
    [[nodiscard]] double TimeAt(double s) const;
    [[nodiscard]] double Duration() const { return TimeAt(length_); }
    [[nodiscard]] double length() const { return length_; }
    // Where the speed comes to 0 before the end or at it; infinity when it never does.
    [[nodiscard]] double RestAt() const { return rest_at_; }
    [[nodiscard]] double accel() const { return accel_; }

private:
    struct Phase {
        double s0 = 0, v0 = 0, a = 0, t0 = 0;
    };
    void Add(double s0, double v0, double a);
    std::array<Phase, 3> phases_{};
    std::size_t count_ = 0;
    double length_ = 0;
    double accel_ = 0;
    double rest_at_ = 0;
};

// The look-ahead queue: blocks are added at the back and run from the front. After every change
// the backward pass lets each block enter only as fast as the blocks after it can still be braked
// to rest by the end of the queue, and the forward pass only as fast as the blocks before it can
// accelerate to. Both passes stop where the plan no longer changes: a block added at the back
// replans only the blocks whose limit it moves, usually a few, not the whole queue.
class Planner {
public:
    static constexpr std::size_t kLookAhead = 128; // blocks

    void set_limits(const Limits& limits) { limits_ = limits; }
    [[nodiscard]] const Limits& limits() const { return limits_; }
    [[nodiscard]] bool active() const { return limits_.Set(); }
    // The override as a factor of the feed (1 = 100 %); the feed floor is 1 unit per minute.
    void set_feed_scale(double scale);
    [[nodiscard]] double feed_scale() const { return feed_scale_; }

    [[nodiscard]] std::size_t size() const { return count_; }
    [[nodiscard]] bool Full() const { return count_ == kLookAhead; }
    [[nodiscard]] const Block& Front() const { return At(0); }
    [[nodiscard]] const Block& At(std::size_t i) const { return ring_[(head_ + i) % kLookAhead]; }
    // Works out the block's length, acceleration, top speed and corner, and replans. False, with
    // nothing added, when the queue is full.
    bool Add(Block block);
    // The front block leaves the queue as it begins to run.
    void Pop();
    // Empties the queue. The next block added turns its corner from a move that left along
    // `last_out` (a zero vector: the machine is at rest, there is no corner).
    void Clear(const std::array<double, 3>& last_out = {});
    // The speed the front block may leave at: the next block's planned entry, 0 at the end of what
    // the queue holds or where the block must stop.
    [[nodiscard]] double ExitOfFront() const;
    // The speed the machine runs at as the front block begins: the forward pass starts from it.
    // Where the front already enters at `v` (the block before it left at the speed it was
    // planned to), the plan stands: nothing after the front depends on the block that left.
    void set_speed_now(double v) {
        const bool planned = count_ > 0 && v == At(0).entry;
        speed_now_ = v;
        if (!planned) {
            Replan(Change::SpeedNow);
        }
    }
    // A line that the machine must be still for (a spindle or coolant word, a tool change) comes
    // after the last block: it ends at rest.
    void StopAfterLast();
    [[nodiscard]] double speed_now() const { return speed_now_; }

    // The block's top speed with the override as it stands now.
    [[nodiscard]] double TopSpeedOf(const Block& block) const;
    // The limits of a block on its own (length, acceleration along it, top speed, tangents), as
    // Add works them out, for a block that runs outside the queue.
    void Measure(Block& block) const;
    // The fastest the corner from a block leaving along `out`, its axes' speeds changing by up to
    // `out_accel` per second there, to block `after` (measured) may be taken
    // (units/s), before the blocks' own top speeds: the junction deviation's circle, and no axis'
    // speed jumping by more than keeps its ramps either side and the jump, spread over a motor's
    // reaction time (kReactionWindow), within 1.02 times its acceleration.
    [[nodiscard]] double CornerSpeed(const std::array<double, 3>& out, const std::array<double, 3>& out_accel,
                                     const Block& after) const;
    // A motor follows a speed jump as if it were spread over this time (s): a jump J asks J / window
    // of acceleration on top of the ramps.
    static constexpr double kReactionWindow = 0.02;

private:
    Block& AtMut(std::size_t i) { return ring_[(head_ + i) % kLookAhead]; }
    // What changed since the last plan: the last block (added, or now stopping), every block's
    // limits, or only the speed the front runs at.
    enum class Change { Last, All, SpeedNow };
    void Replan(Change change);
    // The backward pass from the last block; returns the first block whose backward limit changed
    // (size() when none did).
    std::size_t Backward(bool all);
    // The forward pass over the blocks from `changed`, the first whose backward limit changed,
    // and wherever the front's speed leads to a change.
    void Forward(std::size_t changed);

    void TopSpeed(Block& block) const { block.top_speed = TopSpeedOf(block); }

    Limits limits_;
    double feed_scale_ = 1;
    std::array<double, 3> last_out_{};   // the tangent the last block added leaves along
    std::array<double, 3> last_accel_{}; // and its axes' ramps at its end
    double last_top_ = 0;                // and its top speed
    bool last_stops_ = true;             // it ends at rest (or there is none)
    double speed_now_ = 0;
    std::array<Block, kLookAhead> ring_{};
    std::size_t head_ = 0;
    std::size_t count_ = 0;
};

// The block that runs, tick by tick: each tick's step comes one period after the one before, the
// period being the time the profile takes over the tick's share of the path. A tick costs a square
// root and a few additions: everything else was worked out when the block began.
class BlockRun {
public:
    // The block's `ticks` ticks share its length evenly (a line's longest axis steps on each, an
    // arc's walk turns one increment).
    void Begin(const Profile& profile, double ticks);
    // Seconds from this tick's step to the next one's; moves on by one tick.
    [[nodiscard]] double NextPeriod();
    // From where the block is, braking to rest as fast as the acceleration allows (a Pause).
    void Brake();
    // The cruise speed changed (the override): from where the block is, on toward `cruise`, still
    // leaving at no more than it was going to.
    void Retarget(double cruise);
    [[nodiscard]] bool braking() const { return braking_; }
    // Braking, the machine has come to rest at the last step: no step follows.
    [[nodiscard]] bool AtRest() const { return braking_ && done_ >= profile_.RestAt(); }
    // The speed at the end of the block, as it runs now.
    [[nodiscard]] double ExitSpeed() const { return profile_.SpeedAt(profile_.length()); }
    [[nodiscard]] double Speed() const { return profile_.SpeedAt(done_); }

private:
    Profile profile_;
    double length_ = 0; // of the whole block
    double base_ = 0;   // where on the block the profile begins
    double ds_ = 0;     // path per tick
    double done_ = 0;   // path covered, from base_
    double t_done_ = 0; // the profile's time at done_
    double last_period_ = 0;
    double exit_ = 0;
    bool braking_ = false;
};

} // namespace tamo::planner
