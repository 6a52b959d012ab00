#pragma once

// How far each axis travels per tick of the move being prepared, which the feed computation needs
// to hold every axis to its fast jog rate (the straight move and the run estimate fill it alike).

#include "interpreter/machine_state.h"
#include "motion/arc_geometry.h"

#include <cmath>

namespace tamo {

// A straight move of StepsX/Y/Z over StepsMax ticks: each axis' share of the ticks times its step.
inline void SetLineTickTravel(MachineState& st) {
    const double ticks = st.StepsMax > 0 ? st.StepsMax : 1;
    st.TickTravelX = std::fabs(st.StepsX) / ticks * st.UnitsPerStepX;
    st.TickTravelY = std::fabs(st.StepsY) / ticks * st.UnitsPerStepY;
    st.TickTravelZ = std::fabs(st.StepsZ) / ticks * st.UnitsPerStepZ;
}

// An arc's walk: X and Y follow the circle at the feed, Z of a helix climbs its share per increment.
inline void SetArcTickTravel(MachineState& st, const ArcGeometry& g) {
    const double arc = std::fabs(g.radius * g.angle_step);
    st.TickTravelX = arc;
    st.TickTravelY = arc;
    const double increments = g.Walkable() ? g.Increments() : 0;
    st.TickTravelZ = g.Helical() && increments > 0 ? std::fabs(g.end_z - g.start_z) / increments : 0;
}

inline void ClearTickTravel(MachineState& st) {
    st.TickTravelX = st.TickTravelY = st.TickTravelZ = 0;
}

} // namespace tamo
