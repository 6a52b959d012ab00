#pragma once

#include "sim/sim_machine.h"

#include <ostream>
#include <string>

namespace tamo::sim {

// What `tamocnc-sim check` takes besides the machine's options.
struct CheckOptions {
    MachineOptions machine;
    // --origin X,Y,Z: where the program origin stands in machine coordinates, against which the
    // check holds the travel of the machine settings. Empty: at machine zero.
    std::string origin;
};

// `tamocnc-sim check PROGRAM`: opens the program as File > Open does and checks it as a fresh
// Start would run it. One JSON object per finding on `out`, then one with the counts. Returns the
// exit status: 0 when nothing was found, 1 for warnings only, 3 when there are errors, 2 for bad
// arguments or a program that cannot be read (one line on `err`).
int RunCheck(const std::string& program, const CheckOptions& options, std::ostream& out, std::ostream& err);

} // namespace tamo::sim
