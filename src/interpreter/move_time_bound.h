#pragma once

// A bound on how long a move can take, for a count that only asks whether Start refuses it: most
// moves of a program are so short that no feed the feed computation can arrive at makes them last
// a day, and they need not have their feed worked out at all.

#include "interpreter/machine_state.h"
#include "interpreter/run_estimate.h"
#include "interpreter/value.h"
#include "motion/feed_memo.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tamo {

// Whether a move of `ticks` ticks, with the tick travel the move has set in `st` and a feed factor
// of at least `least_factor`, ends within a day at whatever feed ComputeFeedDelay works out for it:
// that feed is at least 1, the X fast rate or the Z fast rate (whichever clamp applies) times the
// factor, and holding an axis to its fast rate leaves it at least that rate in X steps per tick.
// The rates are read once: a program's lines do not change them.
class MoveTimeBound {
public:
    explicit MoveTimeBound(const MachineState& st)
        : fast_x_(NumberOf(st.JogFastX)), fast_z_(NumberOf(st.JogFastZ)),
          usable_(fast_x_ > 0 && std::isfinite(fast_x_) && fast_z_ > 0 && std::isfinite(fast_z_)),
          steps_{st.UnitsPerStepX, st.UnitsPerStepY, st.UnitsPerStepZ},
          // A straight move's axes travel at most a step of their own a tick, its feed factor is at
          // least a half: worked out once for every straight move.
          line_ticks_(
              MostTicks(st.UnitsPerStepX, {std::fabs(steps_[0]), std::fabs(steps_[1]), std::fabs(steps_[2])}, 0.5)),
          near_travel_(NearTravel(steps_)), near_ticks_(MostTicks(st.UnitsPerStepX, near_travel_, 0.5)) {}

    // False, and the feed is to be worked out, where a rate, a step or a travel is not a plain
    // positive number.
    [[nodiscard]] bool SurelyWithinADay(const MachineState& st, double ticks, double least_factor) const {
        return ticks >= 0 &&
               ticks <= MostTicks(st.UnitsPerStepX,
                                  {std::fabs(st.TickTravelX), std::fabs(st.TickTravelY), std::fabs(st.TickTravelZ)},
                                  least_factor);
    }

    // The first look at a straight move, which needs no tick travel: enough for nearly every move.
    // Where it says no, SurelyWithinADay with the move's tick travel and a feed factor of a half has
    // the closer look.
    [[nodiscard]] bool PlainlyWithinADay(const MachineState& st, double ticks) const {
        return ticks >= 0 && ticks <= line_ticks_ && st.UnitsPerStepX == steps_[0] && st.UnitsPerStepY == steps_[1] &&
               st.UnitsPerStepZ == steps_[2];
    }

    // For a count that knows where the tool stands only to within a step or so: a move of at most
    // `ticks` ticks whose axes travel at most a step of their own a tick (an arc's X and Y at most
    // an X step), with a feed factor of at least a half, surely ends within a day at any feed the
    // feed computation can arrive at (the first), or at the one it arrives at from the programmed
    // feed `programmed` and the override (the second, a rapid or not, stepping Z or not).
    [[nodiscard]] bool NearWithinADay(double ticks) const { return ticks >= 0 && ticks <= near_ticks_; }
    [[nodiscard]] bool NearWithinADayAt(double ticks, double programmed, double override_percent, bool rapid) const {
        const double slowest = ClampedFeed(programmed, override_percent, fast_x_, fast_z_, rapid, true);
        return ticks >= 0 && ticks <= MostTicks(steps_[0], near_travel_, 0.5, slowest);
    }

private:
    // Every axis's own step and X's, the larger, with room for the roundings of a tick's travel.
    static std::array<double, 3> NearTravel(const std::array<double, 3>& steps) {
        constexpr double kRoom = 1 + 1e-9;
        const double x = std::fabs(steps[0]);
        return {x * kRoom, std::max(std::fabs(steps[1]), x) * kRoom, std::fabs(steps[2]) * kRoom};
    }

    // The most ticks that surely end within a day with X's step `step_x` and the axes travelling
    // `travel` a tick, at a feed of at least `slowest` before the feed factor (by default the
    // slowest the feed computation ever arrives at); -1 where a number is not plain.
    [[nodiscard]] double MostTicks(double step_x, const std::array<double, 3>& travel, double least_factor,
                                   double slowest = -1) const {
        const double x_step = std::fabs(step_x);
        if (!usable_ || !(x_step > 0) || !std::isfinite(x_step)) {
            return -1;
        }
        if (slowest < 0) {
            slowest = std::min({1.0, fast_x_, fast_z_});
        }
        double least = slowest * least_factor;
        const std::array<double, 3> fast{fast_x_, fast_x_, fast_z_};
        for (std::size_t a = 0; a < 3; ++a) {
            if (!std::isfinite(travel[a])) {
                return -1;
            }
            if (travel[a] > 0) {
                least = std::min(least, fast[a] * x_step / travel[a]);
            }
        }
        // Half of it, for the roundings on the way; the time as MoveTimeProblem works it out, held
        // to half a day.
        least /= 2;
        const double most = kMaxMoveSeconds / 2 * least / (60 * x_step);
        return least > 0 && std::isfinite(most) ? std::min(most, kMaxCountableTicks / 2) : -1;
    }

    double fast_x_;
    double fast_z_;
    bool usable_;
    std::array<double, 3> steps_;
    double line_ticks_;
    std::array<double, 3> near_travel_;
    double near_ticks_;
};

} // namespace tamo
