// What the operator sees and does around the frame's own controls: the status bar after each control,
// readouts that follow a move, the program listing, a layout that fills the frame, files, the
// preview's navigation and the dialogs (the "Point" page, the stop key in a field and the feeds of
// the line in progress: golden/operator). Pictures of the frame go to the screens folder.

#include "main_window_fixture.h"
#include "ui/check_window.h"
#include "ui/program_listing.h"
#include "ui/readout_panel.h"

#include <QElapsedTimer>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QTest>
#include <QUrl>
#include <QWheelEvent>

#include <algorithm>
#include <set>
#include <vector>

namespace tamo {
namespace {

using namespace test;

class OperatorView : public MainWindowTest {
protected:
    std::string Status(const char* section) const { return Text(*window_, section); }

    // The window's keyboard focus is on the field (a combo box's, or its edit line).
    static bool HasFocus(const QWidget& window, const char* field) {
        const QWidget* focus = window.focusWidget();
        const auto* target = Find<QWidget>(window, field);
        return focus != nullptr && (focus == target || focus->parentWidget() == target);
    }

    // A program of `lines` short moves along X.
    static std::string Steps(int lines) {
        std::string text = "G01 X0.075 F300\n";
        for (int i = 2; i <= lines; ++i) {
            text += "G01 X" + std::to_string(0.075 * i) + "\n";
        }
        return text;
    }

