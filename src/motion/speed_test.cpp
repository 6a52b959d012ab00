// The speed test: whether this PC keeps up with the fast jog rate of X, stepping as a jog does,
// and the loop calibration it stores.

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

// A calibration of 0 would leave the machine without one, and a negative or non-finite one would
// make every delay meaningless: such a result never replaces a stored one.
bool UsableCalibration(double loop_cal) {
    return std::isfinite(loop_cal) && loop_cal > 0;
}

// The step delay of a rate of X (never below the test's floor), in iterations of the given
// duration; 0 when the rate or the duration give none.
double DelayOfRate(const MachineState& st, double rate, double iteration_ns) {
    const double tick_ns = 60e9 * std::fabs(st.UnitsPerStepX) / rate;
    const double delay = tick_ns / iteration_ns - 1; // the busy wait runs one more
    return std::isfinite(delay) && delay > 0 ? std::max(delay, kMinStepDelay) : 0;
}

// Stores a calibration for both units, rounded, and reads the file back.
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

// A rate as the status bar and the messages show it: whole mm/min, or in/min to a tenth.
std::string RateText(const MachineState& st, double rate) {
    return NumberOf(st.UnitIsInch) != 0 ? FormatFixed(rate, 1) + " in/min" : FormatFixed(rate, 0) + " mm/min";
}

// What to set when the PC could not keep up: nine tenths of the best the steps made, rounded down
// to 10 mm/min (0.5 in/min), so that the next test has room for the odd late step.
double RateToTry(const MachineState& st, double best) {
    const double grain = NumberOf(st.UnitIsInch) != 0 ? 0.5 : 10;
    return std::max(grain, std::floor(0.9 * best / grain) * grain);
}

} // namespace

// The calibration alone fixes the periods: LoopCal is busy-loop iterations per minute times the
// travel of an X step, so one iteration lasts 60 x |UnitsPerStepX| / LoopCal seconds, and a feed F
// (StepDelay = LoopCal / F) steps X every 60 x UnitsPerStepX / F seconds whatever PC counted the
// calibration and however fast its loop runs today. Old files give the feed they were measured
// for; the headless tool's run time and the run estimate use the same relation.
void Cnc::CalibrateClock() {
    clock().set_iteration_ns(st.LoopCal > 0 ? 60e9 * std::fabs(st.UnitsPerStepX) / st.LoopCal : 0);
}

