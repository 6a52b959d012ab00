#pragma once

#include "interpreter/cnc.h"
#include "platform/file_io.h"
#include "platform/io_record.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace tamo::sim {

// Watches every tick of a headless run: counts ticks and the step pulses that reach the port (a
// rising edge on an axis' step pin; a pin that is not wired, or a step that shares its pin with a
// line already high, gives none), predicts the run time from the
// loop calibration, and writes the trace and the value change dump when asked to. The port bytes
// and the waits come from the run's ordered record, as they were written and waited, not from the
// settings: a wrong order in the tick shows in the dump.
//
// Time model: the calibration folds the whole cost of a tick into LoopCal, so that one busy-loop
// iteration lasts 60 × UnitsPerStepX / LoopCal seconds and a tick lasts its step delay in
// iterations. Each step is drawn at its due time (or, when the writes before it ran longer, 1 ns
// after them); writes that follow each other directly are drawn 1 ns apart so that their order
// stays visible, and a busy wait lasts its iterations.
class TickRecorder final : public TickObserver {
public:
    TickRecorder(const Cnc& cnc, IoRecord& record) : cnc_(cnc), record_(record) {}
    TickRecorder(const TickRecorder&) = delete;
    TickRecorder& operator=(const TickRecorder&) = delete;
    ~TickRecorder() override;

    // Empty on success, else why the file cannot be written.
    [[nodiscard]] std::string OpenTrace(const std::string& path);
    [[nodiscard]] std::string OpenVcd(const std::string& path);
    // Drains the record of the tick.
    void OnTick(const Cnc& cnc) override;
    // Keeps the spindle and coolant as they were switched, with the program line.
    void OnOutputs(const Cnc& cnc) override {
        outputs_.push_back({cnc.st.PrgLineNo, cnc.st.SpindleOn, cnc.st.SpindleCcw, cnc.st.FloodOn, cnc.st.MistOn});
    }
    struct OutputChange {
        int line;
        bool spindle, ccw, flood, mist;
    };
    [[nodiscard]] const std::vector<OutputChange>& outputs() const { return outputs_; }
    // Ends both files. Empty when every write and the close succeeded, else which file failed and why.
    [[nodiscard]] std::string Finish();

    [[nodiscard]] long ticks() const { return ticks_; }
    [[nodiscard]] long steps(int axis) const { return steps_[static_cast<std::size_t>(axis)]; }
    [[nodiscard]] bool timed() const { return SecondsPerIteration() > 0; }
    [[nodiscard]] double seconds() const { return seconds_; }
    // The fastest each axis was asked to run (units/s) and the most it was asked to change its
    // speed (units/s^2), rebuilt from the step times in the time model: the speed over each run of
    // four steps of the axis, the acceleration between two such runs that follow each other. 0
    // without a calibration.
    [[nodiscard]] double max_speed(int axis) const { return axes_[static_cast<std::size_t>(axis)].max_speed; }
    [[nodiscard]] double max_accel(int axis) const { return axes_[static_cast<std::size_t>(axis)].max_accel; }

private:
    [[nodiscard]] double SecondsPerIteration() const;
    void VcdAt(std::uint64_t ns, int byte);
    void VcdControlAt(std::uint64_t ns, int byte);
    void VcdStamp(std::uint64_t ns);
    // Counts a step on every axis whose step pin a write raised.
    void CountPulses(int byte);
    // One step of `axis` at `t` seconds: the speed and acceleration it shows.
    void AxisStepped(std::size_t axis, double t, double step);
    // Keeps the first failure of a file, with its errno.
    void Failed(std::FILE*& file, OutputFile& output, const std::string& path);

    const Cnc& cnc_;
    IoRecord& record_;
    OutputFile trace_file_, vcd_file_;
    std::FILE* trace_ = nullptr; // the streams of the two files while they are written
    std::FILE* vcd_ = nullptr;
    std::string trace_path_, vcd_path_;
    std::string failure_;
    int port_lines_ = 0; // the data lines after the last write
    long ticks_ = 0;
    std::array<long, 3> steps_{};
    std::vector<OutputChange> outputs_;
    double seconds_ = 0;
    struct AxisMotion {
        std::array<double, 9> times{}; // the last nine step times, oldest first once full
        std::size_t steps = 0;
        double max_speed = 0, max_accel = 0;
    };
    std::array<AxisMotion, 3> axes_{};
    std::uint64_t vcd_now_ns_ = 0; // the dump's time at the last event drawn
    std::uint64_t vcd_due_ns_ = 0; // when the next step is due in the dump's time
    bool vcd_after_write_ = false; // the last event drawn was a write: the next one follows it by 1 ns
    std::uint64_t vcd_last_stamp_ = ~0ull;
    int vcd_lines_ = -1;        // the data lines as last dumped; -1 before the first dump
    bool dump_control_ = false; // an output is wired to a control line: the dump shows them
    int vcd_control_ = -1;      // the control pins' levels as last dumped
};

} // namespace tamo::sim
