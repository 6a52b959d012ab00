#include "interpreter/planned_time.h"

#include <algorithm>
#include <cstdint>

namespace tamo {

PlannedTime::PlannedTime(const planner::Limits& limits, double feed_scale, bool blends, LineSeconds& seconds, int lines)
    : blends_(blends), seconds_(seconds) {
    seconds_.clear();
    seconds_.reserve(static_cast<std::size_t>(std::max(lines, 0)));
    plan_.set_limits(limits);
    plan_.set_feed_scale(feed_scale);
}

void PlannedTime::Add(planner::Block block, int line) {
    while (plan_.size() + 1 >= planner::Planner::kLookAhead) {
        RunFront();
    }
    block.stop_at_end = block.stop_at_end || !blends_;
    block.tag = line;
    (void)plan_.Add(block);
}

void PlannedTime::Finish(std::size_t lines) {
    while (plan_.size() > 0) {
        RunFront();
    }
    if (lines == 0) {
        seconds_.clear();
        return;
    }
    // The line after the last may have been summed already, when the program's end came out after it.
    while (seconds_.size() > lines + 1) {
        seconds_.pop_back();
    }
    if (seconds_.size() == lines + 1) {
        const double with_next = seconds_.back();
        seconds_.pop_back();
        seconds_.set_back(with_next);
        return;
    }
    while (seconds_.size() < lines) {
        CloseLine();
    }
    seconds_.set_back(seconds_.back() + line_seconds_);
}

// Each sum in the order the planner timed the blocks, and the total in the order of the lines.
void PlannedTime::CloseLine() {
    total_ += line_seconds_;
    seconds_.push_back(total_);
    line_seconds_ = 0;
    ++line_;
}

void PlannedTime::RunFront() {
    plan_.set_speed_now(speed_);
    const planner::Block& b = plan_.Front();
    const planner::Profile p(speed_, b.top_speed, plan_.ExitOfFront(), b.accel, b.length);
    // Blocks come out in the order they went in, so their lines never go back.
    while (static_cast<std::int64_t>(line_) < b.tag) {
        CloseLine();
    }
    line_seconds_ += p.Duration();
    speed_ = p.SpeedAt(b.length);
    plan_.Pop();
}

} // namespace tamo
