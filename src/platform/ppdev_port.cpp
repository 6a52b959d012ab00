#include "platform/hardware_port.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tamo {
namespace {

std::string Failure(const std::string& device, const char* what, int error) {
    std::string text = device + ": " + what + ": " + std::strerror(error);
    if (error == EACCES || error == EPERM) {
        text += " (the user must be in the lp group)";
    }
    return text;
}

// The kernel's parport driver does the port access; we hold the claim for the program's life
// so that no printer daemon writes between our ticks.
class PpdevPort final : public Port {
public:
    explicit PpdevPort(int fd) : fd_(fd) {}
    PpdevPort(const PpdevPort&) = delete;
    PpdevPort& operator=(const PpdevPort&) = delete;
    ~PpdevPort() override {
        ioctl(fd_, PPRELEASE);
        close(fd_);
    }

    void Out32(std::uint16_t address, std::int16_t value) override {
        if (address != kDataRegister) {
            return; // the control register is left to the driver
        }
        auto byte = static_cast<unsigned char>(value & 0xFF);
        ioctl(fd_, PPWDATA, &byte);
    }

    std::int16_t Inp32(std::uint16_t address) override {
        unsigned char byte = 0xFF;
        if (address == kStatusRegister) {
            ioctl(fd_, PPRSTATUS, &byte);
        } else if (address == kDataRegister) {
            ioctl(fd_, PPRDATA, &byte);
        }
        return byte;
    }

private:
    int fd_;
};

} // namespace

PortOpening OpenPpdevPort(const std::string& device) {
    PortOpening result;
    int fd = open(device.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        result.errors.push_back(Failure(device, "cannot open", errno));
        return result;
    }
    if (ioctl(fd, PPCLAIM) != 0) {
        result.errors.push_back(Failure(device, "cannot claim the port", errno));
        close(fd);
        return result;
    }
    int mode = IEEE1284_MODE_COMPAT;
    if (ioctl(fd, PPSETMODE, &mode) != 0) {
        result.errors.push_back(Failure(device, "cannot set compatibility mode", errno));
        ioctl(fd, PPRELEASE);
        close(fd);
        return result;
    }
    result.port = std::make_unique<PpdevPort>(fd);
    result.backend = "ppdev " + device;
    return result;
}

} // namespace tamo
