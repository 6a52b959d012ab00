// tamo.cfg: writing, reading back, what is derived from it, and what happens to a file that
// cannot be used or written.

#include "golden_rows.h"
#include "test_machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

// A file system that cannot refuse to replace a file (renameat2 without RENAME_NOREPLACE, as some
// network and FUSE file systems answer), while `no_noreplace` is set.
namespace {
bool no_noreplace = false;

struct PlainRenames {
    explicit PlainRenames(bool on) { no_noreplace = on; }
    ~PlainRenames() { no_noreplace = false; }
    PlainRenames(const PlainRenames&) = delete;
    PlainRenames& operator=(const PlainRenames&) = delete;
};
} // namespace

extern "C" int renameat2(int old_dir, const char* old_path, int new_dir, const char* new_path, unsigned int flags) {
    if (no_noreplace && (flags & RENAME_NOREPLACE) != 0) {
        errno = EINVAL;
        return -1;
    }
    return static_cast<int>(syscall(SYS_renameat2, old_dir, old_path, new_dir, new_path, flags));
}

namespace tamo {
namespace {

namespace fs = std::filesystem;
using test::Slurp;
using Lines = std::vector<std::string>;

// A settings file of tests/golden/settings as its lines; start_up.cfg is the file that a first start
// writes from the controls' initial values.
Lines GoldenLines(const std::string& file) {
    std::istringstream in(Slurp(fs::path(TAMO_SOURCE_DIR) / "tests/golden/settings" / file));
    Lines lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line.substr(0, line.size() - 1)); // without its CR
    }
    return lines;
}
const Lines kStartUpLines = GoldenLines("start_up.cfg");

