// The settings dialog's logic: "Settings" shows it, "Ok" saves the settings and brings them to
// motion control, "Cancel" hides it.

#include "interpreter/cnc.h"

#include <string>

namespace tamo {

// Menu Setup > Settings: the controls as they stand, nothing read or reset; what they show now is
// what "Cancel" puts back. Changes: Visible.
void Cnc::ShowSettings() {
    if (!settings.Visible) {
        settings_shown_ = settings;
    }
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
        settings.Refused = SettingsProblemField(true);
        op().ShowMessage(problem, kAppTitle);
        return false;
    }
    if (!WriteConfig()) {
        return false;
    }
    ReadConfig();
    settings.Visible = false;
    settings_shown_.reset();
    op().ModelsChanged();
    return true;
}

// "Cancel": hides the dialog and puts back every control as the dialog showed it when it was
// opened, the unit included. An edit left in the controls would be saved by the next write of the
// file (the speed test's, the one at Exit) although the operator cancelled it.
// Changes: the controls, Visible.
void Cnc::SettingsCancel() {
    if (settings_shown_) {
        settings = *settings_shown_;
        settings_shown_.reset();
    }
    settings.Refused = nullptr;
    settings.Visible = false;
    op().ModelsChanged();
}

} // namespace tamo
