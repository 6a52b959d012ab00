#include "platform/hardware_port.h"
#include "platform/sim_port.h"

#include <charconv>
#include <cstdio>

namespace tamo {

bool ParsePortChoice(std::string_view text, PortChoice& choice, std::string& error) {
    if (text == "default") {
        choice = {};
        return true;
    }
    if (text.starts_with('/')) {
        choice = {std::string(text), 0};
        return true;
    }
    if (text.starts_with("0x") || text.starts_with("0X")) {
        const std::string_view digits = text.substr(2);
        unsigned value = 0;
        const auto [end, problem] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
        // The port has three registers from its base; all three must be addressable.
        if (!digits.empty() && problem == std::errc() && end == digits.data() + digits.size() && value > 0 &&
            value <= 0xFFFD) {
            choice = {std::string(), static_cast<std::uint16_t>(value)};
            return true;
        }
        error = "--port " + std::string(text) + ": an I/O address is 0x1 to 0xFFFD, in hexadecimal";
        return false;
    }
    error = "--port " + std::string(text) +
            ": give a device such as /dev/parport1, an I/O address such as 0xD010, or default";
    return false;
}

std::string PortChoiceText(const PortChoice& choice) {
    if (!choice.device.empty()) {
        return choice.device;
    }
    if (choice.base == 0) {
        return "default";
    }
    char text[8];
    std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(choice.base));
    return text;
}

PortOpening OpenHardwarePort(const PortChoice& choice) {
    if (!choice.device.empty()) {
        return OpenPpdevPort(choice.device);
    }
    if (choice.base != 0) {
        return OpenIopermPort(choice.base);
    }
    PortOpening ppdev = OpenPpdevPort("/dev/parport0");
    if (ppdev.port) {
        return ppdev;
    }
    PortOpening direct = OpenIopermPort();
    if (direct.port) {
        return direct;
    }
    direct.errors.insert(direct.errors.begin(), ppdev.errors.begin(), ppdev.errors.end());
    return direct;
}

std::string PortOpeningFailedMessage(const PortOpening& opening) {
    std::string text = "The parallel port could not be opened. Tried:\n";
    for (const std::string& error : opening.errors) {
        text += "\n" + error;
    }
    text += "\n\nTamoCNC runs offline: no step pulse reaches the machine.\n"
            "To drive another port, start TamoCNC with --port /dev/parportN or --port 0xADDRESS.";
    return text;
}

MachinePort OpenMachinePort(bool agreed, const PortChoice& choice) {
    MachinePort machine;
    if (agreed) {
        PortOpening opening = OpenHardwarePort(choice);
        if (opening.port) {
            machine.port = std::move(opening.port);
            machine.offline = false;
            machine.status = "Online (" + opening.backend + ")";
            return machine;
        }
        machine.message = PortOpeningFailedMessage(opening);
    }
    auto simulated = std::make_unique<SimulatedPort>();
    simulated->set_recording(false);
    machine.port = std::move(simulated);
    return machine;
}

} // namespace tamo
