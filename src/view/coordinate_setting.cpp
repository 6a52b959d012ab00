// The coordinate bar's zero and set buttons, and the Set_Prg_cord dialog that sets either position
// set to typed values.
//
// The fields are written with the point as separator whatever the locale and read with the point
// too, so that "Set" followed by "OK" never moves the program origin. A field must hold a number
// and nothing else, as every field of the settings must: "12,5" is refused, never read as 12.

#include "interpreter/cnc.h"
#include "interpreter/numbers.h"
#include "view/axis_zero.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>

namespace tamo {
namespace {

constexpr const char* kProgramCaption = "Set Program Coordinates";
constexpr const char* kMachineCaption = "Set Machine Coordinates";
constexpr std::array<const char*, 3> kAxisNames{"X", "Y", "Z"};

} // namespace

// "Zero", program side. Changes: ProgPosX/Y/Z and the readouts; the machine set keeps its values.
void Cnc::ZeroPrg() {
    st.ProgPosX = st.ProgPosY = st.ProgPosZ = 0;
    UpdateReadouts();
    TellOrigin();
}

// Command12 "Zero", machine side. Changes: MachPosX/Y/Z and the readouts.
void Cnc::ZeroMachine() {
    st.MachPosX = st.MachPosY = st.MachPosZ = 0;
    UpdateReadouts();
    TellOrigin();
}

// The origin is where program zero lies in machine coordinates: the machine position less the
// program position, since every step moves both alike. Changes: status.Notice, the log.
void Cnc::TellOrigin() {
    const std::string text = "Program origin set at machine X" + FormatFixed(st.MachPosX - st.ProgPosX, 4) + " Y" +
                             FormatFixed(st.MachPosY - st.ProgPosY, 4) + " Z" +
                             FormatFixed(st.MachPosZ - st.ProgPosZ, 4);
    status.Notice = text;
    log.Add(text);
}

void ZeroAxis(Cnc& cnc, bool program, int axis) {
    if (axis < 0 || axis > 2) {
        return;
    }
    MachineState& st = cnc.st;
    const std::array<double*, 3> set = program ? std::array{&st.ProgPosX, &st.ProgPosY, &st.ProgPosZ}
                                               : std::array{&st.MachPosX, &st.MachPosY, &st.MachPosZ};
    *set[static_cast<std::size_t>(axis)] = 0;
    cnc.UpdateReadouts();
    cnc.TellOrigin();
}

// "Set", program side: the dialog shows the program position and applies to it. Pressed while the
// machine dialog is open, it turns that dialog into this one. Changes: the dialog's model only.
void Cnc::SetPrg() {
    coord.Combo1 = {FormatFixed(st.ProgPosX, 4), FormatFixed(st.ProgPosY, 4), FormatFixed(st.ProgPosZ, 4)};
    coord.Caption = kProgramCaption;
    coord.Exists = coord.Visible = true;
    op().ModelsChanged();
}

// Command11 "Set", machine side. Changes: the dialog's model only.
void Cnc::SetMachine() {
    coord.Combo1 = {FormatFixed(st.MachPosX, 4), FormatFixed(st.MachPosY, 4), FormatFixed(st.MachPosZ, 4)};
    coord.Caption = kMachineCaption;
    coord.Exists = coord.Visible = true;
    op().ModelsChanged();
}

// A field that holds a number is rewritten with four decimals ("12" becomes "12.0000"); any other
// text is left as typed, for "OK" to refuse. Changes: Combo1(i).
void Cnc::CoordFieldLeft(int i) {
    if (i < 0 || i > 2) {
        return;
    }
    std::string& field = coord.Combo1[static_cast<std::size_t>(i)];
    if (const auto value = ReadNumber(field)) {
        field = FormatFixed(*value, 4);
    }
    op().ModelsChanged();
}

// "Zero X" / "Zero Y" / "Zero Z": the field only; nothing is applied before "OK".
// Changes: Combo1(i).
void Cnc::CoordZero(int i) {
    if (i < 0 || i > 2) {
        return;
    }
    coord.Combo1[static_cast<std::size_t>(i)] = "0.0000";
    op().ModelsChanged();
}

// "Zero all": the three fields. Changes: Combo1(0..2).
void Cnc::CoordZeroAll() {
    for (int i = 0; i < 3; ++i) {
        CoordZero(i);
    }
}

// "OK": hides the dialog and sets the set its caption names to the fields' numbers. A field that
// is not wholly a number is refused with a message naming it; the dialog stays open and nothing
// changes. Changes: Refused, Visible, ProgPosX/Y/Z or MachPosX/Y/Z, the readouts.
void Cnc::CoordOk() {
    if (!coord.Exists) {
        return; // discarded by "Cancel": there is no dialog whose fields could be applied
    }
    std::array<double, 3> values{};
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto value = ReadNumber(coord.Combo1[i]);
        if (!value) {
            coord.Refused = static_cast<int>(i);
            op().ShowMessage(std::string(kAxisNames[i]) + " must be a number.", kAppTitle);
            return;
        }
        values[i] = *value;
    }
    coord.Refused = -1;
    coord.Visible = false;
    if (coord.Caption == kProgramCaption) {
        st.ProgPosX = values[0];
        st.ProgPosY = values[1];
        st.ProgPosZ = values[2];
    } else {
        st.MachPosX = values[0];
        st.MachPosY = values[1];
        st.MachPosZ = values[2];
    }
    UpdateReadouts();
    TellOrigin();
}

// "Cancel": the dialog is discarded with its fields; the next "Set" creates it afresh.
// Changes: the dialog's model only.
void Cnc::CoordCancel() {
    coord = CoordinateModel{};
    op().ModelsChanged();
}

} // namespace tamo
