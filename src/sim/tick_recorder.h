#pragma once

#include "interpreter/cnc.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

namespace tamo::sim {

// Watches every tick of a headless run: counts ticks and steps, predicts the run time from the
// loop calibration, and writes the trace and the value change dump when asked to.
//
// Time model: the calibration folds the whole cost of a tick into LoopCal, so that one busy-loop
// iteration lasts 60 × UnitsPerStepX / LoopCal seconds and a tick lasts its step delay in
// iterations. Within a tick the direction lines change first, the step lines rise 1 ns later and
// fall after the pulse width.
class TickRecorder final : public TickObserver {
public:
    explicit TickRecorder(const Cnc& cnc) : cnc_(cnc) {}
    TickRecorder(const TickRecorder&) = delete;
    TickRecorder& operator=(const TickRecorder&) = delete;
    ~TickRecorder() override;

    [[nodiscard]] bool OpenTrace(const std::string& path);
    [[nodiscard]] bool OpenVcd(const std::string& path);
    void OnTick(const Cnc& cnc) override;
    void Finish();

    [[nodiscard]] long ticks() const { return ticks_; }
    [[nodiscard]] long steps(int axis) const { return steps_[static_cast<std::size_t>(axis)]; }
    [[nodiscard]] bool timed() const { return SecondsPerIteration() > 0; }
    [[nodiscard]] double seconds() const { return seconds_; }

private:
    [[nodiscard]] double SecondsPerIteration() const;
    void VcdAt(std::uint64_t ns, int byte);

    const Cnc& cnc_;
    std::FILE* trace_ = nullptr;
    std::FILE* vcd_ = nullptr;
    long ticks_ = 0;
    std::array<long, 3> steps_{};
    double seconds_ = 0;
    std::uint64_t vcd_time_ns_ = 0;
    std::uint64_t vcd_last_stamp_ = ~0ull;
    int vcd_lines_ = -1; // the data lines as last dumped; -1 before the first dump
};

} // namespace tamo::sim
