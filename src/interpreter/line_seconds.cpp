#include "interpreter/line_seconds.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tamo {

double LineSeconds::operator[](std::size_t n) const {
    if (n + 1 == offsets_.size()) {
        return last_;
    }
    return n + 2 == offsets_.size() ? before_last_ : Rebuilt(n);
}

double LineSeconds::Rebuilt(std::size_t n) const {
    const auto after = std::upper_bound(stretch_first_.begin(), stretch_first_.end(), n);
    const auto stretch = static_cast<std::size_t>(after - stretch_first_.begin()) - 1;
    return stretch_base_[stretch] + static_cast<double>(offsets_[n]) / kStepsPerSecond;
}

void LineSeconds::clear() {
    offsets_.clear();
    stretch_first_.clear();
    stretch_base_.clear();
    last_ = 0;
    before_last_ = 0;
}

void LineSeconds::assign(std::size_t n, double seconds) {
    clear();
    for (std::size_t i = 0; i < n; ++i) {
        push_back(seconds);
    }
}

// A figure that is not a number, or an endless one, starts a stretch of its own: its difference
// would be no number either. So does one below the stretch's start, which a sum of times never is.
void LineSeconds::push_back(double seconds) {
    const std::size_t n = offsets_.size();
    const double steps = stretch_base_.empty() ? -1 : std::round((seconds - stretch_base_.back()) * kStepsPerSecond);
    if (stretch_first_.empty() || n - stretch_first_.back() >= kStretchLines ||
        !(steps >= 0 && steps <= std::numeric_limits<std::uint16_t>::max())) {
        stretch_first_.push_back(static_cast<std::uint32_t>(n));
        stretch_base_.push_back(seconds);
        offsets_.push_back(0);
    } else {
        offsets_.push_back(static_cast<std::uint16_t>(steps));
    }
    before_last_ = last_;
    last_ = seconds;
}

void LineSeconds::pop_back() {
    if (offsets_.empty()) {
        return;
    }
    offsets_.pop_back();
    if (stretch_first_.back() == offsets_.size()) {
        stretch_first_.pop_back();
        stretch_base_.pop_back();
    }
    last_ = before_last_;
    before_last_ = offsets_.size() >= 2 ? Rebuilt(offsets_.size() - 2) : 0;
}

void LineSeconds::set_back(double seconds) {
    pop_back();
    push_back(seconds);
}

} // namespace tamo
