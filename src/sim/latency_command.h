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
// where the system allows it, for the given time; prints the lateness of its ticks and the highest
// step rate this PC can drive, as text or as one JSON object.
int RunLatencyCommand(const LatencyOptions& options, std::ostream& out, std::ostream& err);

} // namespace tamo::sim
