// The frame, the toolpath view and the start-up windows on the offscreen platform, driven by
// object name: what the controls do to the core, what the view draws, and how the frame lays
// itself out. Pictures of the windows go to the screens folder of the build.

#include "interpreter/cnc.h"
#include "platform/clock.h"
#include "platform/sim_port.h"
#include "ui/about_box.h"
#include "ui/main_window.h"
#include "ui/qt_operator.h"
#include "ui/qt_surface.h"
#include "ui/safety_dialog.h"
#include "ui/velmor_view.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPlainTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numbers>
#include <sstream>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace tamo {
namespace {

namespace fs = std::filesystem;

// One application for the whole executable, whichever test file comes first.
void EnsureApplication() {
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char arg0[] = "gui_tests";
        static char* argv[] = {arg0, nullptr};
        new QApplication(argc, argv);
        std::setlocale(LC_NUMERIC, "C");
    }
}

template <class T> T* Find(const QObject& window, const char* name) {
    auto* object = window.findChild<T*>(QLatin1String(name));
    if (object == nullptr) {
        throw std::runtime_error(std::string("no control ") + name);
    }
    return object;
}

std::string LabelText(const QWidget& window, const char* name) {
    return Find<QLabel>(window, name)->text().toStdString();
}

void Click(const QWidget& window, const char* name) {
    Find<QAbstractButton>(window, name)->click();
}

void Trigger(const QWidget& window, const char* name) {
    Find<QAction>(window, name)->trigger();
}

