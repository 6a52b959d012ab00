// Jogging by increments and from the keyboard: a press moves one axis by a set distance, and the
// arrows and Page Up / Page Down do what the jog buttons do, while "Keyboard jog" is on.

#include "interpreter/block_kept.h"
#include "interpreter/cnc.h"
#include "interpreter/numbers.h"

#include <array>
#include <cmath>
#include <string>

namespace tamo {
namespace {

constexpr std::array<double, 4> kIncrementMm{0.01, 0.1, 1, 10};
constexpr std::array<double, 4> kIncrementIn{0.001, 0.01, 0.1, 1};
constexpr int kFastOption = 0;
constexpr std::array<const char*, 3> kIncrementAxes{"X", "Y", "Z"};

} // namespace

// JogStep(index): one option group with Option1, whose options all go off.
void Cnc::SelectJogIncrement(int index) {
    if (index < 0 || index >= static_cast<int>(kIncrementMm.size())) {
        return;
    }
    main.Option1.fill(false);
    main.JogIncrement = index;
}

double Cnc::JogIncrementDistance(int index) const {
    const auto k = static_cast<std::size_t>(index);
    return NumberOf(st.UnitIsInch) != 0 ? kIncrementIn.at(k) : kIncrementMm.at(k);
}

void Cnc::SetKeyboardJog(bool on) {
    main.KeyboardJog = on;
    op().FocusView();
}

// The keys jog only while the toggle is on and nothing else moves: a key never stops a running
// program to jog (Escape, the stop key, is the windows' own), and never starts a second jog while
// one is held. Shift jogs at the fast rate whatever option is chosen; the choice is the operator's
// again when the jog has ended.
bool Cnc::JogKeyPressed(int index, bool fast) {
    if (!main.KeyboardJog || Running()) {
        return false;
    }
    if (!fast) {
        JogPressed(index, 1);
        return true;
    }
    const std::array<bool, 4> options = main.Option1;
    const int increment = main.JogIncrement;
    SelectJogSpeed(kFastOption);
    JogPressed(index, 1);
    main.Option1 = options;
    main.JogIncrement = increment;
    op().ModelsChanged();
    return true;
}

// One straight move of the axis by the chosen increment from where it stands, at the axis' medium
// jog rate as the settings give it (no override), in whole motor steps: what a press cannot give of
// its increment (a part of a step) is carried into the next press of the same axis, so that N
// presses move N increments within half a step. Once homed, the move stops at the end of the travel
// and says so; at the end already, nothing moves. It is a panel move like homing: the program's
// block and its stopped move are what they were afterwards. The press's release does nothing more:
// the increment is the whole jog.
// Changes: StopRequest, FeedRate, StepDelay, the ramps, Text2, the positions, the readouts, the
// carry, status.Notice at the travel's end.
void Cnc::JogByIncrement(std::size_t axis, int direction) {
    if (const std::string why = JogIncrementTimeProblem(axis); !why.empty()) {
        op().ShowMessage(why, kAppTitle);
        return;
    }
    BusyScope busy(*this, Activity::Jog);
    const ProgramStopKept program(*this);
    const BlockKept block(st);
    st.StopRequest = false;
    const std::array<const Value*, 3> rate{&st.JogMediumX, &st.JogMediumY, &st.JogMediumZ};
    const std::array<double, 3> step{st.UnitsPerStepX, st.UnitsPerStepY, st.UnitsPerStepZ};
    const std::array<double, 3> machine{st.MachPosX, st.MachPosY, st.MachPosZ};
    std::array<double, 3> target{st.ProgPosX, st.ProgPosY, st.ProgPosZ};
    if (machine.at(axis) != jog_carry_at_.at(axis)) {
        jog_carry_.at(axis) = 0; // the axis moved otherwise since: the carry belongs to a place it left
    }
    const double wanted = direction * JogIncrementDistance(main.JogIncrement) + jog_carry_.at(axis);
    double steps = step.at(axis) != 0 ? RoundHalfEven(wanted / step.at(axis)) : 0;
    if (!std::isfinite(steps)) {
        steps = 0;
    }
    const int toward = steps * step.at(axis) > 0 ? 1 : -1;
    const double room = steps != 0 ? StepsToTravelLimit(static_cast<int>(axis), toward) : -1;
    const bool at_travel = room >= 0 && std::fabs(steps) > room;
    if (at_travel) {
        steps = steps > 0 ? room : -room;
        const MachineSetup::Travel& t = setup.travel.at(axis);
        status.Notice = std::string(kIncrementAxes.at(axis)) + (room == 0 ? " is at" : " stopped at") +
                        " the end of its travel, " + FormatFixed(toward > 0 ? t.max : t.min, 4) +
                        " in machine coordinates" + (room == 0 ? ": nothing moved." : ".");
        log.Add(status.Notice);
    }
    target.at(axis) += steps * step.at(axis);
    st.TargetX = target[0];
    st.TargetY = target[1];
    st.TargetZ = target[2];
    st.GCode = "G01";
    const double held_feed = st.ProgFeed;
    const std::string held_override = main.Overide;
    st.ProgFeed = NumberOf(*rate.at(axis));
    main.Overide = "100";
    ComputeFeedDelay();
    if (steps != 0) {
        DispatchMove();
    }
    st.ProgFeed = held_feed;
    if (main.Overide == "100") {
        main.Overide = held_override; // unless the operator chose another during the move
    }
    const bool whole = !st.StopRequest && !at_travel;
    jog_carry_.at(axis) = whole ? wanted - steps * step.at(axis) : 0;
    jog_carry_at_.at(axis) = std::array<double, 3>{st.MachPosX, st.MachPosY, st.MachPosZ}.at(axis);
    UpdateReadouts();
    op().ModelsChanged();
}

} // namespace tamo
