#include "sim/tick_recorder.h"

#include "interpreter/numbers.h"
#include "platform/port.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace tamo::sim {
namespace {

// VCD identifiers of the data lines: pin 2 (bit 0) is '!', up to pin 9 (bit 7); the control
// lines follow them.
char VcdId(int bit) {
    return static_cast<char>('!' + bit);
}
char VcdControlId(int bit) {
    return static_cast<char>('!' + 8 + bit);
}

// The control register's bits 0 to 3 drive pins 1, 14, 16 and 17.
constexpr std::array<int, 4> kControlPins{1, 14, 16, 17};

// The levels of the control pins (bit n: kControlPins[n] high) a control byte gives: the port
// inverts the lines of pins 1, 14 and 17.
int ControlLevels(int byte) {
    return (byte ^ machine::kControlAllLow) & 0x0F;
}

// The dump's nanoseconds of a count of iterations; a period of 1e300 iterations ends at 1e18.
std::uint64_t NsOf(std::uint64_t iterations, double ns_per) {
    const double ns = static_cast<double>(iterations) * ns_per;
    return static_cast<std::uint64_t>(ns < kForeverNs ? ns : kForeverNs);
}

} // namespace

TickRecorder::~TickRecorder() {
    (void)Finish();
}

void TickRecorder::CountPulses(int byte) {
    const MachineState& st = cnc_.st;
    const std::array<int, 3> masks{st.StepMaskX, st.StepMaskY, st.StepMaskZ};
    const int raised = byte & ~port_lines_;
    for (std::size_t axis = 0; axis < masks.size(); ++axis) {
        steps_[axis] += (raised & masks[axis]) != 0;
    }
    port_lines_ = byte;
}

void TickRecorder::Failed(std::FILE*& file, OutputFile& output, const std::string& path) {
    if (failure_.empty()) {
        failure_ = "cannot write " + path + ": " + std::strerror(errno);
    }
    output.Abandon();
    file = nullptr;
}

std::string TickRecorder::OpenTrace(const std::string& path) {
    if (std::string why = trace_file_.Open(path); !why.empty()) {
        return why;
    }
    trace_ = trace_file_.stream();
    trace_path_ = path;
    std::fputs("tick,DirByte,PortByte,StepDirX,StepDirY,StepDirZ,StepDelay,ProgPosX,ProgPosY,ProgPosZ,MachPosX,"
               "MachPosY,MachPosZ,PrgLineNo,GCode,Period\n",
               trace_);
    return {};
}

std::string TickRecorder::OpenVcd(const std::string& path) {
    if (std::string why = vcd_file_.Open(path); !why.empty()) {
        return why;
    }
    vcd_ = vcd_file_.stream();
    vcd_path_ = path;
    std::fputs("$version tamocnc-sim $end\n", vcd_);
    std::fputs(timed() ? "$comment one busy-loop iteration lasts 60 * UnitsPerStepX / LoopCal seconds $end\n"
                       : "$comment no loop calibration: one busy-loop iteration is shown as 1 ns $end\n",
               vcd_);
    std::fputs("$timescale 1ns $end\n$scope module parallel_port $end\n", vcd_);
    for (int bit = 0; bit < 8; ++bit) {
        std::fprintf(vcd_, "$var wire 1 %c pin%d $end\n", VcdId(bit), bit + 2);
    }
    // The control lines only where an output is wired to them: a dump of the step wiring alone
    // stays as it was.
    dump_control_ = cnc_.setup.Uses(OutputPin::Register::Control);
    for (int bit = 0; dump_control_ && bit < 4; ++bit) {
        std::fprintf(vcd_, "$var wire 1 %c pin%d $end\n", VcdControlId(bit),
                     kControlPins[static_cast<std::size_t>(bit)]);
    }
    std::fputs("$upscope $end\n$enddefinitions $end\n", vcd_);
    VcdAt(0, 0);
    if (dump_control_) {
        VcdControlAt(0, machine::kControlAllLow);
    }
    return {};
}

