#include "sim/latency_command.h"

#include "interpreter/numbers.h"
#include "platform/latency_test.h"
#include "platform/realtime.h"

#include <nlohmann/json.hpp>

#include <cmath>

namespace tamo::sim {
namespace {

nlohmann::ordered_json Json(const LatencyReport& report, const LatencyVerdict& verdict, bool realtime,
                            bool memory_locked, const std::string& notice) {
    nlohmann::ordered_json json;
    json["period_us"] = static_cast<double>(report.period_ns) / 1000;
    json["seconds"] = report.seconds;
    json["ticks"] = report.ticks;
    json["median_us"] = report.median_us;
    json["p99_us"] = report.p99_us;
    json["p999_us"] = report.p999_us;
    json["max_us"] = report.max_us;
    json["late_share"] = report.late_share;
    json["late_ticks"] = report.late_ticks;
    json["late_per_second"] = report.late_per_second;
    json["tick_work_us"] = report.tick_work_us;
    json["max_step_rate"] = report.max_step_rate;
    json["round_step_rates"] = report.round_step_rates;
    json["lowest_round_rate"] = report.lowest_round_rate;
    json["highest_round_rate"] = report.highest_round_rate;
    json["check_step_rate"] = report.check_step_rate;
    json["check_seconds"] = report.check_seconds;
    json["check_ticks"] = report.check_ticks;
    json["check_p99_us"] = report.check_p99_us;
    json["check_held"] = report.check_held;
    json["verdict"] = verdict.text;
    json["too_late"] = verdict.too_late;
    json["drivable_step_rate"] = verdict.steps_per_s;
    json["warning"] = verdict.warning;
    json["throttling"] = verdict.throttling;
    json["realtime"] = realtime;
    json["memory_locked"] = memory_locked;
    json["notice"] = notice;
    nlohmann::ordered_json bins = nlohmann::ordered_json::array();
    for (std::size_t i = 0; i < report.bins.size(); ++i) {
        nlohmann::ordered_json bin;
        if (i < LatencyReport::kBinsUs.size()) {
            bin["below_us"] = LatencyReport::kBinsUs[i];
        } else {
            bin["below_us"] = nullptr;
        }
        bin["ticks"] = report.bins[i];
        bins.push_back(bin);
    }
    json["histogram"] = bins;
    return json;
}

} // namespace

int RunLatencyCommand(const LatencyOptions& options, std::ostream& out, std::ostream& err) {
    if (!(options.seconds > 0 && options.seconds <= kLatencyMaxSeconds) ||
        !(options.period_us >= 0 && options.period_us <= kLatencyMaxPeriodUs)) {
        err << "tamocnc-sim: --seconds must be above 0 and at most 3600, --period-us at most 1000000\n";
        return 2;
    }
    SimMachine machine;
    if (std::string problem = StartMachine(machine, options.machine); !problem.empty()) {
        err << "tamocnc-sim: " << problem << '\n';
        return 2;
    }
    const MachineState& st = machine.cnc.st;
    const StepDemand demand{st.UnitsPerStepX, NumberOf(st.JogFastX), NumberOf(st.JogSlowX),
                            machine.cnc.settings.OptionIn ? "in" : "mm"};
    double period_us = options.period_us;
    if (period_us == 0) {
        period_us = StepPeriodUs(st.UnitsPerStepX, demand.fast_rate);
        if (period_us == 0) {
            err << "tamocnc-sim: the X fast jog rate gives no usable period: use --period-us\n";
            return 2;
        }
    }

    SteadyClock clock;
    LinuxSchedulingCalls calls;
    RealtimeRequest realtime(calls);
    clock.set_realtime(&realtime); // the waits spin as a move's do
    const std::string notice = realtime.Enter();
    const double throttled_above =
        realtime.active() ? SteadyClock::ThrottledAboveStepRate(realtime.ThrottleShare()) : 0;
    LatencyTest test(clock, static_cast<std::int64_t>(period_us * 1000), options.seconds, throttled_above);
    machine.port.set_recording(false); // a step's port traffic between the ticks, as a run has it
    const auto data = static_cast<std::int16_t>(st.DirByte | st.OutputBits);
    Port* port = st.Offline ? nullptr : &machine.port;
    const double pulse_width = NumberOf(st.PulseWidth);
    while (test.Tick()) {
        LatencyTickWork(port, clock, data, pulse_width);
    }
    const bool raised = realtime.active();
    realtime.Leave();
    const LatencyReport report = test.Report();
    const LatencyVerdict verdict =
        JudgeLatency(report, demand, raised ? SteadyClock::ThrottledAboveStepRate(realtime.ThrottleShare()) : 0);

    if (options.json) {
        out << Json(report, verdict, raised, realtime.memory_locked(), notice).dump() << '\n';
        return 0;
    }
    out << verdict.text << '\n';
    for (const std::string& line : {verdict.warning, verdict.throttling}) {
        if (!line.empty()) {
            out << line << '\n';
        }
    }
    out << '\n'
        << FormatLatencyReport(report) << '\n'
        << "Real-time priority: " << (raised ? "on" : "off") << ", memory "
        << (realtime.memory_locked() ? "locked" : "not locked") << '\n';
    if (!notice.empty()) {
        out << notice << '\n';
    }
    return 0;
}

} // namespace tamo::sim
