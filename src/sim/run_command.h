#pragma once

#include "sim/sim_machine.h"

#include <ostream>
#include <string>
#include <vector>

namespace tamo::sim {

struct RunOptions {
    MachineOptions machine;
    std::string override_text;             // --override: the Overide text; empty keeps "100"
    bool contour = false;                  // --contour: "Constant contour on" ticked
    bool step_mode = false;                // --step-mode: "Step" chosen before the first Start
    int status = 127;                      // --status: what the port's status register reads
    std::vector<std::string> status_later; // --status-after-ticks N,S: what it reads from tick N on
    long pause_after_ticks = 0;            // --pause-after-ticks: Pause pressed once, after that tick (0: never)
    int max_starts = 1000;                 // --max-starts
    int from_line = 0;                     // --from-line: the first Start is "Run from here" on this line
    long max_ticks = 0; // --max-ticks: Pause pressed after that tick and no Start after it (0: no limit)
    std::string jog;    // --jog-after-ticks N,BUTTON,TICKS: a jog button held during the run
    std::string home;   // --home-after-ticks N,MODE: "Home the Machine" once the machine stands
    long probe = -1;    // --probe-after-ticks N: "Probe Z" once the machine stands (-1: never)
    std::string trace;  // --trace: CSV, one row per tick
    std::string vcd;    // --vcd: value change dump of the data lines
};

// `tamocnc-sim run PROGRAM`: opens the program and presses "Execute Program" until "File
// succesfully processed" is shown, Start is refused or held, or max_starts Starts were made; prints
// one JSON object. Exit status 1 whenever the program did not run to its end: "refused" in the
// summary when Start refused it (no calibration, a line that cannot be run), "stopped" with the
// reason otherwise (the limit switch, max_starts, max_ticks, a SIGTERM or SIGINT, after which the
// trace and the VCD are finished as for any stop); 2 for bad arguments and unreadable
// files.
int RunProgramCommand(const std::string& program, const RunOptions& options, std::ostream& out, std::ostream& err);

} // namespace tamo::sim
