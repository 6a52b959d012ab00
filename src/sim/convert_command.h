#pragma once

#include "sim/sim_machine.h"

#include <ostream>
#include <string>

namespace tamo::sim {

// `tamocnc-sim convert PROGRAM [-o OUT]`: rewrites a program written for a standard controller in
// the machine's dialect, for the unit and steps of the settings (or of --config), into OUT
// (NAME.tamo.nc beside the program when there is none). One JSON object per line that could not
// be converted on `out`, then one with the counts. Returns the exit status: 0 when every line was
// converted, 3 when some could not be (the file is written all the same, those lines as
// comments), 2 for bad arguments, a program that cannot be read or a file that cannot be written
// (one line on `err`).
int RunConvert(const std::string& program, const std::string& output, const MachineOptions& options, std::ostream& out,
               std::ostream& err);

} // namespace tamo::sim
