// The settings dialog's logic: the unit options, the conversion of what the dialog shows, and
// "Ok", which saves the settings and brings them to motion control.

#include "interpreter/cnc.h"
#include "interpreter/numbers.h"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace tamo {
namespace {

// A field that does not hold a number is left as it is: there is nothing to convert.
void Convert(std::string& field, double factor, int decimals) {
    if (const auto value = ReadNumber(field)) {
        field = FormatFixed(*value * factor, decimals);
    }
}

} // namespace

// The two unit options form one group. A handler runs only when its option becomes selected,
// never for a click on the option already selected: the conversion does not look at the unit it
// converts from, so running it twice would convert twice.
void Cnc::SetOptionIn(bool selected) {
    if (!selected) {
        settings.OptionIn = false;
        return;
    }
    if (settings.OptionIn) {
        return;
    }
    settings.OptionIn = true;
    settings.optionmm = false;
    OptionInSelected();
}

void Cnc::SetOptionmm(bool selected) {
    if (!selected) {
        settings.optionmm = false;
        return;
    }
    if (settings.optionmm) {
        return;
    }
    settings.optionmm = true;
    settings.OptionIn = false;
    OptionmmSelected();
}

// Changes the dialog only: motion control keeps the old unit until the settings are saved and
// read back.
void Cnc::OptionInSelected() {
    SettingsModel& f = settings;
    f.Label4 = "In/";
    f.Label18 = "(In)";
    f.Label24 = "(In)";
    if (st.LoadingConfig) {
        return;
    }
    constexpr double kInch = 1 / 25.4;
    for (std::string& lead : f.Combo7) {
        Convert(lead, kInch, 3);
    }
    for (std::string& position : f.Combo6) {
        Convert(position, kInch, 2);
    }
    for (std::string& rate : f.Combo3) {
        Convert(rate, kInch, 2);
    }
    Convert(f.Text1, kInch, 3);
    Convert(f.Text2, kInch, 3);
}

void Cnc::OptionmmSelected() {
    SettingsModel& f = settings;
    f.Label4 = "mm/";
    f.Label18 = "(mm)";
    f.Label24 = "(mm)";
    if (st.LoadingConfig) {
        return;
    }
    constexpr double kMm = 25.4;
    for (std::string& lead : f.Combo7) {
        Convert(lead, kMm, 2);
    }
    for (std::string& position : f.Combo6) {
        Convert(position, kMm, 0);
    }
    for (std::string& rate : f.Combo3) {
        Convert(rate, kMm, 0);
    }
    Convert(f.Text1, kMm, 3);
    Convert(f.Text2, kMm, 3);
}

