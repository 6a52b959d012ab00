// The controls of a real job, pressed as the operator presses them on the active frame: jog
// increments and the keyboard jog, the message log, and the program origin told and marked.

#include "../golden_rows.h"
#include "main_window_fixture.h"

#include "ui/check_window.h"

#include <QDockWidget>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTableView>
#include <QTest>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace tamo {
namespace {

using namespace test;

class OperatorControls : public MainWindowTest {
protected:
    OperatorControls() {
        // A step of 0.001 mm on every axis, so that each increment is a whole number of steps.
        cnc_.settings.Combo7 = {"1", "1", "1"};
        cnc_.settings.Combo2 = {"1000", "1000", "1000"};
        EXPECT_TRUE(cnc_.SettingsOk());
        window_->Refresh();
        QApplication::setActiveWindow(window_.get());
        window_->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window_.get()));
        Press("Command4_1"); // the jogging group
    }

    void Press(const char* name) { QTest::mouseClick(Find<QAbstractButton>(*window_, name), Qt::LeftButton); }
    std::array<std::string, 3> Machine() const {
        return {Text(*window_, "MachOutLl_0"), Text(*window_, "MachOutLl_1"), Text(*window_, "MachOutLl_2")};
    }
    std::string Log() const { return Find<QPlainTextEdit>(*window_, "MessageList")->toPlainText().toStdString(); }
    QWidget* View() const { return window_->view(); }

    // Pictures for the guide: the frame as it is, at its least size, and on a 1366 x 768 screen;
    // at each the frame holds every visible control of the frame whole.
    void Pictures(const std::string& name) {
        for (const QSize size : {window_->size(), QSize(1, 1), QSize(1366, 768)}) {
            window_->resize(size);
            QCoreApplication::processEvents();
            const std::string suffix = size == QSize(1, 1) ? "_least" : size.width() == 1366 ? "_1366x768" : "";
            SaveScreen(*window_, name + suffix + ".png");
            for (QWidget* w : window_->findChildren<QWidget*>()) {
                if (w->isVisible() && w->window() == window_.get() && !w->objectName().isEmpty()) {
                    const QRect in_frame(w->mapTo(window_.get(), QPoint(0, 0)), w->size());
                    EXPECT_TRUE(window_->rect().contains(in_frame)) << w->objectName().toStdString() << suffix;
                }
            }
        }
    }
};

TEST_F(OperatorControls, EachIncrementMovesItsDistanceAndTheSpeedsTakeOverAgain) {
    for (const Row& c : GoldenRows("jog/increments.txt")) {
        SCOPED_TRACE(c[0]);
        EXPECT_EQ(Find<QAbstractButton>(*window_, c[0].c_str())->text().toStdString(), c[1]);
        Press(c[0].c_str());
        Press(c[2].c_str());
        EXPECT_EQ(Machine(), (std::array{c[3], c[4], c[5]}));
        EXPECT_FALSE(cnc_.Running());
    }
    Pictures("jog_controls");
    Press("Option1_3"); // "Step": one motor step again, and no increment chosen
    EXPECT_FALSE(Find<QAbstractButton>(*window_, "JogStep_3")->isChecked());
    Press("JogZ_4");
    EXPECT_EQ(Machine()[0], "-9.9890");
}

