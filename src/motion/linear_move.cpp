// Straight moves: whole step counts per axis, a digital differential analyser that spreads the
// steps of the shorter axes evenly over the ticks of the longest one, and the sine-shaped ramps
// that soften the start and the end of a move.

#include "interpreter/cnc.h"
#include "interpreter/motion_word.h"
#include "interpreter/numbers.h"
#include "motion/angles.h"
#include "motion/plan_blocks.h"
#include "motion/planner/planner.h"
#include "motion/tick_travel.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tamo {
namespace {

// Whole steps for a travel, halves to even. A travel per step of 0 (a lead of 0 in the settings)
// would give an infinite count; such an axis stays where it is rather than stepping forever.
[[nodiscard]] double StepCount(double delta, double units_per_step) {
    if (delta == 0) {
        return 0;
    }
    const double steps = RoundHalfEven(delta / units_per_step);
    return std::isfinite(steps) ? steps : 0;
}

// The record keeps the tick counter as an int; the loop counts in double, because a move can be
// longer than an int holds (a target of 1e300 is a valid program word).
[[nodiscard]] int TicksAsInt(double ticks) {
    constexpr double kMax = std::numeric_limits<int>::max();
    constexpr double kMin = std::numeric_limits<int>::min();
    if (ticks >= kMax) {
        return std::numeric_limits<int>::max();
    }
    if (ticks > kMin) {
        return static_cast<int>(ticks);
    }
    return std::numeric_limits<int>::min();
}

// One ramp tick at the given angle in degrees (the planner's sine ramp): RampFeed and StepDelay.
void SetRampDelay(MachineState& st, double angle_deg) {
    const planner::RampTick tick = planner::SineRampTick(angle_deg, st.FeedRate, st.LoopCal, NumberOf(st.JogSlowX));
    st.RampFeed = tick.feed;
    st.StepDelay = tick.delay;
}

} // namespace

// Moves from the program position to TargetX/Y/Z. Changes: FeedFactor, ResumeMove and
// ResumePending (a new move, or the resumed one, leaves no stopped move waiting), StepDirX/Y/Z,
// DeltaX/Y/Z, StepsX/Y/Z, StepsMax, StepsLeftX/Y/Z and, unless the speed test runs (it sets the
// delay itself), the feed through ComputeFeedDelay; then everything InterpolateLine changes.
// The program position moves by whole steps only, so it can end up to half a step short of the
// target; the next move starts from where the machine is, so these differences never add up.
void Cnc::LinearMove() {
    const bool closes_arc = motion_.closes_arc;
    motion_.closes_arc = false;
    st.FeedFactor = 1;
    st.ResumeMove = false;
    st.ResumePending = false;
    st.StepDirX = 0;
    st.StepDirY = 0;
    st.StepDirZ = 0;

    st.DeltaX = st.TargetX - st.ProgPosX;
    st.DeltaY = st.TargetY - st.ProgPosY;
    st.DeltaZ = st.TargetZ - st.ProgPosZ;
    st.StepsX = StepCount(st.DeltaX, st.UnitsPerStepX);
    st.StepsY = StepCount(st.DeltaY, st.UnitsPerStepY);
    st.StepsZ = StepCount(st.DeltaZ, st.UnitsPerStepZ);

    st.StepsMax = std::fabs(st.StepsX);
    if (std::fabs(st.StepsY) > st.StepsMax) {
        st.StepsMax = std::fabs(st.StepsY);
    }
    if (std::fabs(st.StepsZ) > st.StepsMax) {
        st.StepsMax = std::fabs(st.StepsZ);
    }

    if (!st.SpeedTestRunning) {
        // The delay is timed for the longest axis; on a diagonal the path is longer than that
        // axis' travel, so the feed is scaled down (a 45-degree move by half). Z stays out of it,
        // and so the factor never goes above 1: where Z has the most steps it would speed Z up.
        if (st.StepsX != 0 && st.StepsY != 0) {
            st.FeedFactor = std::min(1.0, st.StepsMax / (std::fabs(st.StepsX) + std::fabs(st.StepsY)));
        }
        SetLineTickTravel(st);
        ComputeFeedDelay();
    }

    st.StepsLeftX = std::fabs(st.StepsX);
    st.StepsLeftY = std::fabs(st.StepsY);
    st.StepsLeftZ = std::fabs(st.StepsZ);
    if (st.StepsLeftX == 0 && st.StepsLeftY == 0 && st.StepsLeftZ == 0) {
        return;
    }
    planner::Block block = LineBlock({st.ProgPosX, st.ProgPosY, st.ProgPosZ}, {st.StepsX, st.StepsY, st.StepsZ},
                                     {st.UnitsPerStepX, st.UnitsPerStepY, st.UnitsPerStepZ},
                                     MotionOf(st.GCode) == Motion::Rapid, st.ProgFeed);
    block.tiny = closes_arc && st.StepsMax <= 2;
    BeginPlannedBlock(block, st.StepsMax, closes_arc);
    InterpolateLine();
}

