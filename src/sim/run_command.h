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
    long max_ticks = 0;         // --max-ticks: Pause pressed after that tick and no Start after it (0: no limit)
    std::string trace;          // --trace: CSV, one row per tick
    std::string vcd;            // --vcd: value change dump of the data lines
};

// `tamocnc-sim run PROGRAM`: opens the program and presses "Execute Program" until "File
// succesfully processed" is shown or max_starts Starts were made; prints one JSON object. Exit
// status 1 when Start refused the program (a line that cannot be run: "refused" in the summary) or
// the run reached max_ticks ("max_ticks_reached"); 2 for bad arguments and unreadable files.
int RunProgramCommand(const std::string& program, const RunOptions& options, std::ostream& out, std::ostream& err);

} // namespace tamo::sim
