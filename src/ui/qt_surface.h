#pragma once

#include "platform/surface.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QSize>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class QWidget;

namespace tamo::ui {

class DrawnStrokes;

// The toolpath view's drawing surface: everything is drawn into a kept backing image, which the
// view only copies to the screen, so the drawing survives being covered and a repaint never
// replays the program.
//
// The image is in device pixels (the view's size times its pixel ratio); pen widths are given in
// the view's pixels and scaled with it. Before the first Resize there is no image and every
// drawing call is dropped.
//
// The world window the core maps is shown whole, centred and with one scale for both axes, also
// in a view that is not square. The operator's navigation (a zoom about a point, a pan) applies
// on top of it: zoom 1 without a pan is the core's own mapping.
class QtSurface final : public Surface {
public:
    QtSurface();
    ~QtSurface() override;
    QtSurface(const QtSurface&) = delete;
    QtSurface& operator=(const QtSurface&) = delete;

    // The widget that shows the image: it is asked to repaint what a drawing call changed.
    void set_target(QWidget* widget) { target_ = widget; }
    // A new image for a view of `size` logical pixels. What was drawn stays where it was (a
    // larger view shows white beyond it), and so does the mapping until the next Clear or
    // SetMapping; a caller that wants it scaled redraws.
    void Resize(QSize size, qreal pixel_ratio = 1.0);
    // Ends the drawing in progress first, so that the image read is complete and may be copied.
    [[nodiscard]] const QImage& image() const {
        EndPainting();
        return image_;
    }
    [[nodiscard]] qreal pixel_ratio() const { return pixel_ratio_; }
    // Where a world point lands in the image, in device pixels.
    [[nodiscard]] QPointF ToPixel(double x, double y) const;

    // Navigation, in device pixels of the image. Each returns whether the mapping changed; the
    // image then holds the old drawing moved and scaled to the new mapping, a stand-in until the
    // caller has the toolpath drawn again. The zoom stays between 1 (the core's mapping) and
    // kMaxZoom, and the window it shows inside the core's.
    static constexpr double kMaxZoom = 1000;
    bool ZoomAt(double factor, QPointF anchor);
    bool PanBy(QPointF delta);
    bool Fit();
    // Back to the core's mapping without touching the image: for a caller that redraws at once.
    void ResetNavigation();
    [[nodiscard]] double zoom() const { return zoom_; }

    void Clear() override;
    [[nodiscard]] bool SetMapping(double left, double top, double width, double height) override;
    void Line(double x1, double y1, double x2, double y2, Colour colour, LineStyle style) override;
    void Arc(double cx, double cy, double radius, double start, double end, Colour colour) override;
    // A long drawing goes through Line and Arc until the record of repeats has let it go (a program
    // that repeats its strokes keeps that path); the rest is made into strokes and gathered in two
    // parts on two threads, a round of kStrokesAtOnce / 2 items each, and drawn in bands.
    void DrawMany(std::size_t count, const DrawPart& draw) override;
    // The live trace. Timing contract: it runs inside every tick, so it writes the pixels
    // directly, without a painter and without allocating, and asks the widget to repaint only the
    // dot's few pixels. Where the core draws in black the trace is drawn in the cut colour, so that
    // the part already cut stands out from the black toolpath still to cut.
    void Point(float x, float y) override;
    void Dot(double x, double y, Colour colour) override;
    void Text(double x, double y, const std::string& text) override;
    [[nodiscard]] Colour ForeColor() const override { return fore_; }
    void SetForeColor(Colour colour) override;
    [[nodiscard]] int DrawWidth() const override { return width_; }
    void SetDrawWidth(int width) override;

