// Spindle and coolant: four outputs on pins of the data or the control register, switched by the
// program's M words and switched off whenever the machine stops for good.

#include "interpreter/cnc.h"
#include "interpreter/numbers.h"
#include "platform/outputs_off.h"

#include <cmath>
#include <cstdint>

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
    if (st.SpindleOn && (!was_on || was_ccw != st.SpindleCcw) && setup.spin_up_s > 0) {
        // The wait runs on the step clock: the due time of a step that is not taken.
        while (!clock_->AwaitStep()) {
            op_->Yield();
        }
        clock_->NextStepIn(static_cast<std::int64_t>(std::llround(setup.spin_up_s * 1e9)));
        while (st.SpindleOn && !clock_->AwaitStep()) {
            op_->Yield();
        }
    }
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
