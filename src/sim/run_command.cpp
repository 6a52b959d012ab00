#include "sim/run_command.h"

#include "interpreter/numbers.h"
#include "sim/tick_recorder.h"

#include <nlohmann/json.hpp>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

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

// "a,b,c": that many whole numbers, or nothing.
std::optional<std::vector<long>> WholeNumbers(const std::string& text, std::size_t count) {
    std::vector<long> numbers;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string field = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        char* stop = nullptr;
        errno = 0;
        const long value = std::strtol(field.c_str(), &stop, 10);
        if (field.empty() || *stop != '\0' || errno != 0) {
            return std::nullopt;
        }
        numbers.push_back(value);
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    if (numbers.size() != count) {
        return std::nullopt;
    }
    return numbers;
}

// --jog-after-ticks N,BUTTON,TICKS: the jog button JogZ(BUTTON) pressed after tick N, while the
// machine runs (the run stops first, as it does for the operator), and released TICKS ticks later.
struct ScriptedJog {
    long after = 0;
    int button = 0;
    long ticks = 0;
    long pressed_at = -1;
    bool released = false;
};

// --home-after-ticks N,MODE: "Home the Machine" with "Using Program Zero" or "Using Machine Zero",
// pressed once tick N has passed and the machine stands, before the next Start.
struct ScriptedHoming {
    long after = 0;
    int option = 0; // Option4(0) the home switches, (1) program zero, (2) machine zero
    bool done = false;
};

std::optional<ScriptedJog> ReadJog(const std::string& text) {
    const auto n = WholeNumbers(text, 3);
    if (!n || (*n)[0] < 0 || (*n)[1] < 1 || (*n)[1] > 6 || (*n)[2] < 0) {
        return std::nullopt;
    }
    return ScriptedJog{(*n)[0], static_cast<int>((*n)[1]), (*n)[2]};
}

std::optional<ScriptedHoming> ReadHoming(const std::string& text) {
    const std::size_t comma = text.find(',');
    const auto n = WholeNumbers(text.substr(0, comma), 1);
    const std::string mode = comma == std::string::npos ? "" : text.substr(comma + 1);
    if (!n || (*n)[0] < 0 || (mode != "program" && mode != "machine" && mode != "switches")) {
        return std::nullopt;
    }
    return ScriptedHoming{(*n)[0], mode == "switches" ? 0 : mode == "program" ? 1 : 2};
}

// SIGTERM, SIGINT or SIGHUP during a run: the run stops as the stop key stops it, spindle and
// coolant off (the window's handler switches them off too), and the files and the summary are
// finished as for any other stop. The handler only records the signal.
std::atomic<int> g_signal{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void RecordSignal(int number) {
    g_signal.store(number, std::memory_order_relaxed);
}

// The two signals taken for the length of a run, and given back as they were.
class SignalsStopTheRun {
public:
    SignalsStopTheRun() {
        g_signal.store(0);
        struct sigaction action {};
        action.sa_handler = RecordSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGTERM, &action, &term_);
        sigaction(SIGINT, &action, &interrupt_);
        sigaction(SIGHUP, &action, &hangup_);
    }
    ~SignalsStopTheRun() {
        sigaction(SIGTERM, &term_, nullptr);
        sigaction(SIGINT, &interrupt_, nullptr);
        sigaction(SIGHUP, &hangup_, nullptr);
    }
    SignalsStopTheRun(const SignalsStopTheRun&) = delete;
    SignalsStopTheRun& operator=(const SignalsStopTheRun&) = delete;

    [[nodiscard]] static int Received() { return g_signal.load(std::memory_order_relaxed); }

private:
    struct sigaction term_ {};
    struct sigaction interrupt_ {};
    struct sigaction hangup_ {};
};

const char* SignalName(int number) {
    return number == SIGINT ? "SIGINT" : number == SIGHUP ? "SIGHUP" : "SIGTERM";
}

} // namespace

