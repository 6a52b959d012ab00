// The 3-D view: where it puts the points of a program from each direction, how the mouse turns,
// moves and zooms it, the part cut during a run, and that the top view beside it draws as it did.
// Pictures go to the screens folder of the build.

#include "main_window_fixture.h"
#include "ui/view_3d.h"

#include <QWheelEvent>

#include <array>
#include <cmath>
#include <numbers>
#include <vector>

namespace tamo {
namespace {

using namespace test;

// The twelve edges of the cube from (0, 0, 0) to (10, 10, 10), as feed moves.
const char* const kCube = "G01 X10 F300\nY10\nX0\nY0\nZ10\nX10\nY10\nX0\nY0\nG00 X10 Y0 Z0\nG01 Z10\n"
                          "G00 X10 Y10 Z0\nG01 Z10\nG00 X0 Y10 Z0\nG01 Z10\n";

class View3DTest : public MainWindowTest {
protected:
    ui::View3D& View() { return *window_->view_3d(); }

    void Look(const char* action) {
        Trigger(*window_, action);
        View().Settle();
    }

    // The colour the picture shows at a point of the view, or near it (within a pixel).
    bool Shows(QPointF at, QRgb colour) {
        return ColourNear(View().image(),
                          QPoint(static_cast<int>(std::lround(at.x())), static_cast<int>(std::lround(at.y()))), colour);
    }
};

// Every picture the drawing thread hands over is painted whole at once, unasked: the operator sees
// the new direction, not the last one until something else repaints the view.
TEST_F(View3DTest, EachPictureDrawnIsPaintedWhole) {
    Open(ProgramFile(kCube));
    qint64 painted = 0;
    PaintWatch watch(&View(), [&](const QRegion& region) {
        if ((QRegion(View().rect()) - region).isEmpty()) {
            painted = View().image().cacheKey();
        }
    });
    cnc_.st.ProgPosX = 7; // the tool stands away from the origin; nothing refreshes the frame
    cnc_.st.ProgPosZ = 4;
    for (const char* direction : {"View_Front", "View_Side", "View_Iso"}) {
        SCOPED_TRACE(direction);
        Look(direction);
        EXPECT_EQ(painted, View().image().cacheKey());
        // The tool's marker is drawn where the new direction puts the tool.
        const QPointF tool = View().ToView(7, 0, 4);
        EXPECT_TRUE(ColourNear(View().grab().toImage(), tool.toPoint(), qRgb(230, 90, 0), 2));
    }
}

// Each direction puts the cube's corners where an orthographic view from it must: the world's axes
// point the table's ways on the screen (right, up) at one scale for all, the cube fills the view
// but a margin, and a black edge passes through every corner.
TEST_F(View3DTest, TheCubesCornersLandWhereEachDirectionPutsThem) {
    Open(ProgramFile(kCube));
    struct Direction {
        const char* action;
        double x[2], y[2], z[2]; // where a unit of X, Y and Z goes: right, up
    };
    const double r = std::sqrt(0.5);
    const double u = 1 / std::sqrt(6.0);
    const std::vector<Direction> directions{{"View_Top", {1, 0}, {0, 1}, {0, 0}},
                                            {"View_Front", {1, 0}, {0, 0}, {0, 1}},
                                            {"View_Side", {0, 0}, {1, 0}, {0, 1}},
                                            {"View_Iso", {r, -u}, {r, u}, {0, 2 * u}}};
    for (const Direction& d : directions) {
        SCOPED_TRACE(d.action);
        Look(d.action);
        const QPointF middle(View().width() / 2.0, View().height() / 2.0);
        double scale = 0;
        double widest = 0;
        for (int corner = 0; corner < 8; ++corner) {
            const double p[3] = {corner & 1 ? 10.0 : 0.0, corner & 2 ? 10.0 : 0.0, corner & 4 ? 10.0 : 0.0};
            const QPointF at = View().ToView(p[0], p[1], p[2]);
            const double right = (p[0] - 5) * d.x[0] + (p[1] - 5) * d.y[0] + (p[2] - 5) * d.z[0];
            const double up = (p[0] - 5) * d.x[1] + (p[1] - 5) * d.y[1] + (p[2] - 5) * d.z[1];
            if (scale == 0 && std::hypot(right, up) > 1) {
                scale = std::hypot(at.x() - middle.x(), at.y() - middle.y()) / std::hypot(right, up);
            }
            EXPECT_NEAR(at.x(), middle.x() + scale * right, 1e-6) << "corner " << corner;
            EXPECT_NEAR(at.y(), middle.y() - scale * up, 1e-6) << "corner " << corner;
            EXPECT_TRUE(Shows(at, qRgb(0, 0, 0))) << "corner " << corner;
            widest = std::max({widest, std::fabs(at.x() - middle.x()) / View().width(),
                               std::fabs(at.y() - middle.y()) / View().height()});
        }
        EXPECT_GT(widest, 0.4);
        EXPECT_LT(widest, 0.5);
        if (d.action == std::string("View_Iso")) {
            SaveScreen(View(), "view_3d_iso.png");
        } else if (d.action == std::string("View_Front")) {
            SaveScreen(View(), "view_3d_front.png");
        }
    }
}

// View > Depth colours: the cube's bottom edges in the deep blue, its top edges in the high orange;
// off again, black.
TEST_F(View3DTest, DepthColoursGoFromBlueAtTheBottomToOrangeAtTheTop) {
    Open(ProgramFile(kCube));
    Look("View_Front");
    Look("View_Depth");
    EXPECT_TRUE(Shows(View().ToView(5, 0, 0), qRgb(20, 60, 220)));
    EXPECT_TRUE(Shows(View().ToView(5, 0, 10), qRgb(240, 130, 0)));
    SaveScreen(View(), "view_3d_depth.png");
    Look("View_Depth");
    EXPECT_TRUE(Shows(View().ToView(5, 0, 0), qRgb(0, 0, 0)));
    EXPECT_TRUE(Shows(View().ToView(5, 0, 10), qRgb(0, 0, 0)));
}

// A part 3 mm deep cut from a clearance height of 5: the colours span the feed moves' depths, so
// the first pass at Z-1 is the high orange and the last at Z-3 the deep blue; the rapids at the
// clearance height take no part of the ramp.
TEST_F(View3DTest, DepthColoursSpanTheFeedMovesOnly) {
    Open(ProgramFile("G00 Z5\nG00 X0 Y0\nG01 Z-1 F100\nG01 X10\nG00 Z5\nG00 X0 Y5\nG01 Z-3\nG01 X10\nG00 Z5\n"));
    Look("View_Front");
    Look("View_Depth");
    EXPECT_TRUE(Shows(View().ToView(5, 0, -1), qRgb(240, 130, 0)));
    EXPECT_TRUE(Shows(View().ToView(5, 5, -3), qRgb(20, 60, 220)));
}

// The wheel zooms about the pointer, a drag turns the view, with Shift or the middle button moves it
// along with the pointer, and a double click fits it again.
TEST_F(View3DTest, TheMouseTurnsMovesAndZoomsIt) {
    Open(ProgramFile(kCube));
    Look("View_Iso");
    ui::View3D& view = View();
    const QPointF corner = view.ToView(10, 0, 10);
    const double edge = std::hypot(view.ToView(0, 0, 10).x() - corner.x(), view.ToView(0, 0, 10).y() - corner.y());
    QWheelEvent wheel(corner, view.mapToGlobal(corner), {}, QPoint(0, 240), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&view, &wheel);
    view.Settle();
    EXPECT_NEAR(view.ToView(10, 0, 10).x(), corner.x(), 1e-6);
    EXPECT_NEAR(view.ToView(10, 0, 10).y(), corner.y(), 1e-6);
    EXPECT_NEAR(std::hypot(view.ToView(0, 0, 10).x() - corner.x(), view.ToView(0, 0, 10).y() - corner.y()),
                1.5625 * edge, 1e-6); // two notches

    auto drag = [&view](Qt::MouseButton button, Qt::KeyboardModifiers keys, QPointF by) {
        const QPointF from(view.width() / 2.0, view.height() / 2.0);
        QMouseEvent press(QEvent::MouseButtonPress, from, view.mapToGlobal(from), button, button, keys);
        QMouseEvent move(QEvent::MouseMove, from + by, view.mapToGlobal(from + by), Qt::NoButton, button, keys);
        QMouseEvent release(QEvent::MouseButtonRelease, from + by, view.mapToGlobal(from + by), button, Qt::NoButton,
                            keys);
        for (QMouseEvent* event : {&press, &move, &release}) {
            QCoreApplication::sendEvent(&view, event);
        }
        view.Settle();
    };
    for (const auto& [button, keys] :
         {std::pair(Qt::MiddleButton, Qt::NoModifier), std::pair(Qt::LeftButton, Qt::ShiftModifier)}) {
        const QPointF before = view.ToView(0, 0, 0);
        drag(button, keys, QPointF(30, -20));
        EXPECT_NEAR(view.ToView(0, 0, 0).x() - before.x(), 30, 1e-6);
        EXPECT_NEAR(view.ToView(0, 0, 0).y() - before.y(), -20, 1e-6);
    }
    // Dragged to the right the cube turns about the vertical: the corner nearest the eye goes right,
    // and the vertical edges stay vertical.
    const double near_before = view.ToView(10, 0, 5).x();
    drag(Qt::LeftButton, Qt::NoModifier, QPointF(40, 0));
    EXPECT_GT(view.ToView(10, 0, 5).x(), near_before);
    EXPECT_NEAR(view.ToView(10, 0, 0).x(), view.ToView(10, 0, 10).x(), 1e-6);

    const QPointF middle(view.width() / 2.0, view.height() / 2.0);
    QMouseEvent twice(QEvent::MouseButtonDblClick, middle, view.mapToGlobal(middle), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&view, &twice);
    view.Settle();
    const QPointF centre = (view.ToView(0, 0, 0) + view.ToView(10, 10, 10)) / 2;
    EXPECT_NEAR(centre.x(), middle.x(), 1e-6);
    EXPECT_NEAR(centre.y(), middle.y(), 1e-6);
}

// Arcs and helices whose X, Y and Z all differ: from (12, -4, -1) a quarter about (2, -4) to (2, 6),
// a helix quarter on to (-8, -4) down to Z-6, and three quarters clockwise to (2, -14) up to Z-2.
const char* const kArcs = "G00 X12 Y-4 Z3\nG01 Z-1 F300\nG03 X2 Y6 I-10 J0\nG03 X-8 Y-4 I0 J-10 Z-6\n"
                          "G02 X2 Y-14 I10 J0 Z-2\nG01 X12 Y-4 Z-1\n";

// The points the arcs of kArcs pass through, a tenth of the way apart: angle (degrees) from and to
// about the centre (2, -4) of radius 10, Z from and to.
std::vector<std::array<double, 3>> ArcPoints() {
    const double arcs[3][4] = {{0, 90, -1, -1}, {90, 180, -1, -6}, {180, -90, -6, -2}};
    std::vector<std::array<double, 3>> points;
    for (const auto& a : arcs) {
        for (int k = 1; k < 10; ++k) {
            const double t = k / 10.0;
            const double angle = (a[0] + (a[1] - a[0]) * t) * std::numbers::pi / 180;
            points.push_back({2 + 10 * std::cos(angle), -4 + 10 * std::sin(angle), a[2] + (a[3] - a[2]) * t});
        }
    }
    return points;
}

// From every direction the 3-D view draws the arcs and helices through the points they pass, and so
// does the top view, from the same walk of the program.
TEST_F(View3DTest, ArcsAndHelicesPassTheirPointsFromEveryDirectionAsInTheTopView) {
    Open(ProgramFile(kArcs));
    for (const auto& p : ArcPoints()) {
        EXPECT_TRUE(Near(p[0], p[1], qRgb(0, 0, 0))) << "top view at " << p[0] << " " << p[1];
    }
    for (const char* look : {"View_Top", "View_Front", "View_Side", "View_Iso"}) {
        Look(look);
        for (const auto& p : ArcPoints()) {
            EXPECT_TRUE(Shows(View().ToView(p[0], p[1], p[2]), qRgb(0, 0, 0)))
                << look << " at " << p[0] << " " << p[1] << " " << p[2];
        }
    }
}

// A program of more moves than one thread draws alone (the same outline 5,000 times over, the arcs
// at its start and its end) gives the picture of the program that draws each once, in both views.
TEST_F(View3DTest, ALongProgramDrawnOnTwoThreadsIsThePictureOfItsPath) {
    const std::string outline = "G01 X12 Y-4 Z-1\nX12 Y-14\nX-8 Y-14\nX-8 Y-4\n"; // from its second time on
    std::string many = kArcs;
    for (int i = 0; i < 5000; ++i) {
        many += outline;
    }
    Open(ProgramFile(std::string(kArcs) + outline + outline + kArcs));
    const QImage top = surface_.image().copy();
    Look("View_Iso");
    const QImage once = View().image().copy();
    Trigger(*window_, "View_3D"); // the top view again
    Open(ProgramFile(many + kArcs));
    EXPECT_EQ(DifferingPixels(surface_.image(), top, "long_program_top"), 0);
    Trigger(*window_, "View_3D");
    View().Settle();
    ASSERT_GT(cnc_.toolpath()->moves().size(), 20000u);
    EXPECT_EQ(DifferingPixels(View().image(), once, "long_program_3d"), 0);
}

// Stopped inside an arc the cut part and the part still to cut make up the whole program: every pixel
// the program drew black before the run is black or in the cut colour, and nothing else is; a fresh
// drawing of the same state shows them as the run left them. Rapids stay dashed green, and a key in
// the view stops the machine; the top view, drawn in bands or alone, stays the picture it was.
TEST_F(View3DTest, AStopInsideAnArcLeavesTheCutAndTheRestMakingUpTheWholeProgram) {
    Open(ProgramFile(kArcs));
    const QImage top = surface_.image().copy();
    surface_.set_bands(1);
    cnc_.FrameResized();
    EXPECT_EQ(surface_.image(), top);
    surface_.set_bands(4);

    Look("View_Iso");
    const QImage whole = View().image().copy();
    int green = 0;
    for (double t : {0.3, 0.4, 0.5, 0.6, 0.7}) {
        green += Shows(View().ToView(12 * t, -4 * t, 3 * t), qRgb(0, 255, 0)) ? 1 : 0;
    }
    EXPECT_GE(green, 2) << "the rapid, dashed";
    QImage stopped;
    op_.set_yield_hook([&](std::uint64_t) {
        if (cnc_.st.PrgLineNo == 4 && cnc_.st.ProgPosZ < -3 && stopped.isNull()) { // half-way down the helix
            window_->RefreshLive();
            View().Settle();
            stopped = View().image().copy();
            QKeyEvent key(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
            QCoreApplication::sendEvent(&View(), &key);
        }
    });
    Click(*window_, "Command7");
    op_.set_yield_hook(nullptr);
    EXPECT_FALSE(Done(op_));
    ASSERT_FALSE(stopped.isNull());
    SaveScreen(*window_, "view_3d_running.png");

    const auto toolpath = [](const QImage& image, QRgb also) {
        QImage mask(image.size(), QImage::Format_Mono);
        mask.fill(0);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                mask.setPixel(x, y, image.pixel(x, y) == qRgb(0, 0, 0) || image.pixel(x, y) == also ? 1 : 0);
            }
        }
        return mask;
    };
    // But where the cut crosses the origin's axes, which lie over the program.
    EXPECT_LE(DifferingPixels(toolpath(stopped, qRgb(0, 102, 204)), toolpath(whole, qRgb(0, 0, 0)), "arc_stop_3d"), 2);
    const auto points = ArcPoints();
    EXPECT_TRUE(Shows(View().ToView(2, 6, -1), qRgb(0, 102, 204))) << "the first arc, cut";
    EXPECT_TRUE(Shows(View().ToView(points[9 + 7][0], points[9 + 7][1], points[9 + 7][2]), qRgb(0, 0, 0)))
        << "the helix beyond the tool, still to cut";
    View().Zoom(1); // drawn afresh
    View().Settle();
    EXPECT_LE(DifferingPixels(toolpath(View().image(), qRgb(0, 102, 204)), toolpath(stopped, qRgb(0, 102, 204)),
                              "arc_stop_3d_fresh"),
              2);
    EXPECT_TRUE(Shows(View().ToView(2, 6, -1), qRgb(0, 102, 204)));
    Click(*window_, "Command10"); // "Reset Program": nothing cut any more
    window_->RefreshLive();
    View().Settle();
    EXPECT_EQ(DifferingPixels(View().image(), whole, "arc_stop_3d_reset"), 0);

