// What every saved setting must hold: one table of the 48 lines of tamo.cfg, for the reader, the
// writer, which never writes what the next read would set aside, and the settings dialog's "Ok",
// which refuses a typed value with a message naming its field.

#include "config/settings_checks.h"

#include "platform/visible_text.h"

#include "interpreter/cnc.h"
#include "interpreter/numbers.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace tamo {
namespace config {
namespace {

enum class Need {
    Anything,    // stored and shown, but nothing acts on it
    Flag,        // True or False, read by the reader itself
    Check,       // a check box state: 0, 1 or 2
    NonZero,     // divides the lead into the step size
    JogRate,     // divides the calibration into a delay: a busy wait
    DataPin,     // a number; suspect unless it names a data pin, 2 to 9
    StatusPin,   // kept as stored: the switch pins in force are the machine settings'
    Calibration, // a whole loop count that every delay is made of; blank: never calibrated
    PulseWidth,  // a busy wait of its own on every step
};

struct LineRule {
    Need need;
    const char* what;
};

// Line n of the file is kRules[n - 1].
constexpr std::array<LineRule, kConfigLines> kRules{{
    {Need::NonZero, "steps per turn of X"},
    {Need::NonZero, "steps per turn of Y"},
    {Need::NonZero, "steps per turn of Z"},
    {Need::DataPin, "X step pin"},
    {Need::DataPin, "X direction pin"},
    {Need::DataPin, "Y step pin"},
    {Need::DataPin, "Y direction pin"},
    {Need::DataPin, "Z step pin"},
    {Need::DataPin, "Z direction pin"},
    {Need::Anything, "tool change position X"},
    {Need::Anything, "tool change position Y"},
    {Need::Anything, "tool change position Z"},
    {Need::JogRate, "fast jog rate of X"},
    {Need::JogRate, "medium jog rate of X"},
    {Need::JogRate, "slow jog rate of X"},
    {Need::JogRate, "fast jog rate of Y"},
    {Need::JogRate, "medium jog rate of Y"},
    {Need::JogRate, "slow jog rate of Y"},
    {Need::JogRate, "fast jog rate of Z"},
    {Need::JogRate, "medium jog rate of Z"},
    {Need::JogRate, "slow jog rate of Z"},
    {Need::StatusPin, "X home switch pin"},
    {Need::StatusPin, "Y home switch pin"},
    {Need::StatusPin, "Z home switch pin"},
    {Need::StatusPin, "limit switch pin"},
    {Need::NonZero, "lead per turn of X"},
    {Need::NonZero, "lead per turn of Y"},
    {Need::NonZero, "lead per turn of Z"},
    {Need::Check, "X reverse setting"},
    {Need::Check, "Y reverse setting"},
    {Need::Check, "Z reverse setting"},
    {Need::Flag, "millimetre unit option"},
    {Need::Flag, "inch unit option"},
    {Need::Calibration, "inch loop calibration"},
    {Need::PulseWidth, "pulse width"},
    {Need::Calibration, "millimetre loop calibration"},
    {Need::Check, "home switch setting"},
    {Need::Check, "limit switch setting"},
    {Need::Anything, "Z move when homing"},
    {Need::Anything, "Z move to a line"},
    {Need::Anything, "tool change mode"},
    {Need::Anything, "Z move distance when homing"},
    {Need::Anything, "Z move distance to a line"},
    {Need::Flag, "homing with the home switches"},
    {Need::Flag, "homing to program zero"},
    {Need::Flag, "homing to machine zero"},
    {Need::Anything, "homing move type"},
    {Need::Anything, "homing feed rate"},
}};

const LineRule& Rule(int n) {
    return kRules[static_cast<std::size_t>(n - 1)];
}

bool WholeFromTo(double value, double low, double high) {
    return value >= low && value <= high && value == std::floor(value);
}

LineVerdict Unusable(std::string rule) {
    return {Verdict::Unusable, std::move(rule)};
}

LineVerdict Suspect(std::string rule) {
    return {Verdict::Suspect, std::move(rule)};
}

} // namespace

Form LineForm(int n) {
    switch (Rule(n).need) {
    case Need::Flag:
        return Form::Flag;
    case Need::Check:
        return Form::Check;
    case Need::Calibration:
        return Form::Whole;
    default:
        return Form::Text;
    }
}

const char* LineWhat(int n) {
    return Rule(n).what;
}

std::string LineName(int n) {
    return "line " + std::to_string(n) + " (" + LineWhat(n) + ")";
}

std::string Quote(std::string_view text) {
    return QuoteForMessage(text);
}

int DataPin(std::string_view text) {
    const auto pin = ReadNumber(text);
    return pin && WholeFromTo(*pin, 2, 9) ? static_cast<int>(*pin) : 0;
}

LineVerdict CheckLine(int n, std::string_view text) {
    const auto number = ReadNumber(text);
    switch (Rule(n).need) {
    case Need::Anything:
    case Need::Flag:
        return {};
    case Need::Check:
        if (!number || (*number != kUnchecked && *number != kChecked && *number != kGreyed)) {
            return Unusable("must be 0, 1 or 2");
        }
        return {};
    case Need::NonZero:
        return number && *number != 0 ? LineVerdict{} : Unusable("must be a number other than 0");
    case Need::JogRate:
        if (!number || !(*number > 0)) {
            return Unusable("must be a number above 0");
        }
        if (*number < kMinJogRate || *number > kMaxJogRate) {
            return Unusable("must be a rate from " + FormatNumber(kMinJogRate) + " to " + FormatNumber(kMaxJogRate) +
                            " a minute");
        }
        return {};
    case Need::DataPin:
        if (!number) {
            return Unusable("must be a number");
        }
        return DataPin(text) != 0 ? LineVerdict{} : Suspect("must be a whole number from 2 to 9, a data pin");
    case Need::StatusPin:
        // Kept as stored, never read: the switches are read on the pins the machine settings name
        // (limit_pin, home_pin_x/y/z in machine.cfg), which Setup > Settings shows read-only here.
        return {};
    case Need::Calibration:
        if (!number) {
            // Never calibrated: written as a blank, read as 0.
            return text.find_first_not_of(" \t") == std::string_view::npos ? LineVerdict{}
                                                                           : Unusable("must be a whole number");
        }
        if (*number > kMaxLoopCal) {
            return Unusable("must not be above " + FormatNumber(kMaxLoopCal) + ", more than any computer counts");
        }
        return *number < 0 ? Suspect("must not be negative: no step would wait") : LineVerdict{};
    case Need::PulseWidth:
        if (!number) {
            return Unusable("must be a number");
        }
        if (*number > kMaxPulseWidth) {
            return Unusable("must not be above " + FormatNumber(kMaxPulseWidth) + " iterations");
        }
        return *number < 0 ? Suspect("must not be negative: the step pulse would have no width") : LineVerdict{};
    }
    return {};
}

bool StepSizeUsable(double lead, double steps_per_turn) {
    const double step = lead / steps_per_turn;
    return std::isfinite(step) && step != 0;
}

std::vector<std::pair<int, int>> SharedPins(const std::array<std::string_view, 6>& pins) {
    std::vector<std::pair<int, int>> shared;
    for (int a = 0; a < 6; ++a) {
        for (int b = a + 1; b < 6; ++b) {
            const int pin = DataPin(pins[static_cast<std::size_t>(a)]);
            if (pin != 0 && pin == DataPin(pins[static_cast<std::size_t>(b)])) {
                shared.emplace_back(a, b);
            }
        }
    }
    return shared;
}

} // namespace config

