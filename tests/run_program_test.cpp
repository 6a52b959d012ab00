// The run loop over the loaded program: one-digit motion words, and where File > Open starts.
// The run golden files pin the moves and messages of whole runs, a pause and its resumption too.

#include "test_machine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>

namespace tamo {
namespace {

using test::TestMachine;

// Most CAM programs write G0 to G3: the port sees the same bytes at the same delays as for G00 to
// G03, rapids at the rapid rate, arcs as arcs. Other G words still move nothing.
TEST(RunProgram, OneDigitMotionWordsMoveAsTheTwoDigitOnes) {
    auto run = [](const std::string& program) {
        TestMachine m;
        m.st.LoopCal = 60000;
        m.Load(program);
        m.cnc.Start();
        return std::tuple(m.port.writes(), m.clock.iterations(), m.st.ProgPosX, m.st.ProgPosY);
    };
    const auto two = run("G00 X0.3 Y0.15\nG01 X0.6 F100\nG02 X0.9 Y0.45 I0 J0.3\nG03 X0.6 Y0.75 I-0.3 J0\nG81 X0\n");
    const auto one = run("G0 X0.3 Y0.15\nG1 X0.6 F100\nG2 X0.9 Y0.45 I0 J0.3\nG3 X0.6 Y0.75 I-0.3 J0\nG81 X0\n");
    EXPECT_GT(std::get<0>(two).size(), 3u * 200);
    EXPECT_EQ(std::get<0>(one), std::get<0>(two));
    EXPECT_EQ(std::get<1>(one), std::get<1>(two));
    EXPECT_NEAR(std::get<2>(one), 0.6, 0.004);
    EXPECT_NEAR(std::get<3>(one), 0.75, 0.004);
}

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
