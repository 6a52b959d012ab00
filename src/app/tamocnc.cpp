// tamocnc: the controller with its windows. The safety agreement decides whether the machine
// goes online; then the core starts on the chosen port and the frame is shown.

#include "interpreter/cnc.h"
#include "platform/clock.h"
#include "platform/hardware_port.h"
#include "platform/sim_port.h"
#include "ui/main_window.h"
#include "ui/qt_operator.h"
#include "ui/qt_surface.h"
#include "ui/safety_dialog.h"

#include <QApplication>
#include <QFile>
#include <QString>

#include <clocale>
#include <memory>
#include <string>

namespace {

// The frame's client size at first showing, in twips; the first resize then lays it out.
constexpr int kStartWidthTwips = 8880;
constexpr int kStartHeightTwips = 6090;
constexpr int kTwipsPerPixel = 15;

// The port the machine runs on: the real one after "I Agree" when it opens, else a simulated one
// that nothing is written to. Tells the operator when a port was wanted but could not be opened.
std::unique_ptr<tamo::Port> ChoosePort(bool agreed, tamo::Operator& op, bool& offline) {
    offline = !agreed;
    if (agreed) {
        tamo::PortOpening opening = tamo::OpenHardwarePort();
        if (opening.port) {
            return std::move(opening.port);
        }
        std::string text = "The parallel port could not be opened:\n";
        for (const std::string& error : opening.errors) {
            text += "\n" + error;
        }
        text += "\n\nTamoCNC runs offline: no step pulse reaches the machine.";
        op.ShowMessage(text, tamo::kAppTitle);
        offline = true;
    }
    auto simulated = std::make_unique<tamo::SimulatedPort>();
    simulated->set_recording(false); // offline runs can be long; nothing needs the writes
    return simulated;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Qt has set the C library's locale from the environment. The settings file and the
    // programs use the point as decimal separator whatever the operator's language.
    std::setlocale(LC_NUMERIC, "C");
    // The process ends through the frame's own ending, which saves the settings first; no window
    // closing (the safety agreement's, before the frame exists) may end it on the way.
    QApplication::setQuitOnLastWindowClosed(false);

    tamo::ui::QtOperator op;
    tamo::ui::SafetyDialog safety;
    safety.exec();

    bool offline = true;
    const std::unique_ptr<tamo::Port> port = ChoosePort(safety.agreed(), op, offline);

    tamo::SteadyClock clock;
    tamo::ui::QtSurface surface;
    tamo::Cnc cnc(*port, clock, op, surface);
    cnc.ConfigPath =
        QFile::encodeName(QCoreApplication::applicationDirPath() + QStringLiteral("/tamo.cfg")).toStdString();
    cnc.StartUp(offline);

    tamo::ui::MainWindow window(cnc, op, surface);
    window.resize(kStartWidthTwips / kTwipsPerPixel, kStartHeightTwips / kTwipsPerPixel);
    window.show();
    return QApplication::exec();
}
