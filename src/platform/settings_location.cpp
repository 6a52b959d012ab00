#include "platform/settings_location.h"

#include <pwd.h>
#include <unistd.h>

#include <string_view>
#include <system_error>

// Where the install puts the shared data, relative to where it puts the executables.
#ifndef TAMO_DATA_FROM_BIN
#define TAMO_DATA_FROM_BIN "../share/tamocnc"
#endif

namespace tamo {
namespace fs = std::filesystem;

namespace {

// The base of the user's configuration. A relative XDG_CONFIG_HOME is invalid and ignored, as
// the base directory rules ask.
fs::path UserConfigBase(const char* xdg_config_home, const char* home) {
    if (xdg_config_home != nullptr && fs::path(xdg_config_home).is_absolute()) {
        return xdg_config_home;
    }
    std::string_view dir = home != nullptr ? home : "";
    if (dir.empty()) {
        if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) {
            dir = entry->pw_dir;
        }
    }
    return fs::path(dir) / ".config";
}

} // namespace

ProgramFiles LocateProgramFiles(const fs::path& exe_dir, const char* xdg_config_home, const char* home) {
    ProgramFiles files;
    std::error_code error;
    const fs::path installed_data = (exe_dir / TAMO_DATA_FROM_BIN).lexically_normal();
    const bool installed = fs::is_directory(installed_data, error);
    const bool writable = access(exe_dir.c_str(), W_OK) == 0;

    files.samples = installed ? installed_data / "gcodes" : exe_dir / "gcodes";
    files.per_user = installed || !writable;
    const fs::path folder = files.per_user ? UserConfigBase(xdg_config_home, home) / "tamocnc" : exe_dir;
    files.settings = folder / kSettingsFileName;
    files.user_state = folder / kUserStateFileName;
    return files;
}

} // namespace tamo
