// Start's refusal, counted beside the program check's own parse of every line: a machine of its
// own takes each parsed block and counts it as Start would (start_count.h).
//
// Nearly every line of a program is far from a refusal: its move ends within a day by a wide
// margin whichever step the tool stands on. Such a line is only bounded, from where the tool
// stands to within a step or so, and Start's exact count (its positions to the last bit, each
// arc's walk) is worked out only for a program with a line that the bound cannot settle: then from
// its first line, as Start itself counts it.

#include "interpreter/start_refusal_walk.h"

#include "interpreter/cnc.h"
#include "interpreter/motion_word.h"
#include "interpreter/move_time_bound.h"
#include "interpreter/numbers.h"
#include "interpreter/start_count.h"
#include "motion/angles.h"
#include "motion/arc_geometry.h"
#include "platform/clock.h"
#include "platform/recording_surface.h"
#include "platform/scripted_operator.h"
#include "platform/sim_port.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace tamo {

using start_count::BeginAsStart;
using start_count::LineCost;
using start_count::NonFiniteWhy;
using start_count::Refusal;

// A machine of its own whose block state follows the other reading's, line by line; its positions
// and steps are Start's.
struct StartRefusalWalk::Machine {
    SimulatedPort port;
    FakeClock clock;
    ScriptedOperator op;
    NullSurface surface;
    Cnc cnc{port, clock, op, surface};
    bool limits = false;
    std::array<double, 3> offset{};
    bool done = false; // refused, or the end counted
    std::optional<MoveTimeBound> bound;

    // While every line so far was surely counted without a refusal, the count's own position (to
    // the last bit, after each arc's walk) is not worked out: where the tool stands is known to
    // within `slack` of `near` on each axis, and `cnc` stays as Start finds the program, for the
    // count from the first line that a line which may come near a refusal asks for (Settle).
    bool near_only = false;
    std::array<double, 3> near{};
    std::array<double, 3> slack{};
    std::array<double, 3> steps{};
    double override_percent = 0;

    bool NearWithinADay(double ticks, double feed, bool rapid) const {
        return bound->NearWithinADay(ticks) || bound->NearWithinADayAt(ticks, feed, override_percent, rapid);
    }
    // A straight move onto `target` from where the tool stands, the tool within `slack` of `from`.
    bool StraightSurely(const std::array<double, 3>& from, const std::array<double, 3>& from_slack,
                        const std::array<double, 3>& target, double feed, bool rapid) const;
    // Whether the parsed line surely counts without a refusal; if so, where the tool ends up.
    bool SurelyCounted(const MachineState& parsed, bool may_arc);
};