std::string Join(const Lines& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

// Every control that the file carries, plus what the unit and the move type switch on.
std::string Controls(const Cnc& c) {
    return c.ConfigText() + c.settings.Label4 + "|" + c.settings.Label18 + "|" + c.settings.Label24 + "|" +
           (c.main.Text6Enabled ? "feed enabled" : "feed disabled");
}

// What motion control works with after a read.
std::string Derived(const MachineState& s) {
    std::ostringstream out;
    out.precision(17);
    out << s.UnitsPerStepX << ' ' << s.UnitsPerStepY << ' ' << s.UnitsPerStepZ << " masks " << s.StepMaskX << ' '
        << s.DirMaskX << ' ' << s.StepMaskY << ' ' << s.DirMaskY << ' ' << s.StepMaskZ << ' ' << s.DirMaskZ << " signs "
        << s.DirSignX << ' ' << s.DirSignY << ' ' << s.DirSignZ << " cal " << s.LoopCal << ' ' << s.LoopCalIn << ' '
        << s.LoopCalMm << " delay " << s.StepDelay << " loading " << s.LoadingConfig;
    return out.str();
}

// "line 3" must not be found inside "line 31".
bool NamesLine(const std::string& text, int n) {
    const std::string key = "line " + std::to_string(n);
    for (auto at = text.find(key); at != std::string::npos; at = text.find(key, at + 1)) {
        const std::size_t end = at + key.size();
        if (end == text.size() || text[end] < '0' || text[end] > '9') {
            return true;
        }
    }
    return false;
}

// A machine not started yet: ConfigPath can be set before the start reads it.
struct Machine : test::TestMachine {
    Machine() : TestMachine(NotStarted{}) {}
};

class ConfigFile : public ::testing::Test {
protected:
    ConfigFile() { cnc.ConfigPath = cfg; }
    void Put(const std::string& text) const { dir.Write("tamo.cfg", text); }
    test::ScratchDir dir;
    fs::path cfg = dir / "tamo.cfg";
    Machine m;
    Cnc& cnc = m.cnc;
};

TEST_F(ConfigFile, FirstStartWritesTheStartUpFileSilently) {
    cnc.StartUp(false);
    EXPECT_TRUE(m.op.messages().empty());
    EXPECT_TRUE(cnc.ConfigProblem.empty());
    EXPECT_EQ(Slurp(cfg), Join(kStartUpLines)); // a difference shows as a diff of numbered lines
    EXPECT_EQ(Controls(cnc), Controls(Machine{}.cnc)) << "a first start changes no control";
}

TEST_F(ConfigFile, WrittenFileReadsBackUnchanged) {
    const Lines lines = GoldenLines("edited.cfg");
    Put(Join(lines) + "past the end\r\nmore\r\n");
    cnc.StartUp(false); // reads, then writes back what it read
    ASSERT_EQ(m.op.messages().size(), 1u) << "the Z pins 10 and 1 drive nothing: told, and kept";
    EXPECT_TRUE(NamesLine(m.op.messages()[0].text, 8) && NamesLine(m.op.messages()[0].text, 9));
    EXPECT_EQ(Slurp(cfg), Join(lines));
    EXPECT_EQ(cnc.settings.Combo9, "Abs., \"x\"");
    EXPECT_EQ(cnc.main.Option4, (std::array<bool, 3>{false, false, true}));
    EXPECT_DOUBLE_EQ(cnc.st.UnitsPerStepY, 0.00015625);
    EXPECT_EQ(cnc.st.LoopCal, 12345) << "inches use the inch calibration";

    const std::string controls = Controls(cnc), derived = Derived(cnc.st);
    cnc.ReadConfig();
    ASSERT_TRUE(cnc.WriteConfig());
    EXPECT_EQ(Controls(cnc), controls);
    EXPECT_EQ(Derived(cnc.st), derived);
    EXPECT_EQ(Slurp(cfg), Join(lines));
}

TEST_F(ConfigFile, UnitAndHomeLinesSelectWithoutConverting) {
    Lines lines = kStartUpLines;
    lines[31] = "False", lines[32] = "True", lines[33] = " 77 ", lines[35] = " 99 ";
    Put(Join(lines));
    cnc.ReadConfig();
    EXPECT_EQ(cnc.settings.Label4 + cnc.settings.Label18 + cnc.settings.Label24, "In/(In)(In)");
    EXPECT_EQ(cnc.settings.Combo3[0] + " " + cnc.settings.Text1, "500 10") << "a read converts nothing";
    EXPECT_EQ(cnc.st.LoopCal, 77);

    lines[31] = "false", lines[32] = " FALSE ";
    Put(Join(lines));
    cnc.st.LoopCal = 5;
    cnc.ReadConfig();
    EXPECT_TRUE(m.op.messages().empty());
    EXPECT_EQ(cnc.st.LoopCal, 5) << "no unit selected keeps the calibration in force";

    lines[31] = "True", lines[32] = "True";
    Put(Join(lines));
    cnc.ReadConfig();
    EXPECT_TRUE(cnc.settings.OptionIn && !cnc.settings.optionmm);
    EXPECT_EQ(cnc.st.LoopCal, 77);

    for (std::size_t home = 0; home < 3; ++home) { // the home options: the one that reads True, alone
        std::array<bool, 3> chosen{};
        chosen[home] = true;
        for (std::size_t k = 0; k < 3; ++k) {
            lines[43 + k] = chosen[k] ? "True" : "False";
        }
        Put(Join(lines));
        cnc.ReadConfig();
        EXPECT_EQ(cnc.main.Option4, chosen) << home;
    }
}

// An editor that saves with a byte-order mark costs no setting, and a character nobody can see is
// shown in the message as an escape, not quoted invisibly.
TEST_F(ConfigFile, ByteOrderMarkIsSkippedAndInvisibleCharactersShowAsEscapes) {
    Lines lines = kStartUpLines;
    lines[0] = "200";
    Put("\xEF\xBB\xBF" + Join(lines));
    cnc.StartUp(false);
    EXPECT_TRUE(m.op.messages().empty());
    EXPECT_EQ(cnc.settings.Combo2[0], "200");
    EXPECT_EQ(Slurp(cfg), Join(lines)) << "written back without the mark";

    lines[12] = "\xEF\xBB\xBF"
                "5\x01"
                "00\t";
    Put(Join(lines));
    cnc.ReadConfig();
    ASSERT_EQ(m.op.messages().size(), 1u);
    EXPECT_NE(m.op.messages()[0].text.find("\"\\uFEFF5\\x0100\\t\""), std::string::npos) << m.op.messages()[0].text;
}

// With neither unit chosen no calibration applies: the refusal names the unit lines instead of
// asking for a speed test that has been run.
TEST_F(ConfigFile, NoUnitChosenIsToldAsSuchWhenAMoveIsRefused) {
    Lines lines = kStartUpLines;
    lines[31] = "False", lines[32] = "False", lines[33] = " 2362 ", lines[35] = " 60000 ";
    Put(Join(lines));
    cnc.StartUp(false);
    m.op.clear_messages();
    cnc.JogPressed(4, 1);
    ASSERT_EQ(m.op.messages().size(), 1u);
    const std::string& text = m.op.messages()[0].text;
    EXPECT_TRUE(NamesLine(text, 32) && NamesLine(text, 33)) << text;
    EXPECT_EQ(text.find("speed test"), std::string::npos) << text;
    EXPECT_EQ(cnc.st.MachPosX, 0);
}

TEST_F(ConfigFile, WrittenNumbersHaveTheirFixedForm) {
    const std::pair<double, std::string> cases[] = {{100.5, " 100 "}, {101.5, " 102 "}, {-2.5, "-2 "},
                                                    {-3.5, "-4 "},    {-0.4, " 0 "},    {7.6, " 8 "}};
    for (const auto& [cal, text] : cases) {
        cnc.st.LoopCalIn = cal;
        cnc.st.LoopCalMm = cal;
        ASSERT_TRUE(cnc.WriteConfig());
        Lines expected = kStartUpLines;
        expected[33] = expected[35] = text;
        EXPECT_EQ(Slurp(cfg), Join(expected)) << cal;
    }
    cnc.settings.Combo9 = "Rel.\r\nAbs.";
    const std::string text = cnc.ConfigText();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 48) << "a line end in a value would shift the lines";
    EXPECT_NE(text.find("\r\nRel.  Abs.\r\n"), std::string::npos);
}

