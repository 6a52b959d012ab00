#include "platform/hardware_port.h"
#include "platform/ppdev_driver.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tamo {
namespace {

constexpr int kClaimSignal = SIGALRM;

void Quiet(int) {}

// Why a call on the device failed, in the operator's words, with what to do about the usual
// causes.
std::string Failure(const std::string& device, const char* what, int error) {
    std::string text = device + ": " + what + ": " + std::strerror(error);
    switch (error) {
    case EACCES:
    case EPERM:
        text += " (the user must be in the lp group: sudo adduser $USER lp, then log in again)";
        break;
    case EBUSY:
        text += " (another program is using the port)";
        break;
    case ENOENT:
        text += " (ls /dev/parport* lists the ports there are)";
        break;
    case ENXIO:
    case ENODEV:
        text += " (there is no parallel port behind this device)";
        break;
    default:
        break;
    }
    return text;
}

class KernelDriver final : public PpdevDriver {
public:
    int Open(const std::string& device) override { return open(device.c_str(), O_RDWR | O_CLOEXEC); }
    int Ioctl(int fd, unsigned long request, void* arg) override {
        if (request != PPCLAIM) {
            return ioctl(fd, request, arg);
        }
        const int result = CallInterruptedAfter(kClaimWait, [fd] { return ioctl(fd, PPCLAIM); });
        if (result != 0 && errno == EINTR) {
            errno = EBUSY;
        }
        return result;
    }
    int Close(int fd) override { return close(fd); }
};

// The kernel's parport driver does the port access; we hold the claim for the program's life
// so that no printer daemon writes between our ticks. A call that fails (the device went away)
// leaves the port failed: no further call reaches the driver until it is closed.
class PpdevPort final : public Port {
public:
    PpdevPort(PpdevDriver& driver, int fd, std::string device) : driver_(driver), fd_(fd), device_(std::move(device)) {}
    PpdevPort(const PpdevPort&) = delete;
    PpdevPort& operator=(const PpdevPort&) = delete;
    // The stepper drivers must not be left with a step or direction line high: data lines low,
    // then the port goes back to the system. Tried even after a failure, which costs nothing.
    ~PpdevPort() override {
        unsigned char low = 0;
        (void)driver_.Ioctl(fd_, PPWDATA, &low);
        (void)driver_.Ioctl(fd_, PPRELEASE, nullptr);
        driver_.Close(fd_);
    }

    void Out32(std::uint16_t address, std::int16_t value) override {
        if ((address != kDataRegister && address != kControlRegister) || !failure_.empty()) {
            return;
        }
        auto byte = static_cast<unsigned char>(value & 0xFF);
        if (driver_.Ioctl(fd_, address == kDataRegister ? PPWDATA : PPWCONTROL, &byte) != 0) {
            failure_ = Failure(
                device_,
                address == kDataRegister ? "writing the data lines failed" : "writing the control lines failed", errno);
        }
    }

    // Also after a failure: the device may take it, and nothing else is left to try.
    void OutOnSignal(std::uint16_t address, std::uint8_t value) noexcept override {
        unsigned char byte = value;
        if (address == kDataRegister || address == kControlRegister) {
            (void)driver_.Ioctl(fd_, address == kDataRegister ? PPWDATA : PPWCONTROL, &byte);
        }
    }

    std::int16_t Inp32(std::uint16_t address) override {
        if (!failure_.empty()) {
            return kIdleStatus;
        }
        unsigned long request = 0;
        if (address == kStatusRegister) {
            request = PPRSTATUS;
        } else if (address == kDataRegister) {
            request = PPRDATA;
        } else {
            return 0xFF;
        }
        unsigned char byte = 0;
        if (driver_.Ioctl(fd_, request, &byte) != 0) {
            failure_ = Failure(device_, "reading the port failed", errno);
            return kIdleStatus; // never a switch that is not there
        }
        return byte;
    }

    std::string_view failure() const override { return failure_; }

private:
    PpdevDriver& driver_;
    int fd_;
    std::string device_;
    std::string failure_;
};

} // namespace

PpdevDriver& KernelPpdev() {
    static KernelDriver driver;
    return driver;
}

int CallInterruptedAfter(std::chrono::milliseconds limit, const std::function<int()>& call) {
    struct sigaction quiet {};
    struct sigaction old {};
    quiet.sa_handler = Quiet;
    sigemptyset(&quiet.sa_mask);
    quiet.sa_flags = 0; // no SA_RESTART: the interrupted call returns EINTR
    if (sigaction(kClaimSignal, &quiet, &old) != 0) {
        return call();
    }
    // Aimed at this thread: the blocked call is here, whatever other threads Qt runs.
    sigevent event{};
    event.sigev_notify = SIGEV_THREAD_ID;
    event.sigev_signo = kClaimSignal;
    event._sigev_un._tid = gettid(); // glibc has no public name for the target thread
    timer_t timer{};
    if (timer_create(CLOCK_MONOTONIC, &event, &timer) != 0) {
        sigaction(kClaimSignal, &old, nullptr);
        return call();
    }
    sigset_t ours;
    sigemptyset(&ours);
    sigaddset(&ours, kClaimSignal);
    sigset_t before;
    pthread_sigmask(SIG_UNBLOCK, &ours, &before);
    itimerspec when{};
    when.it_value.tv_sec = static_cast<time_t>(limit.count() / 1000);
    when.it_value.tv_nsec = static_cast<long>(limit.count() % 1000) * 1'000'000;
    timer_settime(timer, 0, &when, nullptr);

    const int result = call();
    const int error = errno;

    // A signal that fired just after the call returned is taken here, before the old handler
    // (for SIGALRM, ending the process) is back.
    timer_delete(timer);
    pthread_sigmask(SIG_BLOCK, &ours, nullptr);
    const timespec now{};
    while (sigtimedwait(&ours, nullptr, &now) == kClaimSignal) {
    }
    sigaction(kClaimSignal, &old, nullptr);
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    errno = error;
    return result;
}

PortOpening OpenPpdevPort(const std::string& device, PpdevDriver& driver) {
    PortOpening result;
    const int fd = driver.Open(device);
    if (fd < 0) {
        result.errors.push_back(Failure(device, "cannot open", errno));
        return result;
    }
    if (driver.Ioctl(fd, PPCLAIM, nullptr) != 0) {
        result.errors.push_back(Failure(device, "cannot claim the port", errno));
        driver.Close(fd);
        return result;
    }
    // From here on, giving the port up lowers the data lines, releases and closes it.
    auto port = std::make_unique<PpdevPort>(driver, fd, device);
    int mode = IEEE1284_MODE_COMPAT;
    if (driver.Ioctl(fd, PPSETMODE, &mode) != 0) {
        result.errors.push_back(Failure(device, "cannot set compatibility mode", errno));
        return result;
    }
    result.port = std::move(port);
    result.backend = "ppdev " + device;
    return result;
}

} // namespace tamo
