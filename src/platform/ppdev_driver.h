#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace tamo {

// What the ppdev port asks of the kernel's parallel-port driver: open the device, its ioctls
// (claim, mode, data and status), close. Each call answers as the system call does: -1 with errno
// set when it fails. Tests put a driver in its place that behaves like the kernel's.
class PpdevDriver {
public:
    virtual ~PpdevDriver() = default;
    [[nodiscard]] virtual int Open(const std::string& device) = 0;
    [[nodiscard]] virtual int Ioctl(int fd, unsigned long request, void* arg) = 0;
    virtual int Close(int fd) = 0;
};

// The kernel's driver. Its claim sleeps for as long as another program holds the port (a second
// TamoCNC, a print job), so it is given kClaimWait and then fails with EBUSY.
[[nodiscard]] PpdevDriver& KernelPpdev();
inline constexpr std::chrono::milliseconds kClaimWait{2000};

// Runs a blocking system call and interrupts it with a signal once `limit` has passed; it then
// returns -1 with errno EINTR. Nothing of the signal is left behind when it returns.
int CallInterruptedAfter(std::chrono::milliseconds limit, const std::function<int()>& call);

} // namespace tamo
