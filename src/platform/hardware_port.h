#pragma once

#include "platform/port.h"

#include <memory>
#include <string>
#include <vector>

namespace tamo {

// The result of opening a real port: the port, or for each backend tried why it failed.
struct PortOpening {
    std::unique_ptr<Port> port;
    std::string backend;             // which backend opened it
    std::vector<std::string> errors; // one line per backend that failed, naming the device
};

// Linux parallel-port driver: /dev/parportN, claimed for exclusive use. Needs the lp group, not root.
[[nodiscard]] PortOpening OpenPpdevPort(const std::string& device);

// Direct I/O on the legacy addresses 0x378..0x37A with ioperm. x86 only, and privileged.
[[nodiscard]] PortOpening OpenIopermPort();

// Tries ppdev on the given device first, then direct I/O. When both fail, the errors say why.
[[nodiscard]] PortOpening OpenHardwarePort(const std::string& device = "/dev/parport0");

} // namespace tamo
