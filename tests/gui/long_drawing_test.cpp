// A long batch of strokes is gathered in two parts and drawn in bands on two threads. The picture is
// the one a single thread draws: no stroke lost or drawn twice out of order, where rapids in green
// cross feed moves in black and arcs join lines.

#include "gui_fixture.h"
#include "ui/qt_surface.h"

#include <QImage>

#include <cmath>
#include <numbers>

namespace tamo {
namespace {

// A spiral of short feed moves and arcs that never repeats a stroke, crossed every few hundred
// moves by a long dashed rapid, on a surface of its own.
QImage DrawSpiral(int bands, int pen) {
    test::EnsureApplication();
    ui::QtSurface surface;
    surface.Resize(QSize(420, 300));
    surface.set_bands(bands);
    EXPECT_TRUE(surface.SetMapping(-100, 100, 200, 200));
    surface.SetDrawWidth(pen);
    double x = 0;
    double y = 0;
    for (int i = 1; i <= 12000; ++i) {
        const double angle = i * 0.013;
        const double radius = 2 + i * 0.0075;
        const double nx = radius * std::cos(angle);
        const double ny = radius * std::sin(angle);
        if (i % 3 == 0) {
            // A quarter circle through the next point's neighbourhood, counter-clockwise.
            surface.Arc(x, y, 0.5 + (i % 7) * 0.1, angle, angle + std::numbers::pi / 2, kBlack);
        } else {
            surface.Line(x, y, nx, ny, kBlack, LineStyle::Solid);
        }
        if (i % 500 == 0) {
            surface.Line(-nx, ny, nx, -ny, kGreen, LineStyle::Dash);
        }
        x = nx;
        y = ny;
    }
    return surface.image().copy();
}

int DifferingPixels(const QImage& a, const QImage& b) {
    int differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            differing += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
        }
    }
    return differing;
}

TEST(LongDrawing, TwoThreadsDrawThePictureOfOne) {
    for (int pen : {1, 3}) {
        const QImage alone = DrawSpiral(1, pen);
        ASSERT_FALSE(alone.isNull());
        int black = 0;
        int green = 0;
        for (int y = 0; y < alone.height(); ++y) {
            for (int x = 0; x < alone.width(); ++x) {
                black += alone.pixel(x, y) == qRgb(0, 0, 0) ? 1 : 0;
                green += alone.pixel(x, y) == qRgb(0, 255, 0) ? 1 : 0;
            }
        }
        EXPECT_GT(black, 5000) << "pen " << pen;
        EXPECT_GT(green, 500) << "pen " << pen;
        EXPECT_EQ(DifferingPixels(DrawSpiral(2, pen), alone), 0) << "pen " << pen;
        EXPECT_EQ(DifferingPixels(DrawSpiral(4, pen), alone), 0) << "pen " << pen;
    }
}

} // namespace
} // namespace tamo