void SendMouse(QWidget* widget, QEvent::Type type, Qt::MouseButton button) {
    const QPointF centre(widget->width() / 2.0, widget->height() / 2.0);
    QMouseEvent event(type, centre, widget->mapToGlobal(centre), button,
                      type == QEvent::MouseButtonPress ? button : Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

// A press whose release is already waiting in the event queue: a continuous jog must end when
// its loop delivers the release.
void PressAndRelease(QWidget* widget, Qt::MouseButton button) {
    const QPointF centre(widget->width() / 2.0, widget->height() / 2.0);
    QCoreApplication::postEvent(widget, new QMouseEvent(QEvent::MouseButtonRelease, centre, widget->mapToGlobal(centre),
                                                        button, Qt::NoButton, Qt::NoModifier));
    SendMouse(widget, QEvent::MouseButtonPress, button);
    QCoreApplication::processEvents();
}

// Key by key, as the operator types, after selecting the whole text.
void Type(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, ch.toUpper().unicode(), Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(edit, &press);
    }
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void SaveScreen(QWidget& window, const std::string& file) {
    const fs::path folder = TAMO_SCREENS_DIR;
    fs::create_directories(folder);
    EXPECT_TRUE(window.grab().save(QString::fromStdString((folder / file).string())));
}

bool Done(const ui::QtOperator& op) {
    for (const auto& message : op.messages()) {
        if (message.text == "File succesfully processed") {
            return true;
        }
    }
    return false;
}

// The controller with its windows, offline on a simulated port with a clock that never waits,
// its configuration in a folder of its own and an operator who answers from a script.
class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() {
        EnsureApplication();
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        folder_ = fs::temp_directory_path() / ("tamo-frame-" + std::to_string(::getpid()) + "-" + test);
        fs::remove_all(folder_);
        fs::create_directories(folder_ / "gcodes");
        op_.set_scripted(true);
        cnc_.ConfigPath = folder_ / "tamo.cfg";
        cnc_.StartUp(true);
        window_ = std::make_unique<ui::MainWindow>(cnc_, op_, surface_);
        window_->set_end_process([this] { ++ends_; });
        window_->resize(8880 / 15, 6090 / 15);
        window_->show();
        QCoreApplication::processEvents();
    }
    ~MainWindowTest() override {
        window_.reset();
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    fs::path WriteProgram(const std::string& name, const std::string& text) {
        const fs::path path = folder_ / "gcodes" / name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    void Open(const fs::path& path) {
        op_.set_next_files({path.string()});
        Trigger(*window_, "Open_Menu");
    }

    // "Execute Program" until the program reports its end; a tool change stops the run on the way.
    void RunToEnd() {
        for (int start = 0; start < 5 && !Done(op_); ++start) {
            Click(*window_, "Command7");
        }
        ASSERT_TRUE(Done(op_));
    }

    QRgb Pixel(double x, double y) const {
        const QPointF at = surface_.ToPixel(x, y);
        return surface_.image().pixel(static_cast<int>(at.x()), static_cast<int>(at.y()));
    }

    // Whether a line of this colour passes within a pixel of the world point: the painter rounds
    // a line that falls between two pixels to either of them.
    bool Near(double x, double y, QRgb colour) const {
        const QPointF at = surface_.ToPixel(x, y);
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                const QPoint p(static_cast<int>(at.x()) + dx, static_cast<int>(at.y()) + dy);
                if (surface_.image().valid(p) && surface_.image().pixel(p) == colour) {
                    return true;
                }
            }
        }
        return false;
    }

    // A readout shows its model, and the model the position.
    void ExpectReadout(const char* name, const std::string& model, double position) const {
        EXPECT_EQ(LabelText(*window_, name), model);
        EXPECT_NEAR(std::stod(model), position, 0.00005) << name;
    }

    fs::path folder_;
    SimulatedPort port_;
    FakeClock clock_;
    ui::QtOperator op_;
    ui::QtSurface surface_;
    Cnc cnc_{port_, clock_, op_, surface_};
    std::unique_ptr<ui::MainWindow> window_;
    int ends_ = 0;
};

TEST_F(MainWindowTest, StartsOfflineWithTheJogGroupAndTheEmptyGrid) {
    EXPECT_TRUE(cnc_.st.Offline);
    EXPECT_EQ(window_->objectName(), "MDIForm1");
    EXPECT_EQ(window_->windowTitle(), "TamoCNC");
    EXPECT_TRUE(fs::exists(folder_ / "tamo.cfg"));
    for (const char* name :
         {"AxisName_0", "AxisName_5", "SetPrg",    "ZeroPrg",    "Command11", "Command12", "Label7",
          "JogZ_6",     "Label6_3",   "Option1_0", "Command8_1", "Label2",    "Option4_2", "Combo1",
          "Command5",   "StepFwd_0",  "Text1",     "Text4",      "Picture1",  "Picture2",  "Velmor"}) {
        EXPECT_NE(window_->findChild<QWidget*>(QLatin1String(name)), nullptr) << name;
    }
    EXPECT_EQ(Find<QAbstractButton>(*window_, "Command10")->text(), "Reset Program");
    EXPECT_EQ(Find<QAbstractButton>(*window_, "Option3")->text(), "Continous");
    EXPECT_EQ(Find<QAbstractButton>(*window_, "Option4_0")->text(), "Using Home Switchs");
    EXPECT_EQ(LabelText(*window_, "Label2"), "%Overide");
    EXPECT_EQ(LabelText(*window_, "PrgOutlbl_2"), "0.0000");
    EXPECT_TRUE(Find<QAbstractButton>(*window_, "Option3")->isChecked());
    EXPECT_TRUE(Find<QAbstractButton>(*window_, "Option1_2")->isChecked());
    EXPECT_FALSE(Find<QLineEdit>(*window_, "Text6")->isEnabled());

    // One group at a time; the tabs switch them.
    EXPECT_TRUE(Find<QGroupBox>(*window_, "Frame1_1")->isVisible());
    EXPECT_FALSE(Find<QGroupBox>(*window_, "Frame1_0")->isVisible());
    for (int page : {3, 4, 2, 0, 1}) {
        Click(*window_, ("Command4_" + std::to_string(page)).c_str());
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(Find<QGroupBox>(*window_, ("Frame1_" + std::to_string(i)).c_str())->isVisible(), i == page);
        }
    }

    // The empty view spans -10 to 210 both ways: the axes cross near the bottom left corner, in
    // black, and the grid is light grey every 40 units.
    const ui::VelmorView* view = window_->view();
    ASSERT_EQ(view->width(), view->height());
    ASSERT_EQ(surface_.image().size(), view->size());
    const QPointF origin = surface_.ToPixel(0, 0);
    EXPECT_NEAR(origin.x(), view->width() * 10.0 / 220, 1);
    EXPECT_NEAR(origin.y(), view->height() * 210.0 / 220, 1);
    EXPECT_TRUE(Near(0, 100, qRgb(0, 0, 0)));
    EXPECT_TRUE(Near(100, 0, qRgb(0, 0, 0)));
    EXPECT_TRUE(Near(40, 100, qRgb(192, 192, 192)));
    EXPECT_TRUE(Near(100, 120, qRgb(192, 192, 192)));
    EXPECT_EQ(Pixel(20, 110), qRgb(255, 255, 255));
}

