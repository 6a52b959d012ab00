// The speed test: how many busy-loop iterations per minute this computer runs, measured where it
// matters, at the fast jog rate of X with the full cost of a real tick.

#include "interpreter/cnc.h"
#include "interpreter/numbers.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

namespace tamo {
namespace {

constexpr const char* kSpeedTestTitle = "Speedtest";
constexpr std::int64_t kWindowNs = 1'000'000'000;
// The test has converged when a window measures the goal within this factor either way.
constexpr double kTolerance = 1.01;
// Below this the delay would be too coarse for a 1 % correction to land anywhere near the goal.
constexpr double kMinStepDelay = 1000;
constexpr double kMmPerInch = 25.4;
// A machine that cannot reach the goal would correct for ever.
constexpr int kMaxWindows = 10;

// A calibration of 0 would run every feed at the machine's top speed, and a negative or
// non-finite one would make every delay meaningless: such a result never replaces a stored one.
bool UsableCalibration(double loop_cal) {
    return std::isfinite(loop_cal) && loop_cal > 0;
}

// The step delay of the X slow jog rate (never below the test's floor), in iterations of the given
// duration; 0 when the rate or the duration give none.
double SlowJogDelay(const MachineState& st, double ns_per_iteration) {
    const double tick_ns = 60e9 * st.UnitsPerStepX / NumberOf(st.JogSlowX);
    const double delay = tick_ns / ns_per_iteration - 1; // the busy wait runs one more
    return std::isfinite(delay) && delay > 0 ? std::max(delay, kMinStepDelay) : 0;
}

// Stores a measured calibration for both units, rounded, and reads the file back.
void StoreCalibration(Cnc& cnc, double loop_cal) {
    double cal_in = cnc.st.LoopCalIn;
    double cal_mm = cnc.st.LoopCalMm;
    if (cnc.settings.OptionIn) {
        cal_in = RoundHalfEven(loop_cal);
        cal_mm = RoundHalfEven(kMmPerInch * cal_in);
    }
    if (cnc.settings.optionmm) {
        cal_mm = RoundHalfEven(loop_cal);
        cal_in = RoundHalfEven(cal_mm / kMmPerInch);
    }
    if (!UsableCalibration(cal_in) || !UsableCalibration(cal_mm)) {
        cnc.op().ShowMessage("Speedtest gave no usable calibration - calibration unchanged", kSpeedTestTitle);
        return;
    }
    cnc.st.LoopCalIn = cal_in;
    cnc.st.LoopCalMm = cal_mm;
    (void)cnc.WriteConfig(); // a failure has been reported; reading back then restores the old value
    cnc.ReadConfig();
    cnc.op().ShowMessage("Speedtest done", kSpeedTestTitle);
}

} // namespace

// Steps X one step per LinearMove at the delay in force, counts the steps of each window of a
// second, and corrects StepDelay in proportion until a window measures the fast jog rate of X
// within 1 %. The calibration is that feed times the delay it ran at, stored for both units and
// written to tamo.cfg; reading the file back puts it into LoopCal.
//
// The first window runs at the X slow jog rate, from the iteration's duration the clock measured
// at start-up: the machine starts from a standstill, and the delay left in force could be anything.
// No ramp tick rewrites the delays the test sets. X reverses at the end of every window, so that it
// stays within one window's travel of its start, and goes back there at the end; a test that has
// not converged after kMaxWindows windows gives up, and so does one whose steps mostly came late:
// a PC that cannot step at the fast jog rate. Pause, a key in the view or the limit switch stop X
// where it is.
//
// Asked first: how far X may move, OK or Cancel. The result is told, labelled, in the status bar
// and the log, with the program origin that the reset of the positions sets where X stands.
//
// Changes: SpeedTestRunning (true while the test runs), StopRequest (cleared at the end), TargetX,
// StepDelay, RampDownAngle, status.Notice, LoopCalIn, LoopCalMm, tamo.cfg and everything ReadConfig
// derives, and the positions through ResetPositions.
//
// A test that ends without a single whole window (Pause, a key in the view or the limit switch
// within the first second) has measured nothing and keeps the stored calibration and the file.
//
// Timing contract: the loop between two moves holds nothing but the count and one read of the
// clock, so that it fits in the period of the goal.
void Cnc::Spdtest() {
    if (Running()) {
        return; // the test moves X on its own; it cannot share the machine with a run
    }
    // X reverses after every window of a second at the fast jog rate: that is how far it can go.
    const double travel = NumberOf(st.JogFastX) / 60;
    if (!op().AskOkCancel("X will move up to " + FormatFixed(travel, 1) +
                              (NumberOf(st.UnitIsInch) != 0 ? " in" : " mm") +
                              ". Speedtest - click OK - Do not move mouse!",
                          kSpeedTestTitle)) {
        return;
    }
    BusyScope busy(*this, Activity::SpeedTest);
    st.SpeedTestRunning = true;
    st.StopRequest = false;
    st.ProgPosX = 0;
    st.TargetX = 0;
    const double goal = NumberOf(st.JogFastX);
    const double first_delay = SlowJogDelay(st, clock().ns_per_iteration());
    if (first_delay > 0) {
        st.StepDelay = first_delay;
    }
    st.RampDownAngle = 1;

    long net_steps = 0; // X's distance from its start
    auto step_x = [&](int direction) {
        st.TargetX = st.ProgPosX + direction * st.UnitsPerStepX;
        LinearMove();
        net_steps += direction;
    };
    int direction = 1;
    int windows = 0;
    bool converged = false;
    std::uint64_t steps = 0;
    double measured = 0;
    // The delay of the last measured window: a correction after that window changes StepDelay,
    // and a stop before the next window must not pair the old measurement with the new delay.
    double measured_delay = 0;
    // A step is timed by the delay of the step before it, so a window opens with a step of its own
    // and counts the steps after it: every interval it counts then ran at the delay it measures.
    // Windows are a second of step time, the times of the steps less how late they came: a PC busy
    // with something else during the test makes it last longer, not measure less.
    // The steps that came more than a tenth of their period late: when most of a window's do, the
    // PC cannot step at that rate, whatever the delay.
    bool opening = true;
    std::int64_t t0 = 0;
    std::uint64_t late_steps = 0;
    while (!st.StopRequest) {
        step_x(direction);
        const std::int64_t t = clock().last_step_time_ns();
        if (opening) {
            opening = false;
            t0 = t;
            continue;
        }
        ++steps;
        late_steps += clock().last_lateness_ns() * 10 > clock().IterationsNs(st.StepDelay);
        if (t - t0 < kWindowNs) {
            continue;
        }
        const bool kept_up = late_steps * 2 <= steps;
        measured = 60.0 * static_cast<double>(steps) * st.UnitsPerStepX;
        steps = 0;
        late_steps = 0;
        ++windows;
        measured_delay = st.StepDelay;
        // A window exactly on either limit neither ends the test nor corrects it: it measures again.
        if (measured > goal / kTolerance && measured < goal * kTolerance && kept_up) {
            converged = true;
            st.StopRequest = true;
        }
        if (measured > goal * kTolerance || measured < goal / kTolerance) {
            st.StepDelay = st.StepDelay * measured / goal;
        }
        if (!(st.StepDelay >= kMinStepDelay)) {
            st.StepDelay = kMinStepDelay;
        }
        t0 = t;
        opening = st.StepDelay != measured_delay;
        direction = -direction;
        if (!converged && windows >= kMaxWindows) {
            break;
        }
    }
    const bool stopped = st.StopRequest && !converged;
    st.StopRequest = false;
    // Back at the delay the test ended with: the goal's, or a slower one that could not reach it. A
    // stop stays a stop.
    while (!stopped && net_steps != 0 && !st.StopRequest) {
        step_x(net_steps > 0 ? -1 : 1);
    }
    st.StopRequest = false;

    // What X ran at, labelled, for the status bar and the log (never the line-in-progress box).
    const std::string result = "Speed test: X measured " + FormatNumber(measured) +
                               (NumberOf(st.UnitIsInch) != 0 ? " in/min" : " mm/min") + " at the fast jog rate of " +
                               FormatNumber(goal);
    if (windows == 0) {
        op().ShowMessage("Speedtest interrupted - calibration unchanged", kSpeedTestTitle);
    } else if (!converged && !stopped) {
        log.Add(result);
        op().ShowMessage("Speedtest could not reach the fast jog rate - calibration unchanged", kSpeedTestTitle);
    } else {
        log.Add(result);
        StoreCalibration(*this, measured * measured_delay);
    }

    st.SpeedTestRunning = false;
    ResetPositions();
    UpdateReadouts();
    TellOrigin();
    if (windows > 0) {
        status.Notice = result + ". " + status.Notice;
    }
}

} // namespace tamo
