#pragma once

#include "sim/sim_machine.h"

#include <ostream>
#include <string>

namespace tamo::sim {

// `tamocnc-sim parse PROGRAM`: every entry of the program through the line parser, one JSON
// object per entry on `out`. Returns the exit status; problems go to `err` as one line.
int RunParse(const std::string& program, const MachineOptions& options, std::ostream& out, std::ostream& err);

} // namespace tamo::sim
