#include "platform/hardware_port.h"

namespace tamo {

PortOpening OpenHardwarePort(const std::string& device) {
    PortOpening ppdev = OpenPpdevPort(device);
    if (ppdev.port) {
        return ppdev;
    }
    PortOpening direct = OpenIopermPort();
    if (direct.port) {
        return direct;
    }
    direct.errors.insert(direct.errors.begin(), ppdev.errors.begin(), ppdev.errors.end());
    return direct;
}

} // namespace tamo
