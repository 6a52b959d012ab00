// The machine's own settings file: travel, homing, outputs and probe, beside tamo.cfg.
//
// Read at start-up, written only by the "Machine" page's "Ok": a machine that never had the file
// gets none, and runs as it always has. It is read, set aside and replaced as tamo.cfg is (see
// settings_file.h); a line that cannot be used sets the whole file aside, so that a typing mistake
// never leaves half a travel in force.

#include "config/machine_settings.h"
#include "config/settings_file.h"
#include "interpreter/cnc.h"
#include "interpreter/numbers.h"
#include "platform/visible_text.h"

#include <cmath>
#include <string>

namespace tamo {
namespace machine {
namespace {

enum class Kind {
    Length,
    OptionalLength,
    OptionalDistance,
    Positive,
    Feed,
    Direction,
    HomeOrder,
    Pin,
    Seconds,
    ProbeLevel,
    OptionalPositive,
    Backoff,
    SwitchPin
};

struct Entry {
    const char* key;
    Kind kind;
    const char* caption; // on the "Machine" page
};

constexpr std::array<Entry, kKeys> kEntries{{
    {"travel_x_min_mm", Kind::OptionalLength, "Travel X minimum"},
    {"travel_x_max_mm", Kind::OptionalLength, "Travel X maximum"},
    {"travel_y_min_mm", Kind::OptionalLength, "Travel Y minimum"},
    {"travel_y_max_mm", Kind::OptionalLength, "Travel Y maximum"},
    {"travel_z_min_mm", Kind::OptionalLength, "Travel Z minimum"},
    {"travel_z_max_mm", Kind::OptionalLength, "Travel Z maximum"},
    {"home_direction_x", Kind::Direction, "Home switch X seek"},
    {"home_direction_y", Kind::Direction, "Home switch Y seek"},
    {"home_direction_z", Kind::Direction, "Home switch Z seek"},
    {"home_xy", Kind::HomeOrder, "Home X and Y"},
    {"home_search_mm", Kind::OptionalDistance, "Home switch search"},
    {"spindle_pin", Kind::Pin, "Spindle on (M3, M4)"},
    {"spindle_direction_pin", Kind::Pin, "Spindle direction (M4)"},
    {"flood_pin", Kind::Pin, "Flood coolant (M8)"},
    {"mist_pin", Kind::Pin, "Mist coolant (M7)"},
    {"spin_up_s", Kind::Seconds, "Spin-up"},
    {"probe", Kind::ProbeLevel, "Probe on pin 15 touches"},
    {"probe_feed_mm_per_min", Kind::Feed, "Probing feed"},
    {"probe_distance_mm", Kind::Positive, "Probing distance"},
    {"probe_backoff_mm", Kind::Backoff, "Back-off after the touch"},
    {"plate_thickness_mm", Kind::Length, "Plate thickness"},
    {"limit_pin", Kind::SwitchPin, "Limit switch pin"},
    {"home_pin_x", Kind::SwitchPin, "Home switch X pin"},
    {"home_pin_y", Kind::SwitchPin, "Home switch Y pin"},
    {"home_pin_z", Kind::SwitchPin, "Home switch Z pin"},
    {"acceleration_x_mm_per_s2", Kind::OptionalPositive, "Acceleration X"},
    {"acceleration_y_mm_per_s2", Kind::OptionalPositive, "Acceleration Y"},
    {"acceleration_z_mm_per_s2", Kind::OptionalPositive, "Acceleration Z"},
    {"junction_deviation_mm", Kind::Positive, "Junction deviation"},
}};

// The slowest feed a motion the operator starts may have: slower, a probing or a search of a few
// millimetres takes days (1e-320 would never take its first step).
constexpr double kMinFeedMmPerMin = 0.1;

// The longest a spin-up may hold the program: a minute is more than any spindle needs.
constexpr double kMaxSpinUpSeconds = 60;

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

bool Blank(std::string_view text) {
    return Trimmed(text).empty();
}

} // namespace

const char* Key(int index) {
    return kEntries[static_cast<std::size_t>(index)].key;
}

const char* Caption(int index) {
    return kEntries[static_cast<std::size_t>(index)].caption;
}

const std::string& Field(const MachinePageModel& page, int index) {
    return Field(const_cast<MachinePageModel&>(page), index);
}

std::string& Field(MachinePageModel& page, int index) {
    const auto i = static_cast<std::size_t>(index);
    if (index < 6) {
        return index % 2 == 0 ? page.TravelMin[i / 2] : page.TravelMax[i / 2];
    }
    if (index < 9) {
        return page.HomeDirection[i - 6];
    }
    if (index >= kFirstAccelerationKey && index < kFirstAccelerationKey + 3) {
        return page.Acceleration[i - kFirstAccelerationKey];
    }
    if (index == kFirstAccelerationKey + 3) {
        return page.JunctionDeviation;
    }
    std::string* rest[] = {&page.HomeXY,    &page.HomeSearch,    &page.SpindlePin,   &page.SpindleDirPin,
                           &page.FloodPin,  &page.MistPin,       &page.SpinUp,       &page.Probe,
                           &page.ProbeFeed, &page.ProbeDistance, &page.ProbeBackoff, &page.PlateThickness,
                           &page.LimitPin,  &page.HomePin[0],    &page.HomePin[1],   &page.HomePin[2]};
    return *rest[i - 9];
}

SwitchLine SwitchOnPin(std::string_view text) {
    text = Trimmed(text);
    const std::size_t blank = text.find_first_of(" \t");
    const std::string_view level = blank == std::string_view::npos ? std::string_view{} : Trimmed(text.substr(blank));
    const auto pin = ReadNumber(text.substr(0, blank));
    if (!pin || (level != "" && level != "low" && level != "high")) {
        return {};
    }
    // Pin, status bit, whether the port inverts it.
    constexpr std::array<std::array<int, 3>, 5> kStatusPins{
        {{10, 0x40, 0}, {11, 0x80, 1}, {12, 0x20, 0}, {13, 0x10, 0}, {15, 0x08, 0}}};
    for (const auto& [p, mask, inverted] : kStatusPins) {
        if (*pin == p) {
            const bool high = level == "high";
            const bool bit_set = high != (inverted != 0);
            return {p, high, mask, bit_set ? mask : 0};
        }
    }
    return {};
}

std::string SwitchPinsText(const MachineSetup& setup) {
    auto pin = [](const SwitchLine& line) {
        return std::to_string(line.pin) + (line.active_high ? " (high)" : " (low)");
    };
    return "limit " + pin(setup.limit) + ", home X " + pin(setup.home[0]) + ", Y " + pin(setup.home[1]) + ", Z " +
           pin(setup.home[2]);
}

OutputPin OutputOnPin(std::string_view text) {
    const auto pin = ReadNumber(Trimmed(text));
    if (!pin) {
        return {};
    }
    for (int p = 2; p <= 9; ++p) {
        if (*pin == p) {
            return {OutputPin::Register::Data, 1 << (p - 2)};
        }
    }
    constexpr std::array<std::pair<int, int>, 4> kControlPins{{{1, 0x01}, {14, 0x02}, {16, 0x04}, {17, 0x08}}};
    for (const auto& [p, mask] : kControlPins) {
        if (*pin == p) {
            return {OutputPin::Register::Control, mask};
        }
    }
    return {};
}

std::string FieldProblem(int index, std::string_view text, int data_pins) {
    const std::string_view t = Trimmed(text);
    const auto number = ReadNumber(t);
    switch (kEntries[static_cast<std::size_t>(index)].kind) {
    case Kind::OptionalLength:
        if (t.empty()) {
            return {};
        }
        [[fallthrough]];
    case Kind::Length:
        return number && std::fabs(*number) < 1e6 ? "" : "must be a length in mm";
    case Kind::OptionalDistance:
        if (t.empty()) {
            return {};
        }
        return number && *number >= 0 && *number < 1e6 ? "" : "must be a distance in mm, 0 or above";
    case Kind::OptionalPositive:
        if (t.empty()) {
            return {};
        }
        [[fallthrough]];
    case Kind::Positive:
        return number && *number > 0 && *number < 1e6 ? "" : "must be a number above 0";
    case Kind::Feed:
        return number && *number >= kMinFeedMmPerMin && *number < 1e6 ? "" : "must be a feed of 0.1 mm/min or above";
    case Kind::Backoff:
        return number && *number >= 0 && *number < 1e6 ? "" : "must be a number, 0 or above";
    case Kind::Seconds:
        return number && *number >= 0 && *number <= kMaxSpinUpSeconds ? "" : "must be 0 to 60 seconds";
    case Kind::Direction:
        return t == "-" || t == "+" ? "" : "must be - or +";
    case Kind::HomeOrder:
        return t == "together" || t == "one after the other" ? "" : "must be \"together\" or \"one after the other\"";
    case Kind::ProbeLevel:
        return t == "none" || t == "low" || t == "high" ? "" : "must be none, low or high";
    case Kind::SwitchPin:
        return SwitchOnPin(t).pin != 0 ? "" : "must be a status pin 10 to 13 or 15, then low or high (\"10 low\")";
    case Kind::Pin: {
        if (t == "none") {
            return {};
        }
        const OutputPin pin = OutputOnPin(t);
        if (!pin.wired()) {
            return "must be none, a data pin 2 to 9 or a control pin 1, 14, 16 or 17";
        }
        if (pin.reg == OutputPin::Register::Data && (pin.mask & data_pins) != 0) {
            return "is a step or direction pin";
        }
        return {};
    }
    }
    return {};
}

CrossProblem PageProblem(const MachinePageModel& page) {
    constexpr std::array<const char*, 3> kAxis{"X", "Y", "Z"};
    for (std::size_t a = 0; a < 3; ++a) {
        const bool has_min = !Blank(page.TravelMin[a]);
        const bool has_max = !Blank(page.TravelMax[a]);
        const int field = static_cast<int>(2 * a);
        if (has_min != has_max) {
            return {std::string("The travel of ") + kAxis[a] + " needs both its minimum and its maximum, or neither.",
                    has_min ? field + 1 : field};
        }
        if (has_min && !(ReadNumber(Trimmed(page.TravelMin[a])).value_or(0) <
                         ReadNumber(Trimmed(page.TravelMax[a])).value_or(0))) {
            return {std::string("The travel of ") + kAxis[a] + " must have its minimum below its maximum.", field + 1};
        }
    }
    for (int i = kFirstSwitchKey; i < kFirstSwitchKey + 4; ++i) {
        const int pin = SwitchOnPin(Field(page, i)).pin;
        for (int j = kFirstSwitchKey; j < i; ++j) {
            if (pin != 0 && pin == SwitchOnPin(Field(page, j)).pin) {
                return {std::string(Caption(j)) + " and " + Caption(i) + " name the same pin, " + std::to_string(pin) +
                            ".",
                        i};
            }
        }
        if (pin == 15 && Trimmed(page.Probe) != "none") {
            return {std::string(Caption(i)) + " names pin 15, which the probe reads.", i};
        }
    }
    const int accelerations =
        !Blank(page.Acceleration[0]) + !Blank(page.Acceleration[1]) + !Blank(page.Acceleration[2]);
    if (accelerations != 0 && accelerations != 3) {
        for (int a = 0; a < 3; ++a) {
            if (Blank(page.Acceleration[static_cast<std::size_t>(a)])) {
                return {"The accelerations need all three axes, or none (the moves then run without them).",
                        kFirstAccelerationKey + a};
            }
        }
    }
    for (int i = 11; i < 15; ++i) {
        const OutputPin a = OutputOnPin(Field(page, i));
        for (int j = 11; j < i; ++j) {
            const OutputPin b = OutputOnPin(Field(page, j));
            if (a.wired() && a.reg == b.reg && a.mask == b.mask) {
                return {std::string(Caption(j)) + " and " + Caption(i) + " name the same pin, " +
                            std::string(Trimmed(Field(page, i))) + ".",
                        i};
            }
        }
    }
    return {};
}

} // namespace machine

namespace {

int StepAndDirectionPins(const MachineState& st) {
    return st.StepMaskX | st.StepMaskY | st.StepMaskZ | st.DirMaskX | st.DirMaskY | st.DirMaskZ;
}

} // namespace

std::string Cnc::MachineSettingsText() const {
    std::string text = "# TamoCNC machine settings (Setup > Machine): lengths in mm, feeds in mm/min, times in s,\n"
                       "# accelerations in mm/s^2 (none: the moves ramp as they always did).\n";
    for (int i = 0; i < machine::kKeys; ++i) {
        text += std::string(machine::Key(i)) + " = " + machine::Field(machine_page, i) + "\n";
    }
    return text;
}

// Why the text cannot be used, naming the line; empty when it can, and the page then holds it.
std::string Cnc::LoadMachineSettingsText(std::string_view text) {
    MachinePageModel page;
    std::array<bool, machine::kKeys> seen{};
    int line_no = 0;
    bool any = false;
    for (const std::string_view raw : SettingsLines(text)) {
        ++line_no;
        const std::string_view line = machine::Trimmed(raw);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const std::string where = "line " + std::to_string(line_no);
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            return where + " holds no \"key = value\": " + QuoteForMessage(line);
        }
        const std::string_view key = machine::Trimmed(line.substr(0, equals));
        const std::string_view value = machine::Trimmed(line.substr(equals + 1));
        int index = -1;
        for (int i = 0; i < machine::kKeys; ++i) {
            if (key == machine::Key(i)) {
                index = i;
            }
        }
        if (index < 0) {
            return where + " names no setting: " + QuoteForMessage(key);
        }
        if (seen[static_cast<std::size_t>(index)]) {
            return where + " sets " + std::string(key) + " a second time";
        }
        seen[static_cast<std::size_t>(index)] = true;
        if (const std::string rule = machine::FieldProblem(index, value, StepAndDirectionPins(st)); !rule.empty()) {
            return where + " (" + std::string(key) + ") holds " + QuoteForMessage(value) + " but " + rule;
        }
        machine::Field(page, index) = value;
        any = true;
    }
    if (!any && !text.empty()) {
        // Every line a comment or blank, or the whole file one line that ends in none of the line
        // ends: the operator meant settings, and none is in force.
        return "it holds no setting (no line of the form \"key = value\"), so no travel, homing, outputs or probe "
               "would be in force";
    }
    if (const machine::CrossProblem cross = machine::PageProblem(page); !cross.text.empty()) {
        return cross.text;
    }
    page.Visible = machine_page.Visible;
    machine_page = page;
    return {};
}

