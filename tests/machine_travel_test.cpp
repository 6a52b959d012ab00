// Spindle and coolant on their pins through a move, and the homing cycle's order on the switches,
// checked on what the port sees. The stops, the soft limits, the homing's bound, the probe, the
// switch pins and Exit's question are machine scripts.

#include "test_machine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace tamo {
namespace {

using test::TestMachine;

constexpr int kIdle = 127;

// A started machine with machine settings; steps of 0.0075 mm.
struct Machine : test::MachineWith {
    using MachineWith::MachineWith;
    // A refusal of the line itself is answered in the Point page's list, other ones in a box.
    std::string Typed(const std::string& line) {
        const std::size_t answered = cnc.manual.History.size();
        cnc.manual.Line = line;
        cnc.RunManualLine();
        if (cnc.manual.History.size() > answered && cnc.manual.History.back().Answer.starts_with("refused: ")) {
            return cnc.manual.History.back().Answer.substr(9);
        }
        return op.messages().empty() ? "" : op.messages().back().text;
    }
};

constexpr const char* kOutputs =
    "spindle_pin = 8\nspindle_direction_pin = 14\nflood_pin = 1\nmist_pin = 9\nspin_up_s = 0\n";

// Spindle on pin 8 (data bit 64), its direction on pin 14 (control bit 2, inverted), flood on
// pin 1 (control bit 1, inverted), mist on pin 9 (data bit 128). The paths that end a job and
// switch them off, and the Pause that keeps them, are the outputs_* machine scripts.
TEST(Outputs, EachWordOnItsPinAndTheMovesKeepThem) {
    Machine m(kOutputs);
    EXPECT_EQ(m.Control(), 0x0B); // all four control pins low from the start
    m.Typed("M4");
    EXPECT_EQ(m.Data(), 64);
    EXPECT_EQ(m.Control(), 0x0B ^ 0x02);
    m.Typed("M8");
    m.Typed("M7");
    EXPECT_EQ(m.Data(), 64 | 128);
    EXPECT_EQ(m.Control(), 0x0B ^ 0x02 ^ 0x01);
    const std::size_t before = m.port.writes().size();
    m.Typed("G01 X0.03 F100"); // the outputs stay high through every write of the ticks
    ASSERT_GT(m.port.writes().size(), before + 6);
    for (std::size_t i = before; i < m.port.writes().size(); ++i) {
        EXPECT_EQ(m.port.writes()[i].value & (64 | 128), 64 | 128);
    }
    m.Typed("M9");
    EXPECT_EQ(m.Data() & 128, 0);
    EXPECT_EQ(m.Control(), 0x0B ^ 0x02);
    m.Typed("M5");
    EXPECT_EQ(m.Data(), 0);
    EXPECT_EQ(m.Control(), 0x0B);
}

constexpr const char* kTravel =
    "travel_x_min_mm = 0\ntravel_x_max_mm = 0.3\ntravel_y_min_mm = 0\ntravel_y_max_mm = 10\n"
    "travel_z_min_mm = -5\ntravel_z_max_mm = 0\nhome_search_mm = 0.5\n";

// Scripted switches by tick: Z first (+), then X and Y together (-), each backing off to where it
// lets go, which becomes machine zero. The search bound and the stop are machine scripts.
TEST(HomingCycle, OrderAndBackOff) {
    Machine m(kTravel);
    m.cnc.settings.Check1[0] = kChecked;
    std::vector<std::string> order;
    int ticks = 0;
    struct Script : TickObserver {
        std::function<void(const Cnc&)> f;
        void OnTick(const Cnc& c) override { f(c); }
    } script;
    script.f = [&](const Cnc& c) {
        ++ticks;
        order.push_back(std::string(c.st.StepDirX ? "X" : "") + (c.st.StepDirY ? "Y" : "") +
                        (c.st.StepDirZ ? "Z" : ""));
        const int status = ticks >= 3 && ticks < 5 ? 111 : ticks >= 8 && ticks < 10 ? 223 : kIdle;
        m.port.set_status(static_cast<std::int16_t>(status));
    };
    m.cnc.set_tick_observer(&script);
    m.cnc.HomeTheMachine();
    EXPECT_EQ(order, (std::vector<std::string>{"Z", "Z", "Z", "Z", "Z", "XY", "XY", "XY", "XY", "XY"}));
    EXPECT_TRUE(m.st.Homed);
    EXPECT_EQ(m.st.MachPosX, 0);
    EXPECT_EQ(m.st.MachPosZ, 0);
    EXPECT_NEAR(m.st.ProgPosZ, 0.0075, 1e-12); // three up, two back
}

} // namespace
} // namespace tamo
