#pragma once

// The run time of the blocks as the planner times them when the accelerations are set: the blocks
// read ahead as the run reads them, each block timed from the speed the one before left it at.

#include "interpreter/line_seconds.h"
#include "motion/planner/planner.h"

#include <cstddef>

namespace tamo {

class PlannedTime {
public:
    // The cumulative seconds of the lines go into `seconds` as the planner times them: its blocks
    // come out in line order, so a line is summed when the first block of a later line comes out,
    // and a long program holds no figure a line but the estimate's own.
    PlannedTime(const planner::Limits& limits, double feed_scale, bool blends, LineSeconds& seconds, int lines);
    void Add(planner::Block block, int line);
    // A line that the machine stops for (a spindle, coolant or tool change word).
    void StopHere() { plan_.StopAfterLast(); }
    // Leaves the cumulative seconds of lines 1 to `lines`, and nothing after them; the seconds of
    // the line after the last (the blocks of the end of the program) count with the last.
    void Finish(std::size_t lines);

private:
    void RunFront();
    // The open line's sum added to the total and written; the next line opened.
    void CloseLine();

    planner::Planner plan_;
    bool blends_;
    LineSeconds& seconds_;
    double speed_ = 0;
    std::size_t line_ = 1;    // the line whose blocks come out now
    double line_seconds_ = 0; // their seconds so far
    double total_ = 0;        // the seconds of the lines before it
};

} // namespace tamo
