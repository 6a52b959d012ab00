// Jogging: the buttons JogZ(1..6) move one axis while held, at the speed chosen with Option1.

#include "interpreter/cnc.h"
#include "interpreter/numbers.h"
#include "motion/open_move.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <limits>

namespace tamo {
namespace {

// Option1(0..3): "Fast", "Med", "Slow", "Step".
constexpr std::size_t kSpeeds = 3;
constexpr std::size_t kStepOption = 3;
constexpr std::size_t kNoSpeed = kSpeeds;

// Ramp angle per tick of each speed, in degrees: the faster the jog, the gentler its ramp.
constexpr std::array<int, kSpeeds> kJogRampStep{4, 8, 48};

// The jog rate of each speed and axis, X, Y, Z.
using RateField = Value MachineState::*;
constexpr std::array<std::array<RateField, 3>, kSpeeds> kJogRate{{
    {&MachineState::JogFastX, &MachineState::JogFastY, &MachineState::JogFastZ},
    {&MachineState::JogMediumX, &MachineState::JogMediumY, &MachineState::JogMediumZ},
    {&MachineState::JogSlowX, &MachineState::JogSlowY, &MachineState::JogSlowZ},
}};

constexpr std::array<int MachineState::*, 3> kStepDir{&MachineState::StepDirX, &MachineState::StepDirY,
                                                      &MachineState::StepDirZ};

// What each button of JogZ(1..6) moves: "Z -", "X -", "Y +", "X +", "Y -", "Z +".
struct JogButton {
    std::size_t axis; // 0 X, 1 Y, 2 Z
    int direction;
};
constexpr std::array<JogButton, 7> kJogButton{{{0, 0}, {2, -1}, {0, -1}, {1, 1}, {0, 1}, {1, -1}, {2, 1}}};

std::size_t SelectedSpeed(const std::array<bool, 4>& options) {
    for (std::size_t speed = 0; speed < kSpeeds; ++speed) {
        if (options[speed]) {
            return speed;
        }
    }
    return kNoSpeed;
}

} // namespace

// Mouse-down on JogZ(index), whatever the button. With "Step" one tick and done; otherwise ticks
// that ramp up to the axis' jog rate until a stop request: the mouse-up, delivered inside the
// yield of this loop, Pause, a key in the view or the limit switch. Pressed while a program or a
// panel move runs, it stops that first, as Pause does, and the jog follows when it has ended; a
// "Step" click while another one holds its step for its due time is the next step, not a stop.
// While the limit switch reads active a jog in a direction that ran into it is refused with
// "Limit Zone"; every other jog runs, so that the operator can back off the switch. The program's
// stopped move, if one waits, still waits afterwards.
//
// Changes: PlotStep, HeldGCode, GCode ("G01" until the mouse-up), StopRequest, RampStep, Text2,
// StepDirX/Y/Z (the jogged axis' direction stays set after the jog), FeedRate (the jog rate as it
// stands: no override, no FeedFactor), StepDelay and the ramp angles, and the positions.
//
// Timing contract: each pass is one tick, the same budget as a move's: no allocation, no logging.
void Cnc::JogPressed(int index, int button) {
    if (index < 1 || index >= static_cast<int>(kJogButton.size())) {
        return;
    }
    const JogButton& jog = kJogButton[static_cast<std::size_t>(index)];
    if (Running()) {
        if (jog_stepping_ && main.Option1[kStepOption]) {
            if (deferred_press_.kind == PanelPress::Kind::Jog && deferred_press_.index == index) {
                ++deferred_press_.clicks;
            } else {
                deferred_press_ = {PanelPress::Kind::Jog, index, button};
            }
            return;
        }
        DeferPanelMove({PanelPress::Kind::Jog, index, button});
        return;
    }
    if (RefuseUncalibratedMove()) {
        return;
    }
    const std::array<int, 3> tripped{st.LimitDirX, st.LimitDirY, st.LimitDirZ};
    if (st.LimitTripped && tripped[jog.axis] == jog.direction && LimitReadsActive()) {
        op().ShowMessage("Limit Zone", kAppTitle);
        return;
    }
    if (main.JogIncrement >= 0) {
        JogByIncrement(jog.axis, jog.direction);
        return;
    }
    BusyScope busy(*this, Activity::Jog);
    const ProgramStopKept program(*this);
    jog_held_ = true;
    UpdatePlotStep();
    st.HeldGCode = st.GCode;
    st.GCode = "G01"; // so that the feed computation does not take the jog for a rapid
    st.StopRequest = false;
    const std::size_t speed = SelectedSpeed(main.Option1);
    if (speed != kNoSpeed) {
        st.RampStep = kJogRampStep[speed];
    }
    main.Text2 = FormatNumber(st.FeedRate);
    st.StepDirX = 0;
    st.StepDirY = 0;
    st.StepDirZ = 0;
    ComputeFeedDelay();
    st.*kStepDir[jog.axis] = jog.direction;
    if (speed != kNoSpeed) {
        st.FeedRate = NumberOf(st.*kJogRate[speed][jog.axis]);
        // A tick is timed as one X step at the rate: an axis whose step is coarser than X's would
        // run faster than its rate by as much.
        const std::array<double, 3> step{st.UnitsPerStepX, st.UnitsPerStepY, st.UnitsPerStepZ};
        const double share = std::fabs(st.UnitsPerStepX) / std::fabs(step[jog.axis]);
        if (share < 1) {
            st.FeedRate *= share;
        }
    }
    op().ModelsChanged(); // the effective feed box, before the ticks begin
    // Nothing planned yet: a release of a "Step" press whose option changed while the button was
    // held brakes nothing.
    motion_.run = planner::BlockRun{};
    const int axis = static_cast<int>(jog.axis);
    if (main.Option1[kStepOption]) {
        if (StepsToTravelLimit(axis, jog.direction) == 0) {
            (void)JogMeetsTravel(axis, jog.direction); // says where it stands
            return;
        }
        jog_stepping_ = true;
        StepPulse(); // at the delay of the programmed feed that ComputeFeedDelay left
        jog_stepping_ = false;
        return;
    }
    // With the accelerations set the jog starts from rest at the axis' acceleration and, once
    // homed, is planned to come to rest at the end of the travel.
    std::array<bool, 3> moving{};
    moving[jog.axis] = true;
    const double room = StepsToTravelLimit(axis, jog.direction);
    const bool offline = st.Offline;
    const bool planned = BeginOpenMove(motion_.run, setup, st, moving, st.FeedRate,
                                       room >= 0 ? room : std::numeric_limits<double>::infinity());
    bool at_travel = false;
    while (!st.StopRequest) {
        if (JogMeetsTravel(axis, jog.direction)) {
            at_travel = true;
            break;
        }
        if (planned) {
            PlannedDelay();
        } else {
            RampUp();
        }
        StepPulse();
        op().Yield();
        if (jog_release_due_) {
            jog_release_due_ = false;
            JogReleased(index, button);
        }
    }
    // Pause or a key in the view: planned, the jog brakes to rest as a release does. The limit
    // switch and a port that failed stop it at once.
    if (planned && jog_held_ && !at_travel && !st.LimitTripped && st.Offline == offline) {
        st.StopRequest = false;
        RampToStop(std::numeric_limits<double>::infinity());
        st.StopRequest = true;
    }
}

// Mouse-up on JogZ(index). A release of any button ends a continuous jog: the press started it
// whatever the button, and a jog that only the left button could end would run on to the limit.
// A jog's deceleration: a step at each angle of the ramp down to its last, at most `most_steps`
// of them, until a stop request. A ramp step that was never set (a release whose press chose
// "Step", then the option changed while the button was held) would leave the angle where it is
// for ever: the ramp then ends.
//
// With the accelerations set the jog brakes to rest at the axis' acceleration instead.
void Cnc::RampToStop(double most_steps) {
    if (OpenMovesPlanned(setup, st)) {
        motion_.run.Brake();
        for (; most_steps > 0 && !st.StopRequest && !motion_.run.AtRest(); --most_steps) {
            PlannedDelay();
            StepPulse();
        }
        return;
    }
    for (; most_steps > 0 && !st.StopRequest && st.RampDownAngle >= kLastRampAngle; --most_steps) {
        const double angle = st.RampDownAngle;
        RampDown();
        if (!(st.RampDownAngle < angle)) {
            break;
        }
        StepPulse();
    }
}

// The jogged axis decelerates over the ramp it accelerated on, every tick of it however long the
// tick is held for its due time, then the readouts catch up. A jog that has already stopped (the
// limit switch, Pause, a key in the view) stays where it stopped, and one that stops during the
// ramp stops there: after a limit trip a single step more would go on into the switch.
//
// Changes: StopRequest (set, unless "Step" is chosen), RampDownAngle, StepDelay, the positions,
// the readouts, and GCode back to what it was before the press.
void Cnc::JogReleased(int, int) {
    if (deferred_press_.kind == PanelPress::Kind::Jog) {
        deferred_press_.released = true; // the jog ends as soon as it has begun
        return;
    }
    if (!jog_held_) {
        return; // the press was refused and began nothing
    }
    jog_held_ = false;
    if (!main.Option1[kStepOption]) {
        // The ramp runs before the stop is raised: a tick held for its due time lets the events
        // in and gives up at a stop request, which must be a new one (Pause, a key, the limit).
        if (!st.StopRequest) {
            RampToStop(std::numeric_limits<double>::infinity());
        }
        st.StopRequest = true;
    }
    UpdateReadouts();
    st.GCode = st.HeldGCode;
}

// Option1(index): the four options form one group, with the increments.
void Cnc::SelectJogSpeed(int index) {
    if (index < 0 || index >= static_cast<int>(main.Option1.size())) {
        return;
    }
    main.JogIncrement = -1;
    main.Option1.fill(false);
    main.Option1[static_cast<std::size_t>(index)] = true;
}

} // namespace tamo
