#include "platform/realtime.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <pwd.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

namespace tamo {
namespace {

constexpr const char* kLimitsFile = "/etc/security/limits.d/tamocnc.conf";

int ErrnoOf(int result) {
    return result == 0 ? 0 : errno;
}

bool IsRealtimePolicy(int policy) {
    return policy == SCHED_FIFO || policy == SCHED_RR;
}

// The stack a move reaches below the caller, faulted in while it is locked.
constexpr std::size_t kStackPrefault = 256 * 1024;

[[gnu::noinline]] void PrefaultStack() {
    volatile char stack[kStackPrefault];
    for (std::size_t i = 0; i < kStackPrefault; i += 4096) {
        stack[i] = 0;
    }
    asm volatile("" : : "r"(stack) : "memory"); // the stores stay
}

} // namespace

// Only what is mapped now: the code, the program buffer and the drawing. Locking future mappings
// as well would make a later allocation fail outright once a finite lock limit is reached. The
// stack below the caller is touched once locked, so that no step of a move waits for its pages.
int LinuxSchedulingCalls::LockMemory() {
    const int error = ErrnoOf(mlockall(MCL_CURRENT));
    if (error == 0) {
        PrefaultStack();
    }
    return error;
}

SchedulingCalls::Policy LinuxSchedulingCalls::CurrentPolicy() {
    Policy policy;
    policy.policy = sched_getscheduler(0);
    sched_param param{};
    if (sched_getparam(0, &param) == 0) {
        policy.priority = param.sched_priority;
    }
    return policy;
}

// A child process started during a move must not inherit the priority.
int LinuxSchedulingCalls::SetRealtime(int priority) {
    sched_param param{};
    param.sched_priority = priority;
    return ErrnoOf(sched_setscheduler(0, SCHED_FIFO | SCHED_RESET_ON_FORK, &param));
}

int LinuxSchedulingCalls::SetPolicy(const Policy& policy) {
    sched_param param{};
    param.sched_priority = policy.priority;
    return ErrnoOf(sched_setscheduler(0, policy.policy, &param));
}

int LinuxSchedulingCalls::PriorityLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_RTPRIO, &limit) != 0) {
        return 0;
    }
    return limit.rlim_cur == RLIM_INFINITY ? 99 : static_cast<int>(limit.rlim_cur);
}

// Unreadable: the kernel's defaults, 0.95 s of every second.
long LinuxSchedulingCalls::ThrottleRuntimeUs() {
    std::ifstream file("/proc/sys/kernel/sched_rt_runtime_us");
    long runtime_us = 0;
    return file >> runtime_us ? runtime_us : 950'000;
}

long LinuxSchedulingCalls::ThrottlePeriodUs() {
    std::ifstream file("/proc/sys/kernel/sched_rt_period_us");
    long period_us = 0;
    return file >> period_us && period_us > 0 ? period_us : 1'000'000;
}

std::string LinuxSchedulingCalls::UserName() {
    if (const passwd* user = getpwuid(geteuid()); user != nullptr && user->pw_name != nullptr) {
        return user->pw_name;
    }
    return "USER";
}

std::string RealtimeRequest::Enter() {
    if (raised_) {
        return {};
    }
    if (calls_.ThrottleRuntimeUs() < 0) {
        if (told_) {
            return {};
        }
        told_ = true;
        return "Real-time priority not used: the kernel's real-time throttling is off "
               "(kernel.sched_rt_runtime_us = -1), so a busy move could lock the PC up. "
               "Set it back to 950000 to allow it.";
    }
    int memory_error = 0;
    if (!memory_locked_) {
        memory_error = calls_.LockMemory();
        memory_locked_ = memory_error == 0;
    }
    saved_ = calls_.CurrentPolicy();
    int priority_error = 0;
    if (!IsRealtimePolicy(saved_.policy)) {
        priority_error = calls_.SetRealtime(kPriority);
        // A user allowed a lower priority than ours gets the highest one allowed.
        const int limit = calls_.PriorityLimit();
        if (priority_error == EPERM && limit > 0 && limit < kPriority) {
            priority_error = calls_.SetRealtime(limit);
        }
        raised_ = priority_error == 0;
    }
    active_ = raised_ || IsRealtimePolicy(saved_.policy);
    if ((priority_error == 0 && memory_error == 0) || told_) {
        return {};
    }
    told_ = true;
    return Refusal(priority_error, memory_error);
}

double RealtimeRequest::ThrottleShare() {
    const long runtime_us = calls_.ThrottleRuntimeUs();
    const long period_us = calls_.ThrottlePeriodUs();
    return runtime_us < 0 || period_us <= 0
               ? 1
               : std::min(1.0, static_cast<double>(runtime_us) / static_cast<double>(period_us));
}

void RealtimeRequest::Leave() {
    active_ = false;
    if (raised_) {
        (void)calls_.SetPolicy(saved_);
        raised_ = false;
    }
}

std::string RealtimeRequest::Refusal(int priority_error, int memory_error) {
    const std::string user = calls_.UserName();
    std::string what;
    std::string lines;
    if (priority_error != 0) {
        what = std::string("Real-time priority refused (") + std::strerror(priority_error) + ")";
        lines = "\"" + user + " - rtprio " + std::to_string(kPriority) + "\"";
    }
    if (memory_error != 0) {
        what += (what.empty() ? "Memory lock refused (" : "; memory lock refused (") +
                std::string(std::strerror(memory_error)) + ")";
        lines += (lines.empty() ? "\"" : " and \"") + user + " - memlock unlimited\"";
    }
    return what + ": steps can come late while the PC is busy. To allow it, add " + lines + " to " + kLimitsFile +
           " and log in again.";
}

} // namespace tamo
