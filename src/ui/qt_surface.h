#pragma once

#include "platform/surface.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QSize>

#include <optional>
#include <string>

class QWidget;

namespace tamo::ui {

// The toolpath view's drawing surface: everything is drawn into a kept backing image, which the
// view only copies to the screen, so the drawing survives being covered and a repaint never
// replays the program.
//
// The image is in device pixels (the view's size times its pixel ratio); pen widths are given in
// the view's pixels and scaled with it. Before the first Resize there is no image and every
// drawing call is dropped.
class QtSurface final : public Surface {
public:
    QtSurface() = default;

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

    void Clear() override;
    [[nodiscard]] bool SetMapping(double left, double top, double width, double height) override;
    void Line(double x1, double y1, double x2, double y2, Colour colour, LineStyle style) override;
    void Arc(double cx, double cy, double radius, double start, double end, Colour colour) override;
    // The live trace. Timing contract: it runs inside every tick, so it writes the pixels
    // directly, without a painter and without allocating, and asks the widget to repaint only the
    // dot's few pixels.
    void Point(float x, float y) override;
    void Dot(double x, double y, Colour colour) override;
    void Text(double x, double y, const std::string& text) override;
    [[nodiscard]] Colour ForeColor() const override { return fore_; }
    void SetForeColor(Colour colour) override;
    [[nodiscard]] int DrawWidth() const override { return width_; }
    void SetDrawWidth(int width) override;

private:
    void UpdateScale();
    void FillDot(QPointF centre, QRgb rgb);
    // One painter is kept open from the first line of a redraw until the image is read or
    // replaced: opening one per line cost more than drawing the line.
    QPainter& Painter();
    void SetPen(QColor colour, LineStyle style);
    void EndPainting() const;
    void RequestRepaint(double left, double top, double right, double bottom);
    void RequestFullRepaint();
    [[nodiscard]] int PenPixels() const;

    QImage image_;
    mutable std::optional<QPainter> painter_; // after image_: ended before the image goes
    QColor pen_colour_;
    LineStyle pen_style_ = LineStyle::Solid;
    int pen_pixels_ = 0;                     // 0: the open painter has no pen of ours yet
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

    // The world window: left and top edge, width and height (Y grows upwards), and the factors
    // that turn it into device pixels.
    double left_ = 0;
    double top_ = 0;
    double world_width_ = 1;
    double world_height_ = 1;
    double scale_x_ = 1;
    double scale_y_ = 1;

    Colour fore_ = kBlack;
    QRgb fore_rgb_ = qRgb(0, 0, 0);
    int width_ = 1;
};

} // namespace tamo::ui
