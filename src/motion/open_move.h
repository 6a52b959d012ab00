#pragma once

// Panel moves whose end is not known when they begin: a held jog, the search for a home switch, the
// probe coming down. With the accelerations set such a move starts from rest at the acceleration
// of the axes it moves, runs at its rate, and brakes to rest within it: at a bound it knows of (the
// end of the travel, the search's length) or when told to (the button let go, a switch or the probe
// that trips). Its ticks are timed as the panel moves time theirs: each tick steps every moving axis
// once and lasts one X step at the rate, so an axis whose step is coarser than X's runs faster by
// as much, and its acceleration is held down by the same factor.

#include "motion/planner/planner.h"

#include <array>

namespace tamo {

struct MachineSetup;
struct MachineState;

// The panel moves are planned: the accelerations are set (and the speed test, which times its own
// ticks, is not running).
[[nodiscard]] bool OpenMovesPlanned(const MachineSetup& setup, const MachineState& st);

// Begins `run` for a move of the axes `moving` at `feed_per_min` (the rate as an X step sees it),
// coming to rest after `room_ticks` ticks (infinity: no bound). False, with nothing begun, when the
// accelerations are not set: the move then keeps its own timing.
[[nodiscard]] bool BeginOpenMove(planner::BlockRun& run, const MachineSetup& setup, const MachineState& st,
                                 const std::array<bool, 3>& moving, double feed_per_min, double room_ticks);

} // namespace tamo
