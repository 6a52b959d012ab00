#include "fake_ppdev.h"

#include <cerrno>
#include <cstring>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>

namespace tamo::test {

int FakePpdev::Fail(const std::string& call, int error) {
    calls_.push_back(call + " -> " + strerrorname_np(error));
    errno = error;
    return -1;
}

int FakePpdev::Open(const std::string& device) {
    const std::string call = "open " + device;
    const auto node = devices_.find(device);
    if (node == devices_.end() || !node->second.present) {
        return Fail(call, ENOENT);
    }
    if (!node->second.device.in_lp_group) {
        return Fail(call, EACCES);
    }
    calls_.push_back(call);
    files_[next_fd_] = {device, false};
    return next_fd_++;
}

int FakePpdev::Ioctl(int fd, unsigned long request, void* arg) {
    std::string call;
    switch (request) {
    case PPCLAIM:
        call = "claim";
        break;
    case PPRELEASE:
        call = "release";
        break;
    case PPSETMODE:
        call = *static_cast<int*>(arg) == IEEE1284_MODE_COMPAT ? "mode compat" : "mode other";
        break;
    case PPWDATA:
        call = "write " + std::to_string(*static_cast<unsigned char*>(arg));
        break;
    case PPRSTATUS:
        call = "status";
        break;
    default:
        return Fail("ioctl " + std::to_string(request), EINVAL);
    }
    const auto file = files_.find(fd);
    if (file == files_.end()) {
        return Fail(call, EBADF);
    }
    Node& node = devices_.at(file->second.path);
    if (!node.present) {
        return Fail(call, ENODEV);
    }
    if (request == PPCLAIM) {
        if (file->second.claimed) {
            return Fail(call, EINVAL); // the kernel: "you've already got it"
        }
        if (node.claimed) {
            return Fail(call, EBUSY);
        }
        file->second.claimed = node.claimed = true;
    } else if (request == PPSETMODE) {
        if (node.device.mode_error != 0) {
            return Fail(call, node.device.mode_error);
        }
    } else if (!file->second.claimed) {
        return Fail(call, EINVAL); // everything else needs the claim
    } else if (request == PPRELEASE) {
        file->second.claimed = node.claimed = false;
    } else if (request == PPWDATA) {
        node.data = *static_cast<unsigned char*>(arg);
    } else if (request == PPRSTATUS) {
        if (node.device.status_error != 0) {
            return Fail(call, node.device.status_error);
        }
        *static_cast<unsigned char*>(arg) = node.device.status;
    }
    calls_.push_back(call);
    return 0;
}

int FakePpdev::Close(int fd) {
    const auto file = files_.find(fd);
    if (file == files_.end()) {
        return Fail("close", EBADF);
    }
    if (file->second.claimed) {
        devices_.at(file->second.path).claimed = false; // the kernel releases what was forgotten
    }
    files_.erase(file);
    calls_.push_back("close");
    return 0;
}

} // namespace tamo::test
