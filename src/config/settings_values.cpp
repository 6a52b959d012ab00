// The settings dialog's logic: "Settings" shows it, "Ok" saves the settings and brings them to
// motion control, "Cancel" hides it.

#include "interpreter/cnc.h"

#include <string>

namespace tamo {

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
