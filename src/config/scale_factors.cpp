// The scale dialog's logic: four factors, held as text in the dialog's fields, which the parser
// reads afresh at every word that uses one. "Ok" only adds the reset of the positions and the
// redraw of the toolpath with the new factors.

#include "interpreter/cnc.h"
#include "interpreter/numbers.h"

#include <array>
#include <cstddef>
#include <string>

namespace tamo {
namespace {

constexpr std::array<const char*, 4> kFactorNames{"Scale Factor Feedrate", "Scale Factor X-Axis", "Scale Factor Y-Axis",
                                                  "Scale Factor Z-Axis"};

} // namespace

// Menu Options > Scale. Changes: Visible.
void Cnc::ShowScale() {
    scale.Visible = true;
    op().ModelsChanged();
}

// The dialog became the active window: "Cancel" goes back to the texts as they stand now, also
// when the operator comes back to the dialog from another window. Changes: Saved.
void Cnc::ScaleActivated() {
    scale.Saved = scale.Combo1;
}

// "Default". Changes: Combo1(0..3).
void Cnc::ScaleDefault() {
    scale.Combo1.fill("1");
    op().ModelsChanged();
}

// "Converts all from   In to mm": a program in inches on a machine set up in millimetres.
// Changes: Combo1(0..3).
void Cnc::ScaleInToMm() {
    scale.Combo1.fill("25.4");
    op().ModelsChanged();
}

// "Converts all from mm to In". The general form with 15 significant digits reads back as 1 / 25.4
// to those digits. Changes: Combo1(0..3).
void Cnc::ScaleMmToIn() {
    scale.Combo1.fill(FormatNumber(1 / 25.4));
    op().ModelsChanged();
}

// "Cancel": the texts saved at the last activation go back, in field order. Changes: Combo1(0..3),
// Visible.
void Cnc::ScaleCancel() {
    for (std::size_t i = 0; i < scale.Combo1.size(); ++i) {
        scale.Combo1[i] = scale.Saved[i];
    }
    scale.Visible = false;
    op().ModelsChanged();
}

// "Ok". A factor that does not read as a number, or is 0, is refused with a message naming it; the
// parser would otherwise scale by 1 without a word. While a run or a panel move is in progress "Ok" is
// refused too: its reset of the positions and its redraw would rewrite the position and the block
// of the running move, and done later, when the move has ended, the reset would zero the program
// position at a moment the operator did not choose. The factors themselves act on the next parsed
// line whether or not "Ok" is pressed, so the refusal holds nothing back.
// Changes: Refused, Visible, StartX/Y, TargetX/Y, ResumePosX/Y/Z, ProgPosX/Y/Z, what the redraw changes
// (MWord ends 0), the readouts.
bool Cnc::ScaleOk() {
    scale.Refused = -1;
    for (std::size_t i = 0; i < scale.Combo1.size(); ++i) {
        // A factor of 0 would fold the whole program onto one point (or one axis) of the machine.
        const auto factor = ReadNumber(scale.Combo1[i]);
        if (!factor || *factor == 0) {
            scale.Refused = static_cast<int>(i);
            op().ShowMessage(std::string(kFactorNames[i]) + " must be a number other than 0.", kAppTitle);
            return false;
        }
    }
    if (Running()) {
        op().ShowMessage("The scale factors cannot be applied while the machine moves: \"Ok\" resets the positions "
                         "and redraws the toolpath. Press \"Ok\" again when the machine has stopped.",
                         kAppTitle);
        return false;
    }
    scale.Visible = false;
    ResetPositions();
    RedrawToolpath();
    UpdateReadouts();
    TellOrigin();
    return true;
}

} // namespace tamo