TEST_F(MainWindowTest, OpenAndRunEndAtTheProgramsLastPoint) {
    const fs::path program = WriteProgram("zigzag.txt", "G01 X1.5 Y0.75 F200\nG01 X3 Y-1.5\n");
    Open(program);
    EXPECT_EQ(op_.last_dialog_dir(), (folder_ / "gcodes").string());
    EXPECT_EQ(window_->windowTitle().toStdString(), "TamoCNC     " + program.string());
    EXPECT_EQ(cnc_.st.PrgLineCount, 2);

    // While the program runs the run and step controls are off; the live trace is drawn.
    bool checked = false;
    op_.set_yield_hook([&](std::uint64_t) {
        if (!checked) {
            checked = true;
            EXPECT_FALSE(Find<QAbstractButton>(*window_, "Command7")->isEnabled());
            EXPECT_FALSE(Find<QAbstractButton>(*window_, "StepFwd_0")->isEnabled());
            EXPECT_FALSE(Find<QAbstractButton>(*window_, "Command3")->isEnabled());
            EXPECT_FALSE(Find<QAction>(*window_, "Open_Menu")->isEnabled());
        }
    });
    RunToEnd();
    EXPECT_TRUE(checked);
    EXPECT_EQ(LabelText(*window_, "PrgOutlbl_0"), "3.0000");
    EXPECT_EQ(LabelText(*window_, "PrgOutlbl_1"), "-1.5000");
    EXPECT_EQ(LabelText(*window_, "MachOutLl_0"), "3.0000");
    EXPECT_EQ(LabelText(*window_, "MachOutLl_1"), "-1.5000");
    EXPECT_TRUE(Find<QAbstractButton>(*window_, "Command7")->isEnabled());
    EXPECT_TRUE(Find<QAbstractButton>(*window_, "StepFwd_0")->isEnabled());
    EXPECT_EQ(port_.write_count(), 0U); // offline

    // "Reset Program" asks first; the machine position stays and becomes the program origin.
    op_.set_next_answers({false});
    Click(*window_, "Command10");
    EXPECT_EQ(LabelText(*window_, "PrgOutlbl_0"), "3.0000");
    Click(*window_, "Command10");
    EXPECT_EQ(LabelText(*window_, "PrgOutlbl_0"), "0.0000");
    EXPECT_EQ(LabelText(*window_, "MachOutLl_0"), "3.0000");
    ASSERT_FALSE(op_.messages().empty());
    EXPECT_TRUE(op_.messages().back().question);
}

