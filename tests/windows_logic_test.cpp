// The core side of the windows where the operator scripts cannot reach: the
// settings file behind "Ok", "Cancel" and Exit, and a resize that comes during a run. The readouts'
// form is the machine script readouts_four_decimals.

#include "test_machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <tuple>

namespace tamo {
namespace {

using test::Slurp;
using test::TestMachine;

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        m.cnc.ConfigPath = dir / "tamo.cfg";
        ASSERT_TRUE(m.cnc.WriteConfig());
        original = Slurp(m.cnc.ConfigPath);
        m.cnc.ShowSettings();
    }

    test::ScratchDir dir;
    TestMachine m;
    std::string original;
};

// What "Ok" refuses, field by field, is in the operator script settings_refused; a line break,
// which no key types into a field, here.
TEST_F(SettingsFile, OkAcceptsTheEdgesOfEveryBound) {
    SettingsModel& f = m.cnc.settings;
    f.Text2 = "10\n";
    EXPECT_FALSE(m.cnc.SettingsOk());
    EXPECT_EQ(m.op.messages().at(0).text.rfind("Z-axis move (To line) distance: a comma", 0), 0u);
    f.Text2 = "10";
    f.Combo3 = {"1000000", "0.01", "0.01", "500", "200", "100", "500", "200", "100"};
    f.Combo4 = "0";
    f.Combo1 = {"9", "2", "3", "4", "5", "6"};
    f.Combo8 = {"10", "13", "12", "11"};
    EXPECT_TRUE(m.cnc.SettingsOk()) << (m.op.messages().empty() ? "" : m.op.messages()[0].text);
    EXPECT_EQ(m.st.StepMaskX, 128);
    EXPECT_EQ(m.st.DirMaskX, 1);
}

TEST_F(SettingsFile, OkWritesAndReadsBackAndExitKeepsAFileThatCanBeRead) {
    m.cnc.settings.Combo2[0] = "800";
    EXPECT_TRUE(m.cnc.SettingsOk());
    EXPECT_FALSE(m.cnc.settings.Visible);
    EXPECT_EQ(Slurp(m.cnc.ConfigPath).substr(0, 5), "800\r\n");
    EXPECT_DOUBLE_EQ(m.st.UnitsPerStepX, 3.0 / 800);

    const std::string saved = Slurp(m.cnc.ConfigPath);
    m.cnc.settings.Combo3[0] = "0";
    m.cnc.ExitProgram(); // the next start would have to set the file aside
    EXPECT_EQ(Slurp(m.cnc.ConfigPath), saved);
    EXPECT_EQ(m.op.messages().size(), 1u);
    m.cnc.settings.Combo3[0] = "450";
    m.cnc.ExitProgram();
    EXPECT_NE(Slurp(m.cnc.ConfigPath).find("\r\n450\r\n"), std::string::npos);

    m.cnc.ConfigPath = dir / "missing" / "tamo.cfg";
    m.cnc.ShowSettings();
    EXPECT_FALSE(m.cnc.SettingsOk()); // the write failed: the dialog stays open with the edits
    EXPECT_TRUE(m.cnc.settings.Visible);
}

