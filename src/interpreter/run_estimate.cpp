// The run-time estimate: the loaded program worked out line by line as a fresh Start would run it,
// through the same parser, scale factors, settings and feed computation, but without a tick. It
// gives the time of every line and finds the lines Start refuses: a move that could never end or
// would take more than a day, and one whose numbers are beyond any that a move can be made of
// (those would otherwise be skipped without a word, or counted for ever).
//
// The moves are counted in closed form, mirroring the move procedures: a straight move takes one
// tick per step of its longest axis, with the sine ramps at both ends; an arc one tick per angle
// increment, then the straight move onto its end point. Two things of the run are left out, each
// worth at most a tick or two of a move: the fractions the step accumulators carry from move to
// move (a move of 49 steps can take 50 ticks), and the exact point where an arc's walk ends.

#include "interpreter/cnc.h"
#include "interpreter/line_words.h"
#include "interpreter/motion_word.h"
#include "interpreter/move_time_bound.h"
#include "interpreter/numbers.h"
#include "interpreter/planned_time.h"
#include "interpreter/start_count.h"
#include "motion/angles.h"
#include "motion/arc_geometry.h"
#include "motion/plan_blocks.h"
#include "motion/planner/planner.h"
#include "motion/tick_travel.h"
#include "platform/clock.h"
#include "platform/recording_surface.h"
#include "platform/scripted_operator.h"
#include "platform/sim_port.h"
#include "platform/visible_text.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace tamo {
namespace start_count {
namespace {

bool IsArc(Motion motion) {
    return motion == Motion::ArcClockwise || motion == Motion::ArcCounterClockwise;
}

double Iterations(double delay) {
    return static_cast<double>(BusyWaitIterations(delay));
}

} // namespace

// The busy-loop iterations of a straight move's ticks with its ramps. The ramp delays depend only
// on the feed, so they are summed once per feed (a program has few) and kept.
class RampSums {
public:
    explicit RampSums(const MachineState& st) : loop_cal_(st.LoopCal), slow_rate_(NumberOf(st.JogSlowX)) {
        for (int angle = 1; angle <= 90; ++angle) {
            // The same expression as the ramp's, so that every delay rounds the same way.
            sine_[static_cast<std::size_t>(angle)] = std::sin(angle / 180.0 * Pi());
        }
    }

    // A move of `ticks` ticks at `feed` whose feed computation left `delay`: acceleration while
    // more than 50 ticks are left (2 to 90 degrees), the tick at 50 unchanged, deceleration over
    // the last 50 (89 down to 1 degree).
    double Ramped(double ticks, double feed, double delay) {
        const Sums& sums = For(feed);
        const double up = std::max(0.0, ticks - 51);
        const auto up_ramped = static_cast<std::size_t>(std::min(up, 45.0));
        double total = sums.up[up_ramped] + (up - static_cast<double>(up_ramped)) * sums.up_each[45];
        if (ticks >= 51) {
            total += up_ramped > 0 ? sums.up_each[up_ramped] : Iterations(delay);
        }
        const double down = std::min(ticks, 50.0);
        const auto down_ramped = static_cast<std::size_t>(std::min(down, 45.0));
        return total + sums.down[down_ramped] + (down - static_cast<double>(down_ramped)) * sums.down_each[45];
    }

private:
    struct Sums {
        double feed = -1;
        std::uint64_t used = 0;
        std::array<double, 46> up{}, down{};           // the first k ticks of each ramp
        std::array<double, 46> up_each{}, down_each{}; // tick k of each ramp
    };