// The start-up state of a machine whose file did not exist.
const Machine& Reference() {
    static Machine m;
    static bool started = (m.cnc.StartUp(false), true);
    (void)started;
    return m;
}

// Each is kept aside byte for byte, named by its line, and the start-up values apply.
TEST(ConfigBadFile, IsKeptAsideAndTheStartUpValuesApply) {
    for (const test::Row& bad : test::GoldenRows("settings/bad_files.txt")) {
        SCOPED_TRACE(bad[0]);
        test::ScratchDir dir;
        Machine m;
        m.cnc.ConfigPath = dir / "tamo.cfg";
        Lines lines = kStartUpLines;
        // Start from a file that differs everywhere it can, so that a half-applied read would show.
        lines[0] = "200", lines[12] = "250", lines[25] = "1.25", lines[30] = " 1 ", lines[32] = "True";
        lines[31] = "False", lines[35] = " 4242 ", lines[46] = "Feedrate";
        if (bad.size() > 3) {
            lines[std::stoul(bad[3]) - 1] = bad[4];
        }
        const std::size_t line = std::stoul(bad[1]);
        if (bad[2] == "<end>") {
            lines.resize(line - 1);
        } else {
            lines[line - 1] = bad[2];
        }
        const std::string original = Join(lines);
        dir.Write("tamo.cfg", original);
        m.cnc.StartUp(false);

        ASSERT_EQ(m.op.messages().size(), 1u);
        const std::string& message = m.op.messages()[0].text;
        EXPECT_NE(message.find(m.cnc.ConfigPath.string()), std::string::npos) << message;
        EXPECT_TRUE(NamesLine(message, static_cast<int>(line))) << message;
        EXPECT_TRUE(NamesLine(m.cnc.ConfigProblem, static_cast<int>(line))) << m.cnc.ConfigProblem;
        EXPECT_EQ(Controls(m.cnc), Controls(Machine{}.cnc));
        EXPECT_EQ(Derived(m.cnc.st), Derived(Reference().cnc.st));
        EXPECT_EQ(Slurp(dir / "tamo.cfg.bak"), original);
        EXPECT_EQ(Slurp(m.cnc.ConfigPath), Join(kStartUpLines));
    }
}