TEST_F(MainWindowTest, PauseAndAKeyInTheViewStopARunThatThenResumes) {
    Open(WriteProgram("line.txt", "G01 X3 Y1.5 F100\n"));

    op_.set_yield_hook([&](std::uint64_t n) {
        if (n == 50) {
            Click(*window_, "Command1");
        }
    });
    Click(*window_, "Command7");
    EXPECT_FALSE(Done(op_));
    EXPECT_TRUE(Find<QAbstractButton>(*window_, "Command7")->isEnabled());
    const double paused_x = cnc_.st.ProgPosX;
    EXPECT_GT(paused_x, 0);
    EXPECT_LT(paused_x, 3);
    ExpectReadout("PrgOutlbl_0", cnc_.main.PrgOutlbl[0], paused_x);

    // Any key that delivers a character stops it as well; the view has the focus during a run.
    const std::uint64_t resumed_at = op_.yields();
    op_.set_yield_hook([&](std::uint64_t n) {
        if (n == resumed_at + 50) {
            QKeyEvent key(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
            QCoreApplication::sendEvent(window_->view(), &key);
        }
    });
    Click(*window_, "Command7");
    EXPECT_FALSE(Done(op_));
    EXPECT_GT(cnc_.st.ProgPosX, paused_x);

    op_.set_yield_hook(nullptr);
    RunToEnd();
    EXPECT_EQ(LabelText(*window_, "PrgOutlbl_0"), "3.0000");
    EXPECT_EQ(LabelText(*window_, "PrgOutlbl_1"), "1.5000");
}

TEST_F(MainWindowTest, JogButtonsStepAndRunUntilReleased) {
    QWidget* x_plus = Find<QWidget>(*window_, "JogZ_4");
    QWidget* y_minus = Find<QWidget>(*window_, "JogZ_5");

    Click(*window_, "Option1_3"); // "Step": one step per click
    EXPECT_TRUE(cnc_.main.Option1[3]);
    EXPECT_FALSE(cnc_.main.Option1[2]);
    for (int i = 0; i < 2; ++i) {
        SendMouse(x_plus, QEvent::MouseButtonPress, Qt::LeftButton);
        SendMouse(x_plus, QEvent::MouseButtonRelease, Qt::LeftButton);
    }
    SendMouse(y_minus, QEvent::MouseButtonPress, Qt::LeftButton);
    SendMouse(y_minus, QEvent::MouseButtonRelease, Qt::LeftButton);
    EXPECT_EQ(LabelText(*window_, "MachOutLl_0"), "0.0150");
    EXPECT_EQ(LabelText(*window_, "MachOutLl_1"), "-0.0075");

    // "Slow": the jog runs from the press to the release, whichever mouse button it is. Should the
    // release never arrive, Pause ends the jog rather than the test hanging.
    op_.set_yield_hook([&](std::uint64_t n) {
        if (n % 100000 == 0) {
            ADD_FAILURE() << "the jog did not end at the release";
            Click(*window_, "Command1");
        }
    });
    Click(*window_, "Option1_2");
    const double before = cnc_.st.MachPosX;
    PressAndRelease(x_plus, Qt::LeftButton);
    const double after_left = cnc_.st.MachPosX;
    EXPECT_GE(after_left - before, 3 * 0.0075 - 1e-9);
    PressAndRelease(x_plus, Qt::RightButton);
    EXPECT_GT(cnc_.st.MachPosX, after_left);
    EXPECT_FALSE(cnc_.Running());
    ExpectReadout("MachOutLl_0", cnc_.main.MachOutLl[0], cnc_.st.MachPosX);
}

TEST_F(MainWindowTest, HomeGroupMovesToMachineZeroAndFollowsTheMoveType) {
    Click(*window_, "Option1_3");
    for (int i = 0; i < 4; ++i) {
        SendMouse(Find<QWidget>(*window_, "JogZ_3"), QEvent::MouseButtonPress, Qt::LeftButton);
        SendMouse(Find<QWidget>(*window_, "JogZ_3"), QEvent::MouseButtonRelease, Qt::LeftButton);
    }
    ASSERT_EQ(LabelText(*window_, "MachOutLl_1"), "0.0300");

    auto* move = Find<QComboBox>(*window_, "Combo1");
    auto* feed = Find<QLineEdit>(*window_, "Text6");
    move->setEditText(QStringLiteral("Feedrate"));
    EXPECT_EQ(cnc_.main.Combo1, "Feedrate");
    EXPECT_TRUE(feed->isEnabled());
    Type(move->lineEdit(), QStringLiteral("rapid")); // typed, never completed to "Rapid"
    EXPECT_EQ(cnc_.main.Combo1, "rapid");
    EXPECT_EQ(move->currentText(), "rapid");
    EXPECT_TRUE(feed->isEnabled());
    move->setEditText(QStringLiteral("Rapid"));
    EXPECT_FALSE(feed->isEnabled());

    Click(*window_, "Option4_2"); // "Using Machine Zero"
    EXPECT_EQ(cnc_.main.Option4, (std::array<bool, 3>{false, false, true}));
    Click(*window_, "Command9");
    EXPECT_EQ(LabelText(*window_, "MachOutLl_0"), "0.0000");
    EXPECT_EQ(LabelText(*window_, "MachOutLl_1"), "0.0000");
    EXPECT_TRUE(Find<QAbstractButton>(*window_, "Command7")->isEnabled());
}

TEST_F(MainWindowTest, PanelEditsReachTheModelAtOnce) {
    auto* overide = Find<QComboBox>(*window_, "Overide");
    overide->setEditText(QStringLiteral("150"));
    EXPECT_EQ(cnc_.main.Overide, "150");
    Click(*window_, "Command8_0"); // "Faster"
    EXPECT_EQ(cnc_.main.Overide, "152");
    EXPECT_EQ(overide->currentText(), "152");

    // A refresh leaves the text being typed and its cursor alone.
    overide->lineEdit()->setCursorPosition(1);
    window_->Refresh();
    EXPECT_EQ(overide->lineEdit()->cursorPosition(), 1);

    // A choice from the list applies the override at once and hands the keys back to the view.
    emit overide->textActivated(QStringLiteral("200"));
    EXPECT_EQ(cnc_.main.Overide, "200");
    EXPECT_EQ(window_->focusWidget(), window_->view());

    Type(Find<QLineEdit>(*window_, "Text3"), QStringLiteral("120"));
    EXPECT_EQ(cnc_.main.Text3, "120");
    EXPECT_EQ(cnc_.main.Text2, "240"); // the display follows: 120 at 200 %
    Type(Find<QLineEdit>(*window_, "Text2"), QStringLiteral("7"));
    EXPECT_EQ(cnc_.main.Text2, "7");
    Find<QComboBox>(*window_, "Combo1")->setEditText(QStringLiteral("Feedrate")); // enables the field
    Type(Find<QLineEdit>(*window_, "Text6"), QStringLiteral("55"));
    EXPECT_EQ(cnc_.main.Text6, "55");

    Click(*window_, "Option2");
    EXPECT_TRUE(cnc_.st.SingleStep);
    EXPECT_FALSE(Find<QAbstractButton>(*window_, "Option3")->isChecked());
    Click(*window_, "Option3");
    EXPECT_FALSE(cnc_.st.SingleStep);

    Click(*window_, "Check1");
    EXPECT_EQ(cnc_.main.Check1, kChecked);
    EXPECT_EQ(window_->focusWidget(), window_->view());
}

TEST_F(MainWindowTest, StepControlsShowTheLineAndRepeatWhileHeld) {
    Open(WriteProgram("two.txt", "G01 X1.5 Y0.75 F200\nG00 X3 Y0\n"));
    Click(*window_, "Command4_0");
    Click(*window_, "StepFwd_0");
    EXPECT_EQ(Find<QPlainTextEdit>(*window_, "Text1")->toPlainText(), "G01 X1.5 Y0.75 F200");
    Click(*window_, "StepFwd_0");
    EXPECT_EQ(Find<QPlainTextEdit>(*window_, "Text1")->toPlainText(), "G00 X3 Y0");
    Click(*window_, "Command6");
    EXPECT_EQ(Find<QPlainTextEdit>(*window_, "Text1")->toPlainText(), "G01 X1.5 Y0.75 F200");

    // Holding the button arms the auto-repeat; letting go disarms it.
    auto* timer = Find<QTimer>(*window_, "Timer1");
    QWidget* forward = Find<QWidget>(*window_, "StepFwd_0");
    SendMouse(forward, QEvent::MouseButtonPress, Qt::LeftButton);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 500);
    SendMouse(forward, QEvent::MouseButtonRelease, Qt::LeftButton);
    EXPECT_FALSE(timer->isActive());
}