    // Four places for each feed, by the top bits of a Fibonacci hash, the least recently used of
    // them given up for a new feed: two feeds that share a hash no longer push each other out.
    const Sums& For(double feed) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &feed, sizeof bits);
        const std::size_t first = ((bits * 0x9E3779B97F4A7C15u) >> 60) * kWays;
        ++clock_;
        Sums* oldest = &kept_[first];
        for (std::size_t way = 0; way < kWays; ++way) {
            Sums& sums = kept_[first + way];
            if (sums.feed == feed) {
                sums.used = clock_;
                return sums;
            }
            if (sums.used < oldest->used) {
                oldest = &sums;
            }
        }
        Sums& sums = *oldest;
        sums.used = clock_;
        sums.feed = feed;
        for (std::size_t k = 1; k <= 45; ++k) {
            sums.up_each[k] = Iterations(Delay(feed, 2 * k));
            sums.down_each[k] = Iterations(Delay(feed, 91 - 2 * k));
            sums.up[k] = sums.up[k - 1] + sums.up_each[k];
            sums.down[k] = sums.down[k - 1] + sums.down_each[k];
        }
        return sums;
    }

    // A ramp tick's delay: never slower than the X slow jog rate, or than the feed itself when
    // that is slower still.
    [[nodiscard]] double Delay(double feed, std::size_t angle) const {
        const double delay = loop_cal_ / (sine_[angle] * feed);
        const double slowest = loop_cal_ / (feed < slow_rate_ ? feed : slow_rate_);
        return delay > slowest ? slowest : delay;
    }

    double loop_cal_;
    double slow_rate_;
    std::array<double, 91> sine_{};
    static constexpr std::size_t kWays = 4;
    std::array<Sums, 16 * kWays> kept_{};
    std::uint64_t clock_ = 0;
};

// The planner's blocks of one program line: an arc's walk and the straight move onto its end, or
// one straight move.
struct BlockSink {
    std::array<planner::Block, 2> blocks{};
    std::size_t count = 0;
    void Add(const planner::Block& block) {
        if (count < blocks.size()) {
            blocks[count++] = block;
        }
    }
};

namespace {

std::string Hours(double seconds) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%.3g", seconds / 3600);
    return text.data();
}

// The ticks of a move at the feed its computation left.
std::string TooLong(const MachineState& st, double ticks, const char* what) {
    return MoveTimeProblem(ticks, st.UnitsPerStepX, st.FeedRate, what);
}

// LinearMove and InterpolateLine, counted: the step counts, the feed, and the program position
// where the ticks would leave it.
MoveCost StraightCost(Cnc& cnc, RampSums* ramps, BlockSink* sink = nullptr, bool closes_arc = false,
                      const MoveTimeBound* bound = nullptr) {
    MachineState& st = cnc.st;
    st.FeedFactor = 1;
    const std::array<double, 3> targets{st.TargetX, st.TargetY, st.TargetZ};
    const std::array<double*, 3> positions{&st.ProgPosX, &st.ProgPosY, &st.ProgPosZ};
    const std::array<double, 3> step_sizes{st.UnitsPerStepX, st.UnitsPerStepY, st.UnitsPerStepZ};
    std::array<double, 3> steps{};
    double longest = 0;
    for (std::size_t a = 0; a < 3; ++a) {
        const double delta = targets[a] - *positions[a];
        if (!std::isfinite(delta)) {
            return {0, "its end point is beyond any number a move can be computed from"};
        }
        steps[a] = delta == 0 ? 0 : RoundHalfEven(delta / step_sizes[a]);
        if (!std::isfinite(steps[a])) {
            return {0, "its move has more steps than any number can hold"};
        }
        longest = std::max(longest, std::fabs(steps[a]));
    }
    st.StepsX = steps[0], st.StepsY = steps[1], st.StepsZ = steps[2];
    st.StepsMax = longest;
    if (steps[0] != 0 && steps[1] != 0) {
        st.FeedFactor = std::min(1.0, longest / (std::fabs(steps[0]) + std::fabs(steps[1])));
    }
    // The feed factor is at least a half: the longest axis steps at least half of X's and Y's. A
    // move that is plainly short needs no tick travel either: only the closer look and the feed
    // computation read it.
    bool short_move = bound != nullptr && bound->PlainlyWithinADay(st, longest);
    if (!short_move) {
        SetLineTickTravel(st);
        short_move = bound != nullptr && bound->SurelyWithinADay(st, longest, 0.5);
        if (!short_move) {
            cnc.ComputeFeedDelay();
        }
    }
    st.StepsZ = 0;
    ClearTickTravel(st);
    if (std::string why = short_move ? std::string() : TooLong(st, longest, "move"); !why.empty()) {
        return {0, why};
    }
    if (sink != nullptr && longest > 0) {
        planner::Block block = LineBlock({*positions[0], *positions[1], *positions[2]}, steps, step_sizes,
                                         MotionOf(st.GCode) == Motion::Rapid, st.ProgFeed);
        block.tiny = closes_arc && longest <= 2;
        sink->Add(block);
    }
    for (std::size_t a = 0; a < 3; ++a) {
        *positions[a] += steps[a] * step_sizes[a];
    }
    if (ramps == nullptr) {
        return {};
    }
    const bool ramped = cnc.main.Check1 == kUnchecked || st.RapidMove;
    return {ramped ? ramps->Ramped(longest, st.FeedRate, st.StepDelay) : longest * Iterations(st.StepDelay), {}};
}