void Cnc::ReadMachineSettings() {
    machine_write_blocked_ = false;
    if (!MachinePath.empty()) {
        const std::string file = MachinePath.string();
        const SettingsFileRead read = ReadSettingsFile(file);
        std::string problem = read.problem;
        if (!read.missing && problem.empty()) {
            problem = LoadMachineSettingsText(read.bytes);
        }
        if (read.missing && problem.empty() && !ConfigReadOnly) {
            // A first start: the moves get accelerations that a small mill keeps well within.
            for (std::size_t a = 0; a < 3; ++a) {
                machine_page.Acceleration[a] = machine::kFirstAcceleration[a];
            }
            (void)WriteMachineSettings();
        }
        if (!problem.empty()) {
            MachineProblem = problem;
            std::string text = "The machine settings file " + file + " cannot be used: " + problem + ".";
            if (!ConfigReadOnly) {
                text += SetUnusableFileAside(file, machine_write_blocked_);
            }
            machine_page = MachinePageModel{};
            op().ShowMessage(text, kAppTitle);
        }
    }
    DeriveMachineSetup();
}

bool Cnc::WriteMachineSettings() {
    if (ConfigReadOnly || MachinePath.empty()) {
        return true;
    }
    const std::string failure = SaveSettingsFile(MachinePath.string(), MachineSettingsText(), machine_write_blocked_);
    if (!failure.empty()) {
        op().ShowMessage(failure, kAppTitle);
        return false;
    }
    return true;
}

