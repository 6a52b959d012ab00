// Homing: the main window's "Home" group.

#include "interpreter/block_kept.h"
#include "interpreter/cnc.h"

namespace tamo {

// The homing feed can be edited only when the move is not a rapid.
void Cnc::SetHomeMoveType(const std::string& text) {
    main.Combo1 = text;
    main.Text6Enabled = text != "Rapid";
}

// The three homing methods form one option group.
void Cnc::SetHomeOption(int index, bool selected) {
    if (index < 0 || index >= static_cast<int>(main.Option4.size())) {
        return;
    }
    if (selected) {
        main.Option4.fill(false);
    }
    main.Option4[static_cast<std::size_t>(index)] = selected;
}

// "Home the Machine": one straight move of X and Y to machine zero or to program zero, as a rapid
// or at the programmed feed times the override, as "Move:" says. With "Using Home Switchs" the
// homing cycle on the switches (homing_cycle.cpp) when "Enable Home Switch" is ticked; otherwise it
// says so and nothing moves. Z stays where
// it stands: after a jog or a stopped move the block's TargetZ is not where Z is, and a move to it
// would lower the tool on the way across. Pressed while a program or a panel move runs, it stops
// that first, as Pause does, and homes when it has ended. Refused with "Limit Zone" while the
// limit switch reads active.
//
// The homing is no part of the program: the program's motion word and end point are what they were
// (the next line runs at the program's own feed, not as the homing's rapid), a stopped program
// move still waits for Start, and a stop of the homing itself leaves nothing that Start would
// finish. Start then goes back to where the program stopped before it goes on.
//
// Changes: StopRequest, Text2 (the homing feed, for show: the move runs at the feed that
// ComputeFeedDelay gives), FeedRate, StepDelay, and the positions.
void Cnc::HomeTheMachine() {
    if (Running()) {
        DeferPanelMove({PanelPress::Kind::Home});
        return;
    }
    if (main.Option4[0] && settings.Check1[0] != kChecked) {
        op().ShowMessage("No home switches are enabled (Setup > Settings): nothing moved.", kAppTitle);
        return;
    }
    if (RefuseUncalibratedMove() || RefuseAtLimit()) {
        return;
    }
    BusyScope busy(*this, Activity::Home);
    const ProgramStopKept program(*this);
    const BlockKept block(st);
    st.StopRequest = false;
    main.Text2 = main.Text6;
    op().FocusView();
    auto move_to_target = [this] {
        st.TargetZ = st.ProgPosZ;
        st.GCode = main.Combo1 == "Rapid" ? "G00" : "G01";
        ComputeFeedDelay();
        DispatchMove();
        UpdateReadouts();
    };
    if (main.Option4[2]) {
        // Machine zero in program coordinates: the program origin is their difference.
        st.TargetX = st.ProgPosX - st.MachPosX;
        st.TargetY = st.ProgPosY - st.MachPosY;
        move_to_target();
    }
    if (main.Option4[1]) {
        st.TargetX = 0;
        st.TargetY = 0;
        move_to_target();
    }
    if (main.Option4[0]) {
        HomeOnSwitches();
    }
    op().ModelsChanged();
}

} // namespace tamo