// Every field of the settings dialog, edited and cancelled, or edited beside a field that "Ok"
// refuses and then cancelled: the file written at Exit is the one from before.
TEST_F(SettingsFile, CancelAfterAnEditOrARefusedOkPutsBackEveryField) {
    SettingsModel& f = m.cnc.settings;
    std::vector<std::function<void()>> edits;
    const auto edit = [&edits](std::string& text) {
        edits.emplace_back([&text] { text = text == "9" ? "8" : "9"; });
    };
    for (std::string* text : {&f.Combo4, &f.Combo5, &f.Combo10, &f.Combo9, &f.Text1, &f.Text2}) {
        edit(*text);
    }
    std::ranges::for_each(f.Combo7, edit); // leads, steps per turn, tool change place
    std::ranges::for_each(f.Combo2, edit);
    std::ranges::for_each(f.Combo6, edit);
    std::ranges::for_each(f.Combo1, edit); // pins
    std::ranges::for_each(f.Combo8, edit);
    std::ranges::for_each(f.Combo3, edit); // jog rates
    for (int* state : {&f.XReverse, &f.YReverse, &f.ZReverse, &f.Check1[0], &f.Check1[1]}) {
        edits.emplace_back([state] { *state = kChecked; });
    }
    edits.emplace_back([this] { m.cnc.SetOptionIn(true); });

    for (std::size_t k = 0; k < edits.size(); ++k) {
        for (const bool refused : {false, true}) {
            SCOPED_TRACE(testing::Message() << "edit " << k << (refused ? " beside a refused field" : ""));
            m.cnc.ShowSettings();
            edits[k]();
            if (refused) {
                (k == 0 ? f.Combo2[0] : f.Combo4) = "x";
                EXPECT_FALSE(m.cnc.SettingsOk());
                EXPECT_TRUE(f.Visible);
            }
            m.cnc.SettingsCancel();
            EXPECT_FALSE(f.Visible);
            m.cnc.ExitProgram();
            ASSERT_EQ(Slurp(m.cnc.ConfigPath), original);
        }
    }
}

// The resize's redraw re-parses the program through the running block: it waits for the run.
TEST(FrameLayout, AResizeDuringARunDrawsWhenTheRunHasEnded) {
    const std::string program = "G01 X3 F100\nG01 Y1.5\nG00 X0 Y0\n";
    TestMachine plain;
    plain.Load(program);
    plain.cnc.Start();

    TestMachine m;
    m.Load(program);
    m.view.clear_ops();
    bool drawn_during_run = false;
    m.op.OnYield([&](std::uint64_t n) {
        if (n == 50 || n == 450) {
            m.cnc.FrameResized();
            drawn_during_run |= !m.view.ops_of(RecordingSurface::Kind::Clear).empty();
        }
    });
    m.cnc.Start();
    EXPECT_FALSE(drawn_during_run);
    // One redraw for both resizes: the frame's clear for the grid, then the toolpath's own.
    EXPECT_EQ(m.view.ops_of(RecordingSurface::Kind::Clear).size(), 2u);
    const auto lines = m.view.ops_of(RecordingSurface::Kind::Line);
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const auto& op) {
        return op.a == 0 && op.b == 0 && op.c == 3 && op.d == 0; // the first block of the toolpath
    }));
    EXPECT_EQ(m.op.yields(), plain.op.yields());
    EXPECT_EQ(std::tie(m.st.ProgPosX, m.st.ProgPosY, m.st.TargetX, m.st.TargetY, m.st.PrgLineNo),
              std::tie(plain.st.ProgPosX, plain.st.ProgPosY, plain.st.TargetX, plain.st.TargetY, plain.st.PrgLineNo));
    EXPECT_EQ(m.op.messages(), plain.op.messages());
}

// A resize between a stop and the next Start must not turn the resumption into a fresh start; the
// resumption goes on from the point where the move stopped.
TEST(FrameLayout, AResizeAfterAPauseKeepsTheResumeAndScaleOkWaitsForTheRun) {
    TestMachine m;
    m.Load("G01 X3 F100\nG01 Y1.5\n"); // 400 ticks, then 200
    m.AtYield(100, [&] {
        m.cnc.Pause();
        EXPECT_FALSE(m.cnc.ScaleOk());
    });
    m.cnc.ShowScale();
    m.cnc.Start();
    EXPECT_TRUE(m.cnc.scale.Visible);
    EXPECT_EQ(m.op.messages().size(), 1u);
    EXPECT_NEAR(m.st.ProgPosX, 0.75, 1e-9); // no reset under the move
    m.cnc.FrameResized();
    m.cnc.Start();
    EXPECT_EQ(m.op.yields(), 600u);
    EXPECT_NEAR(m.st.ProgPosX, 3, 1e-9);
    EXPECT_NEAR(m.st.MachPosX, 3, 1e-9); // a fresh start would have zeroed it at 0.75
}

} // namespace
} // namespace tamo