namespace {

using config::CheckLine;
using config::Verdict;

struct Field {
    const std::string* text;
    std::string name; // in the dialog's own words
    int line;
};

const std::array<const char*, 3> kAxes{"X", "Y", "Z"};

// Every text that WriteConfig writes, in file order, with its line.
std::vector<Field> SavedTexts(const SettingsModel& f, const MainWindowModel& main) {
    std::vector<Field> fields;
    for (std::size_t a = 0; a < 3; ++a) {
        fields.push_back({&f.Combo2[a], std::string("Steps / Drive turn, ") + kAxes[a], 1 + static_cast<int>(a)});
    }
    for (std::size_t a = 0; a < 3; ++a) {
        fields.push_back({&f.Combo1[2 * a], std::string("Pin number Step, ") + kAxes[a], 4 + 2 * static_cast<int>(a)});
        fields.push_back(
            {&f.Combo1[2 * a + 1], std::string("Pin number Dir, ") + kAxes[a], 5 + 2 * static_cast<int>(a)});
    }
    for (std::size_t a = 0; a < 3; ++a) {
        fields.push_back(
            {&f.Combo6[a], std::string("Tool Change Pos. ") + kAxes[a] + "-Axis", 10 + static_cast<int>(a)});
    }
    const std::array<const char*, 3> speeds{"Fast", "Medium", "Slow"};
    for (std::size_t a = 0; a < 3; ++a) {
        for (std::size_t s = 0; s < 3; ++s) {
            fields.push_back({&f.Combo3[3 * a + s], std::string("Jog rates (G00=Fast) ") + speeds[s] + ", " + kAxes[a],
                              13 + static_cast<int>(3 * a + s)});
        }
    }
    for (std::size_t a = 0; a < 3; ++a) {
        fields.push_back({&f.Combo8[a], std::string("Home switch Pin Number, ") + kAxes[a], 22 + static_cast<int>(a)});
    }
    fields.push_back({&f.Combo8[3], "Limit switch Pin Number", 25});
    for (std::size_t a = 0; a < 3; ++a) {
        fields.push_back({&f.Combo7[a], f.Label4 + " Lead turn, " + kAxes[a], 26 + static_cast<int>(a)});
    }
    fields.push_back({&f.Combo4, "Pulse Width", 35});
    fields.push_back({&f.Combo5, "Z-axis move (Homing)", 39});
    fields.push_back({&f.Combo10, "Z-axis move (To line)", 40});
    fields.push_back({&f.Combo9, "Rel/Abs", 41});
    fields.push_back({&f.Text1, "Z-axis move (Homing) distance", 42});
    fields.push_back({&f.Text2, "Z-axis move (To line) distance", 43});
    fields.push_back({&main.Combo1, "Home, Move", 47});
    fields.push_back({&main.Text6, "Home, Feedrate", 48});
    return fields;
}

// Empty when the field can be written and serves; otherwise the message that names it.
std::string FieldProblem(const Field& field, bool typed) {
    // A reader that takes the file as delimited items, the form it has always had, ends a value at
    // a comma and drops double quotes; a line break would shift every later line. Our own reader
    // reads whole lines, so a file that already holds such a value stays readable and is written
    // back as it came; only a new entry in the dialog is kept to the portable form.
    if (typed && field.text->find_first_of(",\"\r\n") != std::string::npos) {
        return field.name + ": a comma, a double quote or a line break cannot be saved in the settings.";
    }
    const config::LineVerdict check = CheckLine(field.line, *field.text);
    if (check.verdict == Verdict::Unusable || (typed && check.verdict == Verdict::Suspect)) {
        return field.name + " " + check.rule + ".";
    }
    return {};
}

// Why settings cannot be saved, and the field the dialog puts the focus on (none for a
// calibration, which no field holds).
struct Refusal {
    std::string message;
    const std::string* field = nullptr;
};

// The first problem, in file order of the fields, then across fields. The writer refuses only what
// the next read would set aside, so that a stored file with suspect values is written back as it
// came; the dialog (typed) refuses those too.
Refusal FirstProblem(const SettingsModel& settings, const MainWindowModel& main, const MachineState& st, bool typed) {
    const std::vector<Field> fields = SavedTexts(settings, main);
    for (const Field& field : fields) {
        if (std::string problem = FieldProblem(field, typed); !problem.empty()) {
            return {std::move(problem), field.text};
        }
    }
    for (std::size_t a = 0; a < 3; ++a) {
        if (!config::StepSizeUsable(ReadNumber(settings.Combo7[a]).value_or(0),
                                    ReadNumber(settings.Combo2[a]).value_or(0))) {
            return {settings.Label4 + " Lead turn, " + kAxes[a] + " divided by Steps / Drive turn, " + kAxes[a] +
                        " gives no step size a machine can make.",
                    &settings.Combo2[a]};
        }
    }
    const std::array<std::pair<int, double>, 2> calibrations{{{34, st.LoopCalIn}, {36, st.LoopCalMm}}};
    for (const auto& [line, value] : calibrations) {
        const config::LineVerdict check = CheckLine(line, FormatNumber(RoundHalfEven(value)));
        if (check.verdict == Verdict::Unusable) {
            return {std::string("The ") + config::LineWhat(line) + " of the speed test " + check.rule + "."};
        }
    }
    if (typed) {
        // Two outputs on one pin: the drivers would see one signal where the wiring has two.
        std::array<std::string_view, 6> pins;
        for (std::size_t i = 0; i < pins.size(); ++i) {
            pins[i] = settings.Combo1[i];
        }
        if (const auto shared = config::SharedPins(pins); !shared.empty()) {
            const auto a = static_cast<std::size_t>(shared.front().first);
            const auto b = static_cast<std::size_t>(shared.front().second);
            return {fields[3 + a].name + " and " + fields[3 + b].name + " are both pin " +
                        std::to_string(config::DataPin(settings.Combo1[a])) + ": each output needs a pin of its own.",
                    &settings.Combo1[b]};
        }
        // Slow, medium and fast name an order: a medium rate above the fast one jogs fastest at
        // "Medium". Each is a number by now.
        for (std::size_t a = 0; a < 3; ++a) {
            const std::size_t fast = 3 * a;
            for (const std::size_t slower : {fast + 2, fast + 1}) {
                const std::size_t faster = slower - 1;
                if (ReadNumber(settings.Combo3[slower]).value_or(0) > ReadNumber(settings.Combo3[faster]).value_or(0)) {
                    return {fields[12 + slower].name + " must not be above " + fields[12 + faster].name + ".",
                            &settings.Combo3[slower]};
                }
            }
        }
    }
    return {};
}

} // namespace

std::string Cnc::SettingsProblem(bool typed) const {
    return FirstProblem(settings, main, st, typed).message;
}

const std::string* Cnc::SettingsProblemField(bool typed) const {
    return FirstProblem(settings, main, st, typed).field;
}

} // namespace tamo
