// The touch-off probe on status pin 15: Z comes down at the probing feed until the probe touches
// the plate, stops, backs off, and Program Z becomes the plate's thickness at the touch.

#include "interpreter/cnc.h"
#include "interpreter/numbers.h"
#include "motion/open_move.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tamo {
namespace {

constexpr int kProbeLine = 0x08; // pin 15, not inverted by the port

} // namespace

// "Probe Z". Refused without a probe, while the machine moves or a program is part-way, and when
// the probe reads as touching before it moves. The way down is bounded by the probing distance
// and, once homed, by the travel. Changes: the positions (Program Z shifted so that the touch is
// at the plate thickness), TargetZ and StartZ (where Z ends, so that the next line starts there),
// FeedRate, StepDelay, StepDirZ (cleared), StopRequest (cleared at the end).
void Cnc::ProbeZ() {
    if (setup.probe_level < 0) {
        op().ShowMessage("No probe is configured (Setup > Machine): nothing moved.", kAppTitle);
        return;
    }
    if (RefuseManualMove() || RefuseAtLimit()) {
        return;
    }
    auto touching = [this] {
        const int status_byte = port_->Inp32(kStatusRegister);
        return status_byte >= 0 && status_byte <= 255 && ((status_byte & kProbeLine) != 0 ? 1 : 0) == setup.probe_level;
    };
    if (touching()) {
        op().ShowMessage("The probe reads as touching before Z moved: check the probe and its wire. Nothing moved.",
                         kAppTitle);
        return;
    }
    if (const std::string why = ProbeTimeProblem(); !why.empty()) {
        op().ShowMessage(why, kAppTitle);
        return;
    }
    BusyScope busy(*this, Activity::Manual);
    op().FocusView();
    st.StopRequest = false;
    const double step = std::fabs(st.UnitsPerStepZ);
    double steps = std::floor(setup.probe_distance / step + 1e-6);
    if (const double room = StepsToTravelLimit(2, -1); room >= 0) {
        steps = std::min(steps, room);
    }
    // With the accelerations set, Z starts from rest within Z's and brakes to rest within it: on the
    // way down at the end of the probing distance, or past the touch (which stays where Program Z
    // was set), and on the way back at the end of the back-off.
    bool planned = false;
    const bool offline = st.Offline;
    auto move_z = [this, &planned](int direction, double feed) {
        st.FeedRate = feed;
        st.StepDelay = RoundHalfEven(st.LoopCal / feed);
        if (planned) {
            PlannedDelay();
        }
        st.StepDirX = st.StepDirY = 0;
        st.StepDirZ = direction;
        StepPulse();
        st.StepDirZ = 0;
        op().Yield();
    };
    constexpr std::array<bool, 3> kZ{false, false, true};
    // One tick a Z step, the probing distance its bound.
    planned = BeginOpenMove(motion_.run, setup, st, kZ, setup.probe_feed, steps);
    bool touched = false;
    for (double n = 0; n < steps && !st.StopRequest; ++n) {
        move_z(-1, setup.probe_feed);
        if (touching()) {
            touched = true;
            break;
        }
    }
    const std::string unit = settings.OptionIn ? "in" : "mm";
    if (!touched && st.StopRequest && planned && !st.LimitTripped && st.Offline == offline) {
        // Pause or a key in the view: Z brakes to rest first. The limit switch and a port that
        // failed stop it at once.
        st.StopRequest = false;
        motion_.run.Brake();
        while (!motion_.run.AtRest() && !st.StopRequest) {
            move_z(-1, setup.probe_feed);
        }
        st.StopRequest = true;
    }
    if (!touched) {
        if (!st.StopRequest) {
            op().ShowMessage("Probe did not touch within " + FormatNumber(steps * step) + " " + unit, kAppTitle);
        }
        st.StopRequest = false;
        // The next line starts from where the tool stands, not from above the probing.
        st.StartZ = st.TargetZ = st.ProgPosZ;
        UpdateReadouts();
        return;
    }
    st.ProgPosZ = setup.plate_thickness;
    if (planned) {
        motion_.run.Brake();
        while (!motion_.run.AtRest() && !st.StopRequest) {
            move_z(-1, setup.probe_feed);
        }
    }
    const double back = std::floor(setup.probe_backoff / step + 1e-6);
    planned = BeginOpenMove(motion_.run, setup, st, kZ, NumberOf(st.JogSlowZ), back);
    for (double n = 0; n < back && !st.StopRequest; ++n) {
        move_z(1, NumberOf(st.JogSlowZ));
    }
    st.StartZ = st.TargetZ = st.ProgPosZ;
    st.StopRequest = false;
    st.ResumeMove = false;
    status.Notice = "Probe touched: Program Z is " + FormatFixed(setup.plate_thickness, 4) + " at the plate.";
    UpdateReadouts();
}

} // namespace tamo