double TickRecorder::SecondsPerIteration() const {
    const double per = 60 * cnc_.st.UnitsPerStepX / cnc_.st.LoopCal;
    return std::isfinite(per) && per > 0 ? per : 0;
}

void TickRecorder::VcdStamp(std::uint64_t ns) {
    if (ns != vcd_last_stamp_) {
        std::fprintf(vcd_, "#%llu\n", static_cast<unsigned long long>(ns));
        vcd_last_stamp_ = ns;
    }
}

void TickRecorder::VcdControlAt(std::uint64_t ns, int byte) {
    const int levels = ControlLevels(byte);
    if (!dump_control_ || levels == vcd_control_) {
        return;
    }
    VcdStamp(ns);
    for (int bit = 0; bit < 4; ++bit) {
        const int now = (levels >> bit) & 1;
        if (vcd_control_ < 0 || now != ((vcd_control_ >> bit) & 1)) {
            std::fprintf(vcd_, "%d%c\n", now, VcdControlId(bit));
        }
    }
    vcd_control_ = levels;
}

void TickRecorder::VcdAt(std::uint64_t ns, int byte) {
    byte &= 0xFF;
    if (byte == vcd_lines_) {
        return;
    }
    VcdStamp(ns);
    for (int bit = 0; bit < 8; ++bit) {
        const int now = (byte >> bit) & 1;
        if (vcd_lines_ < 0 || now != ((vcd_lines_ >> bit) & 1)) {
            std::fprintf(vcd_, "%d%c\n", now, VcdId(bit));
        }
    }
    vcd_lines_ = byte;
}

// Speeds over runs of four steps: a shorter run would show the unevenness of an axis that steps on
// some ticks of the longest axis and not on others, which no motor follows.
void TickRecorder::AxisStepped(std::size_t axis, double t, double step) {
    constexpr std::size_t kRun = 4;
    AxisMotion& m = axes_[axis];
    std::array<double, 9>& times = m.times;
    std::copy(times.begin() + 1, times.end(), times.begin());
    times.back() = t;
    ++m.steps;
    if (m.steps <= kRun) {
        return;
    }
    const double newer = times[8] - times[8 - kRun];
    if (newer > 0) {
        m.max_speed = std::max(m.max_speed, kRun * step / newer);
    }
    if (m.steps <= 2 * kRun) {
        return;
    }
    const double older = times[8 - kRun] - times[0];
    if (newer > 0 && older > 0) {
        const double change = std::fabs(kRun * step / newer - kRun * step / older);
        m.max_accel = std::max(m.max_accel, change / ((newer + older) / 2));
    }
}

