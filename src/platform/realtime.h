#pragma once

#include <string>

namespace tamo {

// The system calls behind real-time scheduling, a seam so that tests can script a refusal. Each
// returns 0 or the errno value of the failure.
class SchedulingCalls {
public:
    struct Policy {
        int policy = 0;
        int priority = 0;
    };

    virtual ~SchedulingCalls() = default;
    // Locks the pages the process has mapped now into memory.
    virtual int LockMemory() = 0;
    [[nodiscard]] virtual Policy CurrentPolicy() = 0;
    // The calling thread at this first-in first-out real-time priority.
    virtual int SetRealtime(int priority) = 0;
    virtual int SetPolicy(const Policy& policy) = 0;
    // The soft limit RLIMIT_RTPRIO: the highest real-time priority the user may take without
    // CAP_SYS_NICE.
    [[nodiscard]] virtual int PriorityLimit() = 0;
    // The kernel's real-time throttling: microseconds per period that real-time threads may run,
    // -1 when throttling is off; and the period, in microseconds.
    [[nodiscard]] virtual long ThrottleRuntimeUs() = 0;
    [[nodiscard]] virtual long ThrottlePeriodUs() { return 1'000'000; }
    [[nodiscard]] virtual std::string UserName() = 0;
};

// The real calls: mlockall, sched_setscheduler, getrlimit and /proc/sys/kernel.
class LinuxSchedulingCalls final : public SchedulingCalls {
public:
    int LockMemory() override;
    Policy CurrentPolicy() override;
    int SetRealtime(int priority) override;
    int SetPolicy(const Policy& policy) override;
    int PriorityLimit() override;
    long ThrottleRuntimeUs() override;
    long ThrottlePeriodUs() override;
    std::string UserName() override;
};

// Real-time scheduling for the length of a move, a jog, homing, the speed test or the latency
// test: memory locked and the thread raised to a modest first-in first-out priority, so that the
// desktop's other programs cannot push a step late; back to the thread's own policy in between.
// The step waits sleep most of every period, so a real-time move stays far below the kernel's
// throttling, which is never changed here; with throttling off the thread stays as it is, since
// nothing would then keep a busy move from locking the PC up.
class RealtimeRequest {
public:
    // Below the kernel's interrupt threads (50), above every ordinary program.
    static constexpr int kPriority = 20;

    explicit RealtimeRequest(SchedulingCalls& calls) : calls_(calls) {}

    // Two system calls (one more, the memory lock, the first time). Returns, the first time the
    // system refuses, what the operator should know and the lines that allow it; empty otherwise.
    [[nodiscard]] std::string Enter();
    // Back to the policy the thread had before Enter.
    void Leave();
    // Whether the thread runs at real-time priority for the present move: raised by Enter, or
    // already so before it (started under chrt, say).
    [[nodiscard]] bool active() const { return active_; }
    [[nodiscard]] bool memory_locked() const { return memory_locked_; }
    // The share of every throttling period that the kernel lets a real-time thread run (0.95 by
    // default); 1 when throttling is off.
    [[nodiscard]] double ThrottleShare();

private:
    [[nodiscard]] std::string Refusal(int priority_error, int memory_error);

    SchedulingCalls& calls_;
    SchedulingCalls::Policy saved_;
    bool raised_ = false;
    bool active_ = false;
    bool memory_locked_ = false;
    bool told_ = false;
};

} // namespace tamo