TEST_F(OperatorControls, KeysJogOnlyWhileTheToggleIsOnAndNeverDuringARun) {
    Press("Option1_3");
    View()->setFocus();
    QTest::keyClick(View(), Qt::Key_Right);
    EXPECT_EQ(Machine()[0], "0.0000") << "the toggle is off";

    Press("KeyboardJog");
    ASSERT_TRUE(cnc_.main.KeyboardJog);
    for (const auto key : {Qt::Key_Right, Qt::Key_Up, Qt::Key_Up, Qt::Key_PageDown}) {
        QTest::keyClick(View(), key);
    }
    EXPECT_EQ(Machine(), (std::array<std::string, 3>{"0.0010", "0.0020", "-0.0010"}));
    Press("Command4_3");
    auto* field = Find<QLineEdit>(*window_, "Text2"); // an arrow key in a text field moves its cursor
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Right);
    EXPECT_EQ(Machine()[0], "0.0010");
    View()->setFocus();

    // With Shift the fast rate, whatever option is chosen, until the key is released.
    QCoreApplication::postEvent(View(), new QKeyEvent(QEvent::KeyRelease, Qt::Key_Left, Qt::ShiftModifier));
    QTest::keyPress(View(), Qt::Key_Left, Qt::ShiftModifier);
    QCoreApplication::processEvents();
    EXPECT_FALSE(cnc_.Running());
    EXPECT_LT(std::stod(Machine()[0]), -0.01) << "at least the fast ramps' 45 steps";
    EXPECT_TRUE(cnc_.main.Option1[3]) << "the chosen option is back";

    // A key during a run neither jogs nor stops the program.
    Open(dir_.Write("line.nc", "G01 X0.2 F100\nG01 X0\n").string());
    AtYield(20, [this] { QTest::keyClick(View(), Qt::Key_Up); });
    Press("Command4_3");
    Press("Command7");
    EXPECT_TRUE(Done(op_));
    EXPECT_EQ(Text(*window_, "PrgOutlbl_1"), "0.0000");
}

TEST_F(OperatorControls, TheLogListsMessagesRunsAndOriginsAndTheStatusBarTellsTheOrigin) {
    Trigger(*window_, "View_Messages");
    ASSERT_TRUE(Find<QDockWidget>(*window_, "Messages")->isVisible());
    Press("Option1_3");
    Press("JogZ_4"); // the machine now stands at X0.001
    Open(TAMO_SOURCE_DIR "/gcodes/square.txt");
    const std::string origin = "Program origin set at machine X0.0010 Y0.0000 Z0.0000";
    EXPECT_EQ(cnc_.status.Notice, origin);
    Press("Command4_3");
    RunToEnd();
    for (const std::string& text : {origin, std::string("Run started at line 1"), std::string("Run ended after"),
                                    std::string("Done: File succesfully processed")}) {
        EXPECT_NE(Log().find(text), std::string::npos) << text << "\n" << Log();
    }

    Pictures("message_log");

    // The check window's boxes too, which the dock lists without the frame refreshing.
    auto* check = Find<ui::CheckWindow>(*window_, "CheckWindow");
    check->set_choose_path([this](const std::string&) { return (dir_ / "no folder" / "out.nc").string(); });
    const auto wait_while = [](const std::function<bool()>& busy) {
        for (int k = 0; k < 400 && busy(); ++k) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            QCoreApplication::processEvents();
        }
    };
    Open(dir_.Write("home.nc", "G28 G91 Z0\n").string());
    wait_while([check] { return check->checking(); });
    check->ConvertAndOpen();
    ASSERT_EQ(op_.messages().back().text.rfind("The converted program cannot be written", 0), 0u);
    wait_while([this] { return Log().find("The converted program cannot") == std::string::npos; });
    // Every message box's text reaches the log.
    for (const auto& message : op_.messages()) {
        EXPECT_NE(Log().find(message.text.substr(0, 30)), std::string::npos) << message.text;
    }
}

