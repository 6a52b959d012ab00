// Settings read as they were written, whatever the line ends; invisible characters shown in the
// messages that quote a file; no motion without a time bound; the check refusing what Start
// refuses; writers that never rename over a pipe or a device, and files that must be regular.

#include "check/check.h"
#include "config/settings_file.h"
#include "golden_rows.h"
#include "platform/file_io.h"
#include "test_machine.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tamo {
namespace {

namespace fs = std::filesystem;
using test::TestMachine;

// Every editor's line ends, and a byte-order mark, give the same settings.
TEST(SettingsReader, MachineSettingsReadAlikeWhateverTheLineEnds) {
    for (const test::Row& file : test::GoldenRows("settings/machine_line_ends.txt")) {
        const std::string &name = file[0], &text = file[1];
        TestMachine m;
        EXPECT_EQ(m.cnc.LoadMachineSettingsText(text), "") << name;
        m.cnc.DeriveMachineSetup();
        EXPECT_TRUE(m.cnc.setup.travel[0].set) << name;
        EXPECT_EQ(m.cnc.setup.travel[0].max, 200) << name;
        EXPECT_EQ(m.cnc.setup.probe_level, 0) << name;
    }
}

TEST(SettingsReader, ConfigWithCarriageReturnsOnlyIsRead) {
    test::ScratchDir dir;
    std::string text = TestMachine(TestMachine::NotStarted{}).cnc.ConfigText();
    for (char& c : text) {
        c = c == '\n' ? '\r' : c;
    }
    std::string cr_only;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\r')) {
            cr_only += text[i];
        }
    }
    cr_only.replace(0, cr_only.find('\r'), "200");
    TestMachine m(TestMachine::NotStarted{});
    m.cnc.ConfigPath = dir.Write("tamo.cfg", cr_only);
    m.cnc.StartUp(true);
    EXPECT_EQ(m.cnc.ConfigProblem, "");
    EXPECT_EQ(m.cnc.settings.Combo2[0], "200");
}

TEST(SettingsReader, MessagesShowInvisibleCharactersAsEscapes) {
    for (const test::Row& row : test::GoldenRows("settings/machine_escapes.txt")) {
        const std::string &text = row[0], &quoted = row[1];
        TestMachine m;
        const std::string problem = m.cnc.LoadMachineSettingsText(text);
        EXPECT_NE(problem.find(quoted), std::string::npos) << problem << " / " << quoted;
    }
}

// Slower than 0.1 mm/min, a probing of millimetres takes days; a negative search is no bound.
TEST(SettingsReader, MachinePageRefusesCreepingFeedsAndNegativeDistances) {
    for (const test::Row& row : test::GoldenRows("settings/machine_page_refusals.txt")) {
        const std::string &line = row[0], &refusal = row[1];
        TestMachine m;
        EXPECT_NE(m.cnc.LoadMachineSettingsText(line), "") << line;
        m.cnc.ShowMachinePage();
        const auto equals = line.find('=');
        for (int i = 0; i < machine::kKeys; ++i) {
            if (line.starts_with(std::string(machine::Key(i)) + " ")) {
                machine::Field(m.cnc.machine_page, i) = line.substr(equals + 2, line.size() - equals - 3);
            }
        }
        EXPECT_FALSE(m.cnc.MachinePageOk());
        EXPECT_TRUE(m.Told(refusal)) << line;
    }
}

TEST(SettingsDialog, RefusesJogRatesOutOfOrderNamingTheFields) {
    for (const test::Row& row : test::GoldenRows("settings/jog_rate_refusals.txt")) {
        const std::size_t index = std::stoul(row[0]);
        const std::string &rate = row[1], &refusal = row[2];
        TestMachine m;
        m.cnc.settings.Combo3 = {"500", "200", "100", "500", "200", "100", "500", "200", "100"};
        m.cnc.settings.Combo3[index] = rate;
        m.op.clear_messages();
        EXPECT_FALSE(m.cnc.SettingsOk());
        ASSERT_FALSE(m.op.messages().empty());
        EXPECT_EQ(m.op.messages().back().text, refusal);
        EXPECT_EQ(m.cnc.settings.Refused, &m.cnc.settings.Combo3[index]);
    }
}

// Every motion the operator starts is held to Start's rule of a day at most, before it moves.
TEST(MotionBound, OperatorMotionsLongerThanADayAreRefusedBeforeMoving) {
    TestMachine probe;
    ASSERT_EQ(probe.cnc.LoadMachineSettingsText("probe = low\nprobe_distance_mm = 10\n"), "");
    probe.cnc.DeriveMachineSetup();
    probe.cnc.setup.probe_feed = 1e-320; // as an older file gave it
    probe.cnc.ProbeZ();
    EXPECT_TRUE(probe.Told("Probe Z cannot be run: its probing move would never end at its feed"));
    EXPECT_TRUE(probe.port.writes().empty());

    TestMachine homing;
    homing.cnc.settings.Check1[0] = kChecked;
    homing.cnc.setup.home_search = 100;
    homing.st.JogSlowX = 0.01; // 100 mm at 0.01 mm/min: almost seven days
    homing.cnc.HomeOnSwitches();
    EXPECT_TRUE(homing.Told("Homing cannot be run: its search for home switch X would take more than a day"));

    TestMachine approach;
    approach.cnc.st.ProgPosX = 0;
    const Cnc::Approach far{1e12, 0, 0};
    EXPECT_FALSE(approach.cnc.ApproachSafely(far));
    EXPECT_TRUE(approach.Told("cannot be run: its move would"));
    EXPECT_EQ(approach.st.MachPosX, 0);
}

