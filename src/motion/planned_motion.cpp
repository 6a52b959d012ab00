// Moves timed by the planner: when the machine's accelerations are set, each straight move and
// each arc is a block of the planner, and the period of every tick comes from the block's planned
// speed at that point of the path instead of from the sine ramps. During a program run with
// "Constant contour on" the blocks come from reading the program ahead, so that corners are taken
// at the speed the junction deviation allows; otherwise every block ends at rest.
//
// Pause and a stop key brake the machine to rest within the accelerations, on through the next
// blocks if the one in progress is too short, and the resume record is written where it came to
// rest. The limit switch and a port that failed stop at once, as they always did.

#include "interpreter/cnc.h"
#include "interpreter/numbers.h"

#include <algorithm>
#include <cmath>

namespace tamo {
namespace {

// Two blocks are the same move when they are of one kind and feed and their ends lie within half
// a step of each other (the reading ahead adds steps up as whole moves, the run one at a time).
bool SameMove(const planner::Block& a, const planner::Block& b, const MachineState& st) {
    if (a.arc != b.arc || a.rapid != b.rapid || a.feed != b.feed || a.tiny != b.tiny) {
        return false;
    }
    const std::array<double, 3> half{std::fabs(st.UnitsPerStepX) / 2, std::fabs(st.UnitsPerStepY) / 2,
                                     std::fabs(st.UnitsPerStepZ) / 2};
    for (std::size_t i = 0; i < 3; ++i) {
        if (!(std::fabs(a.start[i] - b.start[i]) <= half[i]) || !(std::fabs(a.end[i] - b.end[i]) <= half[i])) {
            return false;
        }
    }
    if (a.arc) {
        return a.dir == b.dir && std::fabs(a.centre_x - b.centre_x) <= half[0] &&
               std::fabs(a.centre_y - b.centre_y) <= half[1] && std::fabs(a.sweep - b.sweep) <= 1e-9 * (1 + a.sweep);
    }
    return true;
}

} // namespace

// No axis' speed jumps by more than this at a corner, whatever the acceleration (mm/s).
constexpr double kLargestJumpMm = 5;

planner::Limits Cnc::MotionLimits() const {
    planner::Limits limits;
    limits.accel = setup.accel;
    const double fast_x = NumberOf(st.JogFastX) / 60;
    limits.top_speed = {fast_x, fast_x, NumberOf(st.JogFastZ) / 60};
    limits.junction_deviation = setup.junction_deviation;
    // 5 mm/s whatever the unit of the settings.
    limits.largest_jump = settings.OptionIn ? kLargestJumpMm / 25.4 : kLargestJumpMm;
    return limits;
}

double Cnc::FeedScale() const {
    return ScanNumber(main.Overide) / 100;
}

// Changes: motion_ (the plan, the block in progress, the reading ahead). Called once per block,
// before its first tick: everything the ticks need is worked out here.
void Cnc::BeginPlannedBlock(planner::Block live, double ticks, bool closes_arc) {
    PlannedMotion& m = motion_;
    m.timing = false;
    if (!setup.Accelerates() || st.SpeedTestRunning) {
        return;
    }
    m.planner.set_limits(MotionLimits());
    if (const double feed_scale = FeedScale(); m.planner.feed_scale() != feed_scale && !std::isnan(feed_scale)) {
        m.planner.set_feed_scale(feed_scale);
    }
    m.planner.Measure(live);
    if (!m.in_program) {
        m.speed = 0; // a move of the panel begins at rest
        m.holding = false;
    }
    const bool blends = m.in_program && main.Check1 == kChecked && !st.SingleStep;
    auto front_matches = [&] {
        return m.planner.size() > 0 && SameMove(m.planner.Front(), live, st);
    };
    planner::Block plan;
    double exit = 0;
    if (blends && !front_matches() && !closes_arc) {
        ReadAheadFromHere();
    }
    if (blends && front_matches()) {
        m.planner.set_speed_now(m.speed);
        plan = m.planner.Front();
        exit = m.planner.ExitOfFront();
        m.planner.Pop();
        ReadAhead();
    } else if (blends && closes_arc && live.tiny) {
        // The walk ended a step away from where it was read to: the correction runs on at the
        // speed the arc left it, braking to what the next block may be entered at, and the blocks
        // read ahead stay.
        plan = live;
        plan.top_speed = m.planner.TopSpeedOf(live);
        if (m.planner.size() > 0 && m.planner.Front().tiny) {
            // The reading ahead's own correction, which may end a step away from this one.
            exit = std::min(m.speed, m.planner.ExitOfFront());
            m.planner.Pop();
        } else {
            exit = m.planner.size() > 0 ? std::min(m.speed, m.planner.Front().max_entry) : 0;
        }
    } else {
        // On its own: from the speed the machine has to rest. What was read ahead no longer holds.
        m.planner.Clear(m.speed > 0 ? m.last_out : std::array<double, 3>{});
        m.look_ahead.reset();
        live.stop_at_end = true;
        live.tiny = false;
        (void)m.planner.Add(live);
        m.planner.set_speed_now(m.speed);
        plan = m.planner.Front();
        m.planner.Pop();
    }
    const planner::Profile profile = m.holding
                                         ? planner::Profile::Braking(m.speed, plan.accel, live.length)
                                         : planner::Profile(m.speed, plan.top_speed, exit, plan.accel, live.length);
    m.run.Begin(profile, ticks);
    m.block = plan;
    m.offline = st.Offline;
    m.timing = true;
}

// The delay of the tick about to run: its period in busy-loop iterations of the calibration, which
// counts LoopCal iterations a minute per X step. Rounded to the nearest whole iteration (the wait
// runs floor + 1).
void Cnc::PlannedDelay() {
    const double period_s = motion_.run.NextPeriod();
    const double iterations = period_s / 60 * st.LoopCal / std::fabs(st.UnitsPerStepX);
    if (std::isfinite(iterations)) {
        st.StepDelay = iterations - 0.5;
    }
}

// After a tick with a stop request, or while braking. False when the move stops here: the caller
// then ends it with SaveResumeRecord, which leaves the motion at rest. Changes: motion_, StopRequest
// (kept set, as the line parser clears it between the blocks of a stop that brakes through them).
bool Cnc::BrakesOn() {
    PlannedMotion& m = motion_;
    if (!m.timing || st.LimitTripped || (st.Offline && !m.offline)) {
        return false; // at once, where it is
    }
    m.holding = true;
    m.run.Brake();
    st.StopRequest = true;
    return !m.run.AtRest();
}

// Changes: motion_, and StopRequest while a stop brakes on into the next block.
void Cnc::EndPlannedBlock() {
    PlannedMotion& m = motion_;
    if (!m.timing) {
        return;
    }
    m.timing = false;
    m.speed = m.run.ExitSpeed();
    if (!m.block.tiny) {
        m.last_out = m.block.dir_out;
    }
    if (m.holding) {
        st.StopRequest = true;
        if (!(m.speed > 1e-9)) {
            m.holding = false;
            m.speed = 0;
        }
    }
}

// The override changed while a block runs: it goes on toward the new feed within its
// acceleration, and the blocks read ahead take it too.
void Cnc::FeedScaleChanged() {
    PlannedMotion& m = motion_;
    if (!m.timing) {
        return;
    }
    const double feed_scale = FeedScale();
    if (std::isnan(feed_scale)) {
        return;
    }
    m.planner.set_feed_scale(feed_scale);
    m.block.top_speed = m.planner.TopSpeedOf(m.block);
    m.run.Retarget(m.block.top_speed);
}

} // namespace tamo
