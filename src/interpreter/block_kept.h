#pragma once

#include "interpreter/machine_state.h"

#include <array>
#include <string>

namespace tamo {

// The program's block (motion word, rapid flag, start point, end point) as it stood before a
// panel move, put back after it: a panel move is no line of the program, and the program's
// next line reads the block its last line left.
class BlockKept {
public:
    explicit BlockKept(MachineState& st)
        : st_(st), gcode_(st.GCode),
          rapid_(st.RapidMove), points_{st.StartX, st.StartY, st.StartZ, st.TargetX, st.TargetY, st.TargetZ} {}
    ~BlockKept() {
        st_.GCode = gcode_;
        st_.RapidMove = rapid_;
        st_.StartX = points_[0];
        st_.StartY = points_[1];
        st_.StartZ = points_[2];
        st_.TargetX = points_[3];
        st_.TargetY = points_[4];
        st_.TargetZ = points_[5];
    }
    BlockKept(const BlockKept&) = delete;
    BlockKept& operator=(const BlockKept&) = delete;

private:
    MachineState& st_;
    std::string gcode_;
    bool rapid_;
    std::array<double, 6> points_;
};

} // namespace tamo
