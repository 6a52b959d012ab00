#pragma once

// The moves as the drivers see them: the step pulses on the port's data lines, decoded per axis.

#include "platform/port.h"
#include "platform/sim_port.h"

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

namespace tamo::test {

// Steps of X, Y and Z taken at one edge: +1, -1 or 0.
using Steps = std::array<int, 3>;

// The pulses in the order they reached the port, wired as at start-up (X step pin 3 and direction
// pin 2, Y 5 and 4, Z 7 and 6, no axis reversed): a step is a rising edge of a step line, taken in
// -1 when the axis's direction line is high at that edge.
inline std::vector<Steps> MotorSteps(const SimulatedPort& port) {
    constexpr std::array<int, 3> kStepBit{2, 8, 32};
    constexpr std::array<int, 3> kDirBit{1, 4, 16};
    std::vector<Steps> pulses;
    int lines = 0;
    for (const auto& write : port.writes()) {
        if (write.address != kDataRegister) {
            continue;
        }
        Steps s{};
        bool any = false;
        for (std::size_t a = 0; a < 3; ++a) {
            if ((write.value & kStepBit[a]) != 0 && (lines & kStepBit[a]) == 0) {
                s[a] = (write.value & kDirBit[a]) != 0 ? -1 : 1;
                any = true;
            }
        }
        if (any) {
            pulses.push_back(s);
        }
        lines = write.value;
    }
    return pulses;
}

inline Steps Total(const std::vector<Steps>& pulses) {
    Steps sum{};
    for (const Steps& s : pulses) {
        for (std::size_t a = 0; a < 3; ++a) {
            sum[a] += s[a];
        }
    }
    return sum;
}

// Which axes move, in order, one word per stretch of pulses: "XY" while only X or Y step, "Z"
// while only Z steps, "XYZ" for pulses that step Z together with X or Y. "XY Z" is across, then
// down or up.
inline std::string Phases(const std::vector<Steps>& pulses) {
    std::string phases;
    std::string last;
    for (const Steps& s : pulses) {
        const bool across = s[0] != 0 || s[1] != 0;
        const std::string now = across && s[2] != 0 ? "XYZ" : across ? "XY" : "Z";
        if (now != last) {
            phases += (phases.empty() ? "" : " ") + now;
            last = now;
        }
    }
    return phases;
}

} // namespace tamo::test
