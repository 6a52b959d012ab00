// The ppdev port against a driver that keeps the kernel's rules: what the driver is asked, in
// order, when the machine opens the port, runs and ends; and what the operator is told when the
// port cannot be had or goes away under a move.

#include "fake_ppdev.h"
#include "platform/hardware_port.h"
#include "test_machine.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

namespace tamo {
namespace {

using test::FakePpdev;
using test::TestMachine;
using Calls = std::vector<std::string>;

constexpr const char* kDevice = "/dev/parport1";

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A controller on /dev/parport1, opened through the fake driver; the port goes before the driver.
struct OnPpdev {
    FakePpdev driver;
    TestMachine m;
    PortOpening opening;
    explicit OnPpdev(const FakePpdev::Device& device = {}) {
        driver.Add(kDevice, device);
        opening = OpenPpdevPort(kDevice, driver);
        if (opening.port) {
            m.cnc.set_port(*opening.port);
        }
    }
};

// Start-up pins: X step on pin 3 (bit 2), X direction on pin 2 (bit 1), Y step on pin 5 (bit 8).
TEST(PpdevPort, ClaimsInCompatibilityModeWritesEveryTickReadsTheSwitchesAndLeavesTheLinesLow) {
    OnPpdev on;
    auto& [driver, m, opening] = on;
    ASSERT_NE(opening.port, nullptr);
    EXPECT_EQ(opening.backend, "ppdev /dev/parport1");

    m.st.StepDirY = 1;
    m.cnc.StepPulse();
    driver.SetStatus(kDevice, 255); // the X home switch closes
    m.st.StepDirY = 0;
    m.st.StepDirX = -1;
    m.cnc.StepPulse();
    EXPECT_EQ(m.st.MachPosX, 0); // the status read reached the switch check
    EXPECT_EQ(m.st.ProgPosX, -0.0075);
    EXPECT_EQ(driver.data(kDevice), 1); // the X direction line stays up between ticks
    EXPECT_TRUE(driver.claimed(kDevice));

    opening.port.reset();                                                          // the end of the program
    EXPECT_EQ(driver.calls(), (Calls{"open /dev/parport1", "claim", "mode compat", //
                                     "write 0", "write 8", "write 0", "status",    //
                                     "write 1", "write 3", "write 1", "status",    //
                                     "write 0", "release", "close"}));
    EXPECT_EQ(driver.data(kDevice), 0);
    EXPECT_FALSE(driver.claimed(kDevice));
    EXPECT_EQ(driver.open_files(), 0);
}

// Each of the eight data lines, pins 2 to 9, follows its own bit.
TEST(PpdevPort, EveryDataLineFollowsItsBit) {
    OnPpdev on;
    ASSERT_NE(on.opening.port, nullptr);
    for (int bit = 0; bit < 8; ++bit) {
        on.opening.port->Out32(kDataRegister, static_cast<std::int16_t>(1 << bit));
        EXPECT_EQ(on.driver.data(kDevice), 1 << bit);
    }
}

// Each way the port can be refused: what the driver saw, and the line the operator reads.
TEST(PpdevPort, RefusedPortsAreReportedWithTheDeviceTheReasonAndWhatToDo) {
    struct Case {
        const char* name;
        bool exists;
        FakePpdev::Device device;
        bool held_by_another;
        Calls calls;
        std::vector<std::string> said;
    };
    // clang-format off
    const Case cases[] = {
        {"no such device", false, {}, false, {"open /dev/parport7 -> ENOENT"},
         {"/dev/parport7: cannot open: ", std::strerror(ENOENT), "ls /dev/parport*"}},
        {"not in the lp group", true, {.in_lp_group = false}, false, {"open /dev/parport7 -> EACCES"},
         {"/dev/parport7: cannot open: ", std::strerror(EACCES), "lp group", "sudo adduser $USER lp"}},
        {"held by another program", true, {}, true, {"open /dev/parport7", "claim -> EBUSY", "close"},
         {"/dev/parport7: cannot claim the port: ", std::strerror(EBUSY), "another program is using the port"}},
        // A start that fails after the claim gives the port back with its data lines low.
        {"mode refused", true, {.mode_error = EIO}, false,
         {"open /dev/parport7", "claim", "mode compat -> EIO", "write 0", "release", "close"},
         {"/dev/parport7: cannot set compatibility mode: ", std::strerror(EIO)}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakePpdev driver;
        const std::string device = "/dev/parport7";
        if (c.exists) {
            driver.Add(device, c.device);
        }
        PortOpening first;
        if (c.held_by_another) {
            first = OpenPpdevPort(device, driver);
            ASSERT_NE(first.port, nullptr);
            driver.clear_calls();
        }
        const PortOpening opening = OpenPpdevPort(device, driver);
        EXPECT_EQ(opening.port, nullptr);
        EXPECT_EQ(driver.calls(), c.calls);
        EXPECT_EQ(driver.open_files(), c.held_by_another ? 1 : 0);
        ASSERT_EQ(opening.errors.size(), 1u);
        const std::string message = PortOpeningFailedMessage(opening);
        for (const std::string& part : c.said) {
            EXPECT_TRUE(Contains(opening.errors[0], part)) << opening.errors[0] << "\nlacks: " << part;
        }
        EXPECT_TRUE(Contains(message, opening.errors[0])) << message;
        EXPECT_TRUE(Contains(message, "runs offline")) << message;
        EXPECT_TRUE(Contains(message, "--port /dev/parportN or --port 0xADDRESS")) << message;
        if (c.held_by_another) {
            EXPECT_TRUE(driver.claimed(device)); // the other program keeps its port
        }
    }
}

// The port goes away in the middle of a move (a USB adapter pulled, a card failing): the tick
// whose write failed is the last one that tries the port, the move stops, the operator is told
// why, and the machine goes on offline. Nothing waits on the dead device.
TEST(PpdevPort, APortThatGoesAwayStopsTheMoveAndTheMachineGoesOffline) {
    OnPpdev on;
    auto& [driver, m, opening] = on;
    ASSERT_NE(opening.port, nullptr);
    m.cnc.status.Port = "Online (ppdev /dev/parport1)";
    m.Load("G01 X30 F100\n");
    m.AtYield(50, [&] {
        driver.Unplug(kDevice);
        driver.clear_calls();
    });
    m.cnc.Start();

    EXPECT_EQ(driver.calls(), (Calls{"write 0 -> ENODEV"}));
    EXPECT_NEAR(m.st.ProgPosX, 51 * 0.0075, 1e-9); // stopped after the tick that failed
    EXPECT_FALSE(m.cnc.Running());
    EXPECT_TRUE(m.st.Offline);
    EXPECT_EQ(m.cnc.status.Port, "Offline");
    ASSERT_EQ(m.op.messages().size(), 1u);
    const std::string& said = m.op.messages()[0].text;
    for (const std::string& part :
         std::vector<std::string>{"The parallel port stopped working", "/dev/parport1: writing the data lines failed",
                                  std::strerror(ENODEV), "The move was stopped", "offline"}) {
        EXPECT_TRUE(Contains(said, part)) << said << "\nlacks: " << part;
    }

    // Offline the program can still be run to its end, and the dead port is never asked again.
    m.cnc.Start();
    EXPECT_EQ(m.op.messages().back().text, "File succesfully processed");
    EXPECT_NEAR(m.st.ProgPosX, 30, 1e-9);
    EXPECT_EQ(driver.calls().size(), 1u);

    opening.port.reset();
    EXPECT_EQ(driver.calls(), (Calls{"write 0 -> ENODEV", "write 0 -> ENODEV", "release -> ENODEV", "close"}));
    EXPECT_EQ(driver.open_files(), 0);
}

// A status read that fails says nothing about the switches: no home switch zeroes a position,
// no limit stops the machine, but the port counts as failed all the same.
TEST(PpdevPort, AFailedStatusReadIsNoSwitchAndTakesTheMachineOffline) {
    OnPpdev on({.status_error = EIO});
    auto& m = on.m;
    ASSERT_NE(on.opening.port, nullptr);
    m.st.MachPosX = 5;
    m.st.StepDirX = 1;
    m.cnc.StepPulse();
    EXPECT_EQ(m.st.MachPosX, 5.0075);
    EXPECT_TRUE(m.st.Offline && m.st.StopRequest);
    ASSERT_EQ(m.op.messages().size(), 1u);
    EXPECT_TRUE(
        Contains(m.op.messages()[0].text, "/dev/parport1: reading the port failed: " + std::string(std::strerror(EIO))))
        << m.op.messages()[0].text;
}

// At start-up: a chosen port that does not open leaves the machine offline on a port that nothing
// reaches, and the operator is told what was tried; declining the agreement is offline in silence.
TEST(MachinePort, APortThatDoesNotOpenRunsOfflineAndSaysWhy) {
    const MachinePort refused = OpenMachinePort(true, PortChoice{"/nonexistent/parport9", 0});
    ASSERT_NE(refused.port, nullptr);
    EXPECT_TRUE(refused.offline);
    EXPECT_EQ(refused.status, "Offline");
    EXPECT_TRUE(Contains(refused.message, "/nonexistent/parport9")) << refused.message;
    EXPECT_TRUE(Contains(refused.message, "runs offline")) << refused.message;

    const MachinePort declined = OpenMachinePort(false, PortChoice{"/nonexistent/parport9", 0});
    ASSERT_NE(declined.port, nullptr);
    EXPECT_TRUE(declined.offline);
    EXPECT_EQ(declined.status, "Offline");
    EXPECT_EQ(declined.message, "");
}

} // namespace
} // namespace tamo
