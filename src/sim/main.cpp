// tamocnc-sim: the controller without its windows, on a simulated port.

#include "sim/parse_command.h"

#include <CLI/CLI.hpp>

#include <iostream>

int main(int argc, char** argv) {
    CLI::App app{"TamoCNC without windows: the same machine, on a simulated port"};
    app.require_subcommand(1);

    tamo::sim::MachineOptions options;
    std::string program;
    CLI::App* parse = app.add_subcommand("parse", "Parse every line of a program and print the block state as JSON");
    parse->add_option("PROGRAM", program, "Part program file")->required();
    parse->add_option("--config", options.config, "Configuration file to read (never written)");
    parse->add_option("--scale", options.scale, "Scale factors F,X,Y,Z");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::ParseError& error) {
        std::cerr << "tamocnc-sim: " << error.what() << " (see --help)\n";
        return 2;
    }
    if (parse->parsed()) {
        return tamo::sim::RunParse(program, options, std::cout, std::cerr);
    }
    return 2;
}
