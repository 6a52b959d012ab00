#include "test_machine.h"

#include <gtest/gtest.h>

#include <vector>

namespace tamo {
namespace {

using test::TestMachine;

struct Tick {
    int x, y, z;
};

// The data-register bytes of a sequence of ticks, three per tick.
std::vector<int> BytesOf(TestMachine& m, const std::vector<Tick>& ticks) {
    m.port.clear();
    for (const Tick& t : ticks) {
        m.st.StepDirX = t.x;
        m.st.StepDirY = t.y;
        m.st.StepDirZ = t.z;
        m.cnc.StepPulse();
    }
    std::vector<int> bytes;
    for (const auto& w : m.port.writes()) {
        EXPECT_EQ(w.address, kDataRegister);
        bytes.push_back(w.value);
    }
    return bytes;
}

// Start-up pins: X step 3, X dir 2, Y step 5, Y dir 4, Z step 7, Z dir 6: step bits 2, 8, 32 and
// direction bits 1, 4, 16. A direction line is raised when the axis moves in its sign's direction,
// -1 unless the axis is reversed. The run golden traces pin the bytes of the unreversed axes.
TEST(StepOutput, ReversedAxesRaiseTheirDirectionLineForAPositiveStep) {
    TestMachine m;
    m.cnc.settings.XReverse = kChecked;
    m.cnc.settings.ZReverse = kGreyed; // any state but unchecked reverses
    m.cnc.ReadConfig();
    EXPECT_EQ(BytesOf(m, {{1, 0, 0}, {-1, 0, 0}, {0, 0, 1}, {0, 0, -1}, {0, -1, 0}}),
              (std::vector<int>{1, 3, 1, 0, 2, 0, 16, 48, 16, 0, 32, 0, 4, 12, 4}));
    EXPECT_EQ(m.port.read_count(), 5u); // one status read per tick
}

TEST(StepOutput, PinsAsWiredAndPinsThatDriveNothing) {
    TestMachine m;
    m.cnc.settings.Combo1[0] = "2"; // X step on pin 2, X direction on pin 3
    m.cnc.settings.Combo1[1] = "3";
    m.cnc.settings.Combo1[2] = "10"; // Y step on no data pin
    m.cnc.settings.Combo1[4] = "1";
    m.cnc.ReadConfig();
    EXPECT_EQ(BytesOf(m, {{-1, 0, 0}}), (std::vector<int>{2, 3, 2}));
    const double y = m.st.ProgPosY;
    EXPECT_EQ(BytesOf(m, {{0, 1, 1}}), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(m.st.ProgPosY, y + 0.0075); // the position still advances
    EXPECT_EQ(Cnc::PinMask(9.0), 128);
    EXPECT_EQ(Cnc::PinMask(std::string("4")), 4);
    for (const Value& pin : {Value(1.0), Value(10.0), Value(2.5), Value(), Value(std::string("x")), Value(true)}) {
        EXPECT_EQ(Cnc::PinMask(pin), 0);
    }
}

// Two signals on one pin, as a stored file may still hold: that pin rises, and no pin above it.
TEST(StepOutput, TwoSignalsOnOnePinRaiseThatPinOnly) {
    TestMachine m;
    m.cnc.settings.Combo1 = {"3", "2", "5", "2", "3", "6"}; // X and Y direction on 2, X and Z step on 3
    m.cnc.ReadConfig();
    EXPECT_EQ(BytesOf(m, {{-1, -1, 0}, {1, 0, 1}}), (std::vector<int>{1, 11, 1, 0, 2, 0}));
}

TEST(StepOutput, PositionsWaitsAndLiveDots) {
    for (bool offline : {false, true}) {
        TestMachine m(offline);
        const IoRecord& record = m.Record();
        m.st.StepDelay = 7;
        m.st.PlotStep = 0.02; // a dot every third tick of 0.0075
        m.view.clear_ops();
        const std::vector<Tick> ticks{{1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, -1}, {-1, -1, 1}, {0, 0, 0}};
        const std::vector<int> bytes = BytesOf(m, ticks);
        EXPECT_EQ(bytes.empty(), offline);
        // Each tick: its step held for its due time, the pulse width (5, so 6 iterations) between the
        // rising and the falling write, then the delay (8 iterations) until the next step is due, and
        // the switches read. Offline nothing reaches the port, but the tick keeps its period.
        const std::string tick = offline ? "hold period8 read" : "hold write write wait6 write period8 read";
        std::string all = tick;
        for (std::size_t i = 1; i < ticks.size(); ++i) {
            all += " " + tick;
        }
        EXPECT_EQ(test::Sequence(record), all);
        EXPECT_DOUBLE_EQ(m.st.ProgPosX, 0.0075);
        EXPECT_DOUBLE_EQ(m.st.ProgPosY, 0.0075);
        EXPECT_DOUBLE_EQ(m.st.ProgPosZ, 0);
        EXPECT_EQ(m.st.MachPosX, m.st.ProgPosX);
        EXPECT_EQ(m.st.MachPosY, m.st.ProgPosY);
        const auto dots = m.view.ops_of(RecordingSurface::Kind::Point);
        ASSERT_EQ(dots.size(), 2u);
        EXPECT_FLOAT_EQ(static_cast<float>(dots[0].a), 0.015f);
        EXPECT_FLOAT_EQ(static_cast<float>(dots[0].b), 0.015f);
        EXPECT_DOUBLE_EQ(m.st.PlotTravel, 0);
    }
}

// Each switch by its own line, whatever the other lines read (pin 15 and the three low bits,
// which some ports read as 0): the limit on a 0 in bit 6, X home on a 1 in bit 7, Y home on a 0
// in bit 5, Z home on a 0 in bit 4. So 120 and 127 are both idle. Nothing outside a byte matches.
// The run golden files show a limit stopping a run and a home switch zeroing only the machine
// coordinate.
TEST(Switches, EveryStatusByte) {
    for (int s = -1; s <= 256; ++s) {
        TestMachine m;
        m.st.MachPosX = m.st.MachPosY = m.st.MachPosZ = 5;
        m.port.set_status(static_cast<std::int16_t>(s));
        m.cnc.CheckSwitches();
        const bool in_byte = s >= 0 && s < 256;
        const bool limit = in_byte && !(s & 0x40);
        EXPECT_EQ(m.st.StopRequest, limit) << s;
        EXPECT_EQ(m.op.messages().size(), limit ? 1u : 0u) << s;
        EXPECT_EQ(m.st.MachPosX == 0, in_byte && (s & 0x80)) << s;
        EXPECT_EQ(m.st.MachPosY == 0, in_byte && !(s & 0x20)) << s;
        EXPECT_EQ(m.st.MachPosZ == 0, in_byte && !(s & 0x10)) << s;
    }
}

} // namespace
} // namespace tamo