// The lines typed on the Point page come back with Up and Down, as in a shell, and are listed with
// their answers, also in a frame started afresh on the same tamocnc.ini, which keeps the newest 50.
TEST_F(OperatorControls, TypedLinesComeBackWithUpAndDownAlsoAfterARestart) {
    Press("Command4_2");
    auto* line = Find<QLineEdit>(*window_, "MdiLine");
    const auto type = [&line](const char* text, bool run) {
        QTest::keyClick(line, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(line, QString::fromLatin1(text));
        if (run) {
            QTest::keyClick(line, Qt::Key_Return);
        }
    };
    const auto recall = [&line](Qt::Key key) {
        QTest::keyClick(line, key);
        return line->text().toStdString();
    };
    const auto list = [this] {
        std::vector<std::string> rows;
        auto* history = Find<QListWidget>(*window_, "MdiHistory");
        for (int row = 0; row < history->count(); ++row) {
            rows.push_back(history->item(row)->text().toStdString());
        }
        return rows;
    };
    type("G01 X1 F100", true);
    type("hello world", true);
    type("G01 X2 F0", true);
    EXPECT_EQ(Machine()[0], "1.0000") << "F0 refused";
    type("G0", false);
    for (const char* expected : {"G01 X2 F0", "hello world", "G01 X1 F100", "G01 X1 F100"}) {
        EXPECT_EQ(recall(Qt::Key_Up), expected);
    }
    for (const char* expected : {"hello world", "G01 X2 F0", "G0", "G0"}) {
        EXPECT_EQ(recall(Qt::Key_Down), expected);
    }
    const std::vector<std::string> answered = list();
    ASSERT_EQ(answered.size(), 3u);
    EXPECT_EQ(answered[0], "G01 X1 F100\n\u2192 moved to X1.0000 Y0.0000 Z0.0000");
    EXPECT_EQ(
        answered[2].rfind("G01 X2 F0\n\u2192 refused: The typed line (G01 X2 F0) cannot be run: its feed is 0", 0), 0u)
        << answered[2];
    EXPECT_NE(Log().find("Typed line hello world: nothing moved: the line holds no word"), std::string::npos) << Log();
    Pictures("point_history");

    window_.reset(); // a fresh start of the windows, on the same settings folder
    cnc_.manual.History.clear();
    window_ = std::make_unique<ui::MainWindow>(cnc_, op_, surface_);
    window_->show();
    line = Find<QLineEdit>(*window_, "MdiLine");
    EXPECT_EQ(list(), answered);
    EXPECT_EQ(recall(Qt::Key_Up), "G01 X2 F0");
    for (int k = 0; k < 50; ++k) {
        type("M05", true);
    }
    EXPECT_EQ(list().size(), 50u);
    EXPECT_EQ(QSettings(QString::fromStdString((dir_ / "tamocnc.ini").string()), QSettings::IniFormat)
                  .value(QStringLiteral("typedLines/size"))
                  .toInt(),
              50);
}

// "Run from here" on the fourth line of the square: Z rises before X or Y moves, the run ends where a
// full run ends, and a line that a comma split off the one before is refused with the reason.
TEST_F(OperatorControls, RunFromALineGoesThereZFirstAndEndsWhereAFullRunEnds) {
    Open(TAMO_SOURCE_DIR "/gcodes/square.txt");
    Press("Command4_3");
    RunToEnd();
    const std::string full_end = XY("PrgOutlbl") + " " + Text(*window_, "PrgOutlbl_2");
    Press("JogStep_3");
    Press("JogZ_2"); // X -10: away from where the run ended
    op_.clear_messages();

    std::vector<std::array<double, 3>> path;
    op_.set_yield_hook([&](std::uint64_t) { path.push_back({cnc_.st.ProgPosX, cnc_.st.ProgPosY, cnc_.st.ProgPosZ}); });
    ChooseOnLine(5, "Run from here");
    ASSERT_TRUE(Done(op_));
    EXPECT_EQ(XY("PrgOutlbl") + " " + Text(*window_, "PrgOutlbl_2"), full_end);
    ASSERT_FALSE(path.empty());
    // Until Z has risen, X and Y stay where the jog left them.
    const auto top = std::max_element(path.begin(), path.end(), [](auto& a, auto& b) { return a[2] < b[2]; });
    for (auto at = path.begin(); at != top; ++at) {
        EXPECT_EQ((*at)[0], path.front()[0]);
        EXPECT_EQ((*at)[1], path.front()[1]);
    }
    EXPECT_GT((*top)[2], path.front()[2]);

    Open(dir_.Write("split.nc", "G01 X1 F100, Y2\nG01 X3\n").string());
    op_.clear_messages();
    cnc_.RunFromLine(2);
    ASSERT_FALSE(op_.messages().empty());
    EXPECT_EQ(op_.messages().back().text, "Cannot run from line 2: a comma split it off line 1, so the state in the "
                                          "middle of that line is not known. Run from line 1.");
}

} // namespace
} // namespace tamo
