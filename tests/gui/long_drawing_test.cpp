// What the top view's surface draws from a batch of strokes is what it draws of each stroke alone.
// A long batch is gathered in two parts and drawn in bands on two threads: the picture is the one a
// single thread draws, no stroke lost or drawn twice out of order, where rapids in green cross feed
// moves in black and arcs join lines. Strokes that follow on from one another are drawn as one
// polyline, a clockwise move's arc taken backwards from its far end: drawn in one batch or each on
// its own, the same pixels within the pen's reach (a joint, or a run of moves inside one pixel, may
// differ by a pixel), nothing missing along the arcs, in every pen width and size of arc.

#include "gui_fixture.h"
#include "ui/qt_surface.h"

#include <QImage>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

namespace tamo {
namespace {

// A surface of 420 x 300 pixels over 200 x 200 units about the origin; `bands` 0: as many as the PC
// gives it.
std::unique_ptr<ui::QtSurface> NewSurface(int bands, int pen) {
    test::EnsureApplication();
    auto surface = std::make_unique<ui::QtSurface>();
    surface->Resize(QSize(420, 300));
    if (bands > 0) {
        surface->set_bands(bands);
    }
    EXPECT_TRUE(surface->SetMapping(-100, 100, 200, 200));
    surface->SetDrawWidth(pen);
    return surface;
}

// Pixels of `a` in `rgb` with none of that colour in `b` within `reach` pixels; all of them without `b`.
int Unmatched(const QImage& a, QRgb rgb, const QImage* b = nullptr, int reach = 0) {
    int unmatched = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            unmatched += a.pixel(x, y) == rgb && (b == nullptr || !test::ColourNear(*b, {x, y}, rgb, reach));
        }
    }
    return unmatched;
}

// A spiral of short feed moves and arcs that never repeats a stroke, crossed every few hundred
// moves by a long dashed rapid, on a surface of its own.
QImage DrawSpiral(int bands, int pen) {
    const auto surface = NewSurface(bands, pen);
    double x = 0;
    double y = 0;
    for (int i = 1; i <= 12000; ++i) {
        const double angle = i * 0.013;
        const double radius = 2 + i * 0.0075;
        const double nx = radius * std::cos(angle);
        const double ny = radius * std::sin(angle);
        if (i % 3 == 0) {
            // A quarter circle through the next point's neighbourhood, counter-clockwise.
            surface->Arc(x, y, 0.5 + (i % 7) * 0.1, angle, angle + std::numbers::pi / 2, kBlack);
        } else {
            surface->Line(x, y, nx, ny, kBlack, LineStyle::Solid);
        }
        if (i % 500 == 0) {
            surface->Line(-nx, ny, nx, -ny, kGreen, LineStyle::Dash);
        }
        x = nx;
        y = ny;
    }
    return surface->image().copy();
}

TEST(LongDrawing, TwoThreadsDrawThePictureOfOne) {
    for (int pen : {1, 3}) {
        const QImage alone = DrawSpiral(1, pen);
        ASSERT_FALSE(alone.isNull());
        EXPECT_GT(Unmatched(alone, qRgb(0, 0, 0)), 5000) << "pen " << pen;
        EXPECT_GT(Unmatched(alone, qRgb(0, 255, 0)), 500) << "pen " << pen;
        EXPECT_EQ(test::DifferingPixels(DrawSpiral(2, pen), alone, "long_drawing_2"), 0) << "pen " << pen;
        EXPECT_EQ(test::DifferingPixels(DrawSpiral(4, pen), alone, "long_drawing_4"), 0) << "pen " << pen;
    }
}

