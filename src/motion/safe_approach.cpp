// The safe approach: how the machine goes to a program point off the program's own path (back to
// where a run stopped, to the end of a line, to a typed point) without dragging the tool through
// the stock on the way.

#include "interpreter/block_kept.h"
#include "interpreter/cnc.h"

#include <algorithm>

namespace tamo {

// Z rises no higher than the top of its travel once the machine is homed. Each leg is one straight
// move through DispatchMove, so it steps, ramps, stops and watches the
// switches as a program line does; a leg that has nothing to move takes no tick. The program's
// own block (a rapid leg would leave a resumed feed move ramping as a rapid) and its stopped move
// are put back afterwards, whatever happened on the way.
// Changes: StopRequest (cleared first; set when a stop ended it), the positions, FeedRate,
// StepDelay, the ramps, Text2, the readouts and the view's colour (green on a rapid leg). GCode,
// RapidMove, the start point and the targets end as they were.
bool Cnc::ApproachSafely(const Approach& to) {
    if (const std::string why = ApproachProblem(to); !why.empty()) {
        op().ShowMessage(why, kAppTitle);
        return false;
    }
    const ProgramStopKept program(*this);
    const BlockKept block(st);
    st.StopRequest = false;

    // False when a stop ended the move.
    auto move = [this](double x, double y, double z, const char* word) {
        st.TargetX = x;
        st.TargetY = y;
        st.TargetZ = z;
        st.GCode = word;
        ComputeFeedDelay();
        DispatchMove();
        UpdateReadouts();
        return !st.StopRequest;
    };
    // Once homed, no lift goes above the top of Z's travel: a lift height above it crosses at the top.
    double lift_z = to.lift_z;
    if (SoftLimitsApply() && setup.travel[2].set) {
        lift_z = std::min(lift_z, setup.travel[2].max - (st.MachPosZ - st.ProgPosZ));
    }
    const double travel_z = std::max({st.ProgPosZ, to.z, lift_z});
    return move(st.ProgPosX, st.ProgPosY, travel_z, to.across) &&
           (!to.via_program_zero || move(0, 0, travel_z, to.across)) && move(to.x, to.y, travel_z, to.across) &&
           (to.outputs_for_line <= 0 || RestoreProgramOutputs(to.outputs_for_line)) && move(to.x, to.y, to.z, to.down);
}

} // namespace tamo
