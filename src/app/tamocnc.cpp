// tamocnc: the controller with its windows. The safety agreement decides whether the machine
// goes online; then the core starts on the chosen port and the frame is shown.

#include "interpreter/cnc.h"
#include "platform/clock.h"
#include "platform/hardware_port.h"
#include "platform/huge_pages.h"
#include "platform/outputs_off.h"
#include "platform/realtime.h"
#include "platform/settings_location.h"
#include "ui/main_window.h"
#include "ui/qt_operator.h"
#include "ui/qt_surface.h"
#include "ui/safety_dialog.h"
#include "ui/user_state.h"

#include <CLI/CLI.hpp>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTimer>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

namespace {

struct Options {
    std::optional<tamo::PortChoice> port; // --port, when given
    bool quit_after_agreement = false;
    bool quit_after_open = false;
    std::string program; // PROGRAM: opened once the frame is shown
    bool timing = false; // --timing
    std::string open;    // --open, the same as PROGRAM
};

// The command line, read before Qt starts so that --help and --version need no display. Returns
// the exit status when the program ends here.
std::optional<int> ParseOptions(int argc, char** argv, Options& options) {
    CLI::App cli{"TamoCNC: the controller of a three-axis mill whose stepper drivers hang on the parallel port",
                 "tamocnc"};
    cli.set_version_flag("--version", std::string("tamocnc ") + TAMO_VERSION);
    std::string port;
    cli.add_option("--port", port,
                   "The port to drive: a device (/dev/parport1), an I/O base address for direct access (0xD010), "
                   "or default (/dev/parport0, then 0x378). Remembered for the next starts.");
    cli.add_option("--open", options.open, "A program to open as soon as the frame is shown, as File > Open does");
    cli.add_flag("--timing", options.timing,
                 "Print, for every program opened, where its time went (read, walk, draw, first paint, check "
                 "and estimate done), in seconds since the file was chosen, on standard error");
    cli.add_flag("--quit-after-agreement", options.quit_after_agreement,
                 "Test switch: show the safety agreement, print its title and end, touching neither port nor "
                 "settings");
    cli.add_flag("--quit-after-open", options.quit_after_open,
                 "Test switch: go offline, open PROGRAM, print the frame's caption and the program's line count, "
                 "and end through File > Exit");
    cli.add_option("PROGRAM", options.program, "A program to open once the safety agreement is answered");
    cli.footer("Settings: tamo.cfg beside the executable when that folder can be written and is not an "
               "installation, else $XDG_CONFIG_HOME/tamocnc/ (~/.config/tamocnc/). See tamocnc(1).");
    cli.allow_extras(); // Qt's own options: -platform, -style, ...
    try {
        cli.parse(argc, argv);
    } catch (const CLI::Success& done) {
        return cli.exit(done);
    } catch (const CLI::ParseError& error) {
        std::cerr << "tamocnc: " << error.what() << " (see --help)\n";
        return 2;
    }
    for (const std::string& extra : cli.remaining()) {
        if (extra.starts_with("--")) {
            std::cerr << "tamocnc: unknown option " << extra << " (see --help)\n";
            return 2;
        }
    }
    if (cli.count("--port") > 0) {
        tamo::PortChoice choice;
        std::string error;
        if (!tamo::ParsePortChoice(port, choice, error)) {
            std::cerr << "tamocnc: " << error << "\n";
            return 2;
        }
        options.port = choice;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (const std::optional<int> status = ParseOptions(argc, argv, options)) {
        return *status;
    }
    // A long program's stages each free what the next does not need: the memory goes back.
    tamo::ReturnFreedMemory();
    // Fractional screen scales (125 %, 150 %) are used as they are, not rounded to whole ones.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    QApplication app(argc, argv);
    // Qt has taken its own options (-platform offscreen, ...) out of argv: only now is a word that
    // is no option the program to open, and not the value of one of Qt's.
    options = Options{};
    (void)ParseOptions(argc, argv, options);
    // The desktop entry's name: the desktop shows its icon and name for our windows.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tamocnc.TamoCNC"));
    // Qt has set the C library's locale from the environment. The settings file and the
    // programs use the point as decimal separator whatever the operator's language.
    std::setlocale(LC_NUMERIC, "C");
    // The process ends through the frame's own ending, which saves the settings first; no window
    // closing (the safety agreement's, before the frame exists) may end it on the way.
    QApplication::setQuitOnLastWindowClosed(false);

    tamo::ui::QtOperator op;
    tamo::ui::SafetyDialog safety;
    if (options.quit_after_agreement || options.quit_after_open) {
        QTimer::singleShot(0, &safety, [&safety] {
            std::cout << safety.windowTitle().toStdString() << std::endl;
            safety.reject();
        });
    }
    safety.exec();
    if (options.quit_after_agreement) {
        return 0;
    }

    const tamo::ProgramFiles files =
        tamo::LocateProgramFiles(QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString(),
                                 std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
    std::error_code ignored; // a folder that cannot be made: the first save says so
    std::filesystem::create_directories(files.settings.parent_path(), ignored);
    tamo::ui::UserState user_state(files.user_state);

    tamo::MachinePort machine_port = tamo::OpenMachinePort(safety.agreed(), user_state.Port(options.port));
    if (!machine_port.message.empty()) {
        op.ShowMessage(machine_port.message, tamo::kAppTitle);
    }
    std::unique_ptr<tamo::Port>& port = machine_port.port;

    tamo::SteadyClock clock;
    tamo::LinuxSchedulingCalls scheduling;
    tamo::RealtimeRequest realtime(scheduling);
    clock.set_realtime(&realtime);
    tamo::ui::QtSurface surface;
    tamo::Cnc cnc(*port, clock, op, surface);
    cnc.status.Port = machine_port.status;
    cnc.ConfigPath = files.settings;
    cnc.MachinePath = files.settings.parent_path() / "machine.cfg";
    // From here on a signal that ends the process, or a crash, first takes every line low.
    cnc.GuardsPortOnExit = true;
    tamo::WatchOutputsOnExit(port.get());
    cnc.SamplesFolder = files.samples;
    cnc.LastProgramFolder = user_state.LastProgramFolder();
    if (const std::filesystem::path log = tamo::LogFilePath(std::getenv("XDG_STATE_HOME"), std::getenv("HOME"));
        !log.empty() && !options.quit_after_open) {
        cnc.log.set_file(log);
        // A log nobody can read would keep it to itself: the status bar says it once.
        cnc.log.set_on_file_problem([&cnc](const std::string& problem) { cnc.status.Notice = problem; });
    }
    cnc.StartUp(machine_port.offline);
    if (!user_state.problem().empty()) {
        cnc.log.Add(user_state.problem());
        cnc.status.Notice = user_state.problem();
    }

    tamo::ui::MainWindow window(cnc, op, surface);
    window.set_end_process([&] {
        user_state.SetLastProgramFolder(cnc.LastProgramFolder);
        user_state.Save();
        tamo::WatchOutputsOnExit(nullptr);
        port.reset(); // data lines low, the port given back
        std::fflush(nullptr);
        if (!cnc.Running()) {
            // Nothing waits below us: every event loop ends, main returns and each object goes in
            // order (and a leak checker sees the end of a normal run).
            QCoreApplication::exit(0);
            return;
        }
        // The settings are on disk by now. Ending at once also ends a move in progress, whose
        // handler sits below us in nested event loops that a normal quit would return to.
        std::_Exit(0);
    });
    if (options.timing) {
        window.ReportOpenTiming([](const std::string& line) { std::cerr << "tamocnc: " << line << std::endl; });
    }
    window.PlaceAtStart();
    window.show();
    if (const std::string& chosen = options.program.empty() ? options.open : options.program; !chosen.empty()) {
        const QString program = QFileInfo(QFile::decodeName(chosen.c_str())).absoluteFilePath();
        QTimer::singleShot(0, &window, [&window, &cnc, program, quit = options.quit_after_open] {
            window.OpenProgram(program);
            if (quit) {
                std::cout << cnc.main.Caption << "\n" << cnc.st.PrgLineCount << " lines" << std::endl;
                // Ends as the operator ends it, through File > Exit.
                auto* exit = window.findChild<QAction*>(QStringLiteral("Mnu_exit"));
                if (exit == nullptr) {
                    QCoreApplication::exit(1);
                    return;
                }
                exit->trigger();
            }
        });
    }
    return QApplication::exec();
}