TEST_F(MainWindowTest, FrameKeepsTheViewSquareAndItsWidthFollowsTheHeight) {
    Open(WriteProgram("square.txt", "G00 X10 Y10\nG01 X40 Y10 F300\nG01 X40 Y40\n"));
    const ui::VelmorView* view = window_->view();
    const int panel = 3000 / 15;
    ASSERT_EQ(view->width(), view->height());
    EXPECT_EQ(window_->width(), view->width() + panel);

    const int old_side = view->width();
    window_->resize(window_->width(), window_->height() + 60);
    QCoreApplication::processEvents();
    EXPECT_EQ(view->height(), old_side + 60);
    EXPECT_EQ(view->width(), view->height());
    EXPECT_EQ(window_->width(), view->width() + panel);
    EXPECT_EQ(surface_.image().size(), view->size());
    EXPECT_EQ(Find<QWidget>(*window_, "Picture2")->height(), 975 / 15);
    EXPECT_EQ(Find<QWidget>(*window_, "Picture1")->width(), panel);
    EXPECT_EQ(view->mapTo(window_.get(), QPoint(0, view->height())).y(),
              Find<QWidget>(*window_, "Picture2")->mapTo(window_.get(), QPoint(0, 0)).y());
    // The toolpath was drawn again at the new size.
    EXPECT_TRUE(Near(25, 10, qRgb(0, 0, 0)));

    // A resize in the middle of a run: the run goes on to its end and the view is redrawn after.
    Open(WriteProgram("run.txt", "G01 X30 Y0 F300\nG01 X30 Y30\n"));
    const int before_run = view->width();
    op_.set_yield_hook([&](std::uint64_t n) {
        if (n == 30) {
            window_->resize(window_->width(), window_->height() + 30);
        }
    });
    RunToEnd();
    op_.set_yield_hook(nullptr);
    EXPECT_EQ(view->width(), before_run + 30);
    EXPECT_EQ(view->height(), before_run + 30);
    EXPECT_EQ(LabelText(*window_, "PrgOutlbl_0"), "30.0000");
    EXPECT_EQ(LabelText(*window_, "PrgOutlbl_1"), "30.0000");
    EXPECT_TRUE(Near(30, 15, qRgb(0, 0, 0)));
    EXPECT_EQ(surface_.image().size(), view->size());

    // A change of the width alone is undone.
    const QSize laid_out = window_->size();
    window_->resize(laid_out.width() + 150, laid_out.height());
    QCoreApplication::processEvents();
    EXPECT_EQ(window_->size(), laid_out);
    EXPECT_EQ(view->width(), before_run + 30);
}

