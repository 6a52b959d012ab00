#pragma once

// The machine's travel, homing, spindle and coolant outputs and touch-off probe: settings that
// tamo.cfg has no line for. They live in a file of their own beside it (machine.cfg), one
// "key = value" a line, lengths in millimetres and feeds in millimetres per minute whatever the
// unit of tamo.cfg, so that switching the unit never converts them. Without the file nothing of it
// is in use: no travel, no outputs, no probe.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tamo {

// The "Machine" page of the settings: what its fields hold, as typed.
struct MachinePageModel {
    std::array<std::string, 3> TravelMin, TravelMax;         // mm, machine coordinates; both empty: no travel
    std::array<std::string, 3> HomeDirection{"-", "-", "+"}; // the way each axis seeks its switch
    std::string HomeXY = "together";                         // or "one after the other"
    std::string HomeSearch;                                  // mm; empty: the axis' travel plus 10 %
    std::string SpindlePin = "none";                         // 1 to 9, 14, 16, 17 or "none"
    std::string SpindleDirPin = "none";                      // raised for M4
    std::string FloodPin = "none";                           // M8
    std::string MistPin = "none";                            // M7
    std::string SpinUp = "2";                                // s after M3/M4 before the next move
    std::string Probe = "none";                              // level of pin 15 while the probe touches: "low", "high"
    std::string ProbeFeed = "20";                            // mm/min
    std::string ProbeDistance = "20";                        // mm: the longest way down
    std::string ProbeBackoff = "1";                          // mm: up again after the touch
    std::string PlateThickness = "0";                        // mm: Program Z at the touch
    // The switch lines: a status pin (10 to 13 or 15) and the level the pin has while the switch is
    // active. The defaults are the fixed wiring of every machine before these settings.
    std::string LimitPin = "10 low";
    std::array<std::string, 3> HomePin{"11 low", "12 low", "13 low"};
    std::array<std::string, 3> Acceleration; // mm/s^2 X, Y, Z; all empty: no planner
    std::string JunctionDeviation = "0.01";  // mm: how far a corner may be rounded
    bool Visible = false;
    const std::string* Refused = nullptr; // the field a refused "Ok" named
};

// One of the four outputs, where it is wired.
struct OutputPin {
    enum class Register : std::uint8_t { None, Data, Control };
    Register reg = Register::None;
    int mask = 0; // the register bit
    [[nodiscard]] bool wired() const { return reg != Register::None; }
};

// A switch on a line of the status register: the register bit of its pin, and the bit's value while
// the switch is active (the port inverts pin 11, so its bit reads 1 while the pin is low).
struct SwitchLine {
    int pin = 0;
    bool active_high = false; // the pin's level while the switch is active
    int mask = 0;
    int active_bits = 0;
    [[nodiscard]] bool Active(int status) const {
        return status >= 0 && status <= 255 && (status & mask) == active_bits;
    }
};

// The settings as motion control uses them, lengths in the unit of tamo.cfg.
struct MachineSetup {
    struct Travel {
        bool set = false;
        double min = 0, max = 0;
    };
    std::array<Travel, 3> travel{};
    std::array<int, 3> home_direction{-1, -1, 1};
    bool home_xy_together = true;
    double home_search = 0; // 0: the travel plus 10 %
    enum Output { Spindle, SpindleDir, Flood, Mist, kOutputs };
    std::array<OutputPin, kOutputs> outputs{};
    double spin_up_s = 0;
    int probe_level = -1; // the status bit value (0 or 1) of pin 15 while touching; -1 no probe
    double probe_feed = 0, probe_distance = 0, probe_backoff = 0, plate_thickness = 0;
    SwitchLine limit{10, false, 0x40, 0};
    std::array<SwitchLine, 3> home{{{11, false, 0x80, 0x80}, {12, false, 0x20, 0}, {13, false, 0x10, 0}}};
    // Per second squared and length, in the unit of tamo.cfg; all 0: the moves run as they always
    // did, with the sine ramps and no look-ahead.
    std::array<double, 3> accel{};
    double junction_deviation = 0;
    [[nodiscard]] bool Accelerates() const { return accel[0] > 0 && accel[1] > 0 && accel[2] > 0; }
    [[nodiscard]] bool AnyTravel() const { return travel[0].set || travel[1].set || travel[2].set; }
    [[nodiscard]] bool Uses(OutputPin::Register reg) const {
        for (const OutputPin& pin : outputs) {
            if (pin.reg == reg) {
                return true;
            }
        }
        return false;
    }
};

namespace machine {

// Keys in file order, with the field each fills.
inline constexpr int kKeys = 29;
// The first of the four switch pin keys (limit, home X, Y, Z).
inline constexpr int kFirstSwitchKey = 21;
// The first of the three acceleration keys (X, Y, Z), then the junction deviation.
inline constexpr int kFirstAccelerationKey = 25;
[[nodiscard]] const char* Key(int index);
// The field's caption on the "Machine" page, which the page's refusals name.
[[nodiscard]] const char* Caption(int index);
[[nodiscard]] std::string& Field(MachinePageModel& page, int index);
[[nodiscard]] const std::string& Field(const MachinePageModel& page, int index);
// What a field must hold, when it does not; empty when it is fine. data_pins: the data-register
// bits of the step and direction signals, which no output may take.
[[nodiscard]] std::string FieldProblem(int index, std::string_view text, int data_pins);
// What a first start writes: accelerations a small stepper mill keeps well within.
inline constexpr std::array<const char*, 3> kFirstAcceleration{"300", "300", "100"};
// Problems between fields: a travel with one end, accelerations for some axes only, a minimum not below its maximum,
// two outputs on one pin. Empty, or the message and the field it names.
struct CrossProblem {
    std::string text;
    int field = -1;
};
[[nodiscard]] CrossProblem PageProblem(const MachinePageModel& page);

// The switch line a text names ("10 low", "15 high"; a pin alone is active low); pin 0 when it names
// none.
[[nodiscard]] SwitchLine SwitchOnPin(std::string_view text);
// The switch lines in force, for the operator: "limit 10 (low), home X 11 (low), Y 12 (low), Z 13 (low)".
[[nodiscard]] std::string SwitchPinsText(const MachineSetup& setup);

// The pin an output text names: its register and bit; None for "none" and anything else.
[[nodiscard]] OutputPin OutputOnPin(std::string_view text);
// The control register's bits drive pins 1, 14, 16 and 17; pins 1, 14 and 17 are inverted by the
// port, so their bit reads 0 while the pin is high. This byte holds all four pins low.
inline constexpr int kControlAllLow = 0x0B;

} // namespace machine
} // namespace tamo
