#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

namespace tamo {

// What the windows' controls hold, as the core reads and writes them. A window shows its model,
// writes the operator's edits into it at once, and refreshes when the core says it changed.
// Members carry the controls' names; arrays are the indexed control groups.

// Check box states, as the file stores them.
inline constexpr int kUnchecked = 0;
inline constexpr int kChecked = 1;
inline constexpr int kGreyed = 2;

// The main window MDIForm1: the control panel and its homing group.
struct MainWindowModel {
    std::string Caption = "TamoCNC";
    std::string Overide = "100"; // feed override in percent, free text
    std::string Text2 = "0";     // effective feed
    std::string Text3 = "0";     // programmed feed
    std::string Text4;           // line in progress
    int Check1 = kUnchecked;     // "Constant contour on"

    // Readouts of the coordinate bar: program and machine X, Y, Z.
    std::array<std::string, 3> PrgOutlbl{"0.0000", "0.0000", "0.0000"};
    std::array<std::string, 3> MachOutLl{"0.0000", "0.0000", "0.0000"};

    // Run controls.
    bool Command7Enabled = true; // "Execute Program": off while the run loop runs
    bool Option2 = false;        // "Step"
    bool Option3 = true;         // "Continous"
    std::string Text1;           // the line shown by the step controls
    int StepLineNo = 0;          // its entry
    bool Timer1Enabled = false;  // auto-repeat of "Step forward in program"
    int Timer1Interval = 0;      // milliseconds
    int VisiblePage = 1;         // the Frame1 group in view: 0 line, 1 jog, 2 point, 3 run, 4 home

    // Jogging group: "Fast", "Med", "Slow", "Step".
    std::array<bool, 4> Option1{false, false, true, false};
    // The jog increments JogStep(0..3): 0.01, 0.1, 1 and 10 mm (0.001 to 1 in on an inch machine)
    // per press, one option group with Option1; -1 while one of Option1 is chosen.
    int JogIncrement = -1;
    bool KeyboardJog = false; // "Keyboard jog": the arrows and Page Up / Page Down jog

    bool AboutVisible = false;

    // Homing group: method options, move type, homing feed.
    std::array<bool, 3> Option4{true, false, false}; // "Using Home Switchs", "...Program Zero", "...Machine Zero"
    std::string Combo1 = "Rapid";                    // "Move:" ("Rapid" or "Feedrate")
    std::string Text6 = "100";                       // "Feedrate:"
    bool Text6Enabled = false;
};

// The settings dialog FormSettings: the live copies of 41 of the configuration's 48 values.
struct SettingsModel {
    std::array<std::string, 3> Combo7{"3.00", "3.00", "3.00"};       // lead per turn X, Y, Z
    std::array<std::string, 3> Combo2{"400", "400", "400"};          // steps per drive turn X, Y, Z
    std::array<std::string, 6> Combo1{"3", "2", "5", "4", "7", "6"}; // pins: X step, X dir, Y step, ...
    std::array<std::string, 3> Combo6{"0", "0", "15"};               // tool change position X, Y, Z
    std::array<std::string, 9> Combo3{"500", "200", "100", "500", "200", "100", "500", "200", "100"}; // jog rates
    std::array<std::string, 4> Combo8{"10", "11", "12", "13"}; // home switch pins X, Y, Z; limit switch pin
    int XReverse = kUnchecked, YReverse = kUnchecked, ZReverse = kUnchecked;
    bool optionmm = true;
    bool OptionIn = false;
    std::string Combo4 = "5";                          // pulse width
    std::array<int, 2> Check1{kUnchecked, kUnchecked}; // "Enable Home Switch", "Enable Limit Switch"
    std::string Combo5 = "Relative";                   // Z-axis move (Homing)
    std::string Combo10 = "Relative";                  // Z-axis move (To line)
    std::string Combo9 = "Rel.";                       // tool change Rel/Abs
    std::string Text1 = "10";                          // Z-axis move (Homing) distance
    std::string Text2 = "10";                          // Z-axis move (To line) distance

    bool Visible = false;
    std::string Label4 = "mm/";
    std::string Label18 = "(mm)";
    std::string Label24 = "(mm)";
    // The field a refused "Ok" named, for the window to put the focus on; null when none.
    const std::string* Refused = nullptr;
};

// The scale dialog ScaleForm: the four factors, as text, and the texts saved at its activation.
struct ScaleModel {
    std::array<std::string, 4> Combo1{"1", "1", "1", "1"}; // feed, X (and I), Y (and J), Z
    std::array<std::string, 4> Saved{"1", "1", "1", "1"};
    bool Visible = false;
    int Refused = -1; // the factor a refused "Ok" named, for the window to put the focus on
};

// The frame's status bar: what the operator should see at a glance besides the machine's state,
// the line and the times. Each text is set by the part that knows it; an empty one shows nothing.
struct StatusModel {
    std::string Port = "Offline"; // "Offline", or "Online" with the device that was opened
    std::string ConfigFile;       // the settings file in use
    std::string Check;            // after Open: how many errors and warnings the program check found
    std::string Notice;           // shown once: something the operator must know (why a request was refused)

    // Derived from the core's state whenever the windows show it (Cnc::UpdateStatus).
    std::string State;   // "Idle", "Running", "Paused", "Step mode", "Jogging", "Homing", "Speed test"
    std::string Line;    // "Line N of M"; empty without a program
    std::string Time;    // the run's elapsed time
    std::string Left;    // about how long is left, "no calibration", or empty when that is not known
    std::string Unit;    // of every length and readout: "mm" or "in", as the settings were last read
    std::string Machine; // the soft limits, and the spindle and coolant when they are wired
};

// The "Point" page: a point to move to and one G-code line to run, as the operator typed them.
struct ManualDataModel {
    std::array<std::string, 3> Axis; // X, Y, Z in program coordinates; empty: the axis stays
    std::string Feed = "100";        // length units per minute
    std::string Line;                // one program line
    int Refused = -1;                // the field a refusal named: 0..2 an axis, 3 the feed
    // The lines run, oldest first, each with its answer: "moved to X.. Y.. Z..", "refused: ..." or
    // "nothing moved: ...". At most kTypedLinesKept; the windows keep them from one start to the next.
    struct Typed {
        std::string Line;
        std::string Answer;
        bool operator==(const Typed&) const = default;
    };
    std::vector<Typed> History;
};
inline constexpr std::size_t kTypedLinesKept = 50;

// What the program check says of a typed line, given to "Run line" for its answer.
struct TypedLineReading {
    std::string finding; // its first finding, an error before a warning; empty: none
};

// The coordinate dialog Set_Prg_cord: created by a "Set" button, discarded by "Cancel".
struct CoordinateModel {
    bool Exists = false;
    bool Visible = false;
    std::string Caption; // "Set Program Coordinates" or "Set Machine Coordinates"
    std::array<std::string, 3> Combo1{"0.0000", "0.0000", "0.0000"};
    int Refused = -1; // the field a refused "OK" named, for the window to put the focus on
};

} // namespace tamo
