// Real-time scheduling for the moves, on scripted system calls: raised for a move and back after
// it, never a call per tick, and a refusal that is told once and changes nothing else.

#include "platform/realtime.h"
#include "test_machine.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <sched.h>
#include <string>
#include <vector>

namespace tamo {
namespace {

using test::TestMachine;

// The system as a script: which requests it refuses, and what the thread's policy is.
struct ScriptedCalls final : SchedulingCalls {
    int highest_allowed = 99; // SetRealtime above this is refused with EPERM
    int limit = 0;            // RLIMIT_RTPRIO
    int memory_error = 0;
    long throttle_us = 950'000;
    Policy policy{SCHED_OTHER, 0};
    int calls = 0;

    int LockMemory() override {
        ++calls;
        return memory_error;
    }
    Policy CurrentPolicy() override {
        ++calls;
        return policy;
    }
    int SetRealtime(int priority) override {
        ++calls;
        if (priority > highest_allowed) {
            return EPERM;
        }
        policy = {SCHED_FIFO, priority};
        return 0;
    }
    int SetPolicy(const Policy& p) override {
        ++calls;
        policy = p;
        return 0;
    }
    int PriorityLimit() override { return limit; }
    long ThrottleRuntimeUs() override { return throttle_us; }
    std::string UserName() override { return "alice"; }
};

// Notes the thread's policy at every tick.
struct PolicyAtTicks final : TickObserver {
    const ScriptedCalls& calls;
    std::vector<int> priorities;
    explicit PolicyAtTicks(const ScriptedCalls& c) : calls(c) {}
    void OnTick(const Cnc&) override {
        priorities.push_back(calls.policy.policy == SCHED_OTHER ? 0 : calls.policy.priority);
    }
};

struct Machine : TestMachine {
    ScriptedCalls calls;
    RealtimeRequest realtime{calls};
    PolicyAtTicks ticks{calls};
    Machine() {
        clock.set_realtime(&realtime);
        cnc.set_tick_observer(&ticks);
    }
    // A continuous jog of X, released at the 30th yield: 30 ticks and the slow speed's 2 to stop.
    void Jog() {
        op.OnYield([this, start = op.yields()](std::uint64_t n) {
            if (n == start + 30) {
                cnc.JogReleased(4, 1);
            }
        });
        cnc.JogPressed(4, 1);
        op.OnYield(nullptr);
    }
};

TEST(Realtime, RaisedForEachMoveAndBackAfterItWithoutACallPerTick) {
    Machine m;
    m.Jog();
    EXPECT_EQ(m.ticks.priorities, std::vector<int>(32, RealtimeRequest::kPriority));
    EXPECT_EQ(m.calls.policy.policy, SCHED_OTHER);
    EXPECT_FALSE(m.realtime.active()) << "the clock's waits would spin as at real-time priority";
    const int first = m.calls.calls;
    m.Jog();
    EXPECT_EQ(m.ticks.priorities.size(), 64u);
    EXPECT_EQ(m.ticks.priorities.back(), RealtimeRequest::kPriority);
    EXPECT_EQ(m.calls.policy.policy, SCHED_OTHER);
    EXPECT_EQ(m.calls.calls, 2 * first - 1) << "the memory is locked once";
    EXPECT_EQ(m.cnc.status.Notice, "");
}

// Whatever the system refuses, the moves run as they would have, and the operator is told once
// what was refused and which line of the system's limits allows it.
TEST(Realtime, ARefusalIsToldOnceAndTheMovesRunAsBefore) {
    struct Case {
        const char* what;
        std::function<void(ScriptedCalls&)> script;
        int priority; // at the ticks; 0: normal
        std::vector<std::string> notice;
    };
    // clang-format off
    const Case cases[] = {
        {"no real-time priority for this user", [](ScriptedCalls& c) { c.highest_allowed = 0; }, 0,
         {"Real-time priority refused (" + std::string(std::strerror(EPERM)) + "): steps",
          "add \"alice - rtprio 20\" to /etc/security/limits.d/tamocnc.conf"}},
        {"a limit below ours", [](ScriptedCalls& c) { c.highest_allowed = 10; c.limit = 10; }, 10, {}},
        {"memory lock refused", [](ScriptedCalls& c) { c.memory_error = ENOMEM; }, 20,
         {"Memory lock refused (" + std::string(std::strerror(ENOMEM)) + "): steps",
          "add \"alice - memlock unlimited\" to"}},
        {"throttling off", [](ScriptedCalls& c) { c.throttle_us = -1; }, 0, {"throttling is off"}},
        {"started at a real-time priority of its own", [](ScriptedCalls& c) { c.policy = {SCHED_RR, 50}; }, 50, {}},
    };
    // clang-format on
    Machine reference;
    reference.Jog();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Machine m;
        c.script(m.calls);
        const ScriptedCalls::Policy before = m.calls.policy;
        m.Jog();
        EXPECT_EQ(m.ticks.priorities, std::vector<int>(32, c.priority));
        EXPECT_EQ(m.calls.policy.policy, before.policy);
        for (const std::string& part : c.notice) {
            EXPECT_NE(m.cnc.status.Notice.find(part), std::string::npos) << m.cnc.status.Notice;
        }
        EXPECT_EQ(m.cnc.status.Notice.empty(), c.notice.empty()) << m.cnc.status.Notice;
        m.cnc.status.Notice.clear();
        m.Jog();
        EXPECT_EQ(m.cnc.status.Notice, "") << "told once";
        EXPECT_DOUBLE_EQ(m.st.MachPosX, 2 * reference.st.MachPosX);
    }
}

} // namespace
} // namespace tamo
