// Arcs in the XY plane: the circle walked in equal angle increments, each worth one X step of arc
// length, with X and Y stepping toward each new circle point; a straight move then lands on the
// programmed end point and carries the block's Z travel.

#include "interpreter/cnc.h"
#include "motion/angles.h"

#include <cmath>

namespace tamo {
// G02 (ArcDir +1) and G03 (ArcDir -1) from StartX/Y to TargetX/Y about the centre StartX/Y +
// ArcI/ArcJ, the whole way round in that direction. Changes: FeedFactor and the feed (one delay
// for the whole arc, no ramps), ResumeMove, ResumePending, the arc geometry (ArcCenterX/Y,
// ArcRadius, ArcEndDX/DY, the raw and normalised angles, ArcSweep, ArcAngleStep, ArcPos) and, in
// place, ArcI and ArcJ, which afterwards hold the start point relative to the centre; a later block
// without I or J reads them. Then everything ArcSteps changes. A resumed arc keeps the geometry of
// the walk that the stop interrupted.
void Cnc::ArcMove() {
    st.ResumePending = false;
    st.FeedFactor = 1;
    ComputeFeedDelay();
    if (st.ResumeMove) {
        st.ResumeMove = false;
        ArcSteps();
        return;
    }

    const double two_pi = 2 * Pi();
    st.ArcCenterX = st.StartX + st.ArcI;
    st.ArcCenterY = st.StartY + st.ArcJ;
    st.ArcRadius = std::sqrt(st.ArcI * st.ArcI + st.ArcJ * st.ArcJ);

    st.ArcEndDX = st.TargetX - st.ArcCenterX;
    st.ArcEndDY = st.TargetY - st.ArcCenterY;
    // An end point level with the centre takes its side from DX; an end point off the circle is
    // pulled onto it, so that the arc cosine stays defined.
    if (st.ArcEndDY == 0) {
        st.ArcEndDY = st.ArcEndDX;
    }
    if (std::fabs(st.ArcEndDX) > st.ArcRadius) {
        st.ArcEndDX = std::copysign(st.ArcRadius, st.ArcEndDX);
    }
    st.ArcEndRaw = Sign(st.ArcEndDY) * ArcCos(st.ArcEndDX / st.ArcRadius);
    st.ArcEndAngle = st.ArcEndRaw;
    if (st.ArcDir == -1 && st.ArcEndAngle < 0) {
        st.ArcEndAngle = two_pi - std::fabs(st.ArcEndAngle);
    }

    st.ArcI = -st.ArcI;
    st.ArcJ = st.ArcJ == 0 ? st.ArcI : -st.ArcJ;
    st.ArcStartRaw = Sign(st.ArcJ) * ArcCos(st.ArcI / st.ArcRadius);
    st.ArcStartAngle = st.ArcStartRaw;
    if (st.ArcDir == 1 && st.ArcStartAngle < 0) {
        st.ArcStartAngle = two_pi - std::fabs(st.ArcStartAngle);
    }

    st.ArcSweep = st.ArcDir < 0 ? st.ArcStartAngle - st.ArcEndAngle : st.ArcEndAngle - st.ArcStartAngle;
    // The start and end angles are normalised to different ranges, so this difference is the
    // angle the walk must turn only while it comes out negative (or beyond a whole turn); a
    // positive one is the short way round against the direction of travel.
    const bool against_travel = st.ArcSweep > 0;
    if (std::fabs(st.ArcSweep) > two_pi) {
        st.ArcSweep = std::fabs(st.ArcSweep) - two_pi;
    }
    // One X step of arc length per increment, for both axes: the path speed equals the feed.
    st.ArcAngleStep = st.UnitsPerStepX / st.ArcRadius;
    st.ArcSweep = std::fabs(st.ArcSweep);
    // An end within one increment of the start is a full circle.
    if (st.ArcSweep < st.ArcAngleStep) {
        st.ArcSweep = two_pi;
    } else if (against_travel) {
        // The rest of the turn in the programmed direction: an arc of more than half a circle.
        // At exactly half a circle both ways are the same, and 2 pi - pi is pi to the last bit.
        st.ArcSweep = two_pi - st.ArcSweep;
    }
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
    // Read once, like the limit of the walk: a toolpath redraw inside the yield writes ArcDir with
    // the preview's own sign convention, and the walk must not turn round half-way.
    const double step = st.ArcAngleStep;
    const double last = st.ArcSweep + step;
    const double start = st.ArcStartRaw;
    const double dir = st.ArcDir;
    const double centre_x = st.ArcCenterX;
    const double centre_y = st.ArcCenterY;
    const double radius = st.ArcRadius;

    // A zero or infinite radius leaves no usable increment; the straight move still ends the block.
    const bool walkable = std::isfinite(step) && step > 0;
    while (walkable && st.ArcPos <= last) {
        const double a = start - dir * st.ArcPos;
        st.DeltaX = centre_x + radius * std::cos(a) - st.ProgPosX;
        st.DeltaY = centre_y + radius * std::sin(a) - st.ProgPosY;
        // An axis steps only once the circle point is a whole step away; until then it waits.
        if (std::fabs(st.DeltaX) >= st.UnitsPerStepX) {
            st.StepDirX = Sign(st.DeltaX);
        }
        if (std::fabs(st.DeltaY) >= st.UnitsPerStepY) {
            st.StepDirY = Sign(st.DeltaY);
        }
        Tick();
        if (st.StopRequest) {
            SaveResumeRecord();
            return;
        }
        // An increment too small to change the angle any more (a radius of astronomic size)
        // would walk on the spot for ever.
        const double next = st.ArcPos + step;
        if (!(next > st.ArcPos)) {
            break;
        }
        st.ArcPos = next;
    }

    st.StartX = st.ProgPosX;
    st.StartY = st.ProgPosY;
    st.StartZ = st.ProgPosZ;
    LinearMove();
}

} // namespace tamo
