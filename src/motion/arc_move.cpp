// Arcs in the XY plane: the circle walked in equal angle increments, each worth one X step of arc
// length, with X and Y stepping toward each new circle point and, on a helix, Z toward its height
// in proportion to the angle turned; a straight move then lands on the programmed end point.

#include "interpreter/cnc.h"
#include "motion/angles.h"
#include "motion/arc_geometry.h"
#include "motion/plan_blocks.h"
#include "motion/tick_travel.h"

#include <cmath>

namespace tamo {
namespace {

void Keep(const ArcGeometry& g, MachineState& st) {
    st.ArcCenterX = g.centre_x;
    st.ArcCenterY = g.centre_y;
    st.ArcRadius = g.radius;
    st.ArcEndDX = g.end_dx;
    st.ArcEndDY = g.end_dy;
    st.ArcStartRaw = g.start_raw;
    st.ArcEndRaw = g.end_raw;
    st.ArcStartAngle = g.start_angle;
    st.ArcEndAngle = g.end_angle;
    st.ArcSweep = g.sweep;
    st.ArcAngleStep = g.angle_step;
    st.ArcStartZ = g.start_z;
    st.ArcEndZ = g.end_z;
}

// The arc that ArcMove kept, read back once at the start of the walk: a toolpath redraw inside the
// yield writes ArcDir with the preview's own sign convention, and the walk must not turn round
// half-way.
ArcGeometry Kept(const MachineState& st) {
    ArcGeometry g;
    g.centre_x = st.ArcCenterX;
    g.centre_y = st.ArcCenterY;
    g.radius = st.ArcRadius;
    g.start_raw = st.ArcStartRaw;
    g.sweep = st.ArcSweep;
    g.angle_step = st.ArcAngleStep;
    g.start_z = st.ArcStartZ;
    g.end_z = st.ArcEndZ;
    g.dir = st.ArcDir;
    return g;
}

} // namespace

// G02 (ArcDir +1) and G03 (ArcDir -1) from StartX/Y/Z to TargetX/Y/Z about the centre StartX/Y +
// ArcI/ArcJ, the whole way round in that direction (MakeArcGeometry). Changes: FeedFactor and the
// feed (one delay for the whole arc, no ramps), ResumeMove, ResumePending, the arc geometry
// (ArcCenterX/Y, ArcRadius, ArcEndDX/DY, the raw and normalised angles, ArcSweep, ArcAngleStep,
// ArcStartZ, ArcEndZ, ArcPos) and, in place, ArcI and ArcJ, which afterwards hold the start point
// relative to the centre; a later block without I or J reads them. Then everything ArcSteps
// changes. A resumed arc keeps the geometry of the walk that the stop interrupted.
void Cnc::ArcMove() {
    st.ResumePending = false;
    st.FeedFactor = 1;
    if (st.ResumeMove) {
        st.ResumeMove = false;
        const ArcGeometry kept = Kept(st);
        SetArcTickTravel(st, kept);
        ComputeFeedDelay();
        BeginPlannedBlock(ArcPlanBlock(kept, st.ArcPos, st.ProgFeed), ArcTicks(kept, st.ArcPos), false);
        ArcSteps();
        return;
    }
    const ArcBlock block{st.StartX,  st.StartY, st.StartZ, st.TargetX, st.TargetY,
                         st.TargetZ, st.ArcI,   st.ArcJ,   st.ArcDir};
    const ArcGeometry g = MakeArcGeometry(block, st.UnitsPerStepX, st.UnitsPerStepZ);
    SetArcTickTravel(st, g);
    ComputeFeedDelay();
    // Before the centre offsets are rewritten: the reading ahead starts from this block as it is.
    BeginPlannedBlock(ArcPlanBlock(g, 0, st.ProgFeed), ArcTicks(g, 0), false);
    Keep(g, st);
    LeaveCentreOffsets(st.ArcI, st.ArcJ);
    st.ArcPos = 0;
    ArcSteps();
}

// Walks the arc from ArcPos to one increment past ArcSweep, then moves straight to TargetX/Y/Z.
// Changes: ArcPos, DeltaX/Y, StepDirX/Y/Z, everything StepPulse changes, StartX/Y/Z (the walk's
// end, for the straight move) and everything LinearMove changes. On a stop ArcPos keeps the angle
// of the last tick, the resume record is written and "Execute Program" is enabled.
//
// Timing contract: one cosine, one sine and the yield on top of StepPulse's waits per increment,
// every increment a full tick. No allocation, no logging.
void Cnc::ArcSteps() {
    const ArcGeometry g = Kept(st);
    const double last = g.sweep + g.angle_step;
    const bool helix = g.Helical();
    const double z_step = std::fabs(st.UnitsPerStepZ);

    const bool planned = motion_.timing;
    while (g.Walkable() && st.ArcPos <= last) {
        st.DeltaX = g.XAt(st.ArcPos) - st.ProgPosX;
        st.DeltaY = g.YAt(st.ArcPos) - st.ProgPosY;
        // An axis steps only once the circle point is a whole step away; until then it waits.
        if (std::fabs(st.DeltaX) >= st.UnitsPerStepX) {
            st.StepDirX = Sign(st.DeltaX);
        }
        if (std::fabs(st.DeltaY) >= st.UnitsPerStepY) {
            st.StepDirY = Sign(st.DeltaY);
        }
        if (helix) {
            const double delta_z = g.ZAt(st.ArcPos) - st.ProgPosZ;
            if (std::fabs(delta_z) >= z_step) {
                st.StepDirZ = Sign(delta_z) * Sign(st.UnitsPerStepZ);
            }
        }
        if (planned) {
            PlannedDelay();
        }
        Tick();
        if (st.StopRequest || (planned && motion_.holding)) {
            if (!planned || !BrakesOn()) {
                SaveResumeRecord();
                return;
            }
        }
        // An increment too small to change the angle any more (a radius of astronomic size)
        // would walk on the spot for ever.
        const double next = st.ArcPos + g.angle_step;
        if (!(next > st.ArcPos)) {
            break;
        }
        st.ArcPos = next;
    }

    EndPlannedBlock();
    st.StartX = st.ProgPosX;
    st.StartY = st.ProgPosY;
    st.StartZ = st.ProgPosZ;
    motion_.closes_arc = true;
    LinearMove();
}

} // namespace tamo