TEST_F(MainWindowTest, ExitWritesTheConfigurationAndEnds) {
    cnc_.settings.Combo2[0] = "800";
    fs::remove(folder_ / "tamo.cfg");
    Trigger(*window_, "Mnu_exit");
    EXPECT_EQ(ends_, 1);
    EXPECT_EQ(ReadFile(folder_ / "tamo.cfg"), cnc_.ConfigText());
    EXPECT_NE(cnc_.ConfigText().find("800"), std::string::npos);

    // From inside a run, too: the configuration is written before the end.
    Open(WriteProgram("long.txt", "G01 X30 F300\n"));
    fs::remove(folder_ / "tamo.cfg");
    op_.set_yield_hook([&](std::uint64_t n) {
        if (n == 20) {
            Trigger(*window_, "Mnu_exit");
            EXPECT_TRUE(fs::exists(folder_ / "tamo.cfg"));
            Click(*window_, "Command1"); // the test process goes on: stop the run
        }
    });
    Click(*window_, "Command7");
    EXPECT_EQ(ends_, 2);

    // Closing the frame: the same.
    fs::remove(folder_ / "tamo.cfg");
    window_->close();
    EXPECT_EQ(ends_, 3);
    EXPECT_TRUE(fs::exists(folder_ / "tamo.cfg"));
}

