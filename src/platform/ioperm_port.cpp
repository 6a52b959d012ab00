#include "platform/hardware_port.h"

#include <cerrno>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#endif

namespace tamo {

#if defined(__x86_64__) || defined(__i386__)
namespace {

// Straight to the legacy port addresses, as the controller did on its first platform.
class IopermPort final : public Port {
public:
    void Out32(std::uint16_t address, std::int16_t value) override {
        outb(static_cast<unsigned char>(value & 0xFF), address);
    }
    std::int16_t Inp32(std::uint16_t address) override { return inb(address); }
};

} // namespace

PortOpening OpenIopermPort() {
    PortOpening result;
    if (ioperm(kDataRegister, 3, 1) != 0) {
        result.errors.push_back(std::string("I/O ports 0x378-0x37A: ioperm failed: ") + std::strerror(errno) +
                                " (direct port access needs root or CAP_SYS_RAWIO)");
        return result;
    }
    result.port = std::make_unique<IopermPort>();
    result.backend = "direct I/O at 0x378";
    return result;
}

#else

PortOpening OpenIopermPort() {
    PortOpening result;
    result.errors.push_back("I/O ports 0x378-0x37A: direct port access exists only on x86 processors");
    return result;
}

#endif

} // namespace tamo