    // A line or an arc waiting to be drawn, in the image's pixels: a line from (a, b) to (c, d),
    // or an arc in the box at (a, b) of size c x d from `start` through `span` sixteenths of a degree.
    struct Stroke {
        double a, b, c, d;
        int start, span;
        QRgb rgb;
        bool dash;
        bool arc;
        std::uint8_t pen = 1; // width in pixels
    };
    // Strokes as they are drawn: a polyline of points [first, first + count) in one pen, and the
    // rows it reaches (top, bottom).
    struct Run {
        std::size_t first = 0;
        std::size_t count = 0;
        double top = 0;
        double bottom = 0;
        QRgb rgb = 0;
        std::uint8_t pen = 1;
        bool dash = false;
        bool closed = false;
    };
    // A batch's runs and their points.
    struct Gathered {
        std::vector<Run> runs;
        std::vector<QPointF> points;
    };
    // How many threads draw a long batch of lines and arcs (1: the calling thread alone).
    void set_bands(int bands) { bands_ = bands; }
    // The mapping and pen a stroke is made in: window pixels from world units.
    struct Frame {
        double left = 0;
        double top = 0;
        double scale = 1;
        double width = 0; // of the image, in pixels
        double height = 0;
        int pen_pixels = 1;
        std::uint8_t pen = 1; // as a stroke holds it
    };

private:
    // Lines and arcs are gathered and drawn in batches, a long batch in bands on several threads:
    // a toolpath of a million moves takes half the time. A batch is drawn whenever something else
    // is drawn, the image is read or replaced, or it has grown to kStrokesAtOnce.
    static constexpr std::size_t kStrokesAtOnce = 65536;
    static constexpr std::size_t kStrokesForBands = 2048;
    void Queue(Stroke stroke);
    void DrawStrokes() const;
    // Draws the gathered parts in bands, one thread each.
    void DrawGathered(int parts, bool banded) const;
    void ReserveBatch();
    // After a long drawing: the batch buffers go back, what is still queued stays queued.
    void ReleaseBatch();
    // The gathered runs' and points' room goes back.
    void ReleaseGathered() const;
    [[nodiscard]] Frame CurrentFrame() const;

    void UpdateScale();
    // Sets the navigation (clamped) and moves the old drawing to it.
    bool Navigate(double zoom, double offset_x, double offset_y);
    void FillDot(QPointF centre, QRgb rgb);
    // One painter is kept open from the first line of a redraw until the image is read or
    // replaced: opening one per line cost more than drawing the line.
    QPainter& Painter();
    void EndPainting() const;
    void RequestRepaint(double left, double top, double right, double bottom);
    void RequestFullRepaint();
    [[nodiscard]] int PenPixels() const;

    mutable QImage image_;                    // reading it draws the strokes still waiting
    mutable std::optional<QPainter> painter_; // after image_: ended before the image goes
    mutable std::vector<Stroke> strokes_;
    std::vector<Stroke> second_part_;          // a long drawing's other thread makes its strokes here
    mutable std::array<Gathered, 2> gathered_; // the strokes as they are drawn: a batch's two parts
    std::unique_ptr<DrawnStrokes> drawn_;      // what the image holds already, to leave out repeats
    int bands_ = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
    mutable bool repaint_requested_ = false; // a full repaint is asked for and not yet painted
    // The last live dot: a dot on the same pixels in the same colour changes nothing and is not
    // drawn or repainted again. Any other drawing forgets it.
    struct LastDot {
        int x = 0, y = 0, size = 0;
        QRgb rgb = 0;
    };
    std::optional<LastDot> last_dot_;
    QWidget* target_ = nullptr;
    qreal pixel_ratio_ = 1.0;

    // The core's world window: left and top edge, width and height (Y grows upwards).
    double base_left_ = 0;
    double base_top_ = 0;
    double world_width_ = 1;
    double world_height_ = 1;
    // The operator's navigation: zoom, and the shift of the shown window's centre from the
    // core's, in world units.
    double zoom_ = 1;
    double offset_x_ = 0;
    double offset_y_ = 0;
    // The window shown: its top left corner and device pixels per world unit.
    double left_ = 0;
    double top_ = 0;
    double scale_ = 1;

    Colour fore_ = kBlack;
    QRgb trace_rgb_ = qRgb(kCut.r, kCut.g, kCut.b);
    int width_ = 1;
};

} // namespace tamo::ui
