#pragma once

#include "sim/sim_machine.h"

#include <ostream>
#include <string>

namespace tamo::sim {

struct RunOptions {
    MachineOptions machine;
    std::string override_text;  // --override: the Overide text; empty keeps "100"
    bool contour = false;       // --contour: "Constant contour on" ticked
    bool step_mode = false;     // --step-mode: "Step" chosen before the first Start
    int status = 127;           // --status: what the port's status register reads
    long pause_after_ticks = 0; // --pause-after-ticks: Pause pressed once, after that tick (0: never)
    int max_starts = 1000;      // --max-starts
    std::string trace;          // --trace: CSV, one row per tick
    std::string vcd;            // --vcd: value change dump of the data lines
};

// `tamocnc-sim run PROGRAM`: opens the program and presses "Execute Program" until "File
// succesfully processed" is shown or max_starts Starts were made; prints one JSON object.
int RunProgramCommand(const std::string& program, const RunOptions& options, std::ostream& out, std::ostream& err);

} // namespace tamo::sim
