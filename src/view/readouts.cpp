// The coordinate readouts: program and machine positions in the coordinate bar.

#include "interpreter/cnc.h"
#include "interpreter/numbers.h"

namespace tamo {

// Changes: PrgOutlbl(0..2) and MachOutLl(0..2), and the windows show them.
void Cnc::UpdateReadouts() {
    SetReadoutTexts();
    op().ModelsChanged();
}

// The six texts in "0.0000" with the point as separator whatever the locale, so that a readout
// copied into the coordinate dialog reads back as the same number.
void Cnc::SetReadoutTexts() {
    main.MachOutLl[0] = FormatFixed(st.MachPosX, 4);
    main.MachOutLl[1] = FormatFixed(st.MachPosY, 4);
    main.MachOutLl[2] = FormatFixed(st.MachPosZ, 4);
    main.PrgOutlbl[0] = FormatFixed(st.ProgPosX, 4);
    main.PrgOutlbl[1] = FormatFixed(st.ProgPosY, 4);
    main.PrgOutlbl[2] = FormatFixed(st.ProgPosZ, 4);
}

} // namespace tamo
