#pragma once

#include "interpreter/cnc.h"
#include "platform/clock.h"
#include "platform/recording_surface.h"
#include "platform/scripted_operator.h"
#include "platform/sim_port.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace tamo::sim {

// Options every face of the headless tool shares.
struct MachineOptions {
    std::string config;           // --config: read, never written
    std::string scale;            // --scale F,X,Y,Z
    std::string machine_settings; // --machine: read, never written
    bool offline = false;
};

// The machine on a simulated port, run by an operator who confirms every message.
struct SimMachine {
    SimulatedPort port;
    FakeClock clock;
    ScriptedOperator op;
    NullSurface view;
    Cnc cnc{port, clock, op, view};
    // What the start-up told the operator (settings that load but no wiring can mean).
    std::vector<std::string> startup_messages;
};

// Starts the machine as the program starts. Empty on success, else what is wrong (for standard
// error, with exit status 2).
[[nodiscard]] std::string StartMachine(SimMachine& machine, const MachineOptions& options);

// File > Open of the program, as the window opens one. Empty when it was read whole, else
// "cannot read PROGRAM: why" (for standard error, with exit status 2).
[[nodiscard]] std::string OpenProgram(SimMachine& machine, const std::string& program);

// The four scale texts of "F,X,Y,Z", each a number; empty when the text is not that.
[[nodiscard]] std::optional<std::array<std::string, 4>> ParseScale(const std::string& text);

} // namespace tamo::sim
