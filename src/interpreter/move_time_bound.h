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
          usable_(fast_x_ > 0 && std::isfinite(fast_x_) && fast_z_ > 0 && std::isfinite(fast_z_)) {}

    // False, and the feed is to be worked out, where a rate, a step or a travel is not a plain
    // positive number.
    [[nodiscard]] bool SurelyWithinADay(const MachineState& st, double ticks, double least_factor) const {
        const double x_step = std::fabs(st.UnitsPerStepX);
        if (!usable_ || !(x_step > 0) || !std::isfinite(x_step) || !(ticks >= 0) || !std::isfinite(ticks)) {
            return false;
        }
        double least = std::min({1.0, fast_x_, fast_z_}) * least_factor;
        const std::array<double, 3> travel{std::fabs(st.TickTravelX), std::fabs(st.TickTravelY),
                                           std::fabs(st.TickTravelZ)};
        const std::array<double, 3> fast{fast_x_, fast_x_, fast_z_};
        for (std::size_t a = 0; a < 3; ++a) {
            if (!std::isfinite(travel[a])) {
                return false;
            }
            if (travel[a] > 0) {
                least = std::min(least, fast[a] * x_step / travel[a]);
            }
        }
        // Half of it, for the roundings on the way; the time as MoveTimeProblem works it out.
        least /= 2;
        const double seconds = ticks * 60 * x_step / least;
        return least > 0 && std::isfinite(seconds) && seconds <= kMaxMoveSeconds / 2;
    }

private:
    double fast_x_;
    double fast_z_;
    bool usable_;
};

} // namespace tamo
