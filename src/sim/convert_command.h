#pragma once

#include "sim/sim_machine.h"

#include <ostream>
#include <string>

namespace tamo::sim {

struct ConvertOptions {
    MachineOptions machine;
    std::string output; // -o: where the converted program goes
    // --clearance: the height retracts go up to, in the unit of the settings; without it the
    // highest Z the program reaches.
    double clearance = 0;
    bool clearance_given = false;
};

// `tamocnc-sim convert PROGRAM [-o OUT] [--clearance Z]`: rewrites a program written for a standard
// controller in the machine's dialect, for the unit and steps of the settings (or of --config),
// into OUT (NAME.tamo.nc beside the program when there is none). One JSON object per line, or per
// group of words, that could not be converted on `out`, then one with the counts. Returns the exit
// status: 0 when everything was converted, 3 when some lines or words could not be (the file is
// written all the same, with them as comments), 4 when the program is refused whole (cutter
// compensation, or a converted program that would grow too long: nothing is written, one JSON
// object names the line and why), 2 for bad arguments, a program that cannot be read or a file
// that cannot be written (one line on `err`).
int RunConvert(const std::string& program, const ConvertOptions& options, std::ostream& out, std::ostream& err);

} // namespace tamo::sim