// Steps X one step per LinearMove, counts the steps of each window of a second, and corrects
// StepDelay in proportion until a window is programmed at the fast jog rate of X within 1 % and
// its steps came at that rate within 1 % as well: the PC kept up with the goal, late steps
// included. The calibration the test ran on is stored for both units and written to tamo.cfg;
// reading the file back puts it into LoopCal.
//
// Periods come from the calibration (CalibrateClock), so a stored calibration already gives the
// goal its period: the test checks that this PC keeps up with it and stores the same calibration
// again. Without one (a first start), or with one too coarse to count the goal's period in at
// least 1000 iterations, the test counts in this PC's own loop iterations, measured now, which
// keeps the stored numbers in the range the older files hold.
//
// The first window runs at the X slow jog rate: the machine starts from a standstill, and the
// delay left in force could be anything. No ramp tick rewrites the delays the test sets. X reverses
// at the end of every window, so that it stays within one window's travel of its start, and goes
// back there at the end; a test that has not converged after kMaxWindows windows gives up: a PC
// that cannot step at the fast jog rate. Pause, a key in the view or the limit switch stop X where
// it is.
//
// Changes: SpeedTestRunning (true while the test runs), StopRequest (cleared at the end), TargetX,
// StepDelay, RampDownAngle, Text4 (the feed the last window's steps really came at), LoopCalIn,
// LoopCalMm, tamo.cfg and everything ReadConfig derives, and the positions through ResetPositions.
//
// A test that ends without a single whole window (Pause, a key in the view or the limit switch
// within the first second) has measured nothing and keeps the stored calibration and the file.
//
// Timing contract: the loop between two moves holds nothing but the count and two reads of the
// step clock, so that it fits in the period of the goal.
void Cnc::Spdtest() {
    if (Running()) {
        return; // the test moves X on its own; it cannot share the machine with a run
    }
    // X reverses after every window of a second at the fast jog rate: that is how far it can go.
    // It never goes farther from where it starts, whatever the windows measure.
    const double travel = NumberOf(st.JogFastX) / 60;
    const double step_length = std::fabs(st.UnitsPerStepX);
    const double reach_steps = step_length > 0 ? std::floor(travel / step_length + 1e-9) : 0;
    if (!(reach_steps >= 1) || !std::isfinite(reach_steps)) {
        op().ShowMessage("The speed test needs X to step: set the lead and steps per turn of X (Setup > Settings).",
                         kSpeedTestTitle);
        return;
    }
    if (const double room = StepsToTravelLimit(0, 1); room >= 0 && room < reach_steps) {
        op().ShowMessage("The speed test moves X up to " + FormatFixed(travel, 1) +
                             (NumberOf(st.UnitIsInch) != 0 ? " in" : " mm") + " in X+, but X is " +
                             FormatFixed(room * step_length, 4) +
                             " from the end of its travel. Jog X- first. Nothing moved.",
                         kSpeedTestTitle);
        return;
    }
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
    if (DelayOfRate(st, goal, clock().iteration_ns()) <= kMinStepDelay) {
        clock().set_iteration_ns(clock().MeasureBusyLoopNs());
    }
    const double iteration_ns = clock().iteration_ns();
    if (const double first_delay = DelayOfRate(st, NumberOf(st.JogSlowX), iteration_ns); first_delay > 0) {
        st.StepDelay = first_delay;
    }
    if (!(st.StepDelay >= kMinStepDelay)) {
        // Whatever a move before left (a homing search without a calibration leaves 0): a delay of
        // 0 steps X as fast as the ticks come, and no window of step time would ever close.
        st.StepDelay = kMinStepDelay;
    }
    st.RampDownAngle = 1;

    // Only X moves, one step from where it stands: Y and Z keep their places whatever targets the
    // last program line, jog, homing or probe left.
    long net_steps = 0; // X's distance from its start
    const auto reach = static_cast<long>(reach_steps);
    auto step_x = [&](int direction) {
        st.TargetX = st.ProgPosX + direction * st.UnitsPerStepX;
        st.TargetY = st.ProgPosY;
        st.TargetZ = st.ProgPosZ;
        LinearMove();
        net_steps += direction;
    };
    int direction = 1;
    int windows = 0;
    bool converged = false;
    std::uint64_t steps = 0;
    double measured = 0;
    double best = 0; // the most a window's steps made
    // A step is timed by the delay of the step before it, so a window opens with a step of its own
    // and counts the steps after it: every interval it counts then ran at the delay it measures.
    // Windows are a second of step time, the times of the steps less how late they came, which
    // measures the feed the delay programs; the same steps on the clock measure the feed they
    // really came at.
    bool opening = true;
    std::int64_t t0 = 0;
    std::int64_t real_t0 = 0;
    // A window is a second of step time; should the step clock stand still (it cannot, with the
    // delay above, but a test must end whatever happens), the real time ends the test too.
    // and so does a count of steps no test at the goal's rate comes near.
    const std::int64_t real_start = clock().NowNs();
    constexpr std::int64_t kMostRealNs = 3 * kMaxWindows * kWindowNs;
    const double most_steps = 3.0 * kMaxWindows * reach_steps;
    double all_steps = 0;
    while (!st.StopRequest) {
        if (net_steps + direction > reach || net_steps + direction < 0) {
            direction = -direction; // at either end of its reach
        }
        if (clock().NowNs() - real_start > kMostRealNs || ++all_steps > most_steps) {
            break;
        }
        step_x(direction);
        const std::int64_t t = clock().last_step_time_ns();
        const std::int64_t real_t = clock().last_step_ns();
        if (opening) {
            opening = false;
            t0 = t;
            real_t0 = real_t;
            continue;
        }
        ++steps;
        if (t - t0 < kWindowNs) {
            continue;
        }
        const double programmed = 60.0 * static_cast<double>(steps) * st.UnitsPerStepX;
        measured = programmed * static_cast<double>(t - t0) / static_cast<double>(real_t - real_t0);
        best = std::max(best, measured);
        steps = 0;
        ++windows;
        // A window exactly on either limit neither ends the test nor corrects it: it measures again.
        if (programmed > goal / kTolerance && programmed < goal * kTolerance && measured > goal / kTolerance) {
            converged = true;
            st.StopRequest = true;
        }
        const double delay = st.StepDelay;
        if (programmed > goal * kTolerance || programmed < goal / kTolerance) {
            st.StepDelay = st.StepDelay * programmed / goal;
        }
        if (!(st.StepDelay >= kMinStepDelay)) {
            st.StepDelay = kMinStepDelay;
        }
        t0 = t;
        real_t0 = real_t;
        opening = st.StepDelay != delay;
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

    if (windows == 0) {
        op().ShowMessage("Speedtest interrupted - calibration unchanged", kSpeedTestTitle);
    } else if (!converged && !stopped) {
        main.Text4 = FormatNumber(measured);
        // What the operator sets next: the rate this PC kept up with, and where to set it.
        op().ShowMessage("Speedtest could not reach the fast jog rate of " + RateText(st, goal) +
                             ": the steps of X made at most " + RateText(st, best) +
                             ". Set the X fast jog rate (Setup > Settings) to " + RateText(st, RateToTry(st, best)) +
                             " and run the test again; or allow real-time priority and close other programs, "
                             "then run it at the rate you have. Calibration unchanged.",
                         kSpeedTestTitle);
    } else {
        main.Text4 = FormatNumber(measured);
        StoreCalibration(*this, 60e9 * std::fabs(st.UnitsPerStepX) / iteration_ns);
    }
    CalibrateClock(); // the calibration in force again, stored or not

    st.SpeedTestRunning = false;
    ResetPositions();
    UpdateReadouts();
    TellOrigin();
    if (windows > 0) {
        // The result labelled, in the status bar and the log.
        const std::string result = "Speed test: X made " + RateText(st, measured) + " at the fast jog rate of " +
                                   RateText(st, goal) + (converged ? "" : ", could not reach it");
        log.Add(result);
        status.Notice = result + ". " + status.Notice;
    }
}

} // namespace tamo
