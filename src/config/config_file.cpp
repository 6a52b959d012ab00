// The configuration file tamo.cfg: 48 values, one per line, meaning by position.
//
// The live copy of a setting is the control that edits it; the file is written from the controls
// and read back into them, and reading derives what motion control works with. A file is written
// whole or not at all (temporary file, flush, rename), and a file that cannot be used is set
// aside as tamo.cfg.bak (or .bak.1, .bak.2, ...: never over an older one) before anything can
// overwrite it.

#include "config/settings_checks.h"
#include "config/settings_file.h"
#include "interpreter/cnc.h"
#include "interpreter/numbers.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

namespace tamo {
namespace {

using config::Form;
using config::kConfigLines;
using config::LineName;
using config::Quote;

// A check box state and a calibration: a blank where a minus sign would stand, then a blank.
std::string WholeNumberText(double value) {
    const double whole = std::isfinite(value) ? RoundHalfEven(value) : 0.0;
    std::string digits = FormatFixed(whole, 0);
    return whole < 0 ? digits + " " : " " + digits + " ";
}

std::optional<bool> ReadFlag(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    auto equals = [&](std::string_view word) {
        if (text.size() != word.size()) {
            return false;
        }
        for (std::size_t i = 0; i < word.size(); ++i) {
            if ((text[i] | 0x20) != word[i]) {
                return false;
            }
        }
        return true;
    };
    if (equals("true")) {
        return true;
    }
    if (equals("false")) {
        return false;
    }
    return std::nullopt;
}

// A value never contains a line end: it would shift every later line. The reader ends a line at a
// CR, an LF, U+2028 and U+2029 alike; each becomes a blank.
std::string OneLine(const std::string& text) {
    std::string line;
    line.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            line += ' ';
        } else if (text.compare(i, 3, "\xE2\x80\xA8") == 0 || text.compare(i, 3, "\xE2\x80\xA9") == 0) {
            line += ' ';
            i += 2;
        } else {
            line += text[i];
        }
    }
    return line;
}

} // namespace

std::string Cnc::ConfigText() const {
    const SettingsModel& f = settings;
    const std::array<std::string, kConfigLines> values{
        f.Combo2[0],
        f.Combo2[1],
        f.Combo2[2],
        f.Combo1[0],
        f.Combo1[1],
        f.Combo1[2],
        f.Combo1[3],
        f.Combo1[4],
        f.Combo1[5],
        f.Combo6[0],
        f.Combo6[1],
        f.Combo6[2],
        f.Combo3[0],
        f.Combo3[1],
        f.Combo3[2],
        f.Combo3[3],
        f.Combo3[4],
        f.Combo3[5],
        f.Combo3[6],
        f.Combo3[7],
        f.Combo3[8],
        f.Combo8[0],
        f.Combo8[1],
        f.Combo8[2],
        f.Combo8[3],
        f.Combo7[0],
        f.Combo7[1],
        f.Combo7[2],
        WholeNumberText(f.XReverse),
        WholeNumberText(f.YReverse),
        WholeNumberText(f.ZReverse),
        f.optionmm ? "True" : "False",
        f.OptionIn ? "True" : "False",
        WholeNumberText(st.LoopCalIn),
        f.Combo4,
        WholeNumberText(st.LoopCalMm),
        WholeNumberText(f.Check1[0]),
        WholeNumberText(f.Check1[1]),
        f.Combo5,
        f.Combo10,
        f.Combo9,
        f.Text1,
        f.Text2,
        main.Option4[0] ? "True" : "False",
        main.Option4[1] ? "True" : "False",
        main.Option4[2] ? "True" : "False",
        main.Combo1,
        main.Text6,
    };
    std::string text;
    for (const std::string& value : values) {
        text += OneLine(value);
        text += "\r\n";
    }
    return text;
}

