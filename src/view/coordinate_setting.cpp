// The coordinate bar's zero and set buttons, and the Set_Prg_cord dialog that sets either position
// set to typed values.
//
// The fields are written with the point as separator whatever the locale and read with the point
// too, so that "Set" followed by "OK" never moves the program origin.

#include "interpreter/cnc.h"
#include "interpreter/numbers.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tamo {
namespace {

constexpr const char* kProgramCaption = "Set Program Coordinates";
constexpr const char* kMachineCaption = "Set Machine Coordinates";

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The number a coordinate field holds: blanks anywhere are ignored, and the longest leading part
// that forms a decimal number (sign, digits, one point, an E exponent) is taken. Empty when the
// text does not begin with one ("abc"). The parser's scan would also read a D exponent and "&H"
// numbers, which a coordinate is never written in, so it only converts the part found here.
std::optional<double> LeadingNumber(std::string_view text) {
    std::string compact;
    for (const char c : text) {
        if (c != ' ' && c != '\t') {
            compact += c;
        }
    }
    std::size_t end = 0;
    if (end < compact.size() && (compact[end] == '+' || compact[end] == '-')) {
        ++end;
    }
    std::size_t digits = 0;
    for (; end < compact.size() && IsDigit(compact[end]); ++end) {
        ++digits;
    }
    if (end < compact.size() && compact[end] == '.') {
        for (++end; end < compact.size() && IsDigit(compact[end]); ++end) {
            ++digits;
        }
    }
    if (digits == 0) {
        return std::nullopt;
    }
    // The exponent counts only when at least one digit follows it: "1e" and "1e+" read as 1.
    if (end < compact.size() && (compact[end] == 'e' || compact[end] == 'E')) {
        std::size_t e = end + 1;
        if (e < compact.size() && (compact[e] == '+' || compact[e] == '-')) {
            ++e;
        }
        if (e < compact.size() && IsDigit(compact[e])) {
            while (e < compact.size() && IsDigit(compact[e])) {
                ++e;
            }
            end = e;
        }
    }
    // On plain decimal text the scan converts exactly, and keeps a number too large for a double
    // finite (the largest one of its sign), so that no position becomes infinite.
    return ScanNumber(std::string_view(compact).substr(0, end));
}

// What "OK" applies: the leading number, and 0 for a field without one.
double FieldValue(const std::string& text) {
    return LeadingNumber(text).value_or(0.0);
}

} // namespace

// "Zero", program side. Changes: ProgPosX/Y/Z and the readouts; the machine set keeps its values.
void Cnc::ZeroPrg() {
    st.ProgPosX = st.ProgPosY = st.ProgPosZ = 0;
    UpdateReadouts();
}

// Command12 "Zero", machine side. Changes: MachPosX/Y/Z and the readouts.
void Cnc::ZeroMachine() {
    st.MachPosX = st.MachPosY = st.MachPosZ = 0;
    UpdateReadouts();
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

// A field that begins with a number is rewritten as that number with four decimals, so that the
// field shows what "OK" will apply ("12,5" becomes "12.0000"). A field without a leading number
// ("abc") is left as typed; "OK" reads it as 0. Changes: Combo1(i).
void Cnc::CoordFieldLeft(int i) {
    if (i < 0 || i > 2) {
        return;
    }
    std::string& field = coord.Combo1[static_cast<std::size_t>(i)];
    if (const auto value = LeadingNumber(field)) {
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

// "OK": hides the dialog and sets the set its caption names to the fields' numbers, a field
// without a leading number giving 0. Changes: Visible, ProgPosX/Y/Z or MachPosX/Y/Z, the readouts.
void Cnc::CoordOk() {
    if (!coord.Exists) {
        return; // discarded by "Cancel": there is no dialog whose fields could be applied
    }
    coord.Visible = false;
    const double x = FieldValue(coord.Combo1[0]);
    const double y = FieldValue(coord.Combo1[1]);
    const double z = FieldValue(coord.Combo1[2]);
    if (coord.Caption == kProgramCaption) {
        st.ProgPosX = x;
        st.ProgPosY = y;
        st.ProgPosZ = z;
    } else {
        st.MachPosX = x;
        st.MachPosY = y;
        st.MachPosZ = z;
    }
    UpdateReadouts();
}

// "Cancel": the dialog is discarded with its fields; the next "Set" creates it afresh.
// Changes: the dialog's model only.
void Cnc::CoordCancel() {
    coord = CoordinateModel{};
    op().ModelsChanged();
}

} // namespace tamo
