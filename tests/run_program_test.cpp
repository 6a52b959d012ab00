// Where File > Open starts. One-digit motion words: the machine script one_digit_motion_words.
// The run golden files pin the moves and messages of whole runs, a pause and its resumption too.

#include "test_machine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace tamo {
namespace {

using test::TestMachine;

// Once installed the settings live per user, far from the samples: the dialog starts in the
// folder of the last program chosen while that folder is there, else among the samples.
TEST(ProgramLoading, OpenStartsWhereTheLastProgramCameFromElseInTheSamples) {
    TestMachine m;
    const test::ScratchDir dir;
    m.cnc.ConfigPath = dir / "config" / "tamo.cfg";
    m.cnc.SamplesFolder = dir / "share" / "gcodes";
    std::filesystem::create_directories(dir / "parts");
    const std::string part = dir.Write("parts/bracket.txt", "G00 X1\n").string();
    const std::string samples = (dir / "share" / "gcodes").string();
    const std::string parts = (dir / "parts").string();

    std::vector<std::string> started_in;
    auto open = [&](std::optional<std::string> file) {
        m.op.QueueFile(std::move(file));
        m.cnc.Open_Menu();
        started_in.push_back(m.op.last_dialog_dir());
    };
    open(std::nullopt);
    open(part);
    open(std::nullopt); // a cancel does not forget where the program came from
    open(std::nullopt);
    std::filesystem::remove_all(dir / "parts");
    open(std::nullopt);
    EXPECT_EQ(started_in, (std::vector<std::string>{samples, samples, parts, parts, samples}));
}

} // namespace
} // namespace tamo