// Changes: setup, and what the signal handlers write when the process ends.
void Cnc::DeriveMachineSetup() {
    const MachinePageModel& p = machine_page;
    const double unit = settings.OptionIn ? 1 / 25.4 : 1.0; // the file's mm in the unit of tamo.cfg
    auto length = [unit](const std::string& text) {
        return ReadNumber(machine::Trimmed(text)).value_or(0) * unit;
    };
    MachineSetup s;
    for (std::size_t a = 0; a < 3; ++a) {
        s.travel[a].set = ReadNumber(machine::Trimmed(p.TravelMin[a])) && ReadNumber(machine::Trimmed(p.TravelMax[a]));
        s.travel[a].min = length(p.TravelMin[a]);
        s.travel[a].max = length(p.TravelMax[a]);
        s.home_direction[a] = machine::Trimmed(p.HomeDirection[a]) == "+" ? 1 : -1;
    }
    s.home_xy_together = machine::Trimmed(p.HomeXY) != "one after the other";
    s.home_search = length(p.HomeSearch);
    const std::array<const std::string*, MachineSetup::kOutputs> pins{&p.SpindlePin, &p.SpindleDirPin, &p.FloodPin,
                                                                      &p.MistPin};
    const int taken = StepAndDirectionPins(st);
    for (std::size_t o = 0; o < pins.size(); ++o) {
        s.outputs[o] = machine::OutputOnPin(*pins[o]);
        if (s.outputs[o].reg == OutputPin::Register::Data && (s.outputs[o].mask & taken) != 0) {
            s.outputs[o] = {}; // never over a step or direction signal
        }
    }
    s.spin_up_s = ReadNumber(machine::Trimmed(p.SpinUp)).value_or(0);
    const std::string_view probe = machine::Trimmed(p.Probe);
    s.probe_level = probe == "high" ? 1 : probe == "low" ? 0 : -1;
    s.probe_feed = length(p.ProbeFeed);
    s.probe_distance = length(p.ProbeDistance);
    s.probe_backoff = length(p.ProbeBackoff);
    s.plate_thickness = length(p.PlateThickness);
    if (const SwitchLine limit = machine::SwitchOnPin(p.LimitPin); limit.pin != 0) {
        s.limit = limit;
    }
    for (std::size_t a = 0; a < 3; ++a) {
        if (const SwitchLine home = machine::SwitchOnPin(p.HomePin[a]); home.pin != 0) {
            s.home[a] = home;
        }
    }
    for (std::size_t a = 0; a < 3; ++a) {
        s.accel[a] = length(p.Acceleration[a]);
    }
    if (!s.Accelerates()) {
        s.accel = {};
    }
    s.junction_deviation = ReadNumber(machine::Trimmed(p.JunctionDeviation)).value_or(0.01) * unit;
    setup = s;
    ArmOutputsOffOnExit();
}