TEST_F(MainWindowTest, PicturesOfTheFrameWithAProgramBeforeAndAfterItsRun) {
    const fs::path bracket = fs::path(TAMO_SOURCE_DIR) / "gcodes" / "bracket.txt";
    Open(bracket);
    ASSERT_GT(cnc_.st.PrgLineCount, 20);
    QCoreApplication::processEvents();
    SaveScreen(*window_, "main_window_bracket.png");

    RunToEnd();
    QCoreApplication::processEvents();
    SaveScreen(*window_, "main_window_bracket_run.png");
    // The tool change stopped the run once on the way.
    bool tool_change = false;
    for (const auto& message : op_.messages()) {
        tool_change = tool_change || message.text.rfind("Change to tool #", 0) == 0;
    }
    EXPECT_TRUE(tool_change);

    for (const auto& [tab, file] :
         {std::pair{"Command4_3", "main_window_run_group.png"}, std::pair{"Command4_4", "main_window_home_group.png"},
          std::pair{"Command4_0", "main_window_line_group.png"}}) {
        Click(*window_, tab);
        QCoreApplication::processEvents();
        SaveScreen(*window_, file);
    }
}

TEST_F(MainWindowTest, AboutBoxOpensOnceAndOkGivesTheFocusToTheView) {
    Trigger(*window_, "Mnu_About");
    auto* about = Find<ui::AboutBox>(*window_, "About");
    ASSERT_TRUE(about->isVisible());
    EXPECT_EQ(about->windowTitle(), "About Tamo CNC");
    Trigger(*window_, "Mnu_About");
    EXPECT_TRUE(about->isVisible());
    QCoreApplication::processEvents();
    SaveScreen(*about, "about_box.png");
    Click(*about, "Command1");
    EXPECT_FALSE(about->isVisible());
    EXPECT_FALSE(cnc_.main.AboutVisible);
    EXPECT_EQ(window_->focusWidget(), window_->view());
}

TEST(SafetyDialog, OnlyIAgreeAgrees) {
    EnsureApplication();
    ui::SafetyDialog dialog;
    EXPECT_EQ(dialog.objectName(), "Dialog");
    EXPECT_EQ(dialog.windowTitle(), QString(30, QLatin1Char(' ')) + "Welcome to TamoCNC");
    EXPECT_TRUE(dialog.isModal());
    const QString notice = Find<QPlainTextEdit>(dialog, "Text1")->toPlainText();
    EXPECT_TRUE(notice.startsWith("A computer-controlled machine tool is potentially dangerous."));
    EXPECT_TRUE(notice.contains("1. Never let the machine tool run unattended."));
    EXPECT_TRUE(notice.contains("7. Be on alert for computer crashes at all times."));
    dialog.show();
    QCoreApplication::processEvents();
    SaveScreen(dialog, "safety_dialog.png");

    Click(dialog, "Command1");
    EXPECT_TRUE(dialog.agreed());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    ui::SafetyDialog closed;
    closed.show();
    closed.close(); // the window frame's close box
    EXPECT_FALSE(closed.agreed());
    ui::SafetyDialog offline;
    offline.show();
    Click(offline, "Command2");
    EXPECT_FALSE(offline.agreed());
    EXPECT_FALSE(offline.isVisible());
}

