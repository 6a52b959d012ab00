// The seams: the simulated port, the busy-wait count and the fake clock, the opening of a real
// port, and the scripted operator.

#include "platform/clock.h"
#include "platform/hardware_port.h"
#include "platform/scripted_operator.h"
#include "platform/sim_port.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <unistd.h>

namespace tamo {
namespace {

using Write = SimulatedPort::Write;

TEST(PlatformSimulatedPort, KeepsWritesInOrderAndAnswersWithTheStatus) {
    SimulatedPort port;
    EXPECT_EQ(port.Inp32(kStatusRegister), 127) << "an idle port with no switch closed";
    port.Out32(kDataRegister, 3);
    port.Out32(890, 11);
    port.Out32(kDataRegister, 2);
    EXPECT_EQ(port.writes(), (std::vector<Write>{{888, 3}, {890, 11}, {888, 2}}));
    EXPECT_EQ(port.Inp32(kDataRegister), 2) << "the data register reads back the last byte written";
    port.set_status(63);
    EXPECT_EQ(port.Inp32(kStatusRegister), 63);
    EXPECT_EQ(port.read_count(), 3u);

    port.set_recording(false);
    port.Out32(kDataRegister, 5);
    EXPECT_EQ(port.writes().size(), 3u);
    EXPECT_EQ(port.write_count(), 4u);
    EXPECT_EQ(port.data(), 5);
}

TEST(PlatformBusyWait, RunsFloorPlusOneIterationsAndNoneBelowZero) {
    const std::pair<double, std::uint64_t> cases[] = {{-1, 0},
                                                      {-0.5, 0},
                                                      {0, 1},
                                                      {0.999, 1},
                                                      {2.7, 3},
                                                      {1e6, 1'000'001},
                                                      {std::nan(""), 0},
                                                      {-std::numeric_limits<double>::infinity(), 0}};
    for (const auto& [n, expected] : cases) {
        EXPECT_EQ(BusyWaitIterations(n), expected) << n;
    }
    // Far too long to run, but never a wrap-around to a short wait.
    const std::uint64_t huge = BusyWaitIterations(std::numeric_limits<double>::infinity());
    EXPECT_GT(huge, std::uint64_t{1} << 62);
    EXPECT_EQ(BusyWaitIterations(1e300), huge);
}

TEST(PlatformFakeClock, CountsWaitsAndMovesOnByTheirCost) {
    FakeClock clock;
    clock.set_ns_per_iteration(250'000);
    clock.Wait(2.7); // 3 iterations, 0.75 ms
    EXPECT_EQ(clock.GetTickCount(), 0u);
    clock.Wait(0); // 1 iteration, 1 ms in all
    EXPECT_EQ(clock.GetTickCount(), 1u);
    clock.Wait(-3);
    EXPECT_EQ(clock.waits(), 3u);
    EXPECT_EQ(clock.iterations(), 4u);
    clock.Advance(41);
    EXPECT_EQ(clock.GetTickCount(), 42u);
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

TEST(PlatformScriptedOperator, AnswersFromItsQueuesAndActsOnYields) {
    ScriptedOperator op;
    op.QueueAnswer(false);
    EXPECT_FALSE(op.AskYesNo("Stop?", "TamoCNC"));
    EXPECT_TRUE(op.AskYesNo("Again?", "TamoCNC")) << "an empty queue answers Yes";
    EXPECT_EQ(op.questions(), (std::vector<ScriptedOperator::Message>{{"Stop?", "TamoCNC"}, {"Again?", "TamoCNC"}}));

    op.QueueFile("/tmp/a.nc");
    op.QueueFile(std::nullopt);
    EXPECT_EQ(op.ChooseOpenFile("/gcodes", "G-code|*.nc"), "/tmp/a.nc");
    EXPECT_EQ(op.last_dialog_dir(), "/gcodes");
    EXPECT_EQ(op.last_dialog_filter(), "G-code|*.nc");
    EXPECT_EQ(op.ChooseOpenFile("/gcodes", ""), std::nullopt);
    EXPECT_EQ(op.ChooseOpenFile("/gcodes", ""), std::nullopt) << "an empty queue cancels";

    std::vector<std::uint64_t> seen;
    op.OnYield([&](std::uint64_t count) { seen.push_back(count); });
    op.Yield();
    op.Yield();
    op.Yield();
    EXPECT_EQ(seen, (std::vector<std::uint64_t>{1, 2, 3}));
    EXPECT_EQ(op.yields(), 3u);
}

} // namespace
} // namespace tamo
