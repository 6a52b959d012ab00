// Soft limits: the travel of each axis in machine coordinates, which no move may leave once the
// machine was homed on its switches. Before that the machine coordinates mean nothing about the
// travel (they start wherever the machine stood), so nothing is refused.
//
// A jog decelerates so as to stop at the limit; a point move, a typed line and Start refuse a move
// that would leave the travel before anything moves (Start through the run estimate, which walks
// the whole program: see run_estimate.cpp).

#include "motion/soft_limits.h"

#include "interpreter/cnc.h"
#include "interpreter/motion_word.h"
#include "interpreter/numbers.h"
#include "motion/angles.h"
#include "motion/arc_geometry.h"
#include "motion/open_move.h"

#include <algorithm>
#include <cmath>

namespace tamo {
namespace {

constexpr std::array<const char*, 3> kAxisNames{"X", "Y", "Z"};

// The axis' reach in machine coordinates against its travel, half a step of rounding allowed.
std::string Beyond(const MachineSetup& setup, std::size_t axis, AxisReach reach, double units_per_step) {
    const MachineSetup::Travel& t = setup.travel[axis];
    const double slack = std::fabs(units_per_step) / 2;
    if (!t.set) {
        return {};
    }
    if (reach.hi > t.max + slack) {
        return std::string(kAxisNames[axis]) + " would reach " + FormatFixed(reach.hi, 4) + ", beyond its maximum " +
               FormatFixed(t.max, 4) + " in machine coordinates";
    }
    if (reach.lo < t.min - slack) {
        return std::string(kAxisNames[axis]) + " would reach " + FormatFixed(reach.lo, 4) + ", beyond its minimum " +
               FormatFixed(t.min, 4) + " in machine coordinates";
    }
    return {};
}

} // namespace

void AxisReach::Add(double v) {
    lo = std::min(lo, v);
    hi = std::max(hi, v);
}

std::array<AxisReach, 3> BlockReach(const MachineState& st, const std::array<double, 3>& from, double step_x,
                                    double step_z) {
    std::array<AxisReach, 3> reach;
    const std::array<double, 3> to{st.TargetX, st.TargetY, st.TargetZ};
    for (std::size_t a = 0; a < 3; ++a) {
        reach[a] = {std::min(from[a], to[a]), std::max(from[a], to[a])};
    }
    const Motion motion = MotionOf(st.GCode);
    if (motion == Motion::ArcClockwise || motion == Motion::ArcCounterClockwise) {
        // The circle's extreme points that the sweep passes, besides its two ends.
        const ArcBlock block{st.StartX,  st.StartY,  st.StartZ,
                             st.TargetX, st.TargetY, st.TargetZ,
                             st.ArcI,    st.ArcJ,    motion == Motion::ArcClockwise ? 1 : -1};
        const ArcGeometry g = MakeArcGeometry(block, step_x, step_z);
        reach[0].Add(g.XAt(0));
        reach[1].Add(g.YAt(0));
        if (g.Walkable()) {
            for (int quarter = 0; quarter < 4; ++quarter) {
                const double angle = quarter * Pi() / 2;
                double walked = std::fmod(g.dir * (g.start_raw - angle), 2 * Pi());
                if (walked < 0) {
                    walked += 2 * Pi();
                }
                if (walked <= g.sweep) {
                    reach[0].Add(g.centre_x + g.radius * std::cos(angle));
                    reach[1].Add(g.centre_y + g.radius * std::sin(angle));
                }
            }
        }
        reach[2].Add(st.StartZ);
    }
    return reach;
}

std::string Cnc::BlockTravelProblem(const std::array<double, 3>& offset) const {
    if (MotionOf(st.GCode) == Motion::None) {
        return {};
    }
    const std::array<AxisReach, 3> reach =
        BlockReach(st, {st.ProgPosX, st.ProgPosY, st.ProgPosZ}, st.UnitsPerStepX, st.UnitsPerStepZ);
    const std::array<double, 3> step{st.UnitsPerStepX, st.UnitsPerStepY, st.UnitsPerStepZ};
    for (std::size_t a = 0; a < 3; ++a) {
        const AxisReach machine{reach[a].lo + offset[a], reach[a].hi + offset[a]};
        if (std::string why = Beyond(setup, a, machine, step[a]); !why.empty()) {
            return why;
        }
    }
    return {};
}

std::string Cnc::PointTravelProblem(const std::array<double, 3>& point) const {
    const std::array<double, 3> offset = TravelOffset();
    const std::array<double, 3> step{st.UnitsPerStepX, st.UnitsPerStepY, st.UnitsPerStepZ};
    for (std::size_t a = 0; a < 3; ++a) {
        const double at = point[a] + offset[a];
        if (std::string why = Beyond(setup, a, {at, at}, step[a]); !why.empty()) {
            return why;
        }
    }
    return {};
}

double Cnc::StepsToTravelLimit(int axis, int direction) const {
    const auto a = static_cast<std::size_t>(axis);
    if (!SoftLimitsApply() || !setup.travel[a].set || direction == 0) {
        return -1;
    }
    const std::array<double, 3> position{st.MachPosX, st.MachPosY, st.MachPosZ};
    const std::array<double, 3> step{st.UnitsPerStepX, st.UnitsPerStepY, st.UnitsPerStepZ};
    const double room = direction > 0 ? setup.travel[a].max - position[a] : position[a] - setup.travel[a].min;
    return std::max(0.0, std::floor(room / std::fabs(step[a]) + 1e-6));
}

std::string Cnc::MachineStatus() const {
    std::string text = !setup.AnyTravel() ? "Soft limits off" : st.Homed ? "Soft limits on" : "Soft limits: not homed";
    if (setup.outputs[MachineSetup::Spindle].wired()) {
        text += st.SpindleOn ? (st.SpindleCcw ? ", spindle CCW" : ", spindle CW") : ", spindle off";
    }
    if (setup.outputs[MachineSetup::Flood].wired() || setup.outputs[MachineSetup::Mist].wired()) {
        text += st.FloodOn && st.MistOn ? ", flood and mist"
                : st.FloodOn            ? ", flood"
                : st.MistOn             ? ", mist"
                                        : ", coolant off";
    }
    return text;
}

// A continuous jog about to come closer to the limit than its deceleration needs: the
// deceleration runs now, over the steps that are left, and the jog ends there. Changes:
// RampDownAngle, StepDelay, the positions, StopRequest, status.Notice.
bool Cnc::JogMeetsTravel(int axis, int direction) {
    const double room = StepsToTravelLimit(axis, direction);
    if (room < 0) {
        return false;
    }
    // Planned, the jog already brakes to rest at the end of the travel.
    const double slowing = OpenMovesPlanned(setup, st) ? 0
                           : st.RampStep > 0 ? std::floor((st.RampDownAngle - kLastRampAngle) / st.RampStep) + 1
                                             : 0;
    if (room > slowing) {
        return false;
    }
    RampToStop(room);
    st.StopRequest = true;
    const auto a = static_cast<std::size_t>(axis);
    status.Notice = std::string(kAxisNames[a]) + " stopped at the end of its travel, " +
                    FormatFixed(direction > 0 ? setup.travel[a].max : setup.travel[a].min, 4) +
                    " in machine coordinates.";
    op().ModelsChanged();
    return true;
}

} // namespace tamo
