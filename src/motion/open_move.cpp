#include "motion/open_move.h"

#include "config/machine_settings.h"
#include "interpreter/machine_state.h"
#include "interpreter/numbers.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tamo {
namespace {

// A move without a bound is planned as one this many ticks long: it never gets near its end.
constexpr double kUnboundedTicks = 1e9;

} // namespace

bool OpenMovesPlanned(const MachineSetup& setup, const MachineState& st) {
    return setup.Accelerates() && !st.SpeedTestRunning;
}

bool BeginOpenMove(planner::BlockRun& run, const MachineSetup& setup, const MachineState& st,
                   const std::array<bool, 3>& moving, double feed_per_min, double room_ticks) {
    if (!OpenMovesPlanned(setup, st)) {
        return false;
    }
    const std::array<double, 3> step{std::fabs(st.UnitsPerStepX), std::fabs(st.UnitsPerStepY),
                                     std::fabs(st.UnitsPerStepZ)};
    const double tick = step[0];
    if (!(tick > 0) || !std::isfinite(tick)) {
        return false;
    }
    double accel = std::numeric_limits<double>::infinity();
    for (std::size_t a = 0; a < 3; ++a) {
        if (moving[a] && step[a] > 0) {
            accel = std::min(accel, setup.accel[a] * tick / step[a]);
        }
    }
    if (!std::isfinite(accel)) {
        return false;
    }
    const double ticks = room_ticks >= 0 && room_ticks < kUnboundedTicks ? room_ticks : kUnboundedTicks;
    // No axis above its fast jog rate (X's for X and Y, Z's for Z).
    const std::array<double, 3> fast{NumberOf(st.JogFastX) / 60, NumberOf(st.JogFastX) / 60,
                                     NumberOf(st.JogFastZ) / 60};
    double speed = std::max(feed_per_min, 1.0) / 60;
    for (std::size_t a = 0; a < 3; ++a) {
        if (moving[a] && step[a] > 0 && fast[a] > 0) {
            speed = std::min(speed, fast[a] * tick / step[a]);
        }
    }
    run.Begin(planner::Profile(0, speed, 0, accel, ticks * tick), ticks);
    return true;
}

} // namespace tamo
