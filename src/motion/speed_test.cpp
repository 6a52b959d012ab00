// The speed test: how many busy-loop iterations per minute this computer runs, measured where it
// matters, at the fast jog rate of X with the full cost of a real tick.

#include "interpreter/cnc.h"
#include "interpreter/numbers.h"

#include <cmath>
#include <cstdint>

namespace tamo {
namespace {

constexpr const char* kSpeedTestTitle = "Speedtest";
constexpr std::uint32_t kWindowMs = 1000;
// The test has converged when a window measures the goal within this factor either way.
constexpr double kTolerance = 1.01;
// Below this the delay would be too coarse for a 1 % correction to land anywhere near the goal.
constexpr double kMinStepDelay = 1000;
constexpr double kMmPerInch = 25.4;

// A calibration of 0 would run every feed at the machine's top speed, and a negative or
// non-finite one would make every delay meaningless: such a result never replaces a stored one.
bool UsableCalibration(double loop_cal) {
    return std::isfinite(loop_cal) && loop_cal > 0;
}

} // namespace

// Steps X in +X one step per LinearMove at the delay in force, counts the steps of each window of
// a second, and corrects StepDelay in proportion until a window measures the fast jog rate of X
// within 1 %. The calibration is that feed times the delay it ran at, stored for both units and
// written to tamo.cfg; reading the file back puts it into LoopCal.
//
// Changes: SpeedTestRunning (true while the test runs), StopRequest (cleared at the end), TargetX,
// StepDelay, Text4, LoopCalIn, LoopCalMm, tamo.cfg and everything ReadConfig derives, and the
// positions through ResetPositions. X really moves: MachPosX keeps the distance travelled.
//
// A test that ends without a single whole window (Pause, a key in the view or the limit switch
// within the first second) has measured nothing and keeps the stored calibration and the file.
//
// Timing contract: the loop between two moves is part of what is measured, so it holds nothing but
// the count and one read of the tick counter. Windows are told by the difference of two readings,
// which stays right when the 32-bit millisecond counter wraps.
void Cnc::Spdtest() {
    if (Running()) {
        return; // the test moves X on its own; it cannot share the machine with a run
    }
    BusyScope busy(*this, Activity::SpeedTest);
    op().ShowMessage("Speedtest - click OK - Do not move mouse!", kSpeedTestTitle);
    st.SpeedTestRunning = true;
    st.StopRequest = false;
    st.ProgPosX = 0;
    st.TargetX = 0;
    const double goal = NumberOf(st.JogFastX);

    std::uint64_t steps = 0;
    double measured = 0;
    // The delay of the last measured window: a correction after that window changes StepDelay,
    // and a stop before the next window must not pair the old measurement with the new delay.
    double measured_delay = 0;
    bool window_measured = false;
    std::uint32_t t0 = clock().GetTickCount();
    while (!st.StopRequest) {
        st.TargetX = st.ProgPosX + st.UnitsPerStepX;
        LinearMove();
        ++steps;
        const std::uint32_t t = clock().GetTickCount();
        if (static_cast<std::uint32_t>(t - t0) < kWindowMs) {
            continue;
        }
        measured = 60.0 * static_cast<double>(steps) * st.UnitsPerStepX;
        steps = 0;
        window_measured = true;
        measured_delay = st.StepDelay;
        // A window exactly on either limit neither ends the test nor corrects it: it measures again.
        if (measured > goal / kTolerance && measured < goal * kTolerance) {
            st.StopRequest = true;
        }
        if (measured > goal * kTolerance || measured < goal / kTolerance) {
            st.StepDelay = st.StepDelay * measured / goal;
        }
        if (!(st.StepDelay >= kMinStepDelay)) {
            st.StepDelay = kMinStepDelay;
        }
        t0 = t;
    }
    st.StopRequest = false;

    if (!window_measured) {
        op().ShowMessage("Speedtest interrupted - calibration unchanged", kSpeedTestTitle);
    } else {
        main.Text4 = FormatNumber(measured);
        const double loop_cal = measured * measured_delay;
        double cal_in = st.LoopCalIn;
        double cal_mm = st.LoopCalMm;
        if (settings.OptionIn) {
            cal_in = RoundHalfEven(loop_cal);
            cal_mm = RoundHalfEven(kMmPerInch * cal_in);
        }
        if (settings.optionmm) {
            cal_mm = RoundHalfEven(loop_cal);
            cal_in = RoundHalfEven(cal_mm / kMmPerInch);
        }
        if (UsableCalibration(cal_in) && UsableCalibration(cal_mm)) {
            st.LoopCalIn = cal_in;
            st.LoopCalMm = cal_mm;
            (void)WriteConfig(); // a failure has been reported; reading back then restores the old value
            ReadConfig();
            op().ShowMessage("Speedtest done", kSpeedTestTitle);
        } else {
            op().ShowMessage("Speedtest gave no usable calibration - calibration unchanged", kSpeedTestTitle);
        }
    }

    st.SpeedTestRunning = false;
    ResetPositions();
    UpdateReadouts();
}

} // namespace tamo
