// The message log's file: entries with their time, cut to a bounded size, and said once when it
// cannot be written; questions carry their answer.

#include "test_machine.h"

#include <gtest/gtest.h>

#include <string>

namespace tamo {
namespace {

namespace fs = std::filesystem;

TEST(MessageLog, TheFileKeepsTheNewestEntriesWithinTwiceItsBound) {
    test::ScratchDir dir;
    MessageLog log;
    log.set_time_source([] { return std::string("2026-01-02 03:04:05"); });
    const fs::path file = dir / "state/tamocnc/tamocnc.log";
    log.set_file(file, 100);
    for (int i = 1; i <= 12; ++i) {
        log.Add("entry " + std::to_string(i) + "\nsecond line");
    }
    const std::string newest = test::Slurp(file);
    const std::string older = test::Slurp(fs::path(file.string() + ".1"));
    EXPECT_LE(newest.size(), 100u);
    EXPECT_LE(older.size(), 100u);
    EXPECT_NE(newest.find("2026-01-02 03:04:05  entry 12\n    second line\n"), std::string::npos) << newest;
    EXPECT_NE(older.find("entry 10\n"), std::string::npos) << older;
    EXPECT_EQ((older + newest).find("entry 1\n"), std::string::npos) << "the oldest went";
    EXPECT_EQ(log.entries().size(), 12u);

    log.set_file(dir / "no-such-dir-file/x", 100);
    fs::create_directories(dir / "no-such-dir-file/x"); // a folder where the file should be
    log.Add("lost");
    log.Add("kept in memory");
    EXPECT_EQ(log.entries()[12].text, "lost");
    EXPECT_EQ(log.entries()[13].text.rfind("The message log cannot be written to ", 0), 0u);
    EXPECT_EQ(log.entries().back().text, "kept in memory");
    EXPECT_EQ(log.added(), 15u);
}

TEST(MessageLog, QuestionsAndMessagesOfTheCoreGoInWithTheirAnswer) {
    test::TestMachine m;
    m.op.QueueAnswer(false);
    m.cnc.ResetProgram();
    m.cnc.op().ShowMessage("Limit Zone", kAppTitle);
    ASSERT_GE(m.cnc.log.entries().size(), 2u);
    const auto& entries = m.cnc.log.entries();
    EXPECT_EQ(entries[entries.size() - 2].text, "Resetting File: Are you sure to reset the file? No.");
    EXPECT_EQ(entries.back().text, "Limit Zone");
    EXPECT_EQ(LogFilePath("/state", "/home/op"), fs::path("/state/tamocnc/tamocnc.log"));
    EXPECT_EQ(LogFilePath(nullptr, "/home/op"), fs::path("/home/op/.local/state/tamocnc/tamocnc.log"));
    EXPECT_EQ(LogFilePath("relative", nullptr), fs::path());
}

} // namespace
} // namespace tamo
