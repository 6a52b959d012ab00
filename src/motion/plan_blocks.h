#pragma once

// The blocks the planner is given for the machine's moves: a straight move of whole steps, and an
// arc's walk. The run and the reading ahead (and the run estimate) make them alike, so that the
// block the run begins is the one that was read ahead.

#include "motion/arc_geometry.h"
#include "motion/planner/planner.h"

#include <array>
#include <cmath>

namespace tamo {

// The feed of a block in units per second: the programmed feed per minute, with the machine's floor
// of 1 unit per minute (also for a feed that is not a number); a rapid has none of its own.
inline double BlockFeed(bool rapid, double feed_per_min) {
    if (rapid) {
        return 0;
    }
    return feed_per_min >= 1 ? feed_per_min / 60 : 1.0 / 60;
}

inline planner::Block LineBlock(const std::array<double, 3>& start, const std::array<double, 3>& steps,
                                const std::array<double, 3>& step_size, bool rapid, double feed_per_min) {
    planner::Block b;
    b.start = start;
    for (std::size_t a = 0; a < 3; ++a) {
        b.end[a] = start[a] + steps[a] * step_size[a];
    }
    b.rapid = rapid;
    b.feed = BlockFeed(rapid, feed_per_min);
    return b;
}

// The walk from `from` (radians turned) to one increment past the sweep: its ticks, one per
// increment, and the block they run along.
inline double ArcTicks(const ArcGeometry& g, double from) {
    if (!g.Walkable() || !(g.angle_step > 0)) {
        return 0;
    }
    const double left = g.sweep + g.angle_step - from;
    return left >= 0 ? std::floor(left / g.angle_step) + 1 : 0;
}

inline planner::Block ArcPlanBlock(const ArcGeometry& g, double from, double feed_per_min) {
    planner::Block b;
    const double ticks = ArcTicks(g, from);
    b.arc = true;
    b.centre_x = g.centre_x;
    b.centre_y = g.centre_y;
    b.dir = g.dir;
    b.sweep = ticks * g.angle_step;
    b.start = {g.XAt(from), g.YAt(from), g.ZAt(from)};
    b.end = {g.XAt(from + b.sweep), g.YAt(from + b.sweep), g.end_z};
    b.feed = BlockFeed(false, feed_per_min);
    return b;
}

} // namespace tamo
