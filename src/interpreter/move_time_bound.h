#pragma once

// A bound on how long a move can take, for a count that only asks whether Start refuses it: most
// moves of a program are so short that no feed the feed computation can arrive at makes them last
// a day, and they need not have their feed worked out at all.

#include "interpreter/machine_state.h"
#include "interpreter/run_estimate.h"
#include "interpreter/value.h"

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
              MostTicks(st.UnitsPerStepX, {std::fabs(steps_[0]), std::fabs(steps_[1]), std::fabs(steps_[2])}, 0.5)) {}

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

private:
    // The most ticks that surely end within a day with X's step `step_x` and the axes travelling
    // `travel` a tick; -1 where a number is not plain.
    [[nodiscard]] double MostTicks(double step_x, const std::array<double, 3>& travel, double least_factor) const {
        const double x_step = std::fabs(step_x);
        if (!usable_ || !(x_step > 0) || !std::isfinite(x_step)) {
            return -1;
        }
        double least = std::min({1.0, fast_x_, fast_z_}) * least_factor;
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
        return least > 0 && std::isfinite(most) ? most : -1;
    }

    double fast_x_;
    double fast_z_;
    bool usable_;
    std::array<double, 3> steps_;
    double line_ticks_;
};

} // namespace tamo
