#pragma once

#include <filesystem>

namespace tamo {

// The machine settings, 48 lines (config/config_file.cpp).
inline constexpr const char* kSettingsFileName = "tamo.cfg";
// Beside them, in Qt's INI form, what the windows remember for the user and that is no machine
// setting: the chosen port, the folder of the last program, the windows' places.
inline constexpr const char* kUserStateFileName = "tamocnc.ini";

// Where a copy of the program keeps its files.
struct ProgramFiles {
    std::filesystem::path settings;   // tamo.cfg
    std::filesystem::path user_state; // tamocnc.ini, in the same folder
    std::filesystem::path samples;    // the sample programs
    bool per_user = false;            // the settings are the user's, not the copy's
};

// exe_dir is the folder that holds the executable; xdg_config_home and home are the environment's
// values (null when unset).
//
// A copy that runs where it may write and that is not installed (the build tree, a portable copy
// on a stick) keeps its files next to the executable, with its samples in gcodes/. An installed
// copy (bin/ with share/tamocnc/ beside it, as the install puts them) or one in a folder the user
// cannot write keeps them in $XDG_CONFIG_HOME/tamocnc/, else ~/.config/tamocnc/: so that every
// user of a shared installation has settings of their own, and root never writes into /usr/bin.
// Nothing is created here.
[[nodiscard]] ProgramFiles LocateProgramFiles(const std::filesystem::path& exe_dir, const char* xdg_config_home,
                                              const char* home);

} // namespace tamo