bool Cnc::LoadConfigText(std::string_view text) {
    const std::vector<std::string_view> lines = SettingsLines(text, kConfigLines);
    std::array<Value, kConfigLines> values;
    std::array<std::string, kConfigLines> texts; // as they stand: "3.00" stays "3.00"
    std::vector<std::string> suspect;
    for (int n = 1; n <= kConfigLines; ++n) {
        if (n > static_cast<int>(lines.size())) {
            ConfigProblem = LineName(n) + " is missing";
            return false;
        }
        std::string& line = texts[static_cast<std::size_t>(n - 1)];
        line = lines[static_cast<std::size_t>(n - 1)];
        Value& value = values[static_cast<std::size_t>(n - 1)];
        if (config::LineForm(n) == Form::Flag) {
            const auto flag = ReadFlag(line);
            if (!flag) {
                ConfigProblem = LineName(n) + " holds " + Quote(line) + ", neither True nor False";
                return false;
            }
            value = *flag;
            continue;
        }
        if (const auto number = ReadNumber(line)) {
            value = *number;
        } else if (config::LineForm(n) == Form::Whole) {
            value = 0.0; // never calibrated: a blank line (anything else is unusable below)
        } else {
            value = line;
        }
        const config::LineVerdict check = config::CheckLine(n, line);
        if (check.verdict == config::Verdict::Unusable) {
            ConfigProblem = LineName(n) + " holds " + Quote(line) + " but " + check.rule;
            return false;
        }
        if (check.verdict == config::Verdict::Suspect) {
            suspect.push_back(LineName(n) + " holds " + Quote(line) + " but " + check.rule);
        }
    }
    for (int a = 0; a < 3; ++a) {
        const auto axis = static_cast<std::size_t>(a);
        if (!config::StepSizeUsable(NumberOf(values[25 + axis]), NumberOf(values[axis]))) {
            ConfigProblem = LineName(26 + a) + " divided by " + LineName(1 + a) + " gives no step a machine can make";
            return false;
        }
    }
    std::array<std::string_view, 6> pins;
    for (std::size_t i = 0; i < pins.size(); ++i) {
        pins[i] = texts[3 + i];
    }
    for (const auto& [a, b] : config::SharedPins(pins)) {
        suspect.push_back(LineName(4 + a) + " and " + LineName(4 + b) + " name the same pin " +
                          std::to_string(config::DataPin(pins[static_cast<std::size_t>(a)])) +
                          ", so the drivers see one signal where the wiring has two");
    }
    ConfigSuspect = std::move(suspect);

    auto at = [&](int n) -> Value& {
        return values[static_cast<std::size_t>(n - 1)];
    };
    st.StepsPerTurnX = at(1), st.StepsPerTurnY = at(2), st.StepsPerTurnZ = at(3);
    st.StepPinX = at(4), st.DirPinX = at(5), st.StepPinY = at(6), st.DirPinY = at(7);
    st.StepPinZ = at(8), st.DirPinZ = at(9);
    st.ToolChangePosX = at(10), st.ToolChangePosY = at(11), st.ToolChangePosZ = at(12);
    st.JogFastX = at(13), st.JogMediumX = at(14), st.JogSlowX = at(15);
    st.JogFastY = at(16), st.JogMediumY = at(17), st.JogSlowY = at(18);
    st.JogFastZ = at(19), st.JogMediumZ = at(20), st.JogSlowZ = at(21);
    st.HomePinX = at(22), st.HomePinY = at(23), st.HomePinZ = at(24), st.LimitPin = at(25);
    st.LeadX = at(26), st.LeadY = at(27), st.LeadZ = at(28);
    st.ReverseX = at(29), st.ReverseY = at(30), st.ReverseZ = at(31);
    st.UnitIsMm = at(32), st.UnitIsInch = at(33);
    // The calibrations are whole loop counts, as they are written.
    st.LoopCalIn = RoundHalfEven(NumberOf(at(34)));
    st.PulseWidth = at(35);
    st.LoopCalMm = RoundHalfEven(NumberOf(at(36)));
    st.HomeSwitchEnabled = at(37), st.LimitSwitchEnabled = at(38);
    st.ZMoveHomingMode = at(39), st.ZMoveToLineMode = at(40), st.ToolChangeMode = at(41);
    st.ZMoveHomingDist = at(42), st.ZMoveToLineDist = at(43);
    st.HomeUsingSwitches = at(44), st.HomeUsingProgramZero = at(45), st.HomeUsingMachineZero = at(46);
    st.HomeMoveType = at(47), st.HomeFeedRate = at(48);

    st.LoadingConfig = true;
    ApplyConfigValues(texts);
    DeriveConfigValues();
    return true;
}