int RunProgramCommand(const std::string& program, const RunOptions& options, std::ostream& out, std::ostream& err) {
    const SignalsStopTheRun signals;
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
    std::optional<ScriptedJog> jog;
    std::optional<ScriptedHoming> homing;
    // The status script: each byte from its tick on, the latest tick that has passed winning.
    std::vector<std::vector<long>> status_script;
    for (const std::string& text : options.status_later) {
        const auto pair = WholeNumbers(text, 2);
        if (!pair || (*pair)[0] < 0 || (*pair)[1] < 0 || (*pair)[1] > 255) {
            err << "tamocnc-sim: --status-after-ticks wants N,S (S 0 to 255), not " << text << '\n';
            return 2;
        }
        status_script.push_back(*pair);
    }
    if (!options.jog.empty() && !(jog = ReadJog(options.jog))) {
        err << "tamocnc-sim: --jog-after-ticks wants N,BUTTON,TICKS (BUTTON 1 to 6), not " << options.jog << '\n';
        return 2;
    }
    if (!options.home.empty() && !(homing = ReadHoming(options.home))) {
        err << "tamocnc-sim: --home-after-ticks wants N,program, N,machine or N,switches, not " << options.home << '\n';
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
    if (std::string why = options.trace.empty() ? std::string() : recorder.OpenTrace(options.trace); !why.empty()) {
        err << "tamocnc-sim: cannot write " << options.trace << ": " << why << '\n';
        return 2;
    }
    if (std::string why = options.vcd.empty() ? std::string() : recorder.OpenVcd(options.vcd); !why.empty()) {
        err << "tamocnc-sim: cannot write " << options.vcd << ": " << why << '\n';
        return 2;
    }
    machine.port.set_record(&record);
    machine.clock.set_record(&record);
    cnc.set_tick_observer(&recorder);
    bool paused = false;
    bool out_of_ticks = false;
    bool probed = false;
    machine.op.OnYield([&](std::uint64_t) {
        if (!paused && options.pause_after_ticks > 0 && recorder.ticks() >= options.pause_after_ticks) {
            paused = true;
            cnc.Pause();
        }
        if (options.max_ticks > 0 && recorder.ticks() >= options.max_ticks) {
            out_of_ticks = true;
            cnc.Pause();
        }
        if (SignalsStopTheRun::Received() != 0) {
            cnc.ViewKeyPress(); // the stop key: the move stops, spindle and coolant off
        }
        long latest = -1;
        for (const auto& pair : status_script) {
            if (recorder.ticks() >= pair[0] && pair[0] >= latest) {
                latest = pair[0];
                machine.port.set_status(static_cast<std::int16_t>(pair[1]));
            }
        }
        if (jog && jog->pressed_at < 0 && recorder.ticks() >= jog->after) {
            jog->pressed_at = recorder.ticks();
            cnc.JogPressed(jog->button, 1);
        } else if (jog && jog->pressed_at >= 0 && !jog->released && recorder.ticks() >= jog->pressed_at + jog->ticks) {
            jog->released = true;
            cnc.JogReleased(jog->button, 1);
        }
    });
    const RunEstimate& estimate = cnc.Estimate();
    int starts = 0;
    std::string stopped; // why the program did not run to its end, when Start did not refuse it
    // A refusal (for want of a calibration, or of a line that cannot be run) stands until something
    // changes, and so does the limit switch of a port that always reads it: one is enough.
    while (!Shown(machine.op, kDone) && !out_of_ticks && SignalsStopTheRun::Received() == 0) {
        if (starts == options.max_starts) {
            stopped = "--max-starts " + std::to_string(options.max_starts) + " reached";
            break;
        }
        if (homing && !homing->done && recorder.ticks() >= homing->after) {
            homing->done = true;
            cnc.SetHomeOption(homing->option, true);
            const std::size_t told = machine.op.messages().size();
            cnc.HomeTheMachine();
            if (homing->option == 0 && !cnc.st.Homed) {
                // The program would run on a machine that does not know where its travel is.
                stopped = machine.op.messages().size() > told ? machine.op.messages().back().text
                                                              : std::string("the machine is not homed");
                break;
            }
        }
        if (options.probe >= 0 && !probed && recorder.ticks() >= options.probe) {
            probed = true;
            cnc.ProbeZ();
        }
        const long ticks = recorder.ticks();
        const std::size_t shown = machine.op.messages().size();
        if (starts == 0 && options.from_line > 0 && cnc.st.PrgLineCount == 0) {
            stopped = "Cannot run from line " + std::to_string(options.from_line) + ": the program is empty.";
            break;
        }
        if (starts == 0 && options.from_line > 0) {
            cnc.RunFromLine(options.from_line);
            if (cnc.st.PrgLineNo == 0 && machine.op.messages().size() > shown) {
                stopped = machine.op.messages().back().text; // refused
                break;
            }
        } else {
            cnc.Start();
        }
        ++starts;
        if (estimate.refused_line != 0 || Shown(machine.op, kUncalibratedText)) {
            break;
        }
        if (recorder.ticks() == ticks && machine.op.messages().size() > shown &&
            machine.op.messages().back().text == "Limit Zone") {
            stopped = "the limit switch reads active: Limit Zone";
            break;
        }
    }
    if (out_of_ticks) {
        stopped = "--max-ticks " + std::to_string(options.max_ticks) + " reached";
    }
    const int signal = SignalsStopTheRun::Received();
    if (signal != 0) {
        stopped = "signal";
        cnc.OutputsOff(); // also when it came between two moves
    }
    std::string refusal;
    int refused_line = 0;
    if (estimate.refused_line != 0 && Shown(machine.op, estimate.refusal.c_str())) {
        refusal = estimate.refusal;
        refused_line = estimate.refused_line;
    } else if (Shown(machine.op, kUncalibratedText)) {
        refusal = kUncalibratedText;
    }
    const bool refused = !refusal.empty();
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
        // What the step train asked of each axis, units per second and per second squared.
        result["max_speed"] = {recorder.max_speed(0), recorder.max_speed(1), recorder.max_speed(2)};
        result["max_acceleration"] = {recorder.max_accel(0), recorder.max_accel(1), recorder.max_accel(2)};
    } else {
        result["seconds"] = nullptr; // no calibration: the run time cannot be predicted
    }
    // Only when it happened, so that the summary of an ordinary run keeps its form.
    if (refused) {
        result["refused"] = {{"line", refused_line}, {"reason", refusal}};
    } else if (signal != 0) {
        result["stopped"] = {{"reason", stopped}, {"signal", SignalName(signal)}};
    } else if (!stopped.empty()) {
        result["stopped"] = {{"reason", stopped}};
    }
    if (out_of_ticks) {
        result["max_ticks_reached"] = true;
    }
    if (st.Homed) {
        result["homed"] = true;
    }
    if (!recorder.outputs().empty()) {
        nlohmann::ordered_json changes = nlohmann::ordered_json::array();
        for (const auto& c : recorder.outputs()) {
            changes.push_back({{"line", c.line},
                               {"spindle", c.spindle ? (c.ccw ? "ccw" : "cw") : "off"},
                               {"flood", c.flood},
                               {"mist", c.mist}});
        }
        result["outputs"] = changes;
    }
    out << result.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
    return refused || !stopped.empty() ? 1 : 0;
}

} // namespace tamo::sim
