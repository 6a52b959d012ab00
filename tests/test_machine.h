#pragma once

#include "interpreter/cnc.h"
#include "platform/clock.h"
#include "platform/io_record.h"
#include "platform/recording_surface.h"
#include "platform/scripted_operator.h"
#include "platform/sim_port.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <system_error>
#include <unistd.h>

namespace tamo::test {

namespace fs = std::filesystem;

// A folder of its own under the temporary folder, removed with its contents at the end, whatever
// modes a test left on it.
class ScratchDir {
public:
    ScratchDir() {
        static int count = 0;
        path_ = fs::temp_directory_path() / ("tamo-test-" + std::to_string(::getpid()) + "-" + std::to_string(++count));
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code ignored;
        fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    [[nodiscard]] const fs::path& path() const { return path_; }
    [[nodiscard]] fs::path operator/(const std::string& name) const { return path_ / name; }

    // Writes the bytes as they are, no line end translated.
    fs::path Write(const std::string& name, const std::string& text) const {
        std::ofstream(path_ / name, std::ios::binary) << text;
        return path_ / name;
    }

private:
    fs::path path_;
};

inline std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Writes a program into a file of its own, in a folder kept until the process ends.
inline std::string ProgramFile(const std::string& text) {
    static const ScratchDir programs;
    static int count = 0;
    return programs.Write("program" + std::to_string(++count) + ".txt", text).string();
}

// The kinds of a record's events in order, with the iterations of the waits and periods:
// "hold write write wait6 write period8 read yield" is one online tick and its yield.
inline std::string Sequence(const IoRecord& record) {
    std::string text;
    for (const IoRecord::Event& e : record.events()) {
        text += text.empty() ? "" : " ";
        switch (e.kind) {
        case IoRecord::Kind::Write:
            text += "write";
            break;
        case IoRecord::Kind::Read:
            text += "read";
            break;
        case IoRecord::Kind::Wait:
            text += "wait" + std::to_string(e.iterations);
            break;
        case IoRecord::Kind::Hold:
            text += "hold";
            break;
        case IoRecord::Kind::Period:
            text += "period" + std::to_string(e.iterations);
            break;
        case IoRecord::Kind::Yield:
            text += "yield";
            break;
        }
    }
    return text;
}

// A controller on fake seams, started as the program starts but without a configuration file, and
// calibrated as a speed test would leave it (LoopCalMm 60000, LoopCalIn 2362): online, a machine
// without a calibration refuses to move. A test of the uncalibrated machine sets LoopCal to 0. Its
// clock's iterations last nothing until a test gives them a duration.
struct TestMachine {
    SimulatedPort port;
    FakeClock clock;
    ScriptedOperator op;
    RecordingSurface view;
    Cnc cnc{port, clock, op, view};
    MachineState& st = cnc.st;
    IoRecord record{clock};

    explicit TestMachine(bool offline = false) {
        st.LoopCalIn = 2362;
        st.LoopCalMm = 60000;
        cnc.StartUp(offline);
        clock.set_ns_per_iteration(0); // ticks take no time, one yield each, unless a test says so
    }
    // Not started: every control holds its initial value.
    struct NotStarted {};
    explicit TestMachine(NotStarted) {}

    // From now on the port's writes and reads, the clock's waits and the operator's yields go into
    // one ordered record, stamped with the clock.
    IoRecord& Record() {
        port.set_record(&record);
        clock.set_record(&record);
        op.set_record(&record);
        return record;
    }

    // Parses one line as the run loop does.
    void Parse(const std::string& line) {
        st.PrgLine = line;
        cnc.ParseLine();
    }

    // Runs the action at the operator's n-th yield, as a click that arrives during a move.
    void AtYield(std::uint64_t n, std::function<void()> action) {
        op.OnYield([n, action = std::move(action)](std::uint64_t count) {
            if (count == n) {
                action();
            }
        });
    }

    // The data and control registers as the last writes left them; -1 before any.
    int Data() const { return Last(kDataRegister); }
    int Control() const { return Last(kControlRegister); }
    int Last(int address) const {
        for (auto w = port.writes().rbegin(); w != port.writes().rend(); ++w) {
            if (w->address == address) {
                return w->value;
            }
        }
        return -1;
    }

    // How many runs reported their end, in the box titled "Done".
    long Dones() const {
        return std::count(op.messages().begin(), op.messages().end(),
                          ScriptedOperator::Message{"File succesfully processed", "Done"});
    }

    // Whether a message box, or an entry of the log, held the text.
    bool Told(const std::string& text) const {
        return std::any_of(op.messages().begin(), op.messages().end(),
                           [&](const auto& m) { return m.text.find(text) != std::string::npos; });
    }
    bool Logged(const std::string& text) const {
        return std::any_of(cnc.log.entries().begin(), cnc.log.entries().end(),
                           [&](const auto& e) { return e.text.find(text) != std::string::npos; });
    }

    // Writes the program into a file and opens it through File > Open.
    std::string Load(const std::string& text) {
        const std::string path = ProgramFile(text);
        op.QueueFile(path);
        cnc.Open_Menu();
        return path;
    }
};

// A started machine with machine settings: their checks passed, the pins they wire all low.
struct MachineWith : TestMachine {
    explicit MachineWith(const std::string& machine_text) {
        EXPECT_EQ(cnc.LoadMachineSettingsText(machine_text), "");
        EXPECT_TRUE(cnc.MachinePageOk());
    }
};

} // namespace tamo::test
