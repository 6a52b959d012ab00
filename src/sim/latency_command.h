#pragma once

#include "sim/sim_machine.h"

#include <ostream>

namespace tamo::sim {

struct LatencyOptions {
    MachineOptions machine;
    double seconds = 10;  // --seconds
    double period_us = 0; // --period-us; 0: the step period of the X fast jog rate
    bool json = false;    // --json
};

// `tamocnc-sim latency`: the step timing's deadline loop on the real clock, at real-time priority
// where the system allows it, for the given time; prints the verdict (the step rate and X feed this
// PC can drive with the settings, or that it is too late for stepping), a warning when the fast jog
// rate needs more, and the lateness of its ticks, as text or as one JSON object.
int RunLatencyCommand(const LatencyOptions& options, std::ostream& out, std::ostream& err);

} // namespace tamo::sim