// Runs the ticks of the move LinearMove prepared, at most one step per axis per tick. Changes:
// RampEnabled, RampStep, RampTicks, TicksLeft, StepsLeftX/Y/Z, DdaAccX/Y/Z, StepDirX/Y/Z, the
// delay through the ramps, everything StepPulse changes, and StepsZ (0 at either end, so that a
// stale Z count never limits the feed of a later arc or jog). On a stop it also writes the resume
// record and enables "Execute Program".
//
// Timing contract: apart from StepPulse's busy waits a tick is a handful of additions, at most one
// sine and the yield. No allocation, no logging: the speed test folds this cost into LoopCal, so it
// must stay the same from tick to tick.
void Cnc::InterpolateLine() {
    st.RampEnabled = false;
    st.RampStep = 2;
    st.RampTicks = 50;
    double ticks_left = st.StepsMax;
    st.TicksLeft = TicksAsInt(ticks_left);
    st.RampEnabled = main.Check1 == kUnchecked || st.RapidMove;

    // Multiplying by the reciprocal rather than dividing is part of the machine's timing: for some
    // lengths (49 steps, for one) the longest axis' share falls just short of 1, its first step
    // comes a tick late and the move takes one tick more.
    const double inv = 1.0 / st.StepsMax;
    const bool planned = motion_.timing;
    for (;;) {
        if (st.StepsLeftX <= 0 && st.StepsLeftY <= 0 && st.StepsLeftZ <= 0) {
            st.StepsZ = 0;
            ClearTickTravel(st);
            EndPlannedBlock();
            return;
        }
        // The accumulators carry their fractions over from the previous move on purpose.
        if (st.StepsLeftX > 0) {
            st.DdaAccX += std::fabs(st.StepsX) * inv;
        }
        if (st.StepsLeftY > 0) {
            st.DdaAccY += std::fabs(st.StepsY) * inv;
        }
        if (st.StepsLeftZ > 0) {
            st.DdaAccZ += std::fabs(st.StepsZ) * inv;
        }
        if (st.DdaAccX >= 1) {
            st.StepDirX = Sign(st.StepsX);
            st.DdaAccX -= 1;
            st.StepsLeftX -= 1;
        }
        if (st.DdaAccY >= 1) {
            st.StepDirY = Sign(st.StepsY);
            st.DdaAccY -= 1;
            st.StepsLeftY -= 1;
        }
        if (st.DdaAccZ >= 1) {
            st.StepDirZ = Sign(st.StepsZ);
            st.DdaAccZ -= 1;
            st.StepsLeftZ -= 1;
        }

        ticks_left -= 1;
        st.TicksLeft = TicksAsInt(ticks_left);
        if (planned) {
            PlannedDelay();
        } else {
            // At exactly RampTicks neither ramp runs: that tick keeps the cruise delay.
            if (st.RampEnabled && ticks_left < st.RampTicks) {
                RampDown();
            }
            if (st.RampEnabled && ticks_left > st.RampTicks) {
                RampUp();
            }
        }

        Tick();
        // Tested only after the tick: a move always emits at least one, even if the request was
        // already set when it began. A planned move brakes to rest first.
        if (st.StopRequest || (planned && motion_.holding)) {
            if (!planned || !BrakesOn()) {
                break;
            }
        }
    }

    SaveResumeRecord();
}

// One tick of a line or an arc: the step, the directions cleared for the next one, and the yield
// through which Pause, a key in the view or a resize reach the move.
void Cnc::Tick() {
    StepPulse();
    st.StepDirX = 0;
    st.StepDirY = 0;
    st.StepDirZ = 0;
    op_->Yield();
}

// The stop end of a move: what the run controls need to finish it later, and "Execute Program"
// enabled again. Changes: Command7Enabled, ResumePending, ResumePos*, ResumeTarget*,
// ResumeDrawWidth, ResumeGCode, StepsZ.
void Cnc::SaveResumeRecord() {
    main.Command7Enabled = true;
    PutBack({true, st.ProgPosX, st.ProgPosY, st.ProgPosZ, st.TargetX, st.TargetY, st.TargetZ, st.GCode,
             view_->DrawWidth()});
    motion_.timing = false;
    motion_.holding = false;
    motion_.speed = 0;
    st.StepsZ = 0;
    ClearTickTravel(st);
}

// One accelerating tick: raises RampUpAngle by RampStep up to 90 degrees and sets RampFeed and
// StepDelay from it. Past 90 degrees it changes nothing and the delay stays as last set.
void Cnc::RampUp() {
    if (st.RampUpAngle >= 90) {
        return;
    }
    st.RampUpAngle += st.RampStep;
    SetRampDelay(st, st.RampUpAngle);
}

// One decelerating tick: lowers RampDownAngle by RampStep while it is above 1 degree and sets
// RampFeed and StepDelay from it. The angle is not clamped: a large jog step can take it below 0,
// where the negative delay means no wait at all for that tick.
void Cnc::RampDown() {
    if (st.RampDownAngle <= 1) {
        return;
    }
    st.RampDownAngle -= st.RampStep;
    SetRampDelay(st, st.RampDownAngle);
}

} // namespace tamo