// Runs inside every tick: a few additions per recorded event, and the formatted rows only when a
// file was asked for.
void TickRecorder::OnTick(const Cnc& cnc) {
    const MachineState& st = cnc.st;
    ++ticks_;
    const double per = SecondsPerIteration();
    const double ns_per = per > 0 ? per * 1e9 : 1.0;

    int dir_byte = st.DirByte; // offline nothing is written: the byte the tick would have written
    int port_byte = 0;
    const double step_s = seconds_; // this tick's step, in the time model: the periods before it
    double period_s = 0;
    int writes = 0;
    std::uint64_t step_ns = vcd_now_ns_;
    for (const IoRecord::Event& e : record_.events()) {
        switch (e.kind) {
        case IoRecord::Kind::Hold:
            if (vcd_due_ns_ > vcd_now_ns_) {
                vcd_now_ns_ = vcd_due_ns_;
                vcd_after_write_ = false;
            }
            step_ns = vcd_now_ns_;
            break;
        case IoRecord::Kind::Write:
            if (e.address != kDataRegister) {
                // The spindle and coolant on the control lines: no step, no direction, and the
                // data lines' timing as it is without them.
                if (vcd_ != nullptr && e.address == kControlRegister) {
                    VcdControlAt(vcd_now_ns_, e.value);
                }
                break;
            }
            vcd_now_ns_ += vcd_after_write_ ? 1 : 0;
            vcd_after_write_ = true;
            if (vcd_ != nullptr) {
                VcdAt(vcd_now_ns_, e.value);
            }
            CountPulses(e.value);
            ++writes;
            if (writes == 1) {
                dir_byte = e.value;
            } else if (writes == 2) {
                port_byte = e.value;
            }
            break;
        case IoRecord::Kind::Wait:
            vcd_now_ns_ += NsOf(e.iterations, ns_per);
            vcd_after_write_ = false;
            break;
        case IoRecord::Kind::Period:
            vcd_due_ns_ = step_ns + NsOf(e.iterations, ns_per);
            period_s = static_cast<double>(e.iterations) * per;
            seconds_ += period_s;
            break;
        case IoRecord::Kind::Read:
        case IoRecord::Kind::Yield:
            break;
        }
    }
    record_.clear();
    if (per > 0) {
        const std::array<int, 3> dirs{st.StepDirX, st.StepDirY, st.StepDirZ};
        const std::array<double, 3> sizes{st.UnitsPerStepX, st.UnitsPerStepY, st.UnitsPerStepZ};
        for (std::size_t a = 0; a < 3; ++a) {
            if (dirs[a] != 0) {
                AxisStepped(a, step_s, std::fabs(sizes[a]));
            }
        }
    }

    if (trace_ != nullptr) {
        std::fprintf(trace_, "%ld,%d,%d,%d,%d,%d,%s,%s,%s,%s,%s,%s,%s,%d,%s,%s\n", ticks_, dir_byte, port_byte,
                     st.StepDirX, st.StepDirY, st.StepDirZ, FormatNumber(st.StepDelay).c_str(),
                     FormatNumber(st.ProgPosX).c_str(), FormatNumber(st.ProgPosY).c_str(),
                     FormatNumber(st.ProgPosZ).c_str(), FormatNumber(st.MachPosX).c_str(),
                     FormatNumber(st.MachPosY).c_str(), FormatNumber(st.MachPosZ).c_str(), st.PrgLineNo,
                     st.GCode.c_str(), FormatNumber(period_s).c_str());
        // A full disk shows here at the latest when the buffer is flushed; one flag test a tick.
        if (std::ferror(trace_) != 0) {
            Failed(trace_, trace_file_, trace_path_);
        }
    }
    if (vcd_ != nullptr && std::ferror(vcd_) != 0) {
        Failed(vcd_, vcd_file_, vcd_path_);
    }
}

std::string TickRecorder::Finish() {
    // The last buffered bytes reach the file at the flush, the close only releases it.
    auto finish = [this](std::FILE*& file, OutputFile& output, const std::string& path) {
        if (file == nullptr) {
            return;
        }
        file = nullptr;
        if (const std::string why = output.Commit(); !why.empty() && failure_.empty()) {
            failure_ = "cannot write " + path + ": " + why;
        }
    };
    finish(trace_, trace_file_, trace_path_);
    if (vcd_ != nullptr) {
        // Writes after the last tick: the outputs switched off at the end, at a stop or a signal.
        for (const IoRecord::Event& e : record_.events()) {
            if (e.kind == IoRecord::Kind::Write && e.address == kDataRegister) {
                vcd_now_ns_ = std::max(vcd_now_ns_, vcd_due_ns_) + 1;
                VcdAt(vcd_now_ns_, e.value);
            } else if (e.kind == IoRecord::Kind::Write && e.address == kControlRegister) {
                VcdControlAt(std::max(vcd_now_ns_, vcd_due_ns_), e.value);
            }
        }
        record_.clear();
        std::fprintf(vcd_, "#%llu\n", static_cast<unsigned long long>(std::max(vcd_now_ns_, vcd_due_ns_)));
    }
    finish(vcd_, vcd_file_, vcd_path_);
    return failure_;
}

} // namespace tamo::sim