TEST_F(ConfigFile, UnreadableFileIsTreatedAsUnusable) {
    fs::create_directory(cfg);
    dir.Write("tamo.cfg/inside", "kept");
    cnc.StartUp(false);
    ASSERT_EQ(m.op.messages().size(), 1u);
    EXPECT_NE(m.op.messages()[0].text.find(cfg.string()), std::string::npos);
    EXPECT_FALSE(cnc.ConfigProblem.empty());
    EXPECT_EQ(Controls(cnc), Controls(Machine{}.cnc));
    EXPECT_EQ(Slurp(dir / "tamo.cfg.bak" / "inside"), "kept");
    EXPECT_EQ(Slurp(cfg), Join(kStartUpLines));

    if (geteuid() == 0) {
        return; // root reads a file whatever its mode
    }
    Machine second;
    second.cnc.ConfigPath = dir / "locked.cfg";
    dir.Write("locked.cfg", Join(kStartUpLines));
    fs::permissions(second.cnc.ConfigPath, fs::perms::none);
    second.cnc.StartUp(false);
    ASSERT_EQ(second.op.messages().size(), 1u);
    EXPECT_TRUE(fs::exists(dir / "locked.cfg.bak"));
    EXPECT_EQ(Slurp(second.cnc.ConfigPath), Join(kStartUpLines));
}

TEST_F(ConfigFile, UnusableFileThatCannotBeSetAsideIsNeverOverwritten) {
    Put("abc\r\n");
    dir.Write("tamo.cfg.bak", "first");
    for (int n = 1; n < 100; ++n) {
        dir.Write("tamo.cfg.bak." + std::to_string(n), "older"); // every backup name taken
    }
    cnc.StartUp(false);
    EXPECT_EQ(Slurp(cfg), "abc\r\n");
    cnc.settings.Combo2[0] = "800";
    EXPECT_FALSE(cnc.WriteConfig());
    EXPECT_EQ(Slurp(cfg), "abc\r\n");
    EXPECT_EQ(m.op.messages().size(), 3u) << "the read, and each refused write";
}

// The file set aside by a first failure must survive a second: the operator's original settings
// are in tamo.cfg.bak whatever happens to the files written after it, also on a file system that
// cannot refuse to replace a file.
TEST_F(ConfigFile, EveryUnusableFileKeepsABackupOfItsOwn) {
    const std::array<std::string, 3> bad{"abc\r\n", "def\r\n", "ghi\r\n"};
    const std::array<std::string, 3> backups{"tamo.cfg.bak", "tamo.cfg.bak.1", "tamo.cfg.bak.2"};
    for (const bool plain : {false, true}) {
        SCOPED_TRACE(plain ? "renameat2 without RENAME_NOREPLACE" : "renameat2");
        const fs::path folder = dir / (plain ? "plain" : "noreplace");
        fs::create_directory(folder);
        const PlainRenames renames(plain);
        for (std::size_t i = 0; i < bad.size(); ++i) {
            std::ofstream(folder / "tamo.cfg", std::ios::binary) << bad[i];
            Machine next;
            next.cnc.ConfigPath = folder / "tamo.cfg";
            next.cnc.StartUp(false);
            ASSERT_EQ(next.op.messages().size(), 1u);
            const std::string& message = next.op.messages()[0].text;
            EXPECT_NE(message.find("kept as " + (folder / backups[i]).string() + ";"), std::string::npos) << message;
            EXPECT_EQ(Slurp(folder / "tamo.cfg"), Join(kStartUpLines));
        }
        for (std::size_t i = 0; i < bad.size(); ++i) {
            EXPECT_EQ(Slurp(folder / backups[i]), bad[i]) << backups[i];
        }
    }
}

// Settings that no wiring can mean have always loaded: they still do, unchanged, and the operator
// is told once which lines they are.
TEST_F(ConfigFile, SuspectSettingsLoadAndAreToldOnceAtStartUp) {
    Lines lines = kStartUpLines;
    lines[3] = "0";      // line 4: X step on no pin
    lines[6] = "4.5";    // line 7
    lines[7] = "1e300";  // line 8
    lines[4] = "5";      // line 5: X direction on pin 5, which is Y's step (line 6)
    lines[22] = "9";     // line 23: kept as it stands, not read (the switch pins are machine.cfg's)
    lines[34] = "-5";    // line 35: pulse width
    lines[35] = "-100 "; // line 36: calibration
    Put(Join(lines));
    cnc.StartUp(false);

    ASSERT_EQ(m.op.messages().size(), 1u);
    const std::string& message = m.op.messages()[0].text;
    EXPECT_NE(message.find(cfg.string()), std::string::npos) << message;
    for (int line : {4, 5, 6, 7, 8, 35, 36}) {
        EXPECT_TRUE(NamesLine(message, line)) << line << ": " << message;
    }
    for (int line : {1, 9, 13, 22, 23, 24, 25}) {
        EXPECT_FALSE(NamesLine(message, line)) << line << ": " << message;
    }
    EXPECT_EQ(Slurp(cfg), Join(lines)) << "written back as it came";
    EXPECT_EQ(cnc.settings.Combo1[0], "0");
    EXPECT_EQ(cnc.st.StepMaskX, 0);
    EXPECT_EQ(cnc.st.DirMaskX + cnc.st.StepMaskY, 8 + 8);
    EXPECT_EQ(cnc.st.LoopCal, -100);
    cnc.ReadConfig();
    EXPECT_EQ(m.op.messages().size(), 1u) << "told once";
}

