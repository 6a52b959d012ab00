#pragma once

#include "platform/port.h"
#include "platform/ppdev_driver.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tamo {

// The result of opening a real port: the port, or for each port tried why it failed.
struct PortOpening {
    std::unique_ptr<Port> port;
    std::string backend;             // which backend opened it, with the device or address
    std::vector<std::string> errors; // one line per port tried that failed, naming it
};

// The port the operator chose with --port: a ppdev device, or the base address of a port for
// direct I/O (a PCI Express card sits at 0xD010 or so). Neither: the defaults, /dev/parport0 and
// then 0x378.
struct PortChoice {
    std::string device;
    std::uint16_t base = 0;
    bool operator==(const PortChoice&) const = default;
};

// Reads --port's text: a device path ("/dev/parport1"), a base address in hexadecimal ("0xD010"),
// or "default". False, with why in `error`, for anything else.
[[nodiscard]] bool ParsePortChoice(std::string_view text, PortChoice& choice, std::string& error);
// The choice as --port takes it; "default" for the defaults.
[[nodiscard]] std::string PortChoiceText(const PortChoice& choice);

// Linux parallel-port driver: the device, claimed for the program's life, in compatibility mode.
// Needs the lp group, not root.
[[nodiscard]] PortOpening OpenPpdevPort(const std::string& device, PpdevDriver& driver = KernelPpdev());

// Direct I/O on the three registers from `base` with ioperm. x86 only, and privileged.
[[nodiscard]] PortOpening OpenIopermPort(std::uint16_t base = kDataRegister);

// Opens the chosen port, and only that one. With no choice: ppdev on /dev/parport0, then direct
// I/O at 0x378. When nothing opens, the errors say what was tried and why it failed.
[[nodiscard]] PortOpening OpenHardwarePort(const PortChoice& choice = {});

// What the operator is told when no port opened: every port tried and why, that the machine runs
// offline, and how to choose another port.
[[nodiscard]] std::string PortOpeningFailedMessage(const PortOpening& opening);

// The port the machine runs on: the chosen one after "I Agree" when it opens, else a simulated one
// that keeps no record (offline runs can be long). `message` is what the operator must be told: a
// port was wanted and could not be opened, so the machine runs offline.
struct MachinePort {
    std::unique_ptr<Port> port;
    bool offline = true;
    std::string status = "Offline"; // what the status bar says of the port
    std::string message;
};
[[nodiscard]] MachinePort OpenMachinePort(bool agreed, const PortChoice& choice);

} // namespace tamo
