// The look-ahead replans only where a change can reach, and its plan is still, to the bit, the one
// the two whole passes give: every block brakes in time for the blocks after it and enters no
// faster than the block before it can accelerate to.

#include "motion/planner/planner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace tamo {
namespace {

// The entries of the two whole passes over the queue as it stands, from the front's speed.
std::vector<double> WholePlan(const planner::Planner& plan) {
    const std::size_t n = plan.size();
    std::vector<double> entry(n);
    double next = 0;
    for (std::size_t k = n; k-- > 0;) {
        const planner::Block& b = plan.At(k);
        const double exit = b.stop_at_end ? 0 : next;
        entry[k] = std::min(b.max_entry, std::sqrt(exit * exit + 2 * b.accel * b.length));
        next = entry[k];
    }
    if (n > 0) {
        entry[0] = plan.speed_now();
    }
    for (std::size_t k = 0; k + 1 < n; ++k) {
        const planner::Block& b = plan.At(k);
        entry[k + 1] = std::min(entry[k + 1], std::sqrt(entry[k] * entry[k] + 2 * b.accel * b.length));
    }
    return entry;
}

// Where the planned entries differ from the whole passes' (bit for bit), or "".
std::string Differs(const planner::Planner& plan) {
    const std::vector<double> whole = WholePlan(plan);
    for (std::size_t k = 0; k < whole.size(); ++k) {
        if (std::bit_cast<std::uint64_t>(plan.At(k).entry) != std::bit_cast<std::uint64_t>(whole[k])) {
            return "block " + std::to_string(k) + " of " + std::to_string(whole.size()) + " enters at " +
                   std::to_string(plan.At(k).entry) + ", the whole plan says " + std::to_string(whole[k]);
        }
    }
    return "";
}

// Programs of every kind of block: long straight runs that reach their feed, strings of tiny
// segments whose braking reaches far back, corners, arcs, rapids, stops, and the override and
// the speed the front runs at changing under the plan.
TEST(PlannerReplan, EveryChangeGivesTheWholePlanToTheBit) {
    for (const unsigned seed : {1u, 2u, 3u, 4u, 5u, 6u}) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        auto uniform = [&random](double lo, double hi) {
            return std::uniform_real_distribution<double>(lo, hi)(random);
        };
        planner::Planner plan;
        planner::Limits limits;
        limits.accel = {500, 400, 200};
        limits.top_speed = {50, 50, 10};
        limits.junction_deviation = 0.01;
        plan.set_limits(limits);
        std::array<double, 3> at{};
        for (int i = 0; i < 3000; ++i) {
            const int run = static_cast<int>(i / 200) % 3; // long blocks, tiny ones, a mixture
            planner::Block b;
            b.start = at;
            const double length = run == 0 ? uniform(2, 20) : run == 1 ? uniform(0.001, 0.05) : uniform(0.001, 5);
            const double angle = uniform(0, 6.283);
            const double turn = run == 1 ? 0.02 : 1.0; // tiny segments along a gentle curve
            b.end = {at[0] + length * std::cos(angle * turn), at[1] + length * std::sin(angle * turn),
                     at[2] + uniform(-0.1, 0.1) * length};
            if (random() % 7 == 0) {
                b.arc = true;
                b.centre_x = at[0] + uniform(-3, 3);
                b.centre_y = at[1] + uniform(-3, 3);
                b.sweep = uniform(0.1, 3);
                b.dir = random() % 2 == 0 ? 1 : -1;
            }
            b.rapid = random() % 11 == 0;
            b.feed = uniform(1, 60);
            b.stop_at_end = random() % 97 == 0;
            b.tiny = random() % 13 == 0;
            at = b.end;
            while (plan.size() + 1 >= planner::Planner::kLookAhead) {
                // Run the front as the estimate does, now and then not quite at its planned speed.
                const double planned = plan.Front().entry;
                plan.set_speed_now(random() % 5 == 0 ? planned * uniform(0.5, 1) : planned);
                ASSERT_EQ(Differs(plan), "") << "after the front's speed " << i;
                plan.Pop();
            }
            ASSERT_TRUE(plan.Add(b));
            ASSERT_EQ(Differs(plan), "") << "after adding block " << i;
            if (random() % 53 == 0) {
                plan.StopAfterLast();
                ASSERT_EQ(Differs(plan), "") << "after a stop " << i;
            }
            if (random() % 151 == 0) {
                plan.set_feed_scale(uniform(0.1, 2));
                ASSERT_EQ(Differs(plan), "") << "after the override " << i;
            }
        }
    }
}

} // namespace
} // namespace tamo
