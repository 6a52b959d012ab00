#include "platform/hardware_port.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#endif

namespace tamo {
namespace {

std::string Registers(std::uint16_t base) {
    char text[32];
    std::snprintf(text, sizeof text, "I/O ports 0x%X-0x%X", static_cast<unsigned>(base), base + 2u);
    return text;
}

} // namespace

#if defined(__x86_64__) || defined(__i386__)
namespace {

// Straight to the port's registers, as the controller did on its first platform. The machine
// addresses them as 888 to 890; a card elsewhere (a PCI Express card at 0xD010) gets them moved.
class IopermPort final : public Port {
public:
    explicit IopermPort(std::uint16_t base) : base_(base) {}
    IopermPort(const IopermPort&) = delete;
    IopermPort& operator=(const IopermPort&) = delete;
    // Data lines low on the way out, as the ppdev port leaves them.
    ~IopermPort() override {
        outb(0, base_);
        ioperm(base_, 3, 0);
    }

    void Out32(std::uint16_t address, std::int16_t value) override {
        if (address >= kDataRegister && address <= kDataRegister + 2) {
            outb(static_cast<unsigned char>(value & 0xFF), static_cast<std::uint16_t>(base_ + address - kDataRegister));
        }
    }
    std::int16_t Inp32(std::uint16_t address) override {
        if (address >= kDataRegister && address <= kDataRegister + 2) {
            return inb(static_cast<std::uint16_t>(base_ + address - kDataRegister));
        }
        return 0xFF;
    }

private:
    std::uint16_t base_;
};

} // namespace

PortOpening OpenIopermPort(std::uint16_t base) {
    PortOpening result;
    if (ioperm(base, 3, 1) != 0) {
        result.errors.push_back(Registers(base) + ": ioperm failed: " + std::strerror(errno) +
                                " (direct port access needs root or CAP_SYS_RAWIO)");
        return result;
    }
    result.port = std::make_unique<IopermPort>(base);
    result.backend = "direct I/O at " + PortChoiceText({std::string(), base});
    return result;
}

#else

PortOpening OpenIopermPort(std::uint16_t base) {
    PortOpening result;
    result.errors.push_back(Registers(base) + ": direct port access exists only on x86 processors");
    return result;
}

#endif

} // namespace tamo
