// Strokes that follow on from one another are drawn as one polyline, a clockwise move's arc taken
// backwards from its far end. The picture must still be the strokes' own: drawn in one batch or each
// on its own, the same pixels within the pen's reach (a joint, or a run of moves inside one pixel,
// may differ by a pixel), nothing missing along the arcs, in every pen width and size of arc.

#include "gui_fixture.h"
#include "ui/qt_surface.h"

#include <QImage>

#include <cmath>
#include <vector>

namespace tamo {
namespace {

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
    test::EnsureApplication();
    ui::QtSurface surface;
    surface.Resize(QSize(420, 300));
    EXPECT_TRUE(surface.SetMapping(-100, 100, 200, 200));
    surface.SetDrawWidth(chain.pen);
    double x = -90;
    double y = -40;
    for (int i = 0; i < 60; ++i) {
        const double qx = x + 2.5;
        const double qy = y + 1.5 * (i % 3) - 1;
        surface.Line(x, y, qx, qy, kBlack, LineStyle::Solid);
        if (flush) {
            (void)surface.image();
        }
        // The tool goes round from Q: counter-clockwise, Q is where the painter's arc starts; clockwise,
        // where it ends.
        const double at_q = 0.4 * i;
        const double far = chain.clockwise ? at_q - chain.sweep : at_q + chain.sweep;
        const double cx = qx - chain.radius * std::cos(at_q);
        const double cy = qy - chain.radius * std::sin(at_q);
        if (chain.clockwise) {
            surface.Arc(cx, cy, chain.radius, far, at_q, kBlack);
        } else {
            surface.Arc(cx, cy, chain.radius, at_q, far, kBlack);
        }
        if (flush) {
            (void)surface.image();
        }
        x = cx + chain.radius * std::cos(far);
        y = cy + chain.radius * std::sin(far);
        if (x > 90) {
            x -= 170;
            y += 12;
        }
    }
    return surface.image().copy();
}

bool Black(const QImage& image, int x, int y) {
    return x >= 0 && y >= 0 && x < image.width() && y < image.height() && image.pixel(x, y) == qRgb(0, 0, 0);
}

// Black pixels of `a` with no black pixel of `b` within `reach` pixels.
int Unmatched(const QImage& a, const QImage& b, int reach) {
    int unmatched = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (!Black(a, x, y)) {
                continue;
            }
            bool near = false;
            for (int dy = -reach; dy <= reach && !near; ++dy) {
                for (int dx = -reach; dx <= reach && !near; ++dx) {
                    near = Black(b, x + dx, y + dy);
                }
            }
            unmatched += near ? 0 : 1;
        }
    }
    return unmatched;
}

int BlackPixels(const QImage& image) {
    int black = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            black += Black(image, x, y) ? 1 : 0;
        }
    }
    return black;
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
        EXPECT_GT(BlackPixels(alone), 200) << chain.name;
        // A joint may be a pixel off where a wide pen rounds it.
        const int reach = (chain.pen + 1) / 2;
        EXPECT_EQ(Unmatched(alone, batch, reach), 0) << chain.name << ": a stroke's pixels missing from the batch";
        EXPECT_EQ(Unmatched(batch, alone, reach), 0) << chain.name << ": pixels no stroke draws";
        EXPECT_LE(std::abs(BlackPixels(batch) - BlackPixels(alone)), BlackPixels(alone) / 10) << chain.name;
    }
}

} // namespace
} // namespace tamo