// ArcMove and ArcSteps, counted: the geometry the arc walks (I and J rewritten in place, as a later
// block without them reads them), one tick per increment, then the straight move from where the
// walk ends.
MoveCost ArcCost(Cnc& cnc, RampSums* ramps, BlockSink* sink, const MoveTimeBound* bound) {
    MachineState& st = cnc.st;
    st.FeedFactor = 1;
    const ArcBlock block{st.StartX,  st.StartY, st.StartZ, st.TargetX, st.TargetY,
                         st.TargetZ, st.ArcI,   st.ArcJ,   st.ArcDir};
    const ArcGeometry g = MakeArcGeometry(block, st.UnitsPerStepX, st.UnitsPerStepZ);
    SetArcTickTravel(st, g);
    const bool short_walk = bound != nullptr && (!g.Walkable() || bound->SurelyWithinADay(st, g.Increments(), 1));
    if (!short_walk) {
        cnc.ComputeFeedDelay();
    }
    ClearTickTravel(st);
    if (!std::isfinite(g.centre_x) || !std::isfinite(g.centre_y) || !std::isfinite(g.radius) ||
        !std::isfinite(st.TargetX) || !std::isfinite(st.TargetY)) {
        return {0, "its arc's centre, radius or end point is beyond any number a move can be computed from"};
    }
    LeaveCentreOffsets(st.ArcI, st.ArcJ);

    MoveCost cost;
    if (sink != nullptr && g.Walkable()) {
        sink->Add(ArcPlanBlock(g, 0, st.ProgFeed));
    }
    if (g.Walkable()) {
        const double increments = g.Increments();
        if (std::string why = short_walk ? std::string() : TooLong(st, increments, "arc"); !why.empty()) {
            return {0, why};
        }
        cost.iterations = increments * Iterations(st.StepDelay);
        // The walk ends one increment past the end angle; each axis has followed the arc to
        // within a step of it.
        const double last = (increments - 1) * g.angle_step;
        st.ProgPosX += RoundHalfEven((g.XAt(last) - st.ProgPosX) / st.UnitsPerStepX) * st.UnitsPerStepX;
        st.ProgPosY += RoundHalfEven((g.YAt(last) - st.ProgPosY) / st.UnitsPerStepY) * st.UnitsPerStepY;
        st.ProgPosZ += RoundHalfEven((g.ZAt(last) - st.ProgPosZ) / st.UnitsPerStepZ) * st.UnitsPerStepZ;
    }
    st.StartX = st.ProgPosX;
    st.StartY = st.ProgPosY;
    st.StartZ = st.ProgPosZ;
    MoveCost closing = StraightCost(cnc, ramps, sink, true, bound);
    closing.iterations += cost.iterations;
    return closing;
}

} // namespace