    // Every visible control of the frame that its parent or the frame cuts off, or whose caption
    // does not fit it.
    std::vector<std::string> CutOff() const {
        std::vector<std::string> cut;
        for (QWidget* w : window_->findChildren<QWidget*>()) {
            if (!w->isVisible() || w->window() != window_.get() || w->objectName().isEmpty()) {
                continue;
            }
            const QRect in_frame(w->mapTo(window_.get(), QPoint(0, 0)), w->size());
            const bool inside = w->parentWidget()->rect().contains(w->geometry()) && window_->rect().contains(in_frame);
            int needed = 0;
            if (auto* button = qobject_cast<QAbstractButton*>(w)) {
                needed = button->fontMetrics().horizontalAdvance(button->text());
            } else if (auto* label = qobject_cast<QLabel*>(w)) {
                needed = label->fontMetrics().horizontalAdvance(label->text());
            }
            if (!inside || needed > w->width()) {
                cut.push_back(w->objectName().toStdString());
            }
        }
        return cut;
    }
};

TEST_F(OperatorView, StatusBarSaysWhatTheMachineDoesAfterEachControl) {
    EXPECT_EQ(Status("StatusPort") + " " + Status("StatusState"), "Offline: practice, nothing reaches the port Idle");
    Click(*window_, "Option2");
    EXPECT_EQ(Status("StatusState"), "Step mode");
    Click(*window_, "Option3");
    Open(ProgramFile("G01 X3 F100\nG01 Y1.5\n"));
    EXPECT_EQ(Status("StatusLine"), "Line 0 of 2");
    // The estimate follows the drawing, from a thread of its own; offline it counts at the feeds
    // even before a speed test.
    (void)QTest::qWaitFor([this] { return !Status("StatusLeft").empty(); }, 5000);
    EXPECT_EQ(Status("StatusLeft"), "about 0:02 left");

    std::vector<std::string> seen;
    AtYield(450, [&] {
        seen.push_back(Status("StatusState") + ", " + Status("StatusLine"));
        Click(*window_, "Command1");
    });
    Click(*window_, "Command7");
    seen.push_back(Status("StatusState"));
    auto* pause = Find<QAbstractButton>(*window_, "Command1");
    EXPECT_TRUE(pause->isChecked()); // "Execute Program" would resume
    Click(*window_, "Command1");     // a click on it pauses, never unpauses
    EXPECT_TRUE(pause->isChecked() && cnc_.st.StopRequest);

    // Each shows from its first tick on.
    AtYield(op_.yields() + 1, [&] { seen.push_back(Status("StatusState")); });
    PressAndRelease(Find<QWidget>(*window_, "JogZ_4"), Qt::LeftButton);
    Click(*window_, "Option4_2");
    AtYield(op_.yields() + 1, [&] { seen.push_back(Status("StatusState")); });
    Click(*window_, "Command9");
    AtYield(op_.yields() + 1, [&] {
        seen.push_back(Status("StatusState"));
        Click(*window_, "Command1");
    });
    Trigger(*window_, "Spd_menu");
    op_.set_yield_hook(nullptr);
    EXPECT_EQ(seen, (std::vector<std::string>{"Running, Line 2 of 2", "Paused", "Jogging", "Homing", "Speed test"}));
    EXPECT_FALSE(pause->isChecked());
    EXPECT_EQ(Status("StatusTime"), "Run time 0:02"); // offline the steps take their time too
}

// The readouts follow a long move by the clock, also with "Constant contour on", and are made to
// be read from the machine.
TEST_F(OperatorView, ReadoutsChangeDuringALongMove) {
    Open(ProgramFile("G01 X30 F300\n")); // offline at its feed too: 4000 ticks in six seconds
    Click(*window_, "Check1");
    std::set<std::string> shown;
    op_.set_yield_hook([&](std::uint64_t n) {
        if (n % 100 == 0) {
            shown.insert(Text(*window_, "PrgOutlbl_0"));
        }
    });
    Click(*window_, "Command7");
    op_.set_yield_hook(nullptr);
    EXPECT_GE(shown.size(), 38u); // a new value every 50 ms, looked at every 100 ms
    EXPECT_EQ(shown.count("0.0000"), 0u);

    // Read from the machine: digits in columns, the number right-aligned and whole, three times the
    // height of the frame's text.
    cnc_.st.MachPosY = -1234.5678;
    cnc_.UpdateReadouts();
    auto* readout = Find<QLabel>(*window_, "MachOutLl_1");
    const QFontMetrics digits = readout->fontMetrics();
    for (const QChar digit : QStringLiteral("123456789")) {
        EXPECT_EQ(digits.horizontalAdvance(digit), digits.horizontalAdvance(QLatin1Char('0'))) << digit.toLatin1();
    }
    EXPECT_TRUE(readout->alignment() & Qt::AlignRight);
    EXPECT_LE(digits.horizontalAdvance(readout->text()), readout->contentsRect().width());
    const int today = QFontMetrics(Find<QLabel>(*window_, "AxisName_0")->font()).height();
    EXPECT_GE(digits.height(), 3 * today);
    EXPECT_EQ(Text(*window_, "PrgUnit_0"), "mm");
}

// While nothing moves Escape is left to the control: no stop is armed for the next Start (the stop
// key during a run: golden/operator/escape_in_a_field.txt).
TEST_F(OperatorView, EscapeWhileIdleArmsNoStop) {
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(Find<QLineEdit>(*window_, "Text3"), &escape);
    EXPECT_FALSE(cnc_.st.StopRequest);
}

TEST_F(OperatorView, ListingFollowsTheRunAndTheStepControls) {
    Open(ProgramFile(Steps(400)));
    auto* listing = Find<ui::ProgramListing>(*window_, "ProgramListing");
    ASSERT_EQ(listing->model()->rowCount(), 400);
    EXPECT_EQ(listing->model()->index(9, 0).data().toString(), "G01 X0.750000");
    auto in_view = [&](int line) {
        return listing->viewport()->rect().contains(listing->visualRect(listing->model()->index(line - 1, 0)));
    };
    int followed = 0;
    AtYield(3000, [&] { // 10 ticks a line: line 300
        followed = listing->lines().current();
        EXPECT_TRUE(in_view(followed));
        EXPECT_TRUE(listing->model()->index(followed - 1, 0).data(Qt::BackgroundRole).isValid());
        EXPECT_FALSE(listing->model()->index(followed, 0).data(Qt::BackgroundRole).isValid());
        SaveScreen(*window_, "main_window_running.png");
    });
    RunToEnd();
    EXPECT_EQ(followed, 300);

    Click(*window_, "Command4_0");
    Click(*window_, "StepFwd_0");
    Click(*window_, "StepFwd_0");
    EXPECT_EQ(listing->lines().current(), 2);
    EXPECT_TRUE(in_view(2));
    EXPECT_EQ(listing->focusPolicy(), Qt::NoFocus); // keys keep going to the view

    // A finding of the program check, chosen, shows its line selected in the listing.
    Open(ProgramFile(Steps(300) + "G17\n"));
    auto* check = Find<ui::CheckWindow>(*window_, "CheckWindow");
    (void)QTest::qWaitFor([check] { return !check->checking() && !check->report().findings.empty(); }, 5000);
    auto* findings = Find<QListWidget>(*check, "CheckList");
    ASSERT_GT(findings->count(), 0);
    emit findings->itemClicked(findings->item(0));
    const QModelIndexList selected = listing->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected.front().row(), 300);
    EXPECT_TRUE(in_view(301));
}

TEST_F(OperatorView, LayoutLeavesNoGapAndEveryControlWhole) {
    Open(TAMO_SOURCE_DIR "/gcodes/bracket.txt");
    window_->resize(1, 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(window_->size(), window_->minimumSize().expandedTo(window_->minimumSizeHint()));
    EXPECT_EQ(CutOff(), std::vector<std::string>{});
    SaveScreen(*window_, "main_window_minimum.png");

    // On the common screens the view has at least half the window, and the rest is tiled whole.
    const QWidget* client = Find<QWidget>(*window_, "Client");
    for (const QSize screen : {QSize(1366, 768), QSize(1920, 1080)}) {
        window_->resize(screen);
        QCoreApplication::processEvents();
        EXPECT_EQ(CutOff(), std::vector<std::string>{});
        QRegion covered;
        for (const char* part : {"Velmor", "ProgramListing", "Picture1", "Picture2"}) {
            covered += Find<QWidget>(*window_, part)->geometry();
        }
        EXPECT_EQ(covered, QRegion(client->rect()));
        const QSize view = window_->view()->size();
        const double share = double(view.width()) * view.height() / (double(screen.width()) * screen.height());
        EXPECT_GE(share, 0.5) << screen.width() << "x" << screen.height();
        SaveScreen(*window_, ("main_window_" + std::to_string(screen.width()) + ".png").c_str());
    }

    // Without the listing the view takes its place.
    Trigger(*window_, "View_Listing");
    EXPECT_FALSE(Find<QWidget>(*window_, "ProgramListing")->isVisible());
    EXPECT_EQ(window_->view()->width() + Find<QWidget>(*window_, "Picture1")->width(), client->width());
    Trigger(*window_, "View_Listing");
}

// Window place and size, the listing's splitter and the recent programs live in tamocnc.ini beside
// tamo.cfg.
TEST_F(OperatorView, WindowAndRecentProgramsSurviveARestart) {
    // The first start places the window in the middle of the screen.
    window_->PlaceAtStart();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((window_->geometry().center() - screen.center()).manhattanLength(), 10);
    std::vector<std::string> programs;
    for (int i = 1; i <= 6; ++i) {
        programs.push_back(ProgramFile("G01 X" + std::to_string(i) + " F100\n"));
        Open(programs.back());
    }
    window_->resize(1100, 700);
    window_->move(40, 30);
    QCoreApplication::processEvents();
    const QRect placed = window_->geometry();
    // The splitter between view and listing, dragged 100 pixels to the left.
    auto* splitter = Find<QWidget>(*window_, "ListingSplitter");
    const int listing = Find<QWidget>(*window_, "ProgramListing")->width();
    QTest::mousePress(splitter, Qt::LeftButton, {}, QPoint(3, 50));
    QMouseEvent drag(QEvent::MouseMove, QPointF(-97, 50), splitter->mapToGlobal(QPointF(-97, 50)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(splitter, &drag);
    QTest::mouseRelease(splitter, Qt::LeftButton, {}, QPoint(-97, 50));
    EXPECT_EQ(Find<QWidget>(*window_, "ProgramListing")->width(), listing + 100);
    Trigger(*window_, "Mnu_exit");
    ASSERT_EQ(ends_, 1);
    const std::string settings = Slurp(dir_ / "tamo.cfg");
    EXPECT_EQ(std::count(settings.begin(), settings.end(), '\n'), 48);
    EXPECT_TRUE(fs::exists(dir_ / "tamocnc.ini"));

    window_.reset();
    window_ = std::make_unique<ui::MainWindow>(cnc_, op_, surface_);
    window_->PlaceAtStart();
    window_->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(window_->geometry().size(), placed.size());
    EXPECT_EQ(Find<QWidget>(*window_, "ProgramListing")->width(), listing + 100);
    auto* newest = Find<QAction>(*window_, "Recent_0");
    EXPECT_EQ(newest->data().toString().toStdString(), programs[5]);
    EXPECT_EQ(Find<QAction>(*window_, "Recent_4")->data().toString().toStdString(), programs[1]);

    // Picked from the list, a program opens as through File > Open; one that is gone is said so
    // and leaves the list.
    Trigger(*window_, "Recent_3");
    EXPECT_EQ(cnc_.main.Caption, "TamoCNC     " + programs[2]);
    EXPECT_EQ(window_->windowTitle().toStdString(), cnc_.main.Caption);
    fs::remove(programs[4]); // now second in the list, after the one just opened
    Trigger(*window_, "Recent_2");
    EXPECT_EQ(op_.messages().back().text, "The program " + programs[4] + " is not there any more.");
    EXPECT_EQ(Find<QAction>(*window_, "Recent_2")->data().toString().toStdString(), programs[3]);
}

// Dropped on the frame, a file opens; with --timing the stages of the open are told with its lines.
TEST_F(OperatorView, OpenByDroppingAFile) {
    std::string timed;
    window_->ReportOpenTiming([&timed](const std::string& line) { timed = line; });
    const std::string path = ProgramFile("G01 X1 F100\nG01 Y1\n");
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    const QPointF at(100, 100);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window_.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window_.get(), &drop);
    EXPECT_EQ(cnc_.st.PrgLineCount, 2);
    EXPECT_EQ(window_->windowTitle().toStdString(), "TamoCNC     " + path);
    EXPECT_EQ(Find<ui::ProgramListing>(*window_, "ProgramListing")->model()->rowCount(), 2);
    (void)QTest::qWaitFor([&timed] { return !timed.empty(); }, 5000);
    EXPECT_EQ(timed.rfind("open 2 lines: ", 0), 0u) << timed;
}

TEST_F(OperatorView, WheelZoomsAboutThePointerDragPansDoubleClickFits) {
    Open(TAMO_SOURCE_DIR "/gcodes/bracket.txt");
    ui::VelmorView* view = window_->view();
    const QPointF pointer(view->width() * 0.7, view->height() * 0.3);
    const QPointF fitted = surface_.ToPixel(20, 10);
    auto world_at = [&](QPointF pixel) { // the world point under a pixel, by the surface's own mapping
        const QPointF origin = surface_.ToPixel(0, 0);
        const QPointF unit = surface_.ToPixel(1, 1) - origin;
        return QPointF((pixel.x() - origin.x()) / unit.x(), (pixel.y() - origin.y()) / unit.y());
    };
    const QPointF under = world_at(pointer);
    QWheelEvent wheel(pointer, view->mapToGlobal(pointer), {}, QPoint(0, 240), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    // The drawing at the new scale follows once the wheel has rested, and once: then the view is idle.
    QElapsedTimer since;
    std::vector<qint64> paints;
    PaintWatch watch(view, [&](const QRegion&) { paints.push_back(since.elapsed()); });
    since.start();
    QCoreApplication::sendEvent(view, &wheel);
    QTest::qWait(1500);
    EXPECT_TRUE(std::any_of(paints.begin(), paints.end(), [](qint64 at) { return at >= 150 && at < 900; }));
    EXPECT_TRUE(std::none_of(paints.begin(), paints.end(), [](qint64 at) { return at >= 900; }));
    EXPECT_NEAR(surface_.zoom(), 1.5625, 1e-9);
    EXPECT_NEAR(world_at(pointer).x(), under.x(), 1e-6);
    EXPECT_NEAR(world_at(pointer).y(), under.y(), 1e-6);

    // The tool marker sits on the tool, also after a redraw; a drag moves the drawing and the
    // marker with it.
    cnc_.st.ProgPosX = 20;
    cnc_.st.ProgPosY = 10;
    cnc_.FrameResized();
    window_->Refresh();
    SaveScreen(*view, "preview_zoomed.png");
    const QPoint tool = view->marker().center();
    EXPECT_EQ(view->grab().toImage().pixel(tool.x() - 4, tool.y()), qRgb(230, 90, 0)); // its cross
    EXPECT_EQ(view->marker().center(), surface_.ToPixel(20, 10).toPoint());
    const QPointF before = surface_.ToPixel(20, 10);
    SendMouse(view, QEvent::MouseButtonPress, Qt::LeftButton);
    QMouseEvent move(QEvent::MouseMove, QPointF(view->width() / 2.0 + 30, view->height() / 2.0 - 20), QPointF(),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view, &move);
    SendMouse(view, QEvent::MouseButtonRelease, Qt::LeftButton);
    EXPECT_NEAR(surface_.ToPixel(20, 10).x() - before.x(), 30, 1e-6);
    EXPECT_NEAR(surface_.ToPixel(20, 10).y() - before.y(), -20, 1e-6);
    EXPECT_EQ(view->marker().center(), surface_.ToPixel(20, 10).toPoint());

    Trigger(*window_, "View_ZoomOut");
    EXPECT_NEAR(surface_.zoom(), 1.25, 1e-9);
    QMouseEvent twice(QEvent::MouseButtonDblClick, pointer, view->mapToGlobal(pointer), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(view, &twice);
    EXPECT_EQ(surface_.zoom(), 1);
    EXPECT_EQ(surface_.ToPixel(20, 10), fitted);
    // Fitted, the drawing does not move: there is nothing beyond it to pan to.
    SendMouse(view, QEvent::MouseButtonPress, Qt::LeftButton);
    QCoreApplication::sendEvent(view, &move);
    SendMouse(view, QEvent::MouseButtonRelease, Qt::LeftButton);
    EXPECT_EQ(surface_.ToPixel(20, 10), fitted);
}

TEST_F(OperatorView, DialogsOpenOverTheFrameAndARefusalPointsAtItsField) {
    window_->resize(1200, 750);
    QCoreApplication::processEvents();
    Trigger(*window_, "Set_menu");
    auto* settings = Find<QWidget>(*window_, "FormSettings");
    EXPECT_LE((settings->geometry().center() - window_->geometry().center()).manhattanLength(), 40);
    Type(*settings, "Combo2_0", "0");
    Click(*settings, "opsaetok");
    EXPECT_EQ(op_.messages().back().over, "FormSettings");
    EXPECT_TRUE(HasFocus(*settings, "Combo2_0"));
    Click(*settings, "opsaetcancel");

    Click(*window_, "SetPrg");
    auto* coordinates = Find<QWidget>(*window_, "Set_Prg_cord");
    EXPECT_LE((coordinates->geometry().center() - window_->geometry().center()).manhattanLength(), 40);
    Type(*coordinates, "Combo1_1", "12,5");
    Click(*coordinates, "Command1");
    EXPECT_EQ(op_.messages().back().text, "Y must be a number.");
    EXPECT_EQ(op_.messages().back().over, "Set_Prg_cord");
    EXPECT_TRUE(coordinates->isVisible());
    EXPECT_TRUE(HasFocus(*coordinates, "Combo1_1"));
}

// On a screen that scales, the view draws on every device pixel and the readouts keep their size.
TEST_F(OperatorView, TheViewDrawsOnDevicePixelsHighDpi) {
    Open(TAMO_SOURCE_DIR "/gcodes/bracket.txt");
    const qreal ratio = QGuiApplication::primaryScreen()->devicePixelRatio();
    EXPECT_EQ(window_->view()->devicePixelRatioF(), ratio);
    EXPECT_EQ(surface_.image().size(), window_->view()->size() * ratio);
    const int today = QFontMetrics(Find<QLabel>(*window_, "AxisName_0")->font()).height();
    EXPECT_GE(Find<QLabel>(*window_, "PrgOutlbl_0")->fontMetrics().height(), 3 * today);
    if (ratio > 1) {
        SaveScreen(*window_, "main_window_high_dpi.png");
    }
}

} // namespace
} // namespace tamo
