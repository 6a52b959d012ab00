// The deadline chain of the step timing (see the contract in clock.h).

#include "platform/clock.h"
#include "platform/io_record.h"

#include <algorithm>

namespace tamo {

// Timing contract: called once per tick right before the step write. One clock read when the step
// is late, else the wait, which ends on a clock read; no allocation unless a record is attached.
bool Clock::AwaitStep() {
    const std::int64_t now = NowNs();
    const std::int64_t remaining = due_ns_ - now;
    if (remaining > kMaxWaitNs) {
        // Leave a whole slice for the last stretch, so that the events let in after this slice
        // cannot make the step late unless they take longer than a slice.
        const std::int64_t until = now + std::min(kMaxWaitNs, remaining - kMaxWaitNs);
        const std::int64_t back = WaitUntil(until);
        if (record_ != nullptr) {
            record_->Hold(now, back - now, 0);
        }
        return false;
    }
    step_ns_ = remaining > 0 ? WaitUntil(due_ns_) : now;
    lateness_ns_ = step_ns_ - due_ns_;
    if (record_ != nullptr) {
        record_->Hold(now, step_ns_ - now, lateness_ns_);
    }
    return true;
}

// The step's edge goes out somewhere inside the rising write, after this tick's direction write;
// the clock read right after the rising write is no earlier than the edge. The chain is anchored
// there, less half the quickest pair of writes seen so far (the direction write's share), since the
// next step's own direction write takes about that long before its edge; so no interval comes out
// shorter than its period. The first step of a process is anchored on the read itself: its writes
// may be slow (a cold cache, the driver's first call), and one sample tells nothing about the next.
// A write that the system held up moves the next step with it. One clock read.
void Clock::StepWritten() {
    const std::int64_t now = NowNs();
    const std::int64_t half_pair_ns = (now - step_ns_) / 2;
    const bool first = write_ns_ < 0;
    write_ns_ = first ? half_pair_ns : std::min(write_ns_, half_pair_ns);
    step_ns_ = now - (first ? 0 : write_ns_);
    lateness_ns_ = step_ns_ - due_ns_;
}

// The chain is anchored on the time the step was written, not on its due time: a late step moves
// everything after it, and the spin's last clock read (a few tens of nanoseconds) is the only
// drift an on-time step adds.
void Clock::NextStepIn(std::int64_t period_ns) {
    lateness_total_ns_ += lateness_ns_;
    due_ns_ = step_ns_ + period_ns;
}

void Clock::NextStepAfter(double iterations) {
    const std::uint64_t count = BusyWaitIterations(iterations);
    NextStepIn(IterationsNs(iterations));
    IterationsAsked(count);
    if (record_ != nullptr) {
        record_->Period(count);
    }
}

} // namespace tamo