MoveCost DispatchCost(Cnc& cnc, RampSums* ramps, BlockSink* sink, const MoveTimeBound* bound) {
    MachineState& st = cnc.st;
    switch (MotionOf(st.GCode)) {
    case Motion::Rapid:
        st.RapidMove = true;
        return StraightCost(cnc, ramps, sink, false, bound);
    case Motion::Feed:
        return StraightCost(cnc, ramps, sink, false, bound);
    case Motion::ArcClockwise:
        st.ArcDir = 1;
        return ArcCost(cnc, ramps, sink, bound);
    case Motion::ArcCounterClockwise:
        st.ArcDir = -1;
        return ArcCost(cnc, ramps, sink, bound);
    case Motion::None:
        break;
    }
    return {};
}

std::string NonFiniteWhy(std::string_view line) {
    return NonFiniteWhy(NonFiniteWord(line));
}

std::string NonFiniteWhy(const NonFiniteNumber& word) {
    if (word.slot == kWordSlots) {
        return {};
    }
    return std::string("its ") + kWordLetter[static_cast<std::size_t>(word.slot)] + " word \"" +
           ShowInvisible(word.number.substr(0, 20)) +
           "\" is not a number a move can be made of (it would be read as 0)";
}

namespace {

// The line's text as a refusal names it.
std::string Shown(std::string_view line) {
    return ShowInvisible(TrimSpaces(line).substr(0, 40));
}

} // namespace

std::string Refusal(const MachineState& st, int line, const std::string& why) {
    return "Line " + std::to_string(line) + " (" + Shown(st.PrgBuf.Text(static_cast<std::size_t>(line))) +
           ") cannot be run: " + why + ". Correct the program or the scale factors before starting.";
}

void BeginAsStart(MachineState& s) {
    s.StartX = s.StartY = s.StartZ = 0;
    s.TargetX = s.TargetY = s.TargetZ = 0;
    s.Previewing = true;
}

MoveCost LineCost(Cnc& cnc, bool limits, const std::array<double, 3>& offset, bool may_arc, RampSums* ramps,
                  BlockSink* sink, const MoveTimeBound* bound) {
    if (!may_arc && IsArc(MotionOf(cnc.st.GCode))) {
        return {};
    }
    if (std::string why = limits ? cnc.BlockTravelProblem(offset) : std::string(); !why.empty()) {
        return {0, "its move would leave the travel: " + why};
    }
    return DispatchCost(cnc, ramps, sink, bound);
}

} // namespace start_count

using namespace start_count;

std::string MoveTimeProblem(double ticks, double step_x, double feed, const char* what) {
    if (!(ticks > 0)) {
        return {};
    }
    if (ticks > kMaxCountableTicks) {
        return std::string("its ") + what + " would never end: " + FormatNumber(ticks) +
               " ticks, more than a step counter can count down";
    }
    const double seconds = ticks * 60 * std::fabs(step_x) / feed;
    if (!std::isfinite(seconds) || !(feed > 0)) {
        return std::string("its ") + what + " would never end at its feed";
    }
    if (!(seconds <= kMaxMoveSeconds)) {
        return std::string("its ") + what + " would take more than a day at its feed, about " + Hours(seconds) +
               " hours";
    }
    return {};
}

// A machine of its own, on seams of its own, that starts as a copy of the live one's state and
// controls: what is worked out on it moves nothing and changes nothing of the live machine.
struct Cnc::Scratch {
    SimulatedPort port;
    FakeClock clock;
    ScriptedOperator op;
    NullSurface surface;
    Cnc cnc;
    // Reading ahead: the next line to read, and whether the reading has come to an end.
    int next_line = 0;
    bool ended = false;
    explicit Scratch(const Cnc& live) : cnc(port, clock, op, surface) {
        cnc.st = live.st;
        cnc.main = live.main;
        cnc.settings = live.settings;
        cnc.scale = live.scale;
        cnc.setup = live.setup;
    }
};