// Whatever stands at tamo.cfg, the start-up neither hangs nor takes the memory: a FIFO without a
// writer is refused before it is read, a file far too long is refused by its size, and a long line
// is quoted by its beginning only. Each is set aside byte for byte.
TEST_F(ConfigFile, SpecialAndEnormousFilesAreRefusedUnreadAndKept) {
    ASSERT_EQ(mkfifo(cfg.c_str(), 0644), 0) << std::strerror(errno);
    cnc.StartUp(false);
    ASSERT_EQ(m.op.messages().size(), 1u);
    EXPECT_NE(m.op.messages()[0].text.find("FIFO"), std::string::npos) << m.op.messages()[0].text;
    EXPECT_TRUE(fs::is_fifo(dir / "tamo.cfg.bak"));
    EXPECT_EQ(Slurp(cfg), Join(kStartUpLines));

    const std::string enormous = std::string(3 << 20, '4') + "\r\n";
    const std::string long_line = [&] {
        Lines lines = kStartUpLines;
        lines[28] = std::string(200'000, '7'); // a check box state, which the message quotes
        return Join(lines);
    }();
    for (const std::string& text : {enormous, long_line}) {
        Put(text);
        Machine next;
        next.cnc.ConfigPath = cfg;
        next.cnc.StartUp(false);
        ASSERT_EQ(next.op.messages().size(), 1u);
        EXPECT_LT(next.op.messages()[0].text.size(), 400u) << next.op.messages()[0].text.substr(0, 400);
        EXPECT_EQ(Slurp(cfg), Join(kStartUpLines));
    }
    EXPECT_EQ(Slurp(dir / "tamo.cfg.bak.1"), enormous);
    EXPECT_EQ(Slurp(dir / "tamo.cfg.bak.2"), long_line);
}

// A temporary file planted as a link must not make the write overwrite what it points to; a
// settings file that is itself a link is written through, and stays a link.
TEST_F(ConfigFile, WritesNeverFollowAPlantedLinkAndWriteThroughTheFilesOwn) {
    const fs::path victim = dir / "victim";
    dir.Write("victim", "precious");
    fs::create_symlink(victim, dir / "tamo.cfg.tmp");
    cnc.StartUp(false);
    EXPECT_TRUE(m.op.messages().empty());
    EXPECT_EQ(Slurp(victim), "precious");
    EXPECT_EQ(Slurp(cfg), Join(kStartUpLines));
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "tamo.cfg.tmp")));

    fs::create_directory(dir / "real");
    const fs::path target = dir / "real" / "tamo.cfg";
    fs::remove(cfg);
    fs::create_symlink("real/tamo.cfg", cfg); // relative, as a user makes it
    Lines edited = kStartUpLines;
    edited[0] = "800";
    dir.Write("real/tamo.cfg", Join(edited));
    Machine linked;
    linked.cnc.ConfigPath = cfg;
    linked.cnc.StartUp(false);
    linked.cnc.settings.Combo2[1] = "1600";
    ASSERT_TRUE(linked.cnc.WriteConfig());
    EXPECT_TRUE(fs::is_symlink(cfg));
    edited[1] = "1600";
    EXPECT_EQ(Slurp(target), Join(edited));

    dir.Write("real/tamo.cfg", "abc\r\n");
    Machine unusable;
    unusable.cnc.ConfigPath = cfg;
    unusable.cnc.StartUp(false);
    EXPECT_TRUE(fs::is_symlink(cfg));
    EXPECT_EQ(Slurp(dir / "real" / "tamo.cfg.bak"), "abc\r\n");
    EXPECT_EQ(Slurp(target), Join(kStartUpLines));
}

