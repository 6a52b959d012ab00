// The "Point" page: a typed line moves the machine as the same line of a program does, a typed
// point is reached in program coordinates, and both are refused while a program is under way.

#include "golden_rows.h"
#include "motor_steps.h"
#include "test_machine.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace tamo {
namespace {

using test::TestMachine;

auto Positions(const MachineState& st) {
    return std::make_tuple(st.ProgPosX, st.ProgPosY, st.ProgPosZ, st.MachPosX, st.MachPosY, st.MachPosZ);
}

// The port's bytes, the positions and the feed shown are those of a one-line program, scale
// factors and override included; for an arc too.
TEST(ManualData, ATypedLineMovesAsTheSameLineOfAProgram) {
    const std::vector<std::string> lines{"G01 X1.5 Y-0.75 Z0.3 F150", "G02 X3 Y0 I0.75 J0 F90"};
    for (const std::string& line : lines) {
        TestMachine program;
        TestMachine typed;
        for (TestMachine* m : {&program, &typed}) {
            m->cnc.scale.Combo1 = {"2", "1", "0.5", "1"};
            m->cnc.main.Overide = "150";
        }
        program.Load(line + "\n");
        program.cnc.Start();
        typed.cnc.manual.Line = line;
        typed.cnc.RunManualLine();

        EXPECT_EQ(typed.port.writes(), program.port.writes()) << line;
        EXPECT_EQ(Positions(typed.st), Positions(program.st)) << line;
        EXPECT_EQ(typed.cnc.main.Text2, program.cnc.main.Text2) << line;
        EXPECT_EQ(typed.cnc.main.MachOutLl, program.cnc.main.MachOutLl) << line;
        EXPECT_FALSE(typed.port.writes().empty());
    }
}

// A line without a word of its own (an M word, a comment) never repeats the modal arc; a tool
// change typed here prompts but changes neither the run mode nor the next Start.
TEST(ManualData, ALineWithoutMotionMovesNothingAndLeavesTheRunModeAlone) {
    TestMachine m;
    m.cnc.manual.Line = "G02 X1 Y1 I1 J0 F100";
    m.cnc.RunManualLine();
    const auto after_arc = Positions(m.st);
    m.port.clear();
    for (const char* line : {"M03", "(comment)", "M06 T3", "   "}) {
        m.cnc.manual.Line = line;
        m.cnc.RunManualLine();
    }
    EXPECT_EQ(Positions(m.st), after_arc);
    EXPECT_EQ(m.port.write_count(), 0u);
    ASSERT_EQ(m.op.messages().size(), 1u);
    EXPECT_EQ(m.op.messages()[0].text, "Change to tool #3");
    EXPECT_FALSE(m.st.SingleStep);

    // The next Start is a fresh start from line 1, not a continuation after an M word.
    m.Load("G01 X0.3 F100\n");
    m.cnc.Start();
    EXPECT_NEAR(m.st.MachPosX, 0.3, 1e-9);
}

TEST(ManualData, APointIsReachedInProgramCoordinatesUnscaled) {
    TestMachine m;
    m.Parse("G00 F250"); // the modal state a program left
    m.cnc.scale.Combo1 = {"2", "2", "2", "2"};
    m.st.ProgPosX = 10; // the program origin sits at machine X -10
    m.cnc.manual.Axis = {"12.25", "-1.5", ""};
    m.cnc.manual.Feed = "60";
    m.cnc.MoveToPoint();
    EXPECT_NEAR(m.st.ProgPosX, 12.25, 1e-9);
    EXPECT_NEAR(m.st.ProgPosY, -1.5, 1e-9);
    EXPECT_EQ(m.st.ProgPosZ, 0); // an empty field keeps its axis
    EXPECT_NEAR(m.st.MachPosX, 2.25, 1e-9);
    EXPECT_EQ(m.cnc.main.Text2, "60"); // the typed feed, not a rapid
    EXPECT_EQ(m.st.GCode, "G00");
    EXPECT_EQ(m.st.ProgFeed, 250);
    EXPECT_EQ(m.cnc.main.PrgOutlbl[0], "12.2500");

    // Down to a point below the tool only once over it; up from one before moving across.
    m.port.clear();
    m.cnc.manual.Axis = {"11.5", "", "-0.3"};
    m.cnc.MoveToPoint();
    m.cnc.manual.Axis = {"12.25", "", "0"};
    m.cnc.MoveToPoint();
    EXPECT_EQ(test::Phases(test::MotorSteps(m.port)), "XY Z XY");
    EXPECT_NEAR(m.st.ProgPosX, 12.25, 1e-9);
    EXPECT_NEAR(m.st.ProgPosZ, 0, 1e-9);
}

// Refusals name the field and move nothing; a stop during a typed move leaves nothing to resume.
TEST(ManualData, RefusalsAndTheStop) {
    TestMachine m;
    for (const test::Row& c : test::GoldenRows("manual/point_refusals.txt")) {
        m.op.clear_messages();
        m.cnc.manual.Axis = {c[0], c[1], c[2]};
        m.cnc.manual.Feed = c[3];
        m.cnc.MoveToPoint();
        EXPECT_EQ(m.cnc.manual.Refused, std::stoi(c[4]));
        ASSERT_EQ(m.op.messages().size(), 1u);
        EXPECT_EQ(m.op.messages()[0].text, c[5]);
    }
    EXPECT_EQ(m.port.write_count(), 0u);

    // A program stopped part-way, and a program running: both refuse.
    m.Load("G01 X3 F100\nG01 Y1.5\n");
    m.cnc.manual.Line = "G01 X1";
    m.AtYield(100, [&] {
        m.cnc.RunManualLine();
        m.cnc.Pause();
    });
    m.cnc.Start();
    m.op.OnYield(nullptr);
    m.cnc.RunManualLine();
    ASSERT_EQ(m.op.messages().size(), 3u);
    EXPECT_EQ(m.op.messages()[1].text, "The machine is moving: a typed move waits until it has stopped.");
    EXPECT_EQ(m.op.messages()[2].text.rfind("The program is part-way (line 1 of 2).", 0), 0u);
    EXPECT_NEAR(m.st.ProgPosX, 0.75, 1e-9);

    // Online without a calibration, as a run.
    m.cnc.ResetProgram();
    m.st.LoopCal = 0;
    m.cnc.RunManualLine();
    EXPECT_EQ(m.op.messages().back().text, kUncalibratedText);
    m.st.LoopCal = 60000;

    // A typed move stopped by Pause leaves no resume behind: the next Start starts afresh.
    m.AtYield(m.op.yields() + 10, [&] { m.cnc.Pause(); });
    m.cnc.RunManualLine();
    EXPECT_FALSE(m.st.StopRequest || m.cnc.StartResumes());
    m.op.OnYield(nullptr);
    m.cnc.Start();
    EXPECT_NEAR(m.st.ProgPosX, 3, 1e-9);
    EXPECT_NEAR(m.st.ProgPosY, 1.5, 1e-9);
}

// What Start would refuse in a program is refused here too, with the reason, before anything moves.
TEST(ManualData, WhatStartWouldRefuseIsRefusedWithItsReason) {
    TestMachine m;
    m.st.ProgPosX = 1;
    for (const test::Row& row : test::GoldenRows("manual/start_refusals.txt")) {
        const std::string &line = row[0], &why = row[1];
        m.op.clear_messages();
        m.cnc.manual.Line = line;
        m.cnc.RunManualLine();
        // Answered in the page's list, with no box over it.
        EXPECT_EQ(m.op.messages().size(), 0u) << line;
        ASSERT_FALSE(m.cnc.manual.History.empty());
        const std::string& text = m.cnc.manual.History.back().Answer;
        EXPECT_EQ(text.rfind("refused: The typed line (" + line + ") cannot be run: ", 0), 0u) << text;
        EXPECT_NE(text.find(why), std::string::npos) << text;
    }
    const std::vector<std::pair<std::array<std::string, 3>, std::string>> points{
        {{"-1e300", "", ""}, "100"},
        {{"100000", "", ""}, "1"},
    };
    for (const auto& [axis, feed] : points) {
        m.op.clear_messages();
        m.cnc.manual.Axis = axis;
        m.cnc.manual.Feed = feed;
        m.cnc.MoveToPoint();
        ASSERT_EQ(m.op.messages().size(), 1u) << axis[0];
        EXPECT_EQ(m.op.messages()[0].text.rfind("The point cannot be reached: its ", 0), 0u) << m.op.messages()[0].text;
    }
    EXPECT_EQ(m.port.write_count(), 0u);
    EXPECT_EQ(m.st.ProgPosX, 1);
}

} // namespace
} // namespace tamo
