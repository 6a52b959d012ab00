#pragma once

#include "platform/ppdev_driver.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tamo::test {

// The kernel's ppdev driver as a program meets it, without a port: opening checks the device node
// and its permission; only a claimed port can be written, read or released; the claim fails while
// another open file holds the port (the real driver sleeps until it is free; KernelPpdev gives up
// after a while with EBUSY); closing releases a claim that was not given back. A device can be
// unplugged while it is open: from then on every call on it but the close fails with ENODEV.
class FakePpdev final : public PpdevDriver {
public:
    struct Device {
        bool in_lp_group = true;   // false: the user may not open it (EACCES)
        int mode_error = 0;        // the compatibility mode is refused with this errno
        int status_error = 0;      // reading the status lines fails with this errno
        std::uint8_t status = 127; // the status lines: no switch active
    };

    void Add(const std::string& path, const Device& device) { devices_[path] = {device}; }
    void Add(const std::string& path) { Add(path, Device{}); }
    void Unplug(const std::string& path) { devices_.at(path).present = false; }
    void SetStatus(const std::string& path, std::uint8_t status) { devices_.at(path).device.status = status; }

    int Open(const std::string& device) override;
    int Ioctl(int fd, unsigned long request, void* arg) override;
    int Close(int fd) override;

    // Every call, in order: "open /dev/parport1", "claim", "mode compat", "write 3", "status",
    // "release", "close"; a call that failed ends in " -> " and the errno's name.
    [[nodiscard]] const std::vector<std::string>& calls() const { return calls_; }
    void clear_calls() { calls_.clear(); }
    // The port's data lines and whether a program holds it.
    [[nodiscard]] std::uint8_t data(const std::string& path) const { return devices_.at(path).data; }
    [[nodiscard]] bool claimed(const std::string& path) const { return devices_.at(path).claimed; }
    [[nodiscard]] int open_files() const { return static_cast<int>(files_.size()); }

private:
    struct Node {
        Device device;
        bool present = true;
        bool claimed = false;
        std::uint8_t data = 0;
    };
    struct File {
        std::string path;
        bool claimed = false;
    };
    int Fail(const std::string& call, int error);

    std::map<std::string, Node> devices_;
    std::map<int, File> files_;
    std::vector<std::string> calls_;
    int next_fd_ = 3;
};

} // namespace tamo::test
