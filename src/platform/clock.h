#pragma once

#include <cstdint>

namespace tamo {

// Busy wait of n iterations: floor(n) + 1 for n >= 0, none for n < 0. The speed test calibrates
// the cost of one iteration, so every wait of the machine (pulse width and feed delay) runs this
// one loop, which the optimizer may neither remove nor shorten.
void BusyWait(double n);

// Time as the machine sees it: a millisecond counter for the speed test, and the busy wait.
class Clock {
public:
    virtual ~Clock() = default;
    [[nodiscard]] virtual std::uint32_t GetTickCount() = 0;
    virtual void Wait(double iterations) = 0;
};

// The real thing: milliseconds from a steady clock, and the real busy loop.
class SteadyClock final : public Clock {
public:
    std::uint32_t GetTickCount() override;
    void Wait(double iterations) override { BusyWait(iterations); }
};

// Deterministic time for tests: nothing spins. Every wait is counted, and the clock moves on by
// a fixed cost per iteration, so a speed test converges the same way on every machine.
class FakeClock final : public Clock {
public:
    std::uint32_t GetTickCount() override { return static_cast<std::uint32_t>(now_ns_ / 1'000'000); }
    void Wait(double iterations) override;

    void Advance(std::uint64_t ms) { now_ns_ += ms * 1'000'000; }
    void set_ns_per_iteration(double ns) { ns_per_iteration_ = ns; }
    [[nodiscard]] std::uint64_t waits() const { return waits_; }
    [[nodiscard]] std::uint64_t iterations() const { return iterations_; }

private:
    std::uint64_t now_ns_ = 0;
    double ns_per_iteration_ = 0;
    std::uint64_t waits_ = 0;
    std::uint64_t iterations_ = 0;
};

// The number of iterations a busy wait of n runs.
[[nodiscard]] std::uint64_t BusyWaitIterations(double n);

} // namespace tamo
