#pragma once

// How far a block reaches on each axis: what the soft limits hold against the travel, and what the
// program check reports a program for before it runs.

#include "interpreter/machine_state.h"

#include <array>

namespace tamo {

struct AxisReach {
    double lo = 0, hi = 0;
    void Add(double v);
};

// The lowest and highest point of the block as ParseLine left it, axis by axis, in program
// coordinates: from `from` to its target, and for an arc the circle's extreme points that its sweep
// passes. `step_x` and `step_z` are the machine's lengths per step, which decide an arc's sweep.
[[nodiscard]] std::array<AxisReach, 3> BlockReach(const MachineState& st, const std::array<double, 3>& from,
                                                  double step_x, double step_z);

} // namespace tamo