RunEstimate Cnc::EstimateRun() const {
    Scratch scratch(*this);
    return scratch.cnc.EstimateOnThisCopy();
}

std::string Cnc::TypedLineProblem(const std::string& line) const {
    std::string why = NonFiniteWhy(line);
    if (why.empty()) {
        Scratch scratch(*this);
        Cnc& c = scratch.cnc;
        RampSums ramps(c.st);
        c.st.Previewing = true;
        c.st.TargetX = c.st.ProgPosX; // a typed line runs from where the machine stands
        c.st.TargetY = c.st.ProgPosY;
        c.st.TargetZ = c.st.ProgPosZ;
        c.st.PrgLine = line;
        const bool may_arc = CarriesArcWord(line);
        c.ParseLine();
        const Motion motion = MotionOf(c.st.GCode);
        const bool feed_move =
            IsArc(motion) || (motion == Motion::Feed && std::array{c.st.TargetX, c.st.TargetY, c.st.TargetZ} !=
                                                            std::array{c.st.ProgPosX, c.st.ProgPosY, c.st.ProgPosZ});
        if (may_arc || !IsArc(motion)) {
            if (feed_move && !(c.st.ProgFeed > 0)) {
                // A program's move at feed 0 crawls at the slowest feed; a typed one is not run.
                why = "its feed is 0: give it an F above 0";
            } else if (std::string travel = SoftLimitsApply() ? c.BlockTravelProblem(TravelOffset()) : std::string();
                       !travel.empty()) {
                why = "its move would leave the travel: " + travel;
            } else {
                why = DispatchCost(c, &ramps).why;
            }
        }
    }
    return why.empty() ? why : "The typed line (" + Shown(line) + ") cannot be run: " + why + ".";
}

std::string Cnc::PointMoveProblem(const std::array<double, 3>& point, double feed) const {
    if (SoftLimitsApply()) {
        if (std::string why = PointTravelProblem(point); !why.empty()) {
            return "The point cannot be reached: its move would leave the travel: " + why + ".";
        }
    }
    Scratch scratch(*this);
    MachineState& s = scratch.cnc.st;
    RampSums ramps(s);
    s.GCode = "G01";
    s.ProgFeed = feed;
    // The legs of the safe approach: up to the higher of the two heights, across, down.
    const double height = std::max(s.ProgPosZ, point[2]);
    const std::array<std::array<double, 3>, 3> legs{{
        {s.ProgPosX, s.ProgPosY, height},
        {point[0], point[1], height},
        point,
    }};
    for (const auto& leg : legs) {
        s.TargetX = leg[0];
        s.TargetY = leg[1];
        s.TargetZ = leg[2];
        if (std::string why = StraightCost(scratch.cnc, &ramps).why; !why.empty()) {
            return "The point cannot be reached: " + why + ".";
        }
    }
    return {};
}

std::string Cnc::ApproachProblem(const Approach& to) const {
    Scratch scratch(*this);
    MachineState& s = scratch.cnc.st;
    RampSums ramps(s);
    const double height = std::max({s.ProgPosZ, to.z, to.lift_z});
    struct Leg {
        double x, y, z;
        const char* word;
    };
    std::vector<Leg> legs{{s.ProgPosX, s.ProgPosY, height, to.across}};
    if (to.via_program_zero) {
        legs.push_back({0, 0, height, to.across});
    }
    legs.push_back({to.x, to.y, height, to.across});
    legs.push_back({to.x, to.y, to.z, to.down});
    for (const Leg& leg : legs) {
        s.TargetX = leg.x;
        s.TargetY = leg.y;
        s.TargetZ = leg.z;
        s.GCode = leg.word;
        s.RapidMove = false;
        if (std::string why = DispatchCost(scratch.cnc, &ramps).why; !why.empty()) {
            return "The way to X" + FormatFixed(to.x, 4) + " Y" + FormatFixed(to.y, 4) + " Z" + FormatFixed(to.z, 4) +
                   " cannot be run: " + why + ". Nothing moved.";
        }
    }
    return {};
}