// Start's refusals, reported by the check on the same line in the same words: the lines,
// every golden program and the sample programs.
std::string StartRefusal(TestMachine& m) {
    m.op.clear_messages();
    return m.cnc.RefuseUnrunnableProgram() ? m.op.messages().back().text : "";
}
std::string CheckRefusal(const TestMachine& m, int* line = nullptr) {
    for (const check::Finding& f : check::CheckProgram(check::CopyForCheck(m.cnc)).findings) {
        if (f.code == "start-refused") {
            if (line != nullptr) {
                *line = f.line;
            }
            return f.message;
        }
    }
    return "";
}

TEST(CheckAndStart, TheCheckReportsWhatStartRefusesInItsWords) {
    for (const test::Row& row : test::GoldenRows("start/refusals.txt")) {
        const std::string& program = row[0];
        const int at = std::stoi(row[1]);
        TestMachine m;
        m.Load(program);
        int line = 0;
        const std::string start = StartRefusal(m);
        ASSERT_NE(start, "") << program;
        EXPECT_EQ(CheckRefusal(m, &line), start) << program;
        EXPECT_EQ(line, at) << program;
    }
    std::vector<fs::path> programs;
    for (const char* folder : {"tests/golden/run", "tests/golden/check", "gcodes"}) {
        for (const auto& entry : fs::recursive_directory_iterator(fs::path(TAMO_SOURCE_DIR) / folder)) {
            const std::string ext = entry.path().extension().string();
            if (entry.is_regular_file() && (ext == ".txt" || ext == ".nc" || ext == ".ngc")) {
                programs.push_back(entry.path());
            }
        }
    }
    ASSERT_GT(programs.size(), 20u);
    for (const fs::path& program : programs) {
        TestMachine m;
        m.op.QueueFile(program.string());
        m.cnc.Open_Menu();
        EXPECT_EQ(CheckRefusal(m), StartRefusal(m)) << program;
    }
}

// A pipe's reader gets the text, and the pipe stays a pipe; a folder is refused with its kind.
TEST(Writers, StreamsAreWrittenInPlaceAndOnlyRegularFilesReplaced) {
    test::ScratchDir dir;
    const std::string fifo = (dir.path() / "trace.fifo").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string got;
    std::thread reader([&] {
        const int fd = open(fifo.c_str(), O_RDONLY);
        char buffer[64];
        for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) {
            got.append(buffer, static_cast<std::size_t>(n));
        }
        close(fd);
    });
    EXPECT_EQ(ReplaceFile(fifo, "G00 X1\n"), "");
    reader.join();
    EXPECT_EQ(got, "G00 X1\n");
    struct stat info {};
    ASSERT_EQ(stat(fifo.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_FALSE(fs::exists(fifo + ".tmp"));

    EXPECT_EQ(ReplaceFile("/dev/null", "nothing"), "");
    ASSERT_EQ(stat("/dev/null", &info), 0);
    EXPECT_TRUE(S_ISCHR(info.st_mode));

    fs::create_directory(dir.path() / "folder");
    EXPECT_NE(ReplaceFile((dir.path() / "folder").string(), "x").find("it is a folder"), std::string::npos);

    // The settings and the log: regular files only.
    EXPECT_EQ(RegularFileProblem(fifo), "it is a FIFO, not a regular file");
    EXPECT_NE(SaveSettingsFile(fifo, "x", false).find("it is a FIFO"), std::string::npos);

    // Written as it goes, a regular file is replaced only when the whole of it is there.
    const fs::path csv = dir.Write("trace.csv", "old\n");
    {
        OutputFile out;
        ASSERT_EQ(out.Open(csv.string()), "");
        std::fputs("new\n", out.stream());
        std::fflush(out.stream());
        EXPECT_EQ(test::Slurp(csv), "old\n");
        EXPECT_EQ(out.Commit(), "");
    }
    EXPECT_EQ(test::Slurp(csv), "new\n");
    {
        OutputFile abandoned;
        ASSERT_EQ(abandoned.Open(csv.string()), "");
        std::fputs("half", abandoned.stream());
    }
    EXPECT_EQ(test::Slurp(csv), "new\n");
    EXPECT_FALSE(fs::exists(csv.string() + ".tmp"));
}

// A FIFO in the log's place never holds the windows; a FILE.1 that cannot be replaced never lets
// the log pass its bound. Each is told once, to the status bar.
TEST(Writers, LogNeverWaitsOnAFifoNorPassesItsBound) {
    test::ScratchDir dir;
    const fs::path fifo = dir.path() / "fifo.log";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    MessageLog log;
    std::vector<std::string> told;
    log.set_on_file_problem([&](const std::string& text) { told.push_back(text); });
    log.set_file(fifo);
    log.Add("first");
    log.Add("second");
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("it is a FIFO"), std::string::npos) << told[0];

    const fs::path file = dir.path() / "tamocnc.log";
    fs::create_directory(dir.path() / "tamocnc.log.1");
    MessageLog bounded;
    told.clear();
    bounded.set_on_file_problem([&](const std::string& text) { told.push_back(text); });
    bounded.set_file(file, 200);
    for (int n = 0; n < 20; ++n) {
        bounded.Add("entry " + std::to_string(n));
    }
    EXPECT_LE(fs::file_size(file), 200u);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("tamocnc.log.1 cannot be replaced"), std::string::npos) << told[0];
}

} // namespace
} // namespace tamo
