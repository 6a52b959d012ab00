// The frame, the toolpath view and the start-up windows on the offscreen platform, driven by
// object name: what the controls do to the core, what the view draws, and how the frame lays
// itself out. Pictures of the windows go to the screens folder of the build.

#include "main_window_fixture.h"
#include "ui/safety_dialog.h"

#include <QGroupBox>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <cmath>
#include <fstream>
#include <numbers>

namespace tamo {
namespace {

using namespace test;

TEST_F(MainWindowTest, ShowsOneGroupAtATimeUnderItsTabAndTheEmptyGrid) {
    for (int page : {1, 3, 4, 2, 0}) {
        Click(*window_, ("Command4_" + std::to_string(page)).c_str());
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(Find<QGroupBox>(*window_, ("Frame1_" + std::to_string(i)).c_str())->isVisible(), i == page);
            // The page's tab is the one raised.
            EXPECT_EQ(Find<QPushButton>(*window_, ("Command4_" + std::to_string(i)).c_str())->isChecked(), i == page);
        }
    }

    // The empty view spans -10 to 210 both ways: black axes, a light grey line every 40 units.
    ASSERT_EQ(surface_.image().size(), window_->view()->size());
    EXPECT_TRUE(Near(0, 100, qRgb(0, 0, 0)) && Near(100, 0, qRgb(0, 0, 0)));
    EXPECT_TRUE(Near(40, 100, qRgb(192, 192, 192)) && Near(100, 120, qRgb(192, 192, 192)));
}

// Each button's axis and sign in single steps is in the controls table.
TEST_F(MainWindowTest, JogButtonsRunUntilReleased) {
    auto* x_plus = Find<QAbstractButton>(*window_, "JogZ_4");
    // "Slow": the jog runs from the press to the release, whichever mouse button it is, and the
    // left one shows the button pressed. Should the release never arrive, Pause ends the jog
    // rather than the test hanging.
    bool shown_pressed = false;
    op_.set_yield_hook([&](std::uint64_t n) {
        shown_pressed = shown_pressed || x_plus->isDown();
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
    EXPECT_TRUE(shown_pressed);
    PressAndRelease(x_plus, Qt::RightButton);
    EXPECT_GT(cnc_.st.MachPosX, after_left);
    EXPECT_FALSE(cnc_.Running());
    EXPECT_NEAR(std::stod(Text(*window_, "MachOutLl_0")), cnc_.st.MachPosX, 0.00005);
}

// What the panel's fields and buttons do is in the operator scripts; here a refresh under the
// operator's typing, a choice from the list, and a held step button.
TEST_F(MainWindowTest, PanelFieldsKeepTheCursorAndAHeldStepButtonRepeats) {
    auto* overide = Find<QComboBox>(*window_, "Overide");
    overide->lineEdit()->setCursorPosition(1);
    window_->Refresh();
    EXPECT_EQ(overide->lineEdit()->cursorPosition(), 1);

    // A choice from the list applies the override at once and hands the keys back to the view.
    emit overide->textActivated(QStringLiteral("200"));
    EXPECT_EQ(cnc_.main.Overide, "200");
    EXPECT_EQ(window_->focusWidget(), window_->view());

    // Holding the button arms the auto-repeat; letting go disarms it.
    Open(ProgramFile("G01 X1.5 Y0.75 F200\nG00 X3 Y0\n"));
    Click(*window_, "Command4_0");
    auto* timer = Find<QTimer>(*window_, "Timer1");
    QWidget* forward = Find<QWidget>(*window_, "StepFwd_0");
    SendMouse(forward, QEvent::MouseButtonPress, Qt::LeftButton);
    EXPECT_TRUE(timer->isActive());
    SendMouse(forward, QEvent::MouseButtonRelease, Qt::LeftButton);
    EXPECT_FALSE(timer->isActive());
}

TEST_F(MainWindowTest, ANewSizeRedrawsTheToolpathAndARedrawWaitsForTheRun) {
    Open(ProgramFile("G00 X10 Y10\nG01 X40 Y10 F300\nG01 X40 Y40\n"));
    const ui::VelmorView* view = window_->view();
    const int old_height = view->height();
    window_->resize(window_->width(), window_->height() + 100);
    QCoreApplication::processEvents();
    EXPECT_EQ(view->height(), old_height + 100); // the readouts keep their height
    EXPECT_EQ(surface_.image().size(), view->size());
    EXPECT_TRUE(Near(25, 10, qRgb(0, 0, 0))); // the toolpath was drawn again at the new size

    // A resize in the middle of a run: the run goes on to its end and the view is redrawn after,
    // the lines that ran in the cut colour.
    Open(ProgramFile("G01 X30 Y0 F300\nG01 X30 Y30\n"));
    const int before_run = view->height();
    AtYield(30, [&] { window_->resize(window_->width(), window_->height() + 100); });
    RunToEnd();
    op_.set_yield_hook(nullptr);
    EXPECT_GT(view->height(), before_run);
    EXPECT_EQ(XY("PrgOutlbl"), "30.0000 30.0000");
    EXPECT_TRUE(Near(30, 15, qRgb(kCut.r, kCut.g, kCut.b)));
    EXPECT_EQ(surface_.image().size(), view->size());
}

TEST_F(MainWindowTest, ExitWritesTheConfigurationAndEnds) {
    cnc_.settings.Combo2[0] = "800";
    fs::remove(dir_ / "tamo.cfg");
    Trigger(*window_, "Mnu_exit");
    EXPECT_EQ(ends_, 1);
    EXPECT_EQ(Slurp(dir_ / "tamo.cfg"), cnc_.ConfigText());
    EXPECT_EQ(cnc_.ConfigText().rfind("800\r\n", 0), 0U);

    // From inside a run, too: the configuration is written before the end.
    Open(ProgramFile("G01 X30 F300\n"));
    fs::remove(dir_ / "tamo.cfg");
    AtYield(20, [&] {
        // The program is part-way: asked first, and "No" leaves it running.
        op_.set_next_answers({false});
        Trigger(*window_, "Mnu_exit");
        EXPECT_EQ(ends_, 1);
        EXPECT_FALSE(fs::exists(dir_ / "tamo.cfg"));
        op_.set_next_answers({true});
        Trigger(*window_, "Mnu_exit");
        EXPECT_TRUE(fs::exists(dir_ / "tamo.cfg"));
        Click(*window_, "Command1"); // the test process goes on: stop the run
    });
    Click(*window_, "Command7");
    EXPECT_EQ(ends_, 2);

    // Closing the frame: the same.
    fs::remove(dir_ / "tamo.cfg");
    window_->close();
    EXPECT_EQ(ends_, 3);
    EXPECT_TRUE(fs::exists(dir_ / "tamo.cfg"));
}

// File's list of recent programs as the operator reads it: newest first, each once, five at most,
// numbered for the keyboard; out of reach during a run; a program picked from it comes to the top.
TEST_F(MainWindowTest, RecentProgramsAreListedNewestFirstEachOnce) {
    auto listed = [&] {
        std::string names;
        for (int i = 0; i < 5; ++i) {
            const auto* recent = Find<QAction>(*window_, ("Recent_" + std::to_string(i)).c_str());
            names +=
                recent->isVisible() ? recent->text().toStdString() + (recent->isEnabled() ? "" : " (off)") + ";" : "";
        }
        return names;
    };
    std::vector<std::string> programs;
    for (const char* name : {"a.nc", "b.nc", "c.nc", "d.nc", "e.nc", "f.nc"}) {
        programs.push_back((dir_ / name).string());
        std::ofstream(programs.back()) << "G01 X3 F100\n";
    }
    EXPECT_EQ(listed(), "");
    Open(programs[0]);
    Open(programs[1]);
    Open(programs[0]);
    EXPECT_EQ(listed(), "&1 a.nc;&2 b.nc;");
    op_.set_next_files({});
    Trigger(*window_, "Open_Menu"); // cancelled: nothing listed
    for (std::size_t i = 2; i < programs.size(); ++i) {
        Open(programs[i]);
    }
    EXPECT_EQ(listed(), "&1 f.nc;&2 e.nc;&3 d.nc;&4 c.nc;&5 a.nc;");
    AtYield(5, [&] { EXPECT_EQ(listed(), "&1 f.nc (off);&2 e.nc (off);&3 d.nc (off);&4 c.nc (off);&5 a.nc (off);"); });
    RunToEnd();
    Trigger(*window_, "Recent_3");
    EXPECT_EQ(window_->windowTitle().toStdString(), "TamoCNC     " + programs[2]);
    EXPECT_EQ(listed(), "&1 c.nc;&2 f.nc;&3 e.nc;&4 d.nc;&5 a.nc;");
}

TEST(SafetyDialog, OnlyIAgreeAgrees) {
    EnsureApplication();
    ui::SafetyDialog dialog;
    EXPECT_TRUE(dialog.isModal());
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
    EXPECT_FALSE(offline.agreed() || offline.isVisible());
}

// The surface alone: the world mapping, arcs and the live trace's cheap dot.
class SurfaceTest : public ::testing::Test, WithApplication {
protected:
    SurfaceTest() {
        target_.resize(100, 100);
        target_.show();
        surface_.set_target(&target_);
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

    Target target_;
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
    surface_.Clear(); // and from pi to 2 pi the lower half
    surface_.Arc(50, 50, 30, std::numbers::pi, 2 * std::numbers::pi, kBlack);
    EXPECT_EQ(At(50, 20), qRgb(255, 255, 255));
    EXPECT_EQ(At(50, 80), qRgb(0, 0, 0));
    // Equal angles draw the whole circle: a bore cut from a point back to itself.
    surface_.Clear();
    surface_.Arc(50, 50, 30, 1, 1, kBlack);
    EXPECT_EQ(At(50, 20), qRgb(0, 0, 0));
    EXPECT_EQ(At(50, 80), qRgb(0, 0, 0));

    // Coordinates far beyond the window are clipped, not handed to the painter.
    surface_.Clear();
    surface_.Line(-1e300, 50, 1e300, 50, kGreen, LineStyle::Solid);
    EXPECT_EQ(At(10, 50), qRgb(0, 255, 0));
    // An arc too large for the painter goes in chords, the same way round: its top crosses the
    // window.
    surface_.Clear();
    surface_.Arc(50, -1e9, 1e9 + 50, 0, std::numbers::pi, kBlack);
    EXPECT_EQ(At(20, 50), qRgb(0, 0, 0));

    // A rapid's dashes leave gaps, a feed line none.
    surface_.Clear();
    surface_.Line(0, 50, 100, 50, kGreen, LineStyle::Dash);
    surface_.Line(0, 30, 100, 30, kBlack, LineStyle::Solid);
    int gaps = 0;
    int feed_gaps = 0;
    for (int x = 5; x < 95; ++x) {
        gaps += At(x, 50) == qRgb(255, 255, 255) ? 1 : 0;
        feed_gaps += At(x, 70) == qRgb(255, 255, 255) ? 1 : 0;
    }
    EXPECT_GT(gaps, 20);
    EXPECT_EQ(feed_gaps, 0);

    // A zoom shows the picture it has, scaled about the pointer, until the redraw.
    surface_.Clear();
    surface_.SetDrawWidth(4);
    surface_.Line(40, 0, 40, 100, kBlack, LineStyle::Solid);
    ASSERT_TRUE(surface_.ZoomAt(2, QPointF(50, 50)));
    EXPECT_EQ(At(30, 50), qRgb(0, 0, 0));
    EXPECT_EQ(At(40, 50), qRgb(255, 255, 255));
}

TEST_F(SurfaceTest, LiveDotRepaintsOnlyItsOwnPixels) {
    target_.painted = QRegion();
    surface_.SetForeColor(kGreen);
    surface_.Point(20.5f, 79.5f);
    QCoreApplication::processEvents();
    EXPECT_EQ(At(20, 20), qRgb(0, 255, 0));
    EXPECT_EQ(At(21, 20), qRgb(255, 255, 255));
    EXPECT_EQ(target_.painted.boundingRect(), QRect(20, 20, 1, 1));

    target_.painted = QRegion();
    surface_.SetDrawWidth(3);
    surface_.Point(60.5f, 39.5f);
    QCoreApplication::processEvents();
    EXPECT_EQ(target_.painted.boundingRect(), QRect(59, 59, 3, 3));
    EXPECT_EQ(At(59, 59), qRgb(0, 255, 0));
    EXPECT_EQ(At(61, 61), qRgb(0, 255, 0));
    EXPECT_EQ(At(62, 61), qRgb(255, 255, 255));

    // From four pixels on the dot is round: its corners stay, the middles of its edges are drawn.
    surface_.SetDrawWidth(6);
    surface_.Point(30, 70);
    EXPECT_EQ(At(29, 27), qRgb(0, 255, 0));
    EXPECT_EQ(At(29, 32), qRgb(0, 255, 0));
    EXPECT_EQ(At(27, 27), qRgb(255, 255, 255));

    // At the edge only what is inside is written.
    surface_.Point(0, 0);
    surface_.Point(-1e30f, 1e30f);
    EXPECT_EQ(At(0, 99), qRgb(0, 255, 0));
}

// The frame grows during a run, whose redraw waits for its end: the live trace stays on the old
// picture at the scale it was drawn at, and the redraw's clearing brings the new scale.
TEST_F(SurfaceTest, ATraceAfterAResizeStaysOnThePictureUntilItIsCleared) {
    surface_.SetForeColor(kGreen);
    surface_.Resize(QSize(200, 200));
    surface_.Point(50.5f, 49.5f);
    EXPECT_EQ(At(50, 50), qRgb(0, 255, 0));
    surface_.Clear();
    surface_.Point(50.5f, 49.5f);
    EXPECT_EQ(At(101, 101), qRgb(0, 255, 0));
}

TEST(FileFilter, CaptionsAndPatternsBecomeQtFilters) {
    EXPECT_EQ(ui::QtFileFilter("Text Files (*.txt)|*.txt|Flashcut files (*.fgc)|*.fgc|All Files (*.*)|*.*|"),
              "Text Files (*.txt);;Flashcut files (*.fgc);;All Files (*.*)");
    EXPECT_EQ(ui::QtFileFilter("Programs|*.nc;*.tap|"), "Programs (*.nc *.tap)");
}

// The top view draws a long batch as runs of chords, a run of moves inside one pixel as one
// segment. Against the painter's own strokes, one by one, on a path of moves from a hundredth of a
// pixel to tens of pixels long with arcs between them: nothing lands more than a pixel from where
// the painter put it, and almost every pixel is the same.
TEST_F(SurfaceTest, ALongPathLandsWhereThePaintersOwnStrokesPutIt) {
    surface_.Resize(QSize(400, 400));
    surface_.Clear();
    std::uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<double>(seed >> 8) / 16777216.0;
    };
    QImage reference(400, 400, QImage::Format_RGB32);
    reference.fill(Qt::white);
    QPainter painter(&reference);
    QPen pen{QColor(Qt::black)};
    pen.setWidth(1);
    pen.setCapStyle(Qt::RoundCap);
    painter.setPen(pen);
    double x = 50;
    double y = 50;
    double heading = 0;
    for (int i = 0; i < 3000; ++i) {
        const double length = i % 300 < 150 ? 0.002 * next() : 8 * next(); // runs inside one pixel, then longer
        if (i % 5 == 1 || i % 5 == 3) {
            const double r = 0.2 + 10 * next();
            const double side = next() < 0.5 ? 1 : -1;
            const double cx = x - side * r * std::sin(heading);
            const double cy = y + side * r * std::cos(heading);
            const double from = std::atan2(y - cy, x - cx);
            const double sweep = side * (0.1 + 2 * next());
            const double to = from + sweep;
            surface_.Arc(cx, cy, r, side > 0 ? from : to, side > 0 ? to : from, kBlack);
            const QPointF centre = surface_.ToPixel(cx, cy);
            const double pr = r * 4;
            constexpr double kSixteenths = 180.0 * 16.0 / std::numbers::pi;
            const double start = side > 0 ? from : to;
            painter.drawArc(QRectF(centre.x() - pr, centre.y() - pr, 2 * pr, 2 * pr),
                            static_cast<int>(std::lround(start * kSixteenths)),
                            static_cast<int>(std::lround(std::fabs(sweep) * kSixteenths)));
            x = cx + r * std::cos(to);
            y = cy + r * std::sin(to);
            heading += sweep;
        } else {
            heading += 0.6 * (next() - 0.5) + (std::hypot(x - 50, y - 50) > 40 ? 1.0 : 0.0);
            const double nx = x + length * std::cos(heading);
            const double ny = y + length * std::sin(heading);
            surface_.Line(x, y, nx, ny, kBlack, LineStyle::Solid);
            painter.drawLine(QLineF(surface_.ToPixel(x, y), surface_.ToPixel(nx, ny)));
            x = nx;
            y = ny;
        }
    }
    painter.end();
    const QImage& drawn = surface_.image();
    int black = 0;
    int differ = 0;
    for (int py = 0; py < 400; ++py) {
        for (int px = 0; px < 400; ++px) {
            black += reference.pixel(px, py) == qRgb(0, 0, 0) ? 1 : 0;
            if (drawn.pixel(px, py) != reference.pixel(px, py)) {
                ++differ;
                ASSERT_TRUE(
                    ColourNear(drawn.pixel(px, py) == qRgb(0, 0, 0) ? reference : drawn, QPoint(px, py), qRgb(0, 0, 0)))
                    << "pixel " << px << ", " << py << " is more than a pixel off the path";
            }
        }
    }
    EXPECT_GT(black, 3000);
    EXPECT_LT(differ, black / 8) << differ << " of " << black << " path pixels differ";
}

} // namespace
} // namespace tamo