RunEstimate Cnc::EstimateOnThisCopy(bool with_times) {
    MachineState& s = st;
    const int lines = s.PrgLineCount;
    BeginAsStart(s);

    RunEstimate estimate;
    // Without the times, a move plainly short of a day needs no feed worked out.
    std::optional<MoveTimeBound> bound;
    if (!with_times) {
        bound.emplace(s);
    }
    const double seconds_per_iteration = 60 * s.UnitsPerStepX / s.LoopCal;
    estimate.calibrated = std::isfinite(seconds_per_iteration) && seconds_per_iteration > 0;
    RampSums ramps(s);
    // Homed, the machine coordinates stay at a fresh start: the program's moves are the machine's
    // shifted by where the program origin stands.
    const bool limits = SoftLimitsApply();
    const std::array<double, 3> offset = TravelOffset();
    double iterations = 0;
    const bool planned = with_times && setup.Accelerates();
    const bool listed = with_times && !planned; // the times listed line by line as they are counted
    std::optional<PlannedTime> planned_time;
    if (planned) {
        planned_time.emplace(MotionLimits(), FeedScale(), main.Check1 == kChecked, estimate.seconds, lines);
    } else if (listed) {
        estimate.seconds.reserve(static_cast<std::size_t>(lines));
    }
    std::size_t timed = 0; // the lines timed so far: how many entries the estimate ends with
    auto finish = [&] {
        if (!planned) {
            return;
        }
        if (estimate.calibrated) {
            planned_time->Finish(timed);
        } else {
            estimate.seconds.assign(timed, 0.0);
        }
    };
    for (int n = 1; n <= lines + 1; ++n) {
        const bool past_the_end = n > lines;
        s.PrgLine = past_the_end ? std::string_view() : s.PrgBuf.Text(static_cast<std::size_t>(n));
        const bool may_arc = CarriesArcWord(s.PrgLine);
        MoveCost cost{0, NonFiniteWhy(s.PrgLine)};
        if (cost.why.empty()) {
            ParseLine();
            if (planned && std::holds_alternative<std::string>(s.MWord)) {
                planned_time->StopHere();
            }
            BlockSink sink;
            cost = LineCost(*this, limits, offset, may_arc, with_times ? &ramps : nullptr, planned ? &sink : nullptr,
                            bound ? &*bound : nullptr);
            for (std::size_t b = 0; b < sink.count; ++b) {
                planned_time->Add(sink.blocks[b], n);
            }
        }
        if (!cost.why.empty()) {
            const int line = past_the_end ? lines : n;
            estimate.refused_line = line;
            estimate.refusal = Refusal(s, line, cost.why);
            if (past_the_end && timed > 0) {
                --timed;
                if (listed) {
                    estimate.seconds.pop_back();
                }
            }
            finish();
            return estimate;
        }
        iterations += cost.iterations;
        if (past_the_end) {
            if (listed && timed > 0) {
                estimate.seconds.set_back(estimate.calibrated ? iterations * seconds_per_iteration : 0);
            }
        } else {
            ++timed;
            if (listed) {
                estimate.seconds.push_back(estimate.calibrated ? iterations * seconds_per_iteration : 0);
            }
        }
    }
    finish();
    return estimate;
}

// Changes: motion_ (the plan and the reading ahead). From a copy of the machine as it stands
// before the move in progress: that move first, then the lines after it.
void Cnc::ReadAheadFromHere() {
    PlannedMotion& m = motion_;
    m.planner.Clear(m.speed > 0 ? m.last_out : std::array<double, 3>{});
    auto scratch = std::make_shared<Scratch>(*this);
    Cnc& c = scratch->cnc;
    c.st.Previewing = true;
    BlockSink sink;
    const MoveCost cost = DispatchCost(c, nullptr, &sink);
    for (std::size_t b = 0; b < sink.count; ++b) {
        (void)m.planner.Add(sink.blocks[b]);
    }
    scratch->next_line = st.PrgLineNo + 1;
    scratch->ended = !cost.why.empty();
    m.look_ahead = std::move(scratch);
    ReadAhead();
}

