#pragma once

// The controller's side of the motion planner: what the moves keep between blocks while the
// accelerations are set. The planner itself (motion/planner/) knows nothing of the controller.

#include "motion/planner/planner.h"

#include <array>
#include <memory>

namespace tamo {

struct PlannedMotion {
    planner::Planner planner;
    planner::BlockRun run;
    bool timing = false;              // the move in progress is timed by the plan, not by the ramps
    bool holding = false;             // Pause or a stop key: braking to rest, on through the blocks if need be
    bool in_program = false;          // the run loop drives the moves: the next blocks come from reading ahead
    bool closes_arc = false;          // the straight move about to begin lands an arc's walk on its end point
    bool offline = false;             // offline when the block began: going offline under it is a port failure
    double speed = 0;                 // units/s at the end of the last block that ran
    std::array<double, 3> last_out{}; // the way it left
    // The copy of the machine that reads the program ahead of the run (interpreter/run_estimate.cpp).
    std::shared_ptr<void> look_ahead;
    planner::Block block; // the block in progress, as planned
};

} // namespace tamo
