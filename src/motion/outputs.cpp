// Spindle and coolant: four outputs on pins of the data or the control register, switched by the
// program's M words and switched off whenever the machine stops for good.

#include "interpreter/cnc.h"
#include "interpreter/line_words.h"
#include "interpreter/numbers.h"
#include "platform/outputs_off.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

namespace tamo {
namespace {

using Output = MachineSetup::Output;

// A pin raised: its data bit set, or its control bit flipped from the all-low byte (the port
// inverts pins 1, 14 and 17, so raising them clears their bit).
void Raise(const OutputPin& pin, int& data, int& control) {
    if (pin.reg == OutputPin::Register::Data) {
        data |= pin.mask;
    } else if (pin.reg == OutputPin::Register::Control) {
        control ^= pin.mask;
    }
}

// The M word of a program line as the parser reads it; -1 when the line has none.
double MWordOf(std::string_view line) {
    const std::string_view trimmed = TrimSpaces(line);
    if (SkipsLine(trimmed)) {
        return -1;
    }
    const LineWords w = LocateWords(trimmed);
    return w.Has(kM) ? ScanNumber(w.Text(trimmed, kM)) : -1;
}

// The program's outputs after its M word m, on a machine wired as setup says: the same rules as
// the outputs themselves follow.
void FollowOutputWord(MachineState& st, const MachineSetup& setup, double m) {
    if ((m == 3 || m == 4) && setup.outputs[Output::Spindle].wired()) {
        st.ProgSpindleOn = true;
        st.ProgSpindleCcw = m == 4;
    } else if (m == 5) {
        st.ProgSpindleOn = st.ProgSpindleCcw = false;
    } else if (m == 7 && setup.outputs[Output::Mist].wired()) {
        st.ProgMistOn = true;
    } else if (m == 8 && setup.outputs[Output::Flood].wired()) {
        st.ProgFloodOn = true;
    } else if (m == 9) {
        st.ProgFloodOn = st.ProgMistOn = false;
    } else if (m == 2 || m == 30) {
        st.ProgSpindleOn = st.ProgSpindleCcw = st.ProgFloodOn = st.ProgMistOn = false;
    }
}

} // namespace

// Changes: OutputBits, ControlByte; writes the registers that carry an output, unless offline.
// The data register keeps the direction lines of the last tick.
void Cnc::WriteOutputs() {
    const auto& pin = setup.outputs;
    int data = 0;
    int control = machine::kControlAllLow;
    if (st.SpindleOn) {
        Raise(pin[Output::Spindle], data, control);
        if (st.SpindleCcw) {
            Raise(pin[Output::SpindleDir], data, control);
        }
    }
    if (st.FloodOn) {
        Raise(pin[Output::Flood], data, control);
    }
    if (st.MistOn) {
        Raise(pin[Output::Mist], data, control);
    }
    st.OutputBits = data;
    st.ControlByte = control;
    if (st.Offline) {
        return;
    }
    if (setup.Uses(OutputPin::Register::Data)) {
        port_->Out32(kDataRegister, static_cast<std::int16_t>(st.DirByte | st.OutputBits));
    }
    if (setup.Uses(OutputPin::Register::Control)) {
        port_->Out32(kControlRegister, static_cast<std::int16_t>(st.ControlByte));
    }
}

// Changes: SpindleOn, SpindleCcw, FloodOn, MistOn and the pins; after M3 or M4 that started the
// spindle (or turned it round) the program waits its spin-up time, letting the events in, before
// the line's move. A stop key or the limit switch during the wait switches it off and ends the
// wait; a Pause lets the spin-up finish, and the move then stops at its first tick.
void Cnc::ApplyOutputWords() {
    if (!std::holds_alternative<std::string>(st.MWord) || st.Previewing) {
        return;
    }
    const double m = st.MCode;
    FollowOutputWord(st, setup, m);
    const bool spindle = setup.outputs[Output::Spindle].wired();
    const bool was_on = st.SpindleOn;
    const bool was_ccw = st.SpindleCcw;
    bool changed = false;
    auto set = [&changed](bool& flag, bool value) {
        changed = changed || flag != value;
        flag = value;
    };
    if ((m == 3 || m == 4) && spindle) {
        set(st.SpindleOn, true);
        set(st.SpindleCcw, m == 4);
    } else if (m == 5 && spindle) {
        set(st.SpindleOn, false);
        set(st.SpindleCcw, false);
    } else if (m == 7 && setup.outputs[Output::Mist].wired()) {
        set(st.MistOn, true);
    } else if (m == 8 && setup.outputs[Output::Flood].wired()) {
        set(st.FloodOn, true);
    } else if (m == 9) {
        set(st.FloodOn, false);
        set(st.MistOn, false);
    } else if (m == 2 || m == 30) {
        OutputsOff();
        return;
    }
    if (!changed) {
        return;
    }
    WriteOutputs();
    if (tick_observer_ != nullptr) {
        tick_observer_->OnOutputs(*this);
    }
    op().ModelsChanged();
    if (st.SpindleOn && (!was_on || was_ccw != st.SpindleCcw)) {
        SpinUp();
    }
}

void Cnc::SpinUp() {
    if (setup.spin_up_s <= 0) {
        return;
    }
    // The wait runs on the step clock: the due time of a step that is not taken.
    while (!clock_->AwaitStep()) {
        op_->Yield();
    }
    clock_->NextStepIn(static_cast<std::int64_t>(std::llround(setup.spin_up_s * 1e9)));
    while (st.SpindleOn && !clock_->AwaitStep()) {
        op_->Yield();
    }
}

// Changes: ProgSpindleOn, ProgSpindleCcw, ProgFloodOn, ProgMistOn.
void Cnc::ProgramOutputsAt(int line) {
    st.ProgSpindleOn = st.ProgSpindleCcw = st.ProgFloodOn = st.ProgMistOn = false;
    for (int i = 1; i <= line && i <= st.PrgLineCount; ++i) {
        if (const double m = MWordOf(st.PrgBuf.Text(static_cast<std::size_t>(i))); m >= 0) {
            FollowOutputWord(st, setup, m);
        }
    }
}

// Changes: SpindleOn, SpindleCcw, FloodOn, MistOn and the pins, status.Notice, the log; StopRequest
// is what it was, or set when a stop came during the spin-up.
bool Cnc::RestoreProgramOutputs(int next_line) {
    const double next_m = next_line >= 1 && next_line <= st.PrgLineCount
                              ? MWordOf(st.PrgBuf.Text(static_cast<std::size_t>(next_line)))
                              : -1;
    const bool line_does_all = next_m == 2 || next_m == 30;
    const bool line_does_spindle = line_does_all || next_m == 3 || next_m == 4 || next_m == 5;
    const bool line_does_coolant = line_does_all || next_m == 7 || next_m == 8 || next_m == 9;
    const bool spindle_on = line_does_spindle ? st.SpindleOn : st.ProgSpindleOn;
    const bool spindle_ccw = line_does_spindle ? st.SpindleCcw : st.ProgSpindleOn && st.ProgSpindleCcw;
    const bool flood_on = line_does_coolant ? st.FloodOn : st.ProgFloodOn;
    const bool mist_on = line_does_coolant ? st.MistOn : st.ProgMistOn;
    if (spindle_on == st.SpindleOn && spindle_ccw == st.SpindleCcw && flood_on == st.FloodOn && mist_on == st.MistOn) {
        return true;
    }
    const bool starts = spindle_on && (!st.SpindleOn || spindle_ccw != st.SpindleCcw);
    std::string on;
    auto name = [&on](bool now, bool before, const char* what) {
        if (now && !before) {
            on += (on.empty() ? "" : ", ") + std::string(what);
        }
    };
    name(spindle_on, st.SpindleOn && st.SpindleCcw == spindle_ccw, spindle_ccw ? "spindle CCW" : "spindle CW");
    name(flood_on, st.FloodOn, "flood");
    name(mist_on, st.MistOn, "mist");
    st.SpindleOn = spindle_on;
    st.SpindleCcw = spindle_ccw;
    st.FloodOn = flood_on;
    st.MistOn = mist_on;
    WriteOutputs();
    if (tick_observer_ != nullptr) {
        tick_observer_->OnOutputs(*this);
    }
    if (!on.empty()) {
        status.Notice = "Switched on again, as the program has them: " + on +
                        (starts && setup.spin_up_s > 0 ? " (spin-up " + FormatNumber(setup.spin_up_s) + " s)" : "");
        log.Add(status.Notice);
    }
    op().ModelsChanged();
    if (!starts) {
        return true;
    }
    const bool stop_before = st.StopRequest;
    st.StopRequest = false;
    SpinUp();
    const bool stopped = st.StopRequest || !st.SpindleOn;
    st.StopRequest = stop_before || stopped;
    return !stopped;
}

void Cnc::OutputsOff() {
    if (!AnyOutputOn() && st.OutputBits == 0) {
        return;
    }
    st.SpindleOn = st.SpindleCcw = st.FloodOn = st.MistOn = false;
    WriteOutputs();
    if (tick_observer_ != nullptr) {
        tick_observer_->OnOutputs(*this);
    }
    op().ModelsChanged();
}

// The idle data byte is 0: every step, direction and output line low.
void Cnc::ArmOutputsOffOnExit() {
    if (GuardsPortOnExit) {
        SetExitBytes(0, setup.Uses(OutputPin::Register::Control) ? machine::kControlAllLow : -1, st.Offline);
    }
}

} // namespace tamo