// Reads lines on the copy until the plan holds its look-ahead, or the program ends, or a line
// cannot be read ahead (the run stops before it, at rest). Costs a parse a line and a pass over
// the plan per block: once per block, never per tick.
void Cnc::ReadAhead() {
    PlannedMotion& m = motion_;
    auto* scratch = static_cast<Scratch*>(m.look_ahead.get());
    if (scratch == nullptr) {
        return;
    }
    Cnc& c = scratch->cnc;
    MachineState& s = c.st;
    while (!scratch->ended && m.planner.size() + 2 <= planner::Planner::kLookAhead) {
        const int n = scratch->next_line++;
        if (n > s.PrgLineCount) {
            scratch->ended = true;
            break;
        }
        s.PrgLine = s.PrgBuf.Text(static_cast<std::size_t>(n));
        const bool may_arc = CarriesArcWord(s.PrgLine);
        if (!NonFiniteWhy(s.PrgLine).empty()) {
            scratch->ended = true;
            break;
        }
        c.ParseLine();
        if (std::holds_alternative<std::string>(s.MWord)) {
            m.planner.StopAfterLast();
        }
        if (may_arc || !IsArc(MotionOf(s.GCode))) {
            BlockSink sink;
            if (!DispatchCost(c, nullptr, &sink).why.empty()) {
                scratch->ended = true;
                break;
            }
            for (std::size_t b = 0; b < sink.count; ++b) {
                (void)m.planner.Add(sink.blocks[b]);
            }
        }
    }
}

RunEstimateInputs Cnc::EstimateInputs() const {
    RunEstimateInputs inputs;
    inputs.program = program_generation_;
    inputs.lines = st.PrgLineCount;
    inputs.settings = {st.UnitsPerStepX,      st.UnitsPerStepY,      st.UnitsPerStepZ,        st.LoopCal,
                       NumberOf(st.JogFastX), NumberOf(st.JogFastZ), NumberOf(st.JogSlowX),   setup.accel[0],
                       setup.accel[1],        setup.accel[2],        setup.junction_deviation};
    inputs.scale = scale.Combo1;
    inputs.override_text = main.Overide;
    inputs.contour = main.Check1;
    if (SoftLimitsApply()) {
        inputs.travel = {st.MachPosX - st.ProgPosX, st.MachPosY - st.ProgPosY, st.MachPosZ - st.ProgPosZ};
        for (std::size_t a = 0; a < 3; ++a) {
            const MachineSetup::Travel& t = setup.travel[a];
            inputs.travel[3 + 2 * a] = t.set ? t.min : -1e300;
            inputs.travel[4 + 2 * a] = t.set ? t.max : 1e300;
        }
    }
    return inputs;
}

const RunEstimate& Cnc::Estimate() {
    RunEstimateInputs inputs = EstimateInputs();
    if (!estimate_inputs_ || !(*estimate_inputs_ == inputs)) {
        KeepEstimate(EstimateRun(), std::move(inputs));
    }
    return estimate_;
}

void Cnc::KeepEstimate(RunEstimate estimate, RunEstimateInputs inputs) {
    estimate_ = std::move(estimate);
    estimate_inputs_ = std::move(inputs);
}

const RunEstimate* Cnc::KeptEstimate() const {
    if (!estimate_inputs_ || !(*estimate_inputs_ == EstimateInputs())) {
        return nullptr;
    }
    return &estimate_;
}

bool Cnc::RefuseUnrunnableProgram() {
    const RunEstimate& estimate = Estimate();
    if (estimate.refused_line == 0) {
        return false;
    }
    op().ShowMessage(estimate.refusal, kAppTitle);
    return true;
}

} // namespace tamo
