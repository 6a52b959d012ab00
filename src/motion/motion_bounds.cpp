// The time bound of the motions the operator starts outside a program: the probing, the homing
// search and a jog by an increment are held to the rule Start holds every program line to
// (MoveTimeProblem: no move of more than a day, nor of more ticks than a counter counts down), so
// that no setting can start a motion that never ends. The safe approach (the way back, to a line's
// end, to a typed point) is worked out leg by leg beside the run estimate (ApproachProblem).

#include "interpreter/cnc.h"
#include "interpreter/numbers.h"
#include "interpreter/run_estimate.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tamo {

std::string Cnc::ProbeTimeProblem() const {
    const double step = std::fabs(st.UnitsPerStepZ);
    const double down = std::floor(setup.probe_distance / step + 1e-6);
    const double back = std::floor(setup.probe_backoff / step + 1e-6);
    std::string why = MoveTimeProblem(down, st.UnitsPerStepX, setup.probe_feed, "probing move");
    if (why.empty()) {
        why = MoveTimeProblem(back, st.UnitsPerStepX, NumberOf(st.JogSlowZ), "back-off");
    }
    return why.empty() ? why : "Probe Z cannot be run: " + why + ". Nothing moved.";
}

std::string Cnc::HomingTimeProblem(const std::array<double, 3>& search) const {
    constexpr std::array<const char*, 3> kSearch{"search for home switch X", "search for home switch Y",
                                                 "search for home switch Z"};
    const std::array<double, 3> step{st.UnitsPerStepX, st.UnitsPerStepY, st.UnitsPerStepZ};
    const std::array<double, 3> slow{NumberOf(st.JogSlowX), NumberOf(st.JogSlowY), NumberOf(st.JogSlowZ)};
    // X and Y together seek at the slower of their rates; the back-off is a tenth of the way at a
    // tenth of the rate, as long again.
    const double xy = setup.home_xy_together ? std::min(slow[0], slow[1]) : 0;
    for (std::size_t a = 0; a < 3; ++a) {
        const double feed = a < 2 && setup.home_xy_together ? xy : slow[a];
        const double ticks = std::ceil(search[a] / std::fabs(step[a]));
        if (std::string why = MoveTimeProblem(ticks, st.UnitsPerStepX, feed, kSearch[a]); !why.empty()) {
            return "Homing cannot be run: " + why + ". Nothing moved.";
        }
    }
    return {};
}

std::string Cnc::JogIncrementTimeProblem(std::size_t axis) const {
    const std::array<double, 3> step{st.UnitsPerStepX, st.UnitsPerStepY, st.UnitsPerStepZ};
    const std::array<const Value*, 3> rate{&st.JogMediumX, &st.JogMediumY, &st.JogMediumZ};
    const double ticks = RoundHalfEven(JogIncrementDistance(main.JogIncrement) / std::fabs(step.at(axis)));
    if (std::string why = MoveTimeProblem(ticks, st.UnitsPerStepX, NumberOf(*rate.at(axis)), "jog"); !why.empty()) {
        return "The jog cannot be run: " + why + ". Nothing moved.";
    }
    return {};
}

} // namespace tamo
