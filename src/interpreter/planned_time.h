#pragma once

// The run time of the blocks as the planner times them when the accelerations are set: the blocks
// read ahead as the run reads them, each block timed from the speed the one before left it at.

#include "motion/planner/planner.h"

#include <cstddef>
#include <vector>

namespace tamo {

class PlannedTime {
public:
    // The seconds of each line are gathered in `per_line` (entry n for line n, the entry after the
    // last line included) and summed there by Finish: a long program holds one number a line while
    // it is timed, not two.
    PlannedTime(const planner::Limits& limits, double feed_scale, bool blends, std::vector<double>& per_line,
                int lines);
    void Add(planner::Block block, int line);
    // A line that the machine stops for (a spindle, coolant or tool change word).
    void StopHere() { plan_.StopAfterLast(); }
    // Leaves the cumulative seconds of lines 1 to `lines` in the vector, and nothing after them.
    // Entry n is written only after entries n + 1 and n + 2 are read.
    void Finish(std::size_t lines);

private:
    void RunFront();

    planner::Planner plan_;
    bool blends_;
    std::vector<double>& seconds_; // per line while timing; cumulative once finished
    double speed_ = 0;
};

} // namespace tamo
