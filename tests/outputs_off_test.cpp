// Every output off when the process ends by a signal: a child process jogs with the spindle and
// flood on, on a port whose registers live in memory shared with the test, and is killed mid-move.
// And when the port fails mid-move: the last bytes it takes switch them off.

#include "platform/outputs_off.h"
#include "test_machine.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string_view>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tamo {
namespace {

// The registers as the port's lines show them, for the process on the other side of fork().
struct Lines {
    volatile int data = -1;
    volatile int control = -1;
    volatile long writes = 0;
};

// From its fail_at-th write on it has failed: writes reach the lines only on the way out.
class SharedPort final : public Port {
public:
    explicit SharedPort(Lines* lines, long fail_at = -1) : lines_(lines), fail_at_(fail_at) {}
    void Out32(std::uint16_t address, std::int16_t value) override {
        failed_ = failed_ || lines_->writes == fail_at_;
        if (!failed_) {
            OutOnSignal(address, static_cast<std::uint8_t>(value));
        }
    }
    void OutOnSignal(std::uint16_t address, std::uint8_t value) noexcept override {
        if (address == kDataRegister) {
            lines_->data = value;
        } else if (address == kControlRegister) {
            lines_->control = value;
        }
        lines_->writes = lines_->writes + 1;
    }
    std::int16_t Inp32(std::uint16_t) override { return kIdleStatus; }
    [[nodiscard]] std::string_view failure() const override { return failed_ ? "the cable came out" : ""; }

private:
    Lines* lines_;
    long fail_at_;
    bool failed_ = false;
};

// The spindle on pin 8 (data bit 64) and flood on pin 17 (control bit 8, inverted), both on.
void SpindleAndFloodOn(test::TestMachine& m) {
    (void)m.cnc.LoadMachineSettingsText("spindle_pin = 8\nflood_pin = 17\nspin_up_s = 0\n");
    (void)m.cnc.MachinePageOk();
    for (const char* line : {"M3", "M8"}) {
        m.cnc.manual.Line = line;
        m.cnc.RunManualLine();
    }
}

[[noreturn]] void JogForEver(Lines* lines) {
    const rlimit no_core{0, 0}; // the crash signals would leave a core file
    setrlimit(RLIMIT_CORE, &no_core);
    SharedPort port(lines);
    test::TestMachine m;
    m.cnc.set_port(port);
    m.cnc.GuardsPortOnExit = true;
    WatchOutputsOnExit(&port);
    SpindleAndFloodOn(m);
    m.cnc.JogPressed(4, 1); // held, and never released
    _exit(0);
}

TEST(OutputsOff, EachSignalLeavesEveryLineLow) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP, SIGSEGV, SIGABRT}) {
        SCOPED_TRACE(signal);
        void* memory = mmap(nullptr, sizeof(Lines), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        ASSERT_NE(memory, MAP_FAILED);
        auto* lines = new (memory) Lines;
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            JogForEver(lines);
        }
        // Mid-move: the spindle (data bit 64) high among the step writes, pin 17 raised (bit 8 clear).
        while (lines->writes < 2000) {
            usleep(1000);
        }
        EXPECT_EQ(lines->data & 64, 64);
        EXPECT_EQ(lines->control, 0x0B ^ 0x08);
        kill(child, signal);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal);
        EXPECT_EQ(lines->data, 0);
        EXPECT_EQ(lines->control, 0x0B);
        munmap(memory, sizeof(Lines));
    }
}

// The port fails in the middle of a move: the machine goes offline, and what the port still takes
// leaves the data lines and the control pins low.
TEST(OutputsOff, APortFailureMidMoveLeavesEveryLineLow) {
    Lines lines;
    SharedPort port(&lines, 40);
    test::TestMachine m;
    m.cnc.set_port(port);
    SpindleAndFloodOn(m);
    m.cnc.manual.Line = "G01 X10 F100";
    m.cnc.RunManualLine();
    EXPECT_TRUE(m.st.Offline && m.st.ProgPosX < 1);
    EXPECT_EQ(lines.data, 0);
    EXPECT_EQ(lines.control, 0x0B);
}

} // namespace
} // namespace tamo
