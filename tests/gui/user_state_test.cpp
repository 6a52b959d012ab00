// tamocnc.ini: the chosen port and the last program folder, from one start of the program to the
// next, beside what other windows keep in the same file.

#include "../test_machine.h"
#include "ui/user_state.h"

#include <QSettings>
#include <QString>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace tamo {
namespace {

QSettings Ini(const std::filesystem::path& file) {
    return {QString::fromStdString(file.string()), QSettings::IniFormat};
}

TEST(UserState, TheChosenPortIsRememberedUntilAnotherOrTheDefaultIsChosen) {
    const test::ScratchDir dir;
    const auto file = dir / "tamocnc.ini";
    const PortChoice card{"", 0xD010};
    const PortChoice second{"/dev/parport1", 0};
    // Each line is one start of the program: with --port, or without.
    EXPECT_EQ(ui::UserState(file).Port(std::nullopt), PortChoice{});
    EXPECT_EQ(ui::UserState(file).Port(card), card);
    EXPECT_EQ(ui::UserState(file).Port(std::nullopt), card);
    EXPECT_EQ(ui::UserState(file).Port(second), second);
    EXPECT_EQ(ui::UserState(file).Port(std::nullopt), second);
    EXPECT_EQ(ui::UserState(file).Port(PortChoice{}), PortChoice{});
    EXPECT_EQ(ui::UserState(file).Port(std::nullopt), PortChoice{});

    // A hand-edited value that is no port: the defaults, never a guess.
    Ini(file).setValue(QStringLiteral("port/choice"), QStringLiteral("parport0"));
    EXPECT_EQ(ui::UserState(file).Port(std::nullopt), PortChoice{});
}

// A FIFO in the file's place never holds the start (it would wait for a writer), and is never
// renamed over: it is told, and nothing is remembered.
TEST(UserState, AFifoInTheFilesPlaceIsToldNotWaitedFor) {
    const test::ScratchDir dir;
    const auto file = dir / "tamocnc.ini";
    ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
    ui::UserState state(file);
    EXPECT_NE(state.problem().find("it is a FIFO, not a regular file"), std::string::npos) << state.problem();
    EXPECT_EQ(state.Port(PortChoice{"/dev/parport1", 0}), (PortChoice{"/dev/parport1", 0}));
    EXPECT_EQ(state.LastProgramFolder(), std::filesystem::path());
    state.SetLastProgramFolder("/tmp");
    state.Save();
    EXPECT_TRUE(std::filesystem::is_fifo(file));
}

TEST(UserState, TheLastProgramFolderKeepsItsBytesAndLeavesOtherKeysAlone) {
    const test::ScratchDir dir;
    const auto file = dir / "tamocnc.ini";
    Ini(file).setValue(QStringLiteral("window/geometry"), QStringLiteral("kept"));
    const std::filesystem::path folder = "/home/op/Fr\xe4steile"; // Latin-1, not UTF-8
    {
        ui::UserState state(file);
        EXPECT_EQ(state.LastProgramFolder(), std::filesystem::path());
        state.SetLastProgramFolder(folder);
        state.Save();
    }
    EXPECT_EQ(ui::UserState(file).LastProgramFolder(), folder);
    EXPECT_EQ(Ini(file).value(QStringLiteral("window/geometry")).toString(), QStringLiteral("kept"));
}

} // namespace
} // namespace tamo