// An outline cut again at every depth: past the first pass every stroke repeats, so the drawing goes
// stroke by stroke and leaves the repeats out. The strokes it leaves queued when it gives its batch
// buffers back reach the image, and the outline drawn again after a rapid crossed it covers the
// rapid, as the passes drawn one by one show them.
TEST(LongDrawing, PassesOverOneOutlineShowWhatEachPassAloneShows) {
    static constexpr int kOutline = 300;
    constexpr int kPasses = 20;
    const auto stroke = [](int i, StrokeSink& into) {
        const double a = i * 2 * std::numbers::pi / kOutline;
        const double b = (i + 1) * 2 * std::numbers::pi / kOutline;
        if (i % 5 == 0) {
            into.Arc(0, 0, 60, a, b, kBlack);
        } else {
            into.Line(60 * std::cos(a), 60 * std::sin(a), 60 * std::cos(b), 60 * std::sin(b), kBlack, LineStyle::Solid);
        }
    };
    const auto rapid = [](ui::QtSurface& surface) {
        surface.Line(-80, -70, 80, 70, kGreen, LineStyle::Dash);
    };
    const auto many = NewSurface(0, 1);
    const auto passes = [&] {
        many->DrawMany(kPasses * kOutline, [&stroke](std::size_t first, std::size_t end, StrokeSink& into) {
            for (std::size_t i = first; i < end; ++i) {
                stroke(static_cast<int>(i % kOutline), into);
            }
        });
    };
    passes();
    rapid(*many);
    passes();

    const auto each = NewSurface(0, 1);
    const auto pass = [&] {
        for (int i = 0; i < kOutline; ++i) {
            stroke(i, *each);
        }
        (void)each->image();
    };
    pass();
    rapid(*each);
    pass();
    ASSERT_GT(Unmatched(each->image(), qRgb(0, 0, 0)), 300);
    EXPECT_EQ(test::DifferingPixels(many->image(), each->image(), "outline_passes"), 0);
}

struct Chain {
    const char* name;
    double radius;  // of every arc, in world units (1.5 pixels each)
    double sweep;   // radians
    bool clockwise; // the arcs join the chain at their far end
    int pen;
};

// A chain of short lines and arcs, each starting where the one before ended; with `flush`, the
// image is read after every stroke, so that each is drawn on its own.
QImage DrawChain(const Chain& chain, bool flush) {
    const auto surface = NewSurface(0, chain.pen);
    double x = -90;
    double y = -40;
    for (int i = 0; i < 60; ++i) {
        const double qx = x + 2.5;
        const double qy = y + 1.5 * (i % 3) - 1;
        surface->Line(x, y, qx, qy, kBlack, LineStyle::Solid);
        if (flush) {
            (void)surface->image();
        }
        // The tool goes round from Q: counter-clockwise, Q is where the painter's arc starts; clockwise,
        // where it ends.
        const double at_q = 0.4 * i;
        const double far = chain.clockwise ? at_q - chain.sweep : at_q + chain.sweep;
        const double cx = qx - chain.radius * std::cos(at_q);
        const double cy = qy - chain.radius * std::sin(at_q);
        if (chain.clockwise) {
            surface->Arc(cx, cy, chain.radius, far, at_q, kBlack);
        } else {
            surface->Arc(cx, cy, chain.radius, at_q, far, kBlack);
        }
        if (flush) {
            (void)surface->image();
        }
        x = cx + chain.radius * std::cos(far);
        y = cy + chain.radius * std::sin(far);
        if (x > 90) {
            x -= 170;
            y += 12;
        }
    }
    return surface->image().copy();
}

TEST(JoinedStrokes, AChainDrawnInOneBatchShowsEveryStrokeAsDrawnAlone) {
    const std::vector<Chain> chains = {
        {"tiny clockwise arcs", 0.3, 2.0, true, 1}, {"tiny counter-clockwise arcs", 0.3, 2.0, false, 1},
        {"small clockwise arcs", 3, 1.2, true, 1},  {"small counter-clockwise arcs", 3, 1.2, false, 1},
        {"wide clockwise arcs", 25, 0.5, true, 1},  {"wide clockwise arcs, thick pen", 25, 0.5, true, 3},
        {"clockwise half turns", 4, 3.1, true, 1},  {"clockwise arcs past three quarters", 5, 5.0, true, 2},
    };
    for (const Chain& chain : chains) {
        const QImage batch = DrawChain(chain, false);
        const QImage alone = DrawChain(chain, true);
        ASSERT_FALSE(batch.isNull());
        EXPECT_GT(Unmatched(alone, qRgb(0, 0, 0)), 200) << chain.name;
        // A joint may be a pixel off where a wide pen rounds it.
        const int reach = (chain.pen + 1) / 2;
        EXPECT_EQ(Unmatched(alone, qRgb(0, 0, 0), &batch, reach), 0)
            << chain.name << ": a stroke's pixels missing from the batch";
        EXPECT_EQ(Unmatched(batch, qRgb(0, 0, 0), &alone, reach), 0) << chain.name << ": pixels no stroke draws";
        EXPECT_LE(std::abs(Unmatched(batch, qRgb(0, 0, 0)) - Unmatched(alone, qRgb(0, 0, 0))),
                  Unmatched(alone, qRgb(0, 0, 0)) / 10)
            << chain.name;
    }
}

} // namespace
} // namespace tamo