    Trigger(*window_, "View_3D");
    EXPECT_TRUE(window_->view()->isVisible());
    EXPECT_FALSE(View().isVisible());
    Open(ProgramFile(kArcs));
    EXPECT_EQ(surface_.image(), top);
}

// With soft limits in force the 3-D view boxes the machine's travel, in program coordinates: the
// travel less the program origin's place in machine coordinates, moved when the origin moves.
TEST_F(View3DTest, TheTravelBoxStandsWhereTheProgramOriginPutsIt) {
    Open(ProgramFile(kCube));
    cnc_.setup.travel = {{{true, -20, 40}, {true, -30, 20}, {true, -25, 35}}};
    cnc_.st.Homed = true;
    cnc_.st.MachPosX = 5; // the program origin at machine (5, -10, 0)
    cnc_.st.MachPosY = -10;
    Trigger(*window_, "View_3D");
    View().Zoom(0.1);
    View().Settle();
    const auto corners_at = [this](double dx, double dy) {
        int grey = 0;
        for (int k = 0; k < 8; ++k) {
            grey += Shows(View().ToView(k & 1 ? 35 - dx : -25 - dx, k & 2 ? 30 - dy : -20 - dy, k & 4 ? 35 : -25),
                          qRgb(128, 128, 128));
        }
        return grey;
    };
    EXPECT_EQ(corners_at(0, 0), 8);
    const qint64 drawn = View().image().cacheKey();
    window_->RefreshLive();
    View().Settle();
    EXPECT_EQ(View().image().cacheKey(), drawn) << "nothing moved: nothing drawn again";
    cnc_.st.ProgPosX = 5; // the origin set where the machine stands
    cnc_.st.ProgPosY = -10;
    window_->RefreshLive();
    View().Settle();
    EXPECT_EQ(corners_at(-5, 10), 8);
    cnc_.st.Homed = false;
    window_->RefreshLive();
    View().Settle();
    EXPECT_EQ(corners_at(-5, 10), 0) << "no box before homing";
}

// The top view marks the program origin over its picture, never in it; an outline drawn again after
// a rapid crossed it covers the rapid again, as though nothing had been left out.
TEST_F(View3DTest, TheTopViewMarksTheOriginAndRedrawsWhatARapidCrossed) {
    const std::string pass = "G01 X10 Y0 F300\nX10 Y10\nX0 Y10\nX0 Y0\n";
    Open(ProgramFile("G00 X10 Y10\nG00 X0 Y0\n" + pass));
    const QImage once = surface_.image().copy();
    Open(ProgramFile(pass + "G00 X10 Y10\nG00 X0 Y0\n" + pass + pass));
    EXPECT_EQ(surface_.image(), once);

    const QPoint origin = (surface_.ToPixel(0, 0) / surface_.pixel_ratio()).toPoint();
    const QImage shown = window_->view()->grab().toImage();
    EXPECT_EQ(shown.pixel(origin + QPoint(3, -2)), qRgb(0, 0, 0)) << "the filled upper right quarter";
    EXPECT_EQ(shown.pixel(origin + QPoint(-2, -2)), qRgb(255, 255, 255)) << "its empty upper left quarter";
    EXPECT_EQ(once.pixel(origin + QPoint(3, -2)), qRgb(255, 255, 255));
}

} // namespace
} // namespace tamo
