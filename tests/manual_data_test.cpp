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

// Refusals name the field and move nothing.
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
    EXPECT_EQ(m.port.write_count(), 0u);
    EXPECT_EQ(m.st.ProgPosX, 1);
}

} // namespace
} // namespace tamo