namespace {

// What the configuration reader demands of a line; the dialog checks the same before it writes,
// so that "Ok" never writes a file that the next read would set aside.
enum class Need { Text, Number, NonZero, Positive };

struct Field {
    const std::string* text;
    std::string name; // in the dialog's own words
    Need need;
};

const std::array<const char*, 3> kAxes{"X", "Y", "Z"};

// Every text that WriteConfig writes, in file order.
std::vector<Field> SavedTexts(const SettingsModel& f, const MainWindowModel& main) {
    std::vector<Field> fields;
    for (std::size_t a = 0; a < 3; ++a) {
        fields.push_back({&f.Combo2[a], std::string("Steps / Drive turn, ") + kAxes[a], Need::NonZero});
    }
    for (std::size_t a = 0; a < 3; ++a) {
        fields.push_back({&f.Combo1[2 * a], std::string("Pin number Step, ") + kAxes[a], Need::Number});
        fields.push_back({&f.Combo1[2 * a + 1], std::string("Pin number Dir, ") + kAxes[a], Need::Number});
    }
    for (std::size_t a = 0; a < 3; ++a) {
        fields.push_back({&f.Combo6[a], std::string("Tool Change Pos. ") + kAxes[a] + "-Axis", Need::Text});
    }
    const std::array<const char*, 3> speeds{"Fast", "Medium", "Slow"};
    for (std::size_t a = 0; a < 3; ++a) {
        for (std::size_t s = 0; s < 3; ++s) {
            fields.push_back({&f.Combo3[3 * a + s], std::string("Jog rates (G00=Fast) ") + speeds[s] + ", " + kAxes[a],
                              Need::Positive});
        }
    }
    for (std::size_t a = 0; a < 3; ++a) {
        fields.push_back({&f.Combo8[a], std::string("Home switch Pin Number, ") + kAxes[a], Need::Text});
    }
    fields.push_back({&f.Combo8[3], "Limit switch Pin Number", Need::Text});
    for (std::size_t a = 0; a < 3; ++a) {
        fields.push_back({&f.Combo7[a], f.Label4 + " Lead turn, " + kAxes[a], Need::NonZero});
    }
    fields.push_back({&f.Combo4, "Pulse Width", Need::Number});
    fields.push_back({&f.Combo5, "Z-axis move (Homing)", Need::Text});
    fields.push_back({&f.Combo10, "Z-axis move (To line)", Need::Text});
    fields.push_back({&f.Combo9, "Rel/Abs", Need::Text});
    fields.push_back({&f.Text1, "Z-axis move (Homing) distance", Need::Text});
    fields.push_back({&f.Text2, "Z-axis move (To line) distance", Need::Text});
    fields.push_back({&main.Combo1, "Home, Move", Need::Text});
    fields.push_back({&main.Text6, "Home, Feedrate", Need::Text});
    return fields;
}

// Empty when the field can be written and serves; otherwise the message that names it.
std::string FieldProblem(const Field& field, bool typed) {
    // A reader that takes the file as delimited items, the form it has always had, ends a value at
    // a comma and drops double quotes; a line break would shift every later line. Our own reader
    // reads whole lines, so a file that already holds such a value stays readable and is written
    // back as it came; only a new entry in the dialog is kept to the portable form.
    if (typed && field.text->find_first_of(",\"\r\n") != std::string::npos) {
        return field.name + ": a comma, a double quote or a line break cannot be saved in the settings.";
    }
    if (field.need == Need::Text) {
        return {};
    }
    const auto value = ReadNumber(*field.text);
    if (field.need == Need::NonZero && (!value || *value == 0)) {
        return field.name + " must be a number other than 0.";
    }
    if (field.need == Need::Positive && (!value || !(*value > 0))) {
        return field.name + " must be a number above 0.";
    }
    if (!value) {
        return field.name + " must be a number.";
    }
    return {};
}

} // namespace

// Why the settings as they stand cannot be saved, for the first field in file order that stops
// them; empty when they can.
std::string Cnc::SettingsProblem(bool typed) const {
    for (const Field& field : SavedTexts(settings, main)) {
        if (std::string problem = FieldProblem(field, typed); !problem.empty()) {
            return problem;
        }
    }
    return {};
}

// Menu Setup > Settings: the controls as they stand, nothing read or reset. Changes: Visible.
void Cnc::ShowSettings() {
    settings.Visible = true;
    op().ModelsChanged();
}

// "Ok". A value that would not survive the file or could not serve motion control is refused with
// a message before anything is written, and the dialog stays open with the edits. Otherwise the
// file is written and read back, which is what brings the edits to motion control. A write that
// fails keeps the dialog open too (the operator has been told why), and the old file stands.
// Changes: tamo.cfg, the controls and everything ReadConfig derives, Visible.
bool Cnc::SettingsOk() {
    if (Running()) {
        // New step sizes and pins under a running move would send it elsewhere.
        op().ShowMessage("The settings cannot be changed while the machine moves.", kAppTitle);
        return false;
    }
    if (const std::string problem = SettingsProblem(true); !problem.empty()) {
        op().ShowMessage(problem, kAppTitle);
        return false;
    }
    if (!WriteConfig()) {
        return false;
    }
    ReadConfig();
    settings.Visible = false;
    op().ModelsChanged();
    return true;
}

// "Cancel": hides the dialog; the edits stay in its controls, unapplied, until the next write.
// Changes: Visible.
void Cnc::SettingsCancel() {
    settings.Visible = false;
    op().ModelsChanged();
}

} // namespace tamo
