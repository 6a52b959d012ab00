// tamocnc-sim: the controller without its windows, on a simulated port.

#include "sim/check_command.h"
#include "sim/convert_command.h"
#include "sim/latency_command.h"
#include "sim/parse_command.h"
#include "sim/run_command.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdlib>
#include <iostream>

namespace {

// A file named on the command line: an empty name is a mistake (an unset shell variable, say),
// never the same as leaving the option out.
const CLI::Validator
    kFileName([](const std::string& name) { return name.empty() ? std::string("an empty file name") : std::string(); },
              "FILE");

// A count of ticks: a whole number a 64-bit counter holds; a larger one must not wrap or saturate
// into a different limit from the one asked for.
const CLI::Validator kTickCount(
    [](const std::string& text) {
        char* end = nullptr;
        errno = 0;
        (void)std::strtoll(text.c_str(), &end, 10);
        return text.empty() || *end != '\0' || errno == ERANGE ? "not a whole number of ticks up to 2^63-1: " + text
                                                               : std::string();
    },
    "TICKS");

// A whole number written in decimal digits, within an int: "0x10" is no line 16, and a refusal
// names the option's own range rather than a double's.
CLI::Validator WholeFrom(int least, const char* what) {
    return CLI::Validator(
        [least, what](const std::string& text) {
            char* end = nullptr;
            errno = 0;
            const long value = std::strtol(text.c_str(), &end, 10);
            const bool digits = !text.empty() && text.find_first_not_of("+-0123456789") == std::string::npos;
            if (!digits || *end != '\0' || errno == ERANGE || value < least || value > 2147483647) {
                return std::string("wants ") + what + ", a whole number from " + std::to_string(least) +
                       " to 2147483647, not " + text.substr(0, 40);
            }
            return std::string();
        },
        "N");
}

// An option given with an empty value is a mistake, never the same as leaving it out.
const CLI::Validator
    kNotEmpty([](const std::string& text) { return text.empty() ? std::string("an empty value") : std::string(); },
              "TEXT");

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"TamoCNC without windows: the same machine, on a simulated port", "tamocnc-sim"};
    app.set_version_flag("--version", std::string("tamocnc-sim ") + TAMO_VERSION);
    app.footer("See tamocnc-sim(1).");
    app.require_subcommand(1);

    tamo::sim::MachineOptions options;
    std::string program;
    CLI::App* parse = app.add_subcommand("parse", "Parse every line of a program and print the block state as JSON");
    parse->add_option("PROGRAM", program, "Part program file")->required();
    parse->add_option("--config", options.config, "Configuration file to read (never written)")->check(kFileName);
    parse->add_option("--scale", options.scale, "Scale factors F,X,Y,Z");

    tamo::sim::RunOptions run_options;
    CLI::App* run = app.add_subcommand("run", "Open a program and run it on the simulated port, as an operator "
                                              "who presses Execute Program until the end");
    run->add_option("PROGRAM", program, "Part program file")->required();
    run->add_option("--config", run_options.machine.config, "Configuration file to read (never written)")
        ->check(kFileName);
    run->add_option("--machine", run_options.machine.machine_settings,
                    "Machine settings file (travel, homing, outputs, probe) to read (never written)")
        ->check(kFileName);
    run->add_option("--scale", run_options.machine.scale, "Scale factors F,X,Y,Z");
    run->add_option("--override", run_options.override_text, "Feed override in percent (the %Overide text)");
    run->add_flag("--contour", run_options.contour, "Tick \"Constant contour on\"");
    run->add_flag("--step-mode", run_options.step_mode, "Choose \"Step\" before the first Start");
    run->add_flag("--offline", run_options.machine.offline, "Go Offline: nothing is written to the port");
    run->add_option("--status", run_options.status, "Status byte the port returns (127: no switch active)");
    run->add_option("--status-after-ticks", run_options.status_later,
                    "N,S: the status byte the port returns from tick N on; repeat it for a script of switches")
        ->allow_extra_args(false);
    run->add_option("--pause-after-ticks", run_options.pause_after_ticks, "Press Pause once, after this tick")
        ->check(kTickCount);
    run->add_option("--max-starts", run_options.max_starts, "Give up after this many Starts")
        ->check(WholeFrom(1, "a count of Starts"));
    run->add_option("--from-line", run_options.from_line,
                    "Start at line N as \"Run from here\" does: the state a fresh Start reaches there, the tool "
                    "taken there Z first")
        ->check(WholeFrom(1, "a line number"));
    run->add_option("--max-ticks", run_options.max_ticks,
                    "Press Pause after this many ticks and give up (exit status 1)")
        ->check(kTickCount);
    run->add_option("--jog-after-ticks", run_options.jog,
                    "N,BUTTON,TICKS: press jog button BUTTON (1 Z-, 2 X-, 3 Y+, 4 X+, 5 Y-, 6 Z+) after tick N, "
                    "while the machine runs, and release it TICKS ticks later");
    run->add_option("--home-after-ticks", run_options.home,
                    "N,program, N,machine or N,switches: press Home the Machine (to program or machine zero, or on "
                    "the home switches) once tick N has passed and the machine stands");
    run->add_option("--probe-after-ticks", run_options.probe,
                    "N: press Probe Z once tick N has passed and the machine stands, before the next Start");
    run->add_option("--trace", run_options.trace, "Write one CSV row per tick to this file")->check(kFileName);
    run->add_option("--vcd", run_options.vcd, "Write a value change dump of the data lines to this file")
        ->check(kFileName);

    tamo::sim::CheckOptions check_options;
    CLI::App* check = app.add_subcommand("check", "Check a program: where TamoCNC reads it differently from what a "
                                                  "standard controller would; one JSON object per finding");
    check->add_option("PROGRAM", program, "Part program file")->required();
    check->add_option("--config", check_options.machine.config, "Configuration file to read (never written)")
        ->check(kFileName);
    check
        ->add_option("--machine", check_options.machine.machine_settings,
                     "Machine settings file to read (never written); its travel is checked too")
        ->check(kFileName);
    check
        ->add_option("--origin", check_options.origin,
                     "Where the program origin stands in machine coordinates, X,Y,Z, for the travel check "
                     "(0,0,0: at machine zero)")
        ->check(kNotEmpty);
    check->add_option("--scale", check_options.machine.scale, "Scale factors F,X,Y,Z");

    tamo::sim::ConvertOptions convert_options;
    CLI::App* convert = app.add_subcommand("convert", "Rewrite a program written for a standard controller in "
                                                      "TamoCNC's dialect; one JSON object per line not converted");
    convert->add_option("PROGRAM", program, "Part program file (never changed)")->required();
    convert
        ->add_option("-o,--output", convert_options.output, "Converted program to write (NAME.tamo.nc beside PROGRAM)")
        ->check(kFileName);
    convert->add_option("--config", convert_options.machine.config, "Configuration file to read (never written)")
        ->check(kFileName);
    const CLI::Option* clearance = convert->add_option(
        "--clearance", convert_options.clearance,
        "Height retracts (G53 Z, G28, G30) go up to, in the unit of the settings (the highest Z the "
        "program reaches)");

    tamo::sim::LatencyOptions latency_options;
    CLI::App* latency = app.add_subcommand("latency", "Run the step timing's deadline loop on this PC and report how "
                                                      "late its ticks come and the highest step rate it can drive");
    latency->add_option("--seconds", latency_options.seconds, "How long to measure (10)");
    latency->add_option("--period-us", latency_options.period_us,
                        "Tick period in microseconds (the step period of the X fast jog rate)");
    latency->add_option("--config", latency_options.machine.config, "Configuration file to read (never written)")
        ->check(kFileName);
    latency->add_flag("--json", latency_options.json, "Print one JSON object");

    try {
        app.parse(argc, argv);
    } catch (const CLI::Success& done) { // --help, --version
        return app.exit(done);
    } catch (const CLI::ParseError& error) {
        std::cerr << "tamocnc-sim: " << error.what() << " (see --help)\n";
        return 2;
    }
    if (parse->parsed()) {
        return tamo::sim::RunParse(program, options, std::cout, std::cerr);
    }
    if (check->parsed()) {
        return tamo::sim::RunCheck(program, check_options, std::cout, std::cerr);
    }
    if (convert->parsed()) {
        convert_options.clearance_given = clearance->count() > 0;
        return tamo::sim::RunConvert(program, convert_options, std::cout, std::cerr);
    }
    if (latency->parsed()) {
        return tamo::sim::RunLatencyCommand(latency_options, std::cout, std::cerr);
    }
    if (run->parsed()) {
        return tamo::sim::RunProgramCommand(program, run_options, std::cout, std::cerr);
    }
    return 2;
}
