#include "sim/run_command.h"

#include "interpreter/numbers.h"
#include "sim/tick_recorder.h"

#include <nlohmann/json.hpp>

namespace tamo::sim {
namespace {

constexpr const char* kDone = "File succesfully processed";

bool Shown(const ScriptedOperator& op, const char* text) {
    for (const auto& m : op.messages()) {
        if (m.text == text) {
            return true;
        }
    }
    return false;
}

} // namespace

int RunProgramCommand(const std::string& program, const RunOptions& options, std::ostream& out, std::ostream& err) {
    SimMachine machine;
    if (std::string problem = StartMachine(machine, options.machine); !problem.empty()) {
        err << "tamocnc-sim: " << problem << '\n';
        return 2;
    }
    if (options.max_starts < 1 || options.pause_after_ticks < 0 || options.max_ticks < 0 || options.status < 0 ||
        options.status > 255) {
        err << "tamocnc-sim: --max-starts must be at least 1, --pause-after-ticks and --max-ticks at least 0, "
               "--status 0 to 255\n";
        return 2;
    }
    Cnc& cnc = machine.cnc;
    machine.port.set_recording(false);
    machine.port.set_status(static_cast<std::int16_t>(options.status));
    if (!options.override_text.empty()) {
        cnc.main.Overide = options.override_text;
    }
    if (options.contour) {
        cnc.main.Check1 = kChecked;
    }
    if (options.step_mode) {
        cnc.SelectStepMode();
    }
    if (std::string problem = OpenProgram(machine, program); !problem.empty()) {
        err << "tamocnc-sim: " << problem << '\n';
        return 2;
    }

    IoRecord record(machine.clock);
    TickRecorder recorder(cnc, record);
    if (!options.trace.empty() && !recorder.OpenTrace(options.trace)) {
        err << "tamocnc-sim: cannot write " << options.trace << '\n';
        return 2;
    }
    if (!options.vcd.empty() && !recorder.OpenVcd(options.vcd)) {
        err << "tamocnc-sim: cannot write " << options.vcd << '\n';
        return 2;
    }
    machine.port.set_record(&record);
    machine.clock.set_record(&record);
    cnc.set_tick_observer(&recorder);
    bool paused = false;
    bool out_of_ticks = false;
    machine.op.OnYield([&](std::uint64_t) {
        if (!paused && options.pause_after_ticks > 0 && recorder.ticks() >= options.pause_after_ticks) {
            paused = true;
            cnc.Pause();
        }
        if (options.max_ticks > 0 && recorder.ticks() >= options.max_ticks) {
            out_of_ticks = true;
            cnc.Pause();
        }
    });
    const RunEstimate& estimate = cnc.Estimate();
    int starts = 0;
    // A refusal (for want of a calibration, or of a line that cannot be run) stands until something
    // changes: one is enough.
    while (starts < options.max_starts && !Shown(machine.op, kDone) && !Shown(machine.op, kUncalibratedText) &&
           !out_of_ticks) {
        cnc.Start();
        ++starts;
        if (estimate.refused_line != 0) {
            break;
        }
    }
    const bool refused = estimate.refused_line != 0 && Shown(machine.op, estimate.refusal.c_str());
    cnc.set_tick_observer(nullptr);
    machine.port.set_record(nullptr);
    machine.clock.set_record(nullptr);
    if (std::string problem = recorder.Finish(); !problem.empty()) {
        err << "tamocnc-sim: " << problem << '\n';
        return 2;
    }

    const MachineState& st = cnc.st;
    nlohmann::ordered_json result;
    result["ProgPosX"] = st.ProgPosX;
    result["ProgPosY"] = st.ProgPosY;
    result["ProgPosZ"] = st.ProgPosZ;
    result["MachPosX"] = st.MachPosX;
    result["MachPosY"] = st.MachPosY;
    result["MachPosZ"] = st.MachPosZ;
    result["ticks"] = recorder.ticks();
    result["steps"] = {recorder.steps(0), recorder.steps(1), recorder.steps(2)};
    result["starts"] = starts;
    result["PrgLineNo"] = st.PrgLineNo;
    nlohmann::ordered_json messages = machine.startup_messages;
    for (const auto& m : machine.op.messages()) {
        messages.push_back(m.text);
    }
    result["messages"] = messages;
    if (recorder.timed()) {
        result["seconds"] = recorder.seconds();
    } else {
        result["seconds"] = nullptr; // no calibration: the run time cannot be predicted
    }
    // Only when it happened, so that the summary of an ordinary run keeps its form.
    if (refused) {
        result["refused"] = {{"line", estimate.refused_line}, {"reason", estimate.refusal}};
    }
    if (out_of_ticks) {
        result["max_ticks_reached"] = true;
    }
    out << result.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
    return refused || out_of_ticks ? 1 : 0;
}

} // namespace tamo::sim
