// The seams: the busy-wait count and the opening of a real port. The simulated port, the fake clock
// and the scripted operator are exercised by every other test; the speed test's exact counts rest
// on the fake clock.

#include "platform/clock.h"
#include "platform/hardware_port.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <unistd.h>

namespace tamo {
namespace {

TEST(PlatformBusyWait, RunsFloorPlusOneIterationsAndNoneBelowZero) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<double, std::uint64_t> cases[] = {
        {-1, 0}, {-0.5, 0}, {0, 1}, {0.999, 1}, {2.7, 3}, {1e6, 1'000'001}, {std::nan(""), 0}, {-inf, 0},
    };
    for (const auto& [n, expected] : cases) {
        EXPECT_EQ(BusyWaitIterations(n), expected) << n;
    }
    // Far too long to run, but never a wrap-around to a short wait.
    const std::uint64_t huge = BusyWaitIterations(inf);
    EXPECT_GT(huge, std::uint64_t{1} << 62);
    EXPECT_EQ(BusyWaitIterations(1e300), huge);
}

TEST(PlatformHardwarePort, MissingDeviceIsReportedWithItsReason) {
    const std::string device = "/nonexistent/parport9";
    const PortOpening ppdev = OpenPpdevPort(device);
    EXPECT_EQ(ppdev.port, nullptr);
    ASSERT_EQ(ppdev.errors.size(), 1u);
    EXPECT_NE(ppdev.errors[0].find(device), std::string::npos) << ppdev.errors[0];
    EXPECT_NE(ppdev.errors[0].find(std::strerror(ENOENT)), std::string::npos) << ppdev.errors[0];

    const PortOpening any = OpenHardwarePort(device);
    if (any.port) {
        // Only a privileged process on x86 gets the legacy addresses; nothing is written to them.
#if defined(__x86_64__) || defined(__i386__)
        EXPECT_EQ(geteuid(), 0u);
        EXPECT_NE(any.backend.find("0x378"), std::string::npos) << any.backend;
#else
        ADD_FAILURE() << "a port was opened through " << any.backend;
#endif
        return;
    }
    ASSERT_GE(any.errors.size(), 2u) << "one reason per backend tried";
    EXPECT_EQ(any.errors[0], ppdev.errors[0]);
    EXPECT_NE(any.errors[1].find("0x378"), std::string::npos) << any.errors[1];
}

} // namespace
} // namespace tamo