// The surface alone: the world mapping, arcs and the live trace's cheap dot.
class SurfaceTest : public ::testing::Test {
protected:
    SurfaceTest() {
        EnsureApplication();
        target_ = std::make_unique<Target>();
        target_->resize(100, 100);
        target_->show();
        surface_.set_target(target_.get());
        surface_.Resize(QSize(100, 100));
        EXPECT_TRUE(surface_.SetMapping(0, 100, 100, 100));
        QCoreApplication::processEvents();
    }

    // A widget that keeps the areas it was asked to repaint.
    class Target final : public QWidget {
    public:
        QRegion painted;

    protected:
        void paintEvent(QPaintEvent* event) override { painted += event->region(); }
    };

    QRgb At(int x, int y) const { return surface_.image().pixel(x, y); }

    std::unique_ptr<Target> target_;
    ui::QtSurface surface_;
};

TEST_F(SurfaceTest, MapsWithYUpAndDrawsArcsCounterClockwise) {
    EXPECT_FALSE(surface_.SetMapping(0, 0, 0, 10));
    EXPECT_EQ(surface_.ToPixel(0, 100), QPointF(0, 0)); // the refused mapping left the old one
    EXPECT_EQ(surface_.ToPixel(25, 10), QPointF(25, 90));

    // From angle 0 to pi counter-clockwise is the upper half of the circle.
    surface_.Arc(50, 50, 30, 0, std::numbers::pi, kBlack);
    EXPECT_EQ(At(50, 20), qRgb(0, 0, 0));
    EXPECT_EQ(At(50, 80), qRgb(255, 255, 255));
    // Equal angles draw the whole circle: a bore cut from a point back to itself.
    surface_.Clear();
    surface_.Arc(50, 50, 30, 1, 1, kBlack);
    EXPECT_EQ(At(50, 20), qRgb(0, 0, 0));
    EXPECT_EQ(At(50, 80), qRgb(0, 0, 0));

    // Coordinates far beyond the window are clipped, not handed to the painter.
    surface_.Clear();
    surface_.Line(-1e300, 50, 1e300, 50, kGreen, LineStyle::Solid);
    EXPECT_EQ(At(10, 50), qRgb(0, 255, 0));
    surface_.Arc(50, -1e9, 1e9 + 50, 0, std::numbers::pi, kBlack);
}

TEST_F(SurfaceTest, LiveDotRepaintsOnlyItsOwnPixels) {
    target_->painted = QRegion();
    surface_.SetForeColor(kGreen);
    surface_.Point(20.5f, 79.5f);
    QCoreApplication::processEvents();
    EXPECT_EQ(At(20, 20), qRgb(0, 255, 0));
    EXPECT_EQ(At(21, 20), qRgb(255, 255, 255));
    EXPECT_EQ(target_->painted.boundingRect(), QRect(20, 20, 1, 1));

    target_->painted = QRegion();
    surface_.SetDrawWidth(3);
    surface_.Point(60.5f, 39.5f);
    QCoreApplication::processEvents();
    EXPECT_EQ(target_->painted.boundingRect(), QRect(59, 59, 3, 3));
    EXPECT_EQ(At(59, 59), qRgb(0, 255, 0));
    EXPECT_EQ(At(61, 61), qRgb(0, 255, 0));
    EXPECT_EQ(At(62, 61), qRgb(255, 255, 255));

    // At the edge only what is inside is written.
    surface_.Point(0, 0);
    surface_.Point(-1e30f, 1e30f);
    EXPECT_EQ(At(0, 99), qRgb(0, 255, 0));
}

TEST(FileFilter, CaptionsAndPatternsBecomeQtFilters) {
    EXPECT_EQ(ui::QtFileFilter("Text Files (*.txt)|*.txt|Flashcut files (*.fgc)|*.fgc|All Files (*.*)|*.*|"),
              "Text Files (*.txt);;Flashcut files (*.fgc);;All Files (*.*)");
    EXPECT_EQ(ui::QtFileFilter("Programs|*.nc;*.tap|"), "Programs (*.nc *.tap)");
}

} // namespace
} // namespace tamo