TEST_F(ConfigFile, ReadOnlyModeReportsAndTouchesNothing) {
    cnc.ConfigReadOnly = true;
    Put("abc\r\n");
    cnc.StartUp(false);
    EXPECT_TRUE(NamesLine(cnc.ConfigProblem, 1)) << cnc.ConfigProblem;
    EXPECT_EQ(Controls(cnc), Controls(Machine{}.cnc));
    cnc.settings.Combo2[0] = "800";
    EXPECT_TRUE(cnc.WriteConfig());
    EXPECT_EQ(Slurp(cfg), "abc\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1)
        << "no backup, no temporary";
}

// With standard input closed, as a launcher may leave it, the settings are still written, and
// descriptor 0, which the file and its folder are then given, is free again afterwards.
TEST_F(ConfigFile, WrittenWithStandardInputClosedLeakingNoDescriptor) {
    cnc.StartUp(false);
    cnc.settings.Combo2[0] = "812";
    const int saved = dup(STDIN_FILENO);
    ASSERT_GE(saved, 0);
    close(STDIN_FILENO);
    const bool written = cnc.WriteConfig();
    const bool leaked = fcntl(STDIN_FILENO, F_GETFD) != -1;
    dup2(saved, STDIN_FILENO);
    close(saved);
    EXPECT_TRUE(written);
    EXPECT_FALSE(leaked);
    EXPECT_NE(Slurp(cfg).find("812"), std::string::npos) << Slurp(cfg);
}

TEST_F(ConfigFile, FailedWriteKeepsTheOldFileAndLeavesNoTemporary) {
    cnc.StartUp(false);
    const std::string old = Slurp(cfg);
    cnc.settings.Combo2[0] = "800";

    // The file may grow to a few bytes only: the write fails part-way, whoever runs the test.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 16;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = cnc.WriteConfig();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(written);
    ASSERT_EQ(m.op.messages().size(), 1u);
    EXPECT_NE(m.op.messages()[0].text.find(cfg.string()), std::string::npos);
    EXPECT_NE(m.op.messages()[0].text.find(std::strerror(EFBIG)), std::string::npos) << m.op.messages()[0].text;
    EXPECT_EQ(Slurp(cfg), old);
    EXPECT_FALSE(fs::exists(dir / "tamo.cfg.tmp"));

    if (geteuid() != 0) { // root writes into any directory
        fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(cnc.WriteConfig());
        fs::permissions(dir.path(), fs::perms::owner_all);
        EXPECT_EQ(Slurp(cfg), old);
        EXPECT_FALSE(fs::exists(dir / "tamo.cfg.tmp"));
    }
}

TEST(SettingsUnits, SwitchConvertsLengthsAndRatesOnce) {
    Machine m;
    SettingsModel& f = m.cnc.settings;
    f.Combo3[4] = "abc";
    f.Combo6[1] = "";
    const auto lengths = [&] {
        return f.Combo7[0] + " " + f.Combo3[0] + " " + f.Combo3[2] + " " + f.Combo6[2] + " " + f.Combo6[0] + " " +
               f.Text1;
    };
    m.cnc.SetOptionmm(true); // already selected
    EXPECT_EQ(lengths(), "3.00 500 100 15 0 10");
    m.cnc.SetOptionIn(true);
    m.cnc.SetOptionIn(true);
    EXPECT_EQ(lengths(), "0.118 19.69 3.94 0.59 0.00 0.394");
    EXPECT_EQ(f.Combo3[4] + "|" + f.Combo6[1], "abc|") << "no number, nothing to convert";
    EXPECT_EQ(f.Combo2[0] + " " + f.Combo4 + " " + m.cnc.main.Text6, "400 5 100") << "steps, pulse, homing feed";
    m.cnc.SetOptionmm(true);
    EXPECT_EQ(lengths(), "3.00 500 100 15 0 10.008") << "the three decimals of the inch value lose a little";
    EXPECT_TRUE(f.optionmm && !f.OptionIn);
}

} // namespace
} // namespace tamo
