#include "interpreter/line_seconds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace tamo {
namespace {

// Lines of a millisecond, of an hour (each starts a stretch of its own), thousands in one stretch
// after another, and an entry taken back and replaced, once where a stretch starts: every entry
// reads back within 31 microseconds of the list of doubles, the last one exactly.
TEST(LineSeconds, ReadsBackAsTheCumulativeSecondsWithinMicroseconds) {
    LineSeconds kept;
    std::vector<double> exact;
    double total = 0;
    auto add = [&](double seconds) {
        total += seconds;
        kept.push_back(total);
        exact.push_back(total);
    };
    for (int i = 0; i < 3000; ++i) {
        add(i % 700 == 0 ? 3600.1 : 0.001 * (i % 13) + 1e-9);
    }
    for (int round = 0; round < 2; ++round) {
        kept.pop_back();
        exact.pop_back();
        EXPECT_EQ(kept.back(), exact.back());
        kept.set_back(exact.back() + 7200.5);
        exact.back() += 7200.5;
        add(0.25);
    }
    ASSERT_EQ(kept.size(), exact.size());
    for (std::size_t n = 0; n < exact.size(); ++n) {
        ASSERT_NEAR(kept[n], exact[n], 31e-6) << n;
    }
    EXPECT_EQ(kept.back(), exact.back());
    kept.assign(3, 0.0);
    EXPECT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept[0] + kept[2], 0.0);
}

} // namespace
} // namespace tamo
