#include "sim/tick_recorder.h"

#include "interpreter/numbers.h"
#include "platform/clock.h"

#include <cmath>

namespace tamo::sim {
namespace {

// VCD identifiers of the data lines: pin 2 (bit 0) is '!', up to pin 9 (bit 7).
char VcdId(int bit) {
    return static_cast<char>('!' + bit);
}

} // namespace

TickRecorder::~TickRecorder() {
    Finish();
}

bool TickRecorder::OpenTrace(const std::string& path) {
    trace_ = std::fopen(path.c_str(), "w");
    if (trace_ == nullptr) {
        return false;
    }
    std::fputs("tick,DirByte,PortByte,StepDirX,StepDirY,StepDirZ,StepDelay,ProgPosX,ProgPosY,ProgPosZ,MachPosX,"
               "MachPosY,MachPosZ,PrgLineNo,GCode\n",
               trace_);
    return true;
}

bool TickRecorder::OpenVcd(const std::string& path) {
    vcd_ = std::fopen(path.c_str(), "w");
    if (vcd_ == nullptr) {
        return false;
    }
    std::fputs("$version tamocnc-sim $end\n", vcd_);
    std::fputs(timed() ? "$comment one busy-loop iteration lasts 60 * UnitsPerStepX / LoopCal seconds $end\n"
                       : "$comment no loop calibration: one busy-loop iteration is shown as 1 ns $end\n",
               vcd_);
    std::fputs("$timescale 1ns $end\n$scope module parallel_port $end\n", vcd_);
    for (int bit = 0; bit < 8; ++bit) {
        std::fprintf(vcd_, "$var wire 1 %c pin%d $end\n", VcdId(bit), bit + 2);
    }
    std::fputs("$upscope $end\n$enddefinitions $end\n", vcd_);
    VcdAt(0, 0);
    return true;
}

double TickRecorder::SecondsPerIteration() const {
    const double per = 60 * cnc_.st.UnitsPerStepX / cnc_.st.LoopCal;
    return std::isfinite(per) && per > 0 ? per : 0;
}

void TickRecorder::VcdAt(std::uint64_t ns, int byte) {
    byte &= 0xFF;
    if (byte == vcd_lines_) {
        return;
    }
    if (ns != vcd_last_stamp_) {
        std::fprintf(vcd_, "#%llu\n", static_cast<unsigned long long>(ns));
        vcd_last_stamp_ = ns;
    }
    for (int bit = 0; bit < 8; ++bit) {
        const int now = (byte >> bit) & 1;
        if (vcd_lines_ < 0 || now != ((vcd_lines_ >> bit) & 1)) {
            std::fprintf(vcd_, "%d%c\n", now, VcdId(bit));
        }
    }
    vcd_lines_ = byte;
}

// Runs inside every tick: a few additions, and the formatted rows only when a file was asked for.
void TickRecorder::OnTick(const Cnc& cnc) {
    const MachineState& st = cnc.st;
    ++ticks_;
    steps_[0] += st.StepDirX != 0;
    steps_[1] += st.StepDirY != 0;
    steps_[2] += st.StepDirZ != 0;
    const double per = SecondsPerIteration();
    const auto delay = static_cast<double>(BusyWaitIterations(st.StepDelay));
    seconds_ += delay * per;

    if (vcd_ != nullptr && !st.Offline) {
        const double ns_per = per > 0 ? per * 1e9 : 1.0;
        const auto pulse_ns =
            static_cast<std::uint64_t>(static_cast<double>(BusyWaitIterations(NumberOf(st.PulseWidth))) * ns_per);
        const auto tick_ns = static_cast<std::uint64_t>(delay * ns_per);
        const std::uint64_t start = vcd_time_ns_;
        VcdAt(start, st.DirByte);
        VcdAt(start + 1, st.PortByte);
        VcdAt(start + 1 + pulse_ns, st.DirByte);
        vcd_time_ns_ = start + std::max<std::uint64_t>(tick_ns, pulse_ns + 2);
    }
    if (trace_ != nullptr) {
        std::fprintf(trace_, "%ld,%d,%d,%d,%d,%d,%s,%s,%s,%s,%s,%s,%s,%d,%s\n", ticks_, st.DirByte,
                     st.Offline ? 0 : st.PortByte, st.StepDirX, st.StepDirY, st.StepDirZ,
                     FormatNumber(st.StepDelay).c_str(), FormatNumber(st.ProgPosX).c_str(),
                     FormatNumber(st.ProgPosY).c_str(), FormatNumber(st.ProgPosZ).c_str(),
                     FormatNumber(st.MachPosX).c_str(), FormatNumber(st.MachPosY).c_str(),
                     FormatNumber(st.MachPosZ).c_str(), st.PrgLineNo, st.GCode.c_str());
    }
}

void TickRecorder::Finish() {
    if (trace_ != nullptr) {
        std::fclose(trace_);
        trace_ = nullptr;
    }
    if (vcd_ != nullptr) {
        std::fprintf(vcd_, "#%llu\n", static_cast<unsigned long long>(vcd_time_ns_));
        std::fclose(vcd_);
        vcd_ = nullptr;
    }
}

} // namespace tamo::sim
