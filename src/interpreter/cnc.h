#pragma once

#include "interpreter/machine_state.h"
#include "interpreter/models.h"
#include "platform/clock.h"
#include "platform/operator.h"
#include "platform/port.h"
#include "platform/surface.h"

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

namespace tamo {

inline constexpr const char* kAppTitle = "TamoCNC";

// The controller: the one machine state, the models of the windows' controls and the seams to
// the outside. Its procedures take no parameters; they work on the state and the models, and are
// defined one file per part, in the folder of their subsystem.
class Cnc {
public:
    Cnc(Port& port, Clock& clock, Operator& op, Surface& view);

    MachineState st;
    MainWindowModel main;
    SettingsModel settings;
    ScaleModel scale;

    // Where tamo.cfg lives. Empty: there is no file, and the start-up values are used.
    std::filesystem::path ConfigPath;
    // Read the file but never write, rename or back it up (the headless tool's --config).
    bool ConfigReadOnly = false;
    // Why the last ReadConfig could not use the file; empty when it could (or there was none).
    std::string ConfigProblem;
    // Outer width of the toolpath view in twips, which sets the live-trace spacing.
    double ViewWidthTwips = 7170;

    void set_port(Port& port) { port_ = &port; }
    [[nodiscard]] Port& port() { return *port_; }
    [[nodiscard]] Clock& clock() { return *clock_; }
    [[nodiscard]] Operator& op() { return *op_; }
    [[nodiscard]] Surface& view() { return *view_; }

    // Start-up of the core, after the safety agreement: configuration read and written back,
    // empty view 0..200, positions zero.
    void StartUp(bool offline);

    // interpreter/program_loading.cpp
    [[nodiscard]] std::string ReadProgramItems(const std::string& path);

    // interpreter/line_parser.cpp
    void ParseLine();
    void ToolChangePrompt();

    // motion/feed_timing.cpp
    void ComputeFeedDelay();

    // motion/step_output.cpp
    void StepPulse();
    [[nodiscard]] static int PinMask(const Value& pin);

    // motion/switches.cpp
    void CheckSwitches();

    // config/config_file.cpp
    void ReadConfig();
    // False when the file could not be written; the operator has been told why and the old file
    // is whole.
    bool WriteConfig();
    // The 48 lines that WriteConfig writes, from the controls and the two calibrations.
    [[nodiscard]] std::string ConfigText() const;
    // ReadConfig's reading of a file's text: false, with ConfigProblem set and nothing changed,
    // when the text cannot be used.
    bool LoadConfigText(std::string_view text);

    // config/settings_dialog.cpp: the unit options behave as one option group.
    void SetOptionmm(bool selected);
    void SetOptionIn(bool selected);

    // The main window's homing move type: enables the homing feed unless it is "Rapid".
    void SetHomeMoveType(const std::string& text);
    // The homing method options, one option group.
    void SetHomeOption(int index, bool selected);

    // view/toolpath_preview.cpp
    void UpdatePlotStep();

private:
    void OptionInSelected();
    void OptionmmSelected();
    void ApplyConfigValues(const std::array<std::string, 48>& lines);
    void DeriveConfigValues();
    void ConfigFileUnusable(const std::string& problem);
    bool config_write_blocked_ = false; // an unusable file could not be set aside
    [[nodiscard]] double ScaleFactor(int index) const;

    Port* port_;
    Clock* clock_;
    Operator* op_;
    Surface* view_;
};

} // namespace tamo
