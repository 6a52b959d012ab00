// The settings dialog's unit options: millimetres or inches, and the conversion of every length
// and rate the dialog shows when the operator switches between them. The configuration reader sets
// the options too, with LoadingConfig raised so that nothing is converted.

#include "interpreter/cnc.h"
#include "interpreter/numbers.h"

#include <string>

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

} // namespace tamo
