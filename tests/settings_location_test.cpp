// Where a copy of TamoCNC keeps tamo.cfg, tamocnc.ini and its samples: next to the executable
// when it runs from the build tree or a portable copy, per user once installed.

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
    const struct {
        const char* xdg;
        const char* home;
        fs::path expected;
    } cases[] = {
        {"/cfg", "/home/op", "/cfg/tamocnc/tamo.cfg"},
        {nullptr, "/home/op", "/home/op/.config/tamocnc/tamo.cfg"},
        {"", "/home/op", "/home/op/.config/tamocnc/tamo.cfg"},
        {"relative/cfg", "/home/op", "/home/op/.config/tamocnc/tamo.cfg"}, // invalid, so ignored
        {nullptr, nullptr, fs::path(entry->pw_dir) / ".config/tamocnc/tamo.cfg"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LocateProgramFiles(ro, c.xdg, c.home).settings, c.expected)
            << (c.xdg ? c.xdg : "(unset)") << " " << (c.home ? c.home : "(unset)");
    }
}

} // namespace
} // namespace tamo
