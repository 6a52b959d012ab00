// After each control of a run the top view shows what a fresh drawing of the same state shows: the
// program in black one pixel wide, the part cut in the cut colour where the live trace drew it. The
// controls are pressed as the operator presses them; the pictures are compared pixel for pixel where
// the same routine draws both, and by coverage (every pixel of one colour within a pixel of the same
// colour in the other) where the live trace drew one of them dot by dot.

#include "main_window_fixture.h"

#include <QTest>
#include <QWheelEvent>

#include <functional>
#include <string>
#include <vector>

namespace tamo {
namespace {

using namespace test;

constexpr QRgb kCutRgb = qRgb(0, 102, 204);
constexpr QRgb kBlackRgb = qRgb(0, 0, 0);

// Pixels of `colour` in `a` with no pixel of that colour within `slack` of them in `b`.
int Uncovered(const QImage& a, const QImage& b, QRgb colour, int slack) {
    int missing = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            missing += a.pixel(x, y) == colour && !ColourNear(b, QPoint(x, y), colour, slack) ? 1 : 0;
        }
    }
    return missing;
}

int Count(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            n += image.pixel(x, y) == colour ? 1 : 0;
        }
    }
    return n;
}

// Lines and an arc whose X, Y and Z all differ, so that a swapped or mirrored axis shows.
const char* const kProgram = "G01 X30 Y-12 F300\nG01 X-5 Y20\nG02 X10 Y20 I7.5 J0\nG01 X10 Y4\nG01 X30 Y-12\n";

class ViewRedraw : public MainWindowTest {
protected:
    QImage Picture() const { return surface_.image().copy(); }

    // What a fresh drawing of the state shows: the frame redrawn as after a new size.
    QImage Fresh() {
        cnc_.FrameResized();
        return Picture();
    }

    // "Execute Program", stopped by "Pause" at the n-th yield (never, for 0).
    void Run(std::uint64_t stop_at) {
        if (stop_at > 0) {
            AtYield(op_.yields() + stop_at, [this] { Click(*window_, "Command1"); });
        }
        Click(*window_, "Command7");
        op_.set_yield_hook(nullptr);
    }
};

TEST_F(ViewRedraw, AfterEachRunControlTheViewIsAFreshDrawingOfTheSameState) {
    Open(ProgramFile(kProgram));
    const QImage opened = Picture();
    ASSERT_GT(Count(opened, kBlackRgb), 0);

    // Reset Program after a finished run: the program as it was opened, one pixel wide, nothing cut.
    Run(0);
    ASSERT_TRUE(Done(op_));
    const QImage finished = Picture();
    EXPECT_GT(Count(finished, kCutRgb), 0);
    Click(*window_, "Command10");
    EXPECT_EQ(DifferingPixels(Picture(), opened, "redraw_reset"), 0) << "Reset Program";

    // The run's own picture, the live trace over the program, against a fresh drawing of where it
    // stands: after the whole run, and after a stop part-way along the second line.
    struct Case {
        const char* what;
        std::uint64_t stop_at;
    };
    for (const Case& c : {Case{"a finished run", 0}, Case{"a stop", 6000}}) {
        SCOPED_TRACE(c.what);
        Click(*window_, "Command10");
        op_.clear_messages();
        Run(c.stop_at);
        ASSERT_EQ(Done(op_), c.stop_at == 0);
        const QImage live = Picture();
        const QImage fresh = Fresh();
        DifferingPixels(live, fresh, std::string("redraw_live_") + c.what);
        EXPECT_GT(Count(fresh, kCutRgb), 100);
        EXPECT_LE(Uncovered(live, fresh, kCutRgb, 1), Count(live, kCutRgb) / 50);
        EXPECT_LE(Uncovered(fresh, live, kCutRgb, 1), Count(fresh, kCutRgb) / 50);

        // A new size and the old one again, a zoom from the View menu and back: the same picture.
        window_->resize(window_->width() + 40, window_->height() + 30);
        QCoreApplication::processEvents();
        window_->resize(window_->width() - 40, window_->height() - 30);
        QCoreApplication::processEvents();
        EXPECT_EQ(DifferingPixels(Picture(), fresh, "redraw_resize"), 0) << "after a resize";
        Trigger(*window_, "View_ZoomIn");
        QTest::qWait(300); // the redraw waits for the zoom to rest
        const QImage zoomed = Picture();
        EXPECT_EQ(DifferingPixels(zoomed, Fresh(), "redraw_zoom"), 0) << "after a zoom";
        Trigger(*window_, "View_Fit");
        QTest::qWait(300);
        EXPECT_EQ(DifferingPixels(Picture(), fresh, "redraw_fit"), 0) << "zoomed and fitted again";
    }
}

} // namespace
} // namespace tamo