void Cnc::ShowMachinePage() {
    machine_shown_ = machine_page;
    machine_page.Visible = true;
    machine_page.Refused = nullptr;
    op().ModelsChanged();
}

bool Cnc::MachinePageOk() {
    machine_page.Refused = nullptr;
    for (int i = 0; i < machine::kKeys; ++i) {
        const std::string& text = machine::Field(machine_page, i);
        if (const std::string rule = machine::FieldProblem(i, text, StepAndDirectionPins(st)); !rule.empty()) {
            machine_page.Refused = &text;
            op().ShowMessage(std::string(machine::Caption(i)) + " " + rule + ": nothing was saved.", kAppTitle);
            return false;
        }
        if (text.find_first_of("\r\n") != std::string::npos) {
            machine_page.Refused = &text;
            op().ShowMessage(std::string(machine::Caption(i)) + " must be one line: nothing was saved.", kAppTitle);
            return false;
        }
    }
    if (const machine::CrossProblem cross = machine::PageProblem(machine_page); !cross.text.empty()) {
        machine_page.Refused = &machine::Field(machine_page, cross.field);
        op().ShowMessage(cross.text + " Nothing was saved.", kAppTitle);
        return false;
    }
    if (!WriteMachineSettings()) {
        return false;
    }
    OutputsOff(); // where they are wired now, before they move
    DeriveMachineSetup();
    WriteOutputs(); // and off where they are wired from now on
    machine_page.Visible = false;
    op().ModelsChanged();
    return true;
}

void Cnc::MachinePageCancel() {
    if (machine_shown_) {
        machine_page = *machine_shown_;
    }
    machine_page.Visible = false;
    op().ModelsChanged();
}

} // namespace tamo
