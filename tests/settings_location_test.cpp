// Where a copy of TamoCNC keeps tamo.cfg, tamocnc.ini and its samples: next to the executable
// when it runs from the build tree or a portable copy, per user once installed.

#include "golden_rows.h"
#include "platform/settings_location.h"
#include "test_machine.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

namespace tamo {
namespace {

using test::ScratchDir;
namespace fs = std::filesystem;

TEST(SettingsLocation, BesideTheExecutableUnlessInstalledOrReadOnly) {
    const ScratchDir dir;
    const fs::path build = dir / "build";
    const fs::path bin = dir / "usr" / "bin";
    fs::create_directories(build);
    fs::create_directories(bin);
    fs::create_directories(dir / "usr" / "share" / "tamocnc" / "gcodes");
    const fs::path config = dir / "config";

    const ProgramFiles in_build = LocateProgramFiles(build, config.c_str(), "/home/op");
    EXPECT_FALSE(in_build.per_user);
    EXPECT_EQ(in_build.settings, build / "tamo.cfg");
    EXPECT_EQ(in_build.user_state, build / "tamocnc.ini");
    EXPECT_EQ(in_build.samples, build / "gcodes");

    // Installed, even where the user (or root) may write: every user has settings of their own.
    const ProgramFiles installed = LocateProgramFiles(bin, config.c_str(), "/home/op");
    EXPECT_TRUE(installed.per_user);
    EXPECT_EQ(installed.settings, config / "tamocnc" / "tamo.cfg");
    EXPECT_EQ(installed.user_state, config / "tamocnc" / "tamocnc.ini");
    EXPECT_EQ(installed.samples, dir / "usr" / "share" / "tamocnc" / "gcodes");

    // A folder nobody may write, root included; it holds no samples either.
    const ProgramFiles read_only = LocateProgramFiles("/proc/self", config.c_str(), "/home/op");
    EXPECT_TRUE(read_only.per_user);
    EXPECT_EQ(read_only.settings, config / "tamocnc" / "tamo.cfg");
    EXPECT_EQ(read_only.samples, fs::path("/proc/self/gcodes"));
    EXPECT_FALSE(fs::exists(config)) << "nothing is created";
}

TEST(SettingsLocation, PerUserFolderFollowsXdgConfigHomeElseHome) {
    const fs::path ro = "/proc/self";
    const passwd* entry = getpwuid(getuid());
    ASSERT_NE(entry, nullptr);
    const auto given = [](const std::string& field) {
        return field == "unset" ? nullptr : field.c_str();
    };
    for (const test::Row& c : test::GoldenRows("settings/per_user_folder.txt")) {
        const fs::path expected =
            c[2].starts_with("passwd/") ? fs::path(entry->pw_dir) / c[2].substr(7) : fs::path(c[2]);
        EXPECT_EQ(LocateProgramFiles(ro, given(c[0]), given(c[1])).settings, expected) << c[0] << " " << c[1];
    }
}

} // namespace
} // namespace tamo
