// The seams: the busy-wait count, the choice of a real port and the kernel's answers when opening
// one (ppdev_port_test.cpp has the port against a driver that keeps the kernel's rules). The
// simulated port, the fake clock and the scripted operator are exercised by every other test; the
// speed test's exact counts rest on the fake clock.

#include "platform/clock.h"
#include "platform/hardware_port.h"
#include "platform/huge_pages.h"

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

// The kernel's own answer for a device node that is not there. A chosen device is the only port
// tried: never direct I/O on an address the operator did not name.
TEST(PlatformHardwarePort, AChosenDeviceThatIsMissingIsTheOnlyPortTried) {
    const std::string device = "/nonexistent/parport9";
    const PortOpening opening = OpenHardwarePort({device, 0});
    EXPECT_EQ(opening.port, nullptr);
    ASSERT_EQ(opening.errors.size(), 1u);
    EXPECT_NE(opening.errors[0].find(device + ": cannot open: " + std::strerror(ENOENT)), std::string::npos)
        << opening.errors[0];
}

TEST(PlatformHardwarePort, PortChoicesAreDevicesOrHexadecimalAddresses) {
    const std::pair<const char*, PortChoice> good[] = {
        {"/dev/parport1", {"/dev/parport1", 0}},
        {"0xD010", {"", 0xD010}},
        {"0XfffD", {"", 0xFFFD}},
        {"default", {}},
    };
    for (const auto& [text, expected] : good) {
        PortChoice choice{"before", 1};
        std::string error;
        EXPECT_TRUE(ParsePortChoice(text, choice, error)) << text << ": " << error;
        EXPECT_EQ(choice, expected) << text;
    }
    EXPECT_EQ(PortChoiceText({"", 0xD010}), "0xD010"); // as it is remembered

    // 888 could be meant as decimal or as a mistyped 0x888; the base must leave room for three
    // registers.
    for (const char* text : {"", "888", "parport0", "0x", "0x0", "0xFFFE", "0x10000", "0xD01G", "0x-1", " 0x378"}) {
        PortChoice choice{"kept", 7};
        std::string error;
        EXPECT_FALSE(ParsePortChoice(text, choice, error)) << text;
        EXPECT_EQ(choice, (PortChoice{"kept", 7})) << text;
        EXPECT_NE(error.find("--port"), std::string::npos) << error;
    }
}

// The claim of a port that another program holds would sleep until that program lets go.
TEST(PlatformHardwarePort, ABlockingCallIsInterruptedAndAQuickOneLeavesNoSignalBehind) {
    int pipe_ends[2];
    ASSERT_EQ(pipe(pipe_ends), 0);
    char byte = 0;
    const int blocked = CallInterruptedAfter(std::chrono::milliseconds(20),
                                             [&] { return static_cast<int>(read(pipe_ends[0], &byte, 1)); });
    const int error = errno;
    EXPECT_EQ(blocked, -1);
    EXPECT_EQ(error, EINTR);

    EXPECT_EQ(CallInterruptedAfter(std::chrono::milliseconds(5), [] { return 7; }), 7);
    // A timer left armed would end this process with SIGALRM during the sleep.
    usleep(30'000);
    close(pipe_ends[0]);
    close(pipe_ends[1]);
}

// Only the whole pages inside the range go back: the bytes before and after it on the pages it
// reaches into are someone's data.
TEST(PlatformPages, OnlyWholePagesInsideTheRangeAreGivenBack) {
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    auto* bytes = static_cast<unsigned char*>(MapPages(4 * page));
    ASSERT_NE(bytes, nullptr);
    std::memset(bytes, 0xab, 4 * page);
    GiveBackPages(bytes + 100, 2 * page);
    EXPECT_EQ(bytes[page - 1], 0xab) << "the page the range starts in";
    EXPECT_EQ(bytes[page], 0);
    EXPECT_EQ(bytes[2 * page - 1], 0);
    EXPECT_EQ(bytes[2 * page], 0xab) << "the page the range ends in";
    GiveBackPages(bytes + 3 * page + 1, page - 2); // within one page: none
    EXPECT_EQ(bytes[4 * page - 1], 0xab);
    GiveBackPages(nullptr, page);
    UnmapPages(bytes, 4 * page);
}

} // namespace
} // namespace tamo