namespace {

// Room for the roundings of a position the count works out: a few parts in 1e16 of the numbers
// it comes from, and ten thousand times that here.
constexpr double kPositionRoom = 1e-12;

bool AllFinite(const std::array<double, 3>& v) {
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

} // namespace

// The count's straight move takes one tick per step of its longest axis, each axis's steps its
// distance to the target rounded: from anywhere within the slack, at most one more than the
// farthest distance over the step.
bool StartRefusalWalk::Machine::StraightSurely(const std::array<double, 3>& from,
                                               const std::array<double, 3>& from_slack,
                                               const std::array<double, 3>& target, double feed, bool rapid) const {
    double ticks = 0;
    for (std::size_t a = 0; a < 3; ++a) {
        const double reach = std::fabs(target[a] - from[a]) + from_slack[a] +
                             kPositionRoom * (std::fabs(target[a]) + std::fabs(from[a]) + from_slack[a]);
        ticks = std::max(ticks, reach / std::fabs(steps[a]) + 1);
    }
    return std::isfinite(ticks) && NearWithinADay(ticks, feed, rapid);
}

// LineCost's count of the line, bounded: a straight move as above; an arc's walk at most one
// increment (an X step of arc, or less on a helix) per step of its whole circle and of its Z, and
// a few more, and then the straight move from where the walk ends, on the circle to within a step (or,
// with nothing to walk, where the tool stood) onto the end point. The arc's centre and radius, as
// the count works them out, take no step size and no position of the count's.
bool StartRefusalWalk::Machine::SurelyCounted(const MachineState& parsed, bool may_arc) {
    const Motion motion = MotionOf(parsed.GCode);
    const std::array<double, 3> target{parsed.TargetX, parsed.TargetY, parsed.TargetZ};
    const bool arc = motion == Motion::ArcClockwise || motion == Motion::ArcCounterClockwise;
    if (motion == Motion::None || (arc && !may_arc)) {
        return true; // nothing counted, nothing moved
    }
    if (!AllFinite(target)) {
        return false;
    }
    if (!arc) {
        if (!StraightSurely(near, slack, target, parsed.ProgFeed, motion == Motion::Rapid)) {
            return false;
        }
    } else {
        const ArcCentre centre = CentreOf({parsed.StartX, parsed.StartY, parsed.StartZ, parsed.TargetX, parsed.TargetY,
                                           parsed.TargetZ, parsed.ArcI, parsed.ArcJ, 1});
        const double r = centre.radius;
        if (!std::isfinite(centre.x) || !std::isfinite(centre.y) || !std::isfinite(r)) {
            return false;
        }
        const double increments = 2 * Pi() * (1 + kPositionRoom) * r / std::fabs(steps[0]) +
                                  std::fabs((target[2] - parsed.StartZ) / steps[2]) + 4;
        if (!std::isfinite(increments) || !NearWithinADay(increments, parsed.ProgFeed, false)) {
            return false;
        }
        // Where the walk may end: anywhere on the circle or where the tool stood, to within a step.
        std::array<double, 3> from = target;
        std::array<double, 3> from_slack{};
        const std::array<double, 3> on_circle{std::fabs(centre.x - target[0]) + r, std::fabs(centre.y - target[1]) + r,
                                              std::fabs(parsed.StartZ - target[2])};
        for (std::size_t a = 0; a < 3; ++a) {
            const double stood = std::fabs(near[a] - target[a]) + slack[a];
            from_slack[a] = std::max(on_circle[a], stood) + std::fabs(steps[a]) +
                            kPositionRoom * (std::fabs(centre.x) + std::fabs(centre.y) + r + std::fabs(near[a]));
        }
        if (!StraightSurely(from, from_slack, target, parsed.ProgFeed, false)) {
            return false;
        }
    }
    near = target;
    for (std::size_t a = 0; a < 3; ++a) {
        slack[a] = std::fabs(steps[a]) + kPositionRoom * (std::fabs(target[a]) + std::fabs(steps[a]));
    }
    return true;
}

StartRefusalWalk::StartRefusalWalk(const Cnc& start) : m_(std::make_unique<Machine>()) {
    Cnc& c = m_->cnc;
    c.st = start.st;
    c.main = start.main;
    c.settings = start.settings;
    c.scale = start.scale;
    c.setup = start.setup;
    MachineState& s = c.st;
    BeginAsStart(s);
    m_->limits = c.SoftLimitsApply();
    m_->offset = c.TravelOffset();
    m_->done = s.PrgLineCount <= 0;
    m_->bound.emplace(s);
    // Where the soft limits apply, every move's reach is read from the count's own position: there
    // it is worked out line by line as Start works it out.
    m_->near = {s.ProgPosX, s.ProgPosY, s.ProgPosZ};
    m_->steps = {s.UnitsPerStepX, s.UnitsPerStepY, s.UnitsPerStepZ};
    m_->override_percent = ScanSettingNumber(c.main.Overide);
    m_->near_only = !m_->limits && m_->bound->NearWithinADay(2) && AllFinite(m_->near);
}

StartRefusalWalk::StartRefusalWalk(StartRefusalWalk&&) noexcept = default;
StartRefusalWalk& StartRefusalWalk::operator=(StartRefusalWalk&&) noexcept = default;
StartRefusalWalk::~StartRefusalWalk() = default;

void StartRefusalWalk::BeforeParse(int n, const NonFiniteNumber& word) {
    if (m_->done || word.slot == kWordSlots) {
        return; // nearly every line: no word written as a NaN or an infinity
    }
    if (std::string why = NonFiniteWhy(word); !why.empty()) {
        refused_line_ = n;
        refusal_ = Refusal(m_->cnc.st, n, why);
        m_->done = true;
    }
}

// Everything of the block that the counting reads: what a parse sets (the start is where the last
// block's target was) and what an arc's dispatch rewrites (I and J, after it).
void StartRefusalWalk::Parsed(int n, const MachineState& parsed, bool may_arc) {
    if (m_->done) {
        return;
    }
    if (m_->near_only) {
        if (!m_->SurelyCounted(parsed, may_arc)) {
            Settle();
        }
        return;
    }
    MachineState& s = m_->cnc.st;
    s.StartX = parsed.StartX;
    s.StartY = parsed.StartY;
    s.StartZ = parsed.StartZ;
    s.TargetX = parsed.TargetX;
    s.TargetY = parsed.TargetY;
    s.TargetZ = parsed.TargetZ;
    s.ArcI = parsed.ArcI;
    s.ArcJ = parsed.ArcJ;
    s.ProgFeed = parsed.ProgFeed;
    s.GCode.assign(parsed.GCode);
    s.RapidMove = parsed.RapidMove;
    Count(n, may_arc);
}

void StartRefusalWalk::End() {
    if (m_->done) {
        return;
    }
    if (m_->near_only) {
        // The empty entry keeps the last line's target and motion word: a straight one moves from
        // where the tool stands, within a step of that target, onto it, a tick or two; an arc word
        // there is no arc.
        m_->done = true;
        return;
    }
    Cnc& c = m_->cnc;
    c.st.PrgLine.clear();
    c.ParseLine();
    Count(c.st.PrgLineCount + 1, false);
    m_->done = true;
}

// EstimateOnThisCopy's step over one parsed line, without the time.
void StartRefusalWalk::Count(int n, bool may_arc) {
    Cnc& c = m_->cnc;
    MachineState& s = c.st;
    if (std::string why = LineCost(c, m_->limits, m_->offset, may_arc, nullptr, nullptr, &*m_->bound).why;
        !why.empty()) {
        refused_line_ = std::min(n, s.PrgLineCount);
        refusal_ = Refusal(s, refused_line_, why);
        m_->done = true;
    }
}

// A line that may come near a refusal: Start's own count of the program, from its first line, on
// the machine as Start finds it.
void StartRefusalWalk::Settle() {
    const RunEstimate estimate = m_->cnc.EstimateOnThisCopy(false);
    refused_line_ = estimate.refused_line;
    refusal_ = estimate.refusal;
    m_->done = true;
}

} // namespace tamo
