// Homing: the main window's "Home" group.

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

void Cnc::HomeTheMachine() {}

} // namespace tamo