// Puts the values read into their controls, in file order. Setting an option runs its handler,
// as a click would; LoadingConfig keeps the unit handlers from converting anything.
void Cnc::ApplyConfigValues(const std::array<std::string, 48>& lines) {
    SettingsModel& f = settings;
    // A text control takes its line as it stands ("3.00" stays "3.00"), so that reading a file the
    // program wrote changes nothing; the staged value is what the machine works with.
    auto line = [&](int n) -> const std::string& {
        return lines[static_cast<std::size_t>(n - 1)];
    };
    auto state = [](const Value& v) {
        return static_cast<int>(NumberOf(v));
    };
    auto flag = [](const Value& v) {
        return std::get<bool>(v);
    };

    f.Combo2 = {line(1), line(2), line(3)};
    f.Combo1 = {line(4), line(5), line(6), line(7), line(8), line(9)};
    f.Combo6 = {line(10), line(11), line(12)};
    f.Combo3 = {line(13), line(14), line(15), line(16), line(17), line(18), line(19), line(20), line(21)};
    f.Combo8 = {line(22), line(23), line(24), line(25)};
    f.Combo7 = {line(26), line(27), line(28)};
    f.XReverse = state(st.ReverseX);
    f.YReverse = state(st.ReverseY);
    f.ZReverse = state(st.ReverseZ);
    SetOptionmm(flag(st.UnitIsMm));
    SetOptionIn(flag(st.UnitIsInch));
    f.Combo4 = line(35);
    f.Check1 = {state(st.HomeSwitchEnabled), state(st.LimitSwitchEnabled)};
    f.Combo5 = line(39);
    f.Combo10 = line(40);
    f.Combo9 = line(41);
    f.Text1 = line(42);
    f.Text2 = line(43);
    SetHomeOption(0, flag(st.HomeUsingSwitches));
    SetHomeOption(1, flag(st.HomeUsingProgramZero));
    SetHomeOption(2, flag(st.HomeUsingMachineZero));
    SetHomeMoveType(line(47));
    main.Text6 = line(48);
}

// Changes: UnitsPerStepX/Y/Z, LoopCal and the clock's iteration, the six masks, DirSignX/Y/Z,
// LoadingConfig, and the feed.
void Cnc::DeriveConfigValues() {
    st.UnitsPerStepX = NumberOf(st.LeadX) / NumberOf(st.StepsPerTurnX);
    st.UnitsPerStepY = NumberOf(st.LeadY) / NumberOf(st.StepsPerTurnY);
    st.UnitsPerStepZ = NumberOf(st.LeadZ) / NumberOf(st.StepsPerTurnZ);
    if (settings.OptionIn) {
        st.LoopCal = st.LoopCalIn;
    }
    if (settings.optionmm) {
        st.LoopCal = st.LoopCalMm;
    }
    // Offline practice runs at the feeds the settings and the program ask for, in real time, as
    // the machine will online: without a calibration the steps would come as fast as the ticks do
    // (a second's jog going metres). Any calibration gives the programmed feed (60 x X's step /
    // LoopCal seconds an iteration); this one counts in iterations of a nanosecond. It lives only
    // in LoopCal: tamo.cfg keeps its own values, and online a machine without a calibration still
    // refuses to move.
    if (st.Offline && !(st.LoopCal > 0)) {
        const double practice = 60e9 * std::fabs(st.UnitsPerStepX);
        st.LoopCal = std::isfinite(practice) && practice > 0 ? practice : 0;
    }
    st.StepMaskX = PinMask(st.StepPinX);
    st.DirMaskX = PinMask(st.DirPinX);
    st.StepMaskY = PinMask(st.StepPinY);
    st.DirMaskY = PinMask(st.DirPinY);
    st.StepMaskZ = PinMask(st.StepPinZ);
    st.DirMaskZ = PinMask(st.DirPinZ);
    st.DirSignX = NumberOf(st.ReverseX) == 0 ? -1 : 1;
    st.DirSignY = NumberOf(st.ReverseY) == 0 ? -1 : 1;
    st.DirSignZ = NumberOf(st.ReverseZ) == 0 ? -1 : 1;
    DeriveMachineSetup(); // its lengths follow the unit
    st.LoadingConfig = false;
    CalibrateClock();
    ComputeFeedDelay();
}

