#include "interpreter/planned_time.h"

namespace tamo {

PlannedTime::PlannedTime(const planner::Limits& limits, double feed_scale, bool blends, std::vector<double>& per_line,
                         int lines)
    : blends_(blends), seconds_(per_line) {
    seconds_.assign(static_cast<std::size_t>(lines) + 2, 0.0);
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
    double total = 0;
    for (std::size_t n = 0; n < lines; ++n) {
        total += seconds_[n + 1];
        if (n + 1 == lines) {
            total += seconds_[n + 2]; // the entry after the last line counts with it
        }
        seconds_[n] = total;
    }
    seconds_.resize(lines);
}

void PlannedTime::RunFront() {
    plan_.set_speed_now(speed_);
    const planner::Block& b = plan_.Front();
    const planner::Profile p(speed_, b.top_speed, plan_.ExitOfFront(), b.accel, b.length);
    seconds_[static_cast<std::size_t>(b.tag)] += p.Duration();
    speed_ = p.SpeedAt(b.length);
    plan_.Pop();
}

} // namespace tamo
