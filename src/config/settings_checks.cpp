// What every saved setting must hold: the same rules for the configuration writer, which never
// writes what the next read would set aside, and for the settings dialog's "Ok", which refuses a
// typed value with a message naming its field.

#include "interpreter/cnc.h"
#include "interpreter/numbers.h"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace tamo {
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

const std::string* Cnc::SettingsProblemField(bool typed) const {
    for (const Field& field : SavedTexts(settings, main)) {
        if (!FieldProblem(field, typed).empty()) {
            return field.text;
        }
    }
    return nullptr;
}

} // namespace tamo