// Reads the file into the controls and derives the motion settings. No file yet (a first start):
// the controls' values are used as they stand. A file that cannot be used: the operator is told
// which line and why, the controls go back to their start-up values, and the file is set aside
// under a backup name of its own so that the next write cannot destroy it. Values that load but
// no wiring can mean are told once, at the first read: the start-up.
void Cnc::ReadConfig() {
    st.LoadingConfig = true;
    ConfigProblem.clear();
    ConfigSuspect.clear();
    config_write_blocked_ = false; // decided afresh by every read
    const bool first_read = !config_read_before_;
    config_read_before_ = true;
    if (ConfigPath.empty()) {
        (void)LoadConfigText(ConfigText());
        return;
    }
    const SettingsFileRead file = ReadSettingsFile(ConfigPath.string());
    if (file.missing) {
        (void)LoadConfigText(ConfigText());
        return;
    }
    if (!file.problem.empty()) {
        ConfigFileUnusable(file.problem);
        return;
    }
    if (!LoadConfigText(file.bytes)) {
        ConfigFileUnusable(ConfigProblem);
        return;
    }
    if (first_read && !ConfigSuspect.empty()) {
        std::string text = "The settings file " + ConfigPath.string() +
                           " holds settings that no wiring or machine can mean. They are used as they stand; "
                           "correct them in Setup > Settings:";
        for (const std::string& line : ConfigSuspect) {
            text += "\n" + line + ".";
        }
        op().ShowMessage(text, kAppTitle);
    }
}

void Cnc::ConfigFileUnusable(const std::string& problem) {
    const std::string file = ConfigPath.string();
    std::string text = "The settings file " + file + " cannot be used: " + problem + ".";
    if (!ConfigReadOnly) {
        text += SetUnusableFileAside(file, config_write_blocked_);
    }
    ConfigProblem = problem;
    ConfigSuspect.clear();
    settings = SettingsModel{};
    const MainWindowModel fresh;
    main.Option4 = fresh.Option4;
    main.Combo1 = fresh.Combo1;
    main.Text6 = fresh.Text6;
    main.Text6Enabled = fresh.Text6Enabled;
    (void)LoadConfigText(ConfigText());
    op().ShowMessage(text, kAppTitle);
}

bool Cnc::WriteConfig() {
    if (ConfigReadOnly || ConfigPath.empty()) {
        return true;
    }
    const std::string file = ConfigPath.string();
    // Settings that the next read would have to set aside (an edit left in the dialog after
    // "Cancel", saved by the speed test or by the exit) are never written over good ones.
    if (const std::string problem = SettingsProblem(false); !problem.empty()) {
        op().ShowMessage("The settings were not saved: " + problem + " The settings file keeps its former settings.",
                         kAppTitle);
        return false;
    }
    if (const std::string failure = SaveSettingsFile(file, ConfigText(), config_write_blocked_); !failure.empty()) {
        op().ShowMessage(failure, kAppTitle);
        return false;
    }
    return true;
}

} // namespace tamo
