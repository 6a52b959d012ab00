#include "sim/sim_machine.h"

#include "interpreter/numbers.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace tamo::sim {

std::optional<std::array<std::string, 4>> ParseScale(const std::string& text) {
    std::array<std::string, 4> fields;
    std::size_t start = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::size_t comma = text.find(',', start);
        if ((comma == std::string::npos) != (i == fields.size() - 1)) {
            return std::nullopt;
        }
        fields[i] = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (!ReadNumber(fields[i])) {
            return std::nullopt;
        }
        start = comma + 1;
    }
    return fields;
}

std::string OpenProgram(SimMachine& machine, const std::string& program) {
    machine.op.QueueFile(program);
    machine.cnc.Open_Menu();
    if (!machine.cnc.OpenProblem.empty()) {
        return "cannot read " + program + ": " + machine.cnc.OpenProblem;
    }
    if (machine.cnc.main.Caption == kAppTitle) {
        return "cannot read " + program; // no file was chosen: Open said nothing
    }
    return {};
}

std::string StartMachine(SimMachine& machine, const MachineOptions& options) {
    Cnc& cnc = machine.cnc;
    if (!options.config.empty()) {
        // A missing file would read as a first start. Only asked, never opened: a FIFO would block
        // an open; the reader refuses it by its kind.
        if (access(options.config.c_str(), R_OK) != 0) {
            return "cannot read the configuration " + options.config + ": " + std::strerror(errno);
        }
        cnc.ConfigPath = options.config;
        cnc.ConfigReadOnly = true;
    }
    if (!options.machine_settings.empty()) {
        if (access(options.machine_settings.c_str(), R_OK) != 0) {
            return "cannot read the machine settings " + options.machine_settings + ": " + std::strerror(errno);
        }
        cnc.MachinePath = options.machine_settings;
        cnc.ConfigReadOnly = true;
    }
    cnc.StartUp(options.offline);
    if (!cnc.ConfigProblem.empty()) {
        return "the configuration " + options.config + " cannot be used: " + cnc.ConfigProblem;
    }
    if (!cnc.MachineProblem.empty()) {
        return "the machine settings " + options.machine_settings + " cannot be used: " + cnc.MachineProblem;
    }
    if (!options.scale.empty()) {
        const auto fields = ParseScale(options.scale);
        if (!fields) {
            return "--scale wants four numbers F,X,Y,Z, not " + options.scale;
        }
        cnc.scale.Combo1 = *fields;
    }
    for (const auto& message : machine.op.messages()) {
        machine.startup_messages.push_back(message.text);
    }
    machine.op.clear_messages();
    return {};
}

} // namespace tamo::sim
