#include "ui/qt_surface.h"

#include "platform/huge_pages.h"
#include "ui/drawn_strokes.h"
#include "ui/stroke_runs.h"

#include <QFontMetricsF>
#include <QLineF>
#include <QPainter>
#include <QPen>
#include <QRectF>
#include <QString>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <thread>

namespace tamo::ui {
namespace {

constexpr double kPi = std::numbers::pi;
// A QImage's default resolution, 96 dots per inch, in dots per metre.
constexpr double kDotsPerMetre = 3780;
// Beyond this radius in pixels an arc is drawn as clipped chords: the painter's own arc
// approximation works in floating point of limited range, and only a sliver of such an arc is in
// the window anyway.
constexpr double kMaxArcPixels = 100000;
constexpr int kArcChords = 1440;

QColor ToQColor(Colour colour) {
    return {colour.r, colour.g, colour.b};
}

bool Finite(double a, double b) {
    return std::isfinite(a) && std::isfinite(b);
}

// Keeps the part of a segment on one side of a window edge: where a >= limit for side +1, where
// a <= limit for side -1; b is the other coordinate. The cut point lies exactly on the edge, so
// that a line from far outside still meets the window where it should.
bool ClipToEdge(double& a1, double& b1, double& a2, double& b2, double limit, double side) {
    const bool first_in = side * (a1 - limit) >= 0;
    const bool second_in = side * (a2 - limit) >= 0;
    if (first_in == second_in) {
        return first_in;
    }
    const double b = b1 + (b2 - b1) * ((limit - a1) / (a2 - a1));
    if (first_in) {
        a2 = limit;
        b2 = b;
    } else {
        a1 = limit;
        b1 = b;
    }
    return true;
}

// Clips the segment to the rectangle in place; false when nothing of it is inside. A coordinate
// far outside the window (a toolpath scaled past the view) must never reach the painter, whose
// rasteriser works in fixed point.
bool ClipSegment(QRectF box, double& x1, double& y1, double& x2, double& y2) {
    return ClipToEdge(x1, y1, x2, y2, box.left(), 1) && ClipToEdge(x1, y1, x2, y2, box.right(), -1) &&
           ClipToEdge(y1, x1, y2, x2, box.top(), 1) && ClipToEdge(y1, x1, y2, x2, box.bottom(), -1) && Finite(x1, y1) &&
           Finite(x2, y2);
}

// The counter-clockwise sweep from start to end, in (0, 2 pi]: equal angles are the whole circle,
// as a bore programmed from a point back to itself is.
double CounterClockwiseSweep(double start, double end) {
    // Within a turn the remainder is the difference itself; fmod is left for the rest.
    const double difference = end - start;
    double sweep = std::fabs(difference) < 2 * kPi ? difference : std::fmod(difference, 2 * kPi);
    if (sweep <= 0) {
        sweep += 2 * kPi;
    }
    return sweep;
}

// A line as the image's stroke: mapped to pixels and clipped to the image widened by the pen, or
// nothing where no part of it is in the image or a coordinate is not finite.
template <class Emit>
void MakeLine(const QtSurface::Frame& f, double x1, double y1, double x2, double y2, Colour colour, LineStyle style,
              Emit&& put) {
    if (!Finite(x1, y1) || !Finite(x2, y2)) {
        return;
    }
    double ax = (x1 - f.left) * f.scale;
    double ay = (f.top - y1) * f.scale;
    double bx = (x2 - f.left) * f.scale;
    double by = (f.top - y2) * f.scale;
    const double margin = f.pen_pixels + 2;
    const QRectF box = QRectF(0, 0, f.width, f.height).adjusted(-margin, -margin, margin, margin);
    if (!Finite(ax, ay) || !Finite(bx, by) || !ClipSegment(box, ax, ay, bx, by)) {
        return;
    }
    put(QtSurface::Stroke{ax, ay, bx, by, 0, 0, qRgb(colour.r, colour.g, colour.b), style == LineStyle::Dash, false,
                          f.pen});
}

// An arc as the image's stroke, or beyond kMaxArcPixels of radius as clipped chords. False when
// nothing can be drawn of it.
template <class Emit>
bool MakeArc(const QtSurface::Frame& f, double cx, double cy, double radius, double start, double end, Colour colour,
             Emit&& put) {
    if (!Finite(cx, cy) || !Finite(start, end) || !(radius > 0) || !std::isfinite(radius)) {
        return false;
    }
    const QPointF centre((cx - f.left) * f.scale, (f.top - cy) * f.scale);
    const double rx = radius * f.scale;
    const double ry = radius * f.scale;
    if (!Finite(centre.x(), centre.y()) || !Finite(rx, ry)) {
        return false;
    }
    const double sweep = CounterClockwiseSweep(start, end);
    const QRgb rgb = qRgb(colour.r, colour.g, colour.b);
    if (rx <= kMaxArcPixels && ry <= kMaxArcPixels) {
        // Both the world (Y up) and the painter's angles run counter-clockwise as seen on the
        // screen, so the angles carry over unchanged; the painter counts in 1/16 degree.
        constexpr double kSixteenthsPerRadian = 180.0 * 16.0 / kPi;
        put(QtSurface::Stroke{centre.x() - rx, centre.y() - ry, 2 * rx, 2 * ry,
                              static_cast<int>(std::lround(start * kSixteenthsPerRadian)),
                              static_cast<int>(std::lround(sweep * kSixteenthsPerRadian)), rgb, false, true, f.pen});
        return true;
    }
    const double margin = f.pen_pixels + 2;
    const QRectF clip = QRectF(0, 0, f.width, f.height).adjusted(-margin, -margin, margin, margin);
    double px = centre.x() + rx * std::cos(start);
    double py = centre.y() - ry * std::sin(start);
    for (int i = 1; i <= kArcChords; ++i) {
        const double angle = start + sweep * i / kArcChords;
        const double qx = centre.x() + rx * std::cos(angle);
        const double qy = centre.y() - ry * std::sin(angle);
        double x1 = px;
        double y1 = py;
        double x2 = qx;
        double y2 = qy;
        if (ClipSegment(clip, x1, y1, x2, y2)) {
            put(QtSurface::Stroke{x1, y1, x2, y2, 0, 0, rgb, false, false, f.pen});
        }
        px = qx;
        py = qy;
    }
    return true;
}

} // namespace

QtSurface::QtSurface() : drawn_(std::make_unique<DrawnStrokes>()) {}

QtSurface::~QtSurface() = default;

void QtSurface::Resize(QSize size, qreal pixel_ratio) {
    if (pixel_ratio <= 0) {
        pixel_ratio = 1;
    }
    const QSize device(static_cast<int>(std::ceil(size.width() * pixel_ratio)),
                       static_cast<int>(std::ceil(size.height() * pixel_ratio)));
    if (device == image_.size() && pixel_ratio == pixel_ratio_) {
        return;
    }
    EndPainting();
    QImage resized(device.expandedTo(QSize(0, 0)), QImage::Format_RGB32);
    resized.fill(Qt::white);
    // Point sizes of the labels follow the image's resolution, so that text keeps its size on
    // a screen of higher pixel ratio.
    const int dots = static_cast<int>(std::lround(kDotsPerMetre * pixel_ratio));
    resized.setDotsPerMeterX(dots);
    resized.setDotsPerMeterY(dots);
    const bool kept = !image_.isNull() && !resized.isNull();
    if (kept) {
        QPainter painter(&resized);
        painter.drawImage(0, 0, image_);
    }
    image_ = std::move(resized);
    last_dot_.reset();
    drawn_->Forget();
    pixel_ratio_ = pixel_ratio;
    // The picture carried over keeps the scale it was drawn at until it is cleared: a resize during
    // a run leaves the redraw until the run has ended, and the live trace must go on landing on
    // the path it belongs to, not on the new scale over the old picture.
    if (!kept) {
        UpdateScale();
    }
    RequestFullRepaint();
}

QPointF QtSurface::ToPixel(double x, double y) const {
    return {(x - left_) * scale_, (top_ - y) * scale_};
}

void QtSurface::UpdateScale() {
    const double fit = std::min(image_.width() / world_width_, image_.height() / world_height_);
    scale_ = fit > 0 ? fit * zoom_ : 1;
    const double centre_x = base_left_ + world_width_ / 2 + offset_x_;
    const double centre_y = base_top_ - world_height_ / 2 + offset_y_;
    left_ = centre_x - image_.width() / (2 * scale_);
    top_ = centre_y + image_.height() / (2 * scale_);
}

bool QtSurface::Navigate(double zoom, double offset_x, double offset_y) {
    zoom = std::clamp(zoom, 1.0, kMaxZoom);
    // The shown window stays inside the one the core mapped (widened to the view's shape).
    const double fit = std::min(image_.width() / world_width_, image_.height() / world_height_);
    if (fit > 0) {
        const double reach_x = image_.width() / fit / 2 * (1 - 1 / zoom);
        const double reach_y = image_.height() / fit / 2 * (1 - 1 / zoom);
        offset_x = std::clamp(offset_x, -reach_x, reach_x);
        offset_y = std::clamp(offset_y, -reach_y, reach_y);
    }
    if (!Finite(zoom, offset_x) || !std::isfinite(offset_y) ||
        (zoom == zoom_ && offset_x == offset_x_ && offset_y == offset_y_)) {
        return false;
    }
    const double old_left = left_;
    const double old_top = top_;
    const double old_scale = scale_;
    zoom_ = zoom;
    offset_x_ = offset_x;
    offset_y_ = offset_y;
    UpdateScale();
    if (!image_.isNull()) {
        EndPainting();
        last_dot_.reset();
        drawn_->Forget();
        const QImage old = image_;
        image_.fill(Qt::white);
        QPainter painter(&image_);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const double ratio = scale_ / old_scale;
        painter.drawImage(
            QRectF((old_left - left_) * scale_, (top_ - old_top) * scale_, old.width() * ratio, old.height() * ratio),
            old);
        RequestFullRepaint();
    }
    return true;
}

bool QtSurface::ZoomAt(double factor, QPointF anchor) {
    // The world point under the anchor stays under it.
    const double x = left_ + anchor.x() / scale_;
    const double y = top_ - anchor.y() / scale_;
    const double zoom = std::clamp(zoom_ * factor, 1.0, kMaxZoom);
    const double scale = scale_ / zoom_ * zoom;
    const double left = x - anchor.x() / scale;
    const double top = y + anchor.y() / scale;
    return Navigate(zoom, left + image_.width() / (2 * scale) - (base_left_ + world_width_ / 2),
                    top - image_.height() / (2 * scale) - (base_top_ - world_height_ / 2));
}

bool QtSurface::PanBy(QPointF delta) {
    return Navigate(zoom_, offset_x_ - delta.x() / scale_, offset_y_ + delta.y() / scale_);
}

bool QtSurface::Fit() {
    return Navigate(1, 0, 0);
}

void QtSurface::ResetNavigation() {
    zoom_ = 1;
    offset_x_ = offset_y_ = 0;
    UpdateScale();
}

void QtSurface::Clear() {
    strokes_.clear(); // drawn over by the white anyway
    if (image_.isNull()) {
        return;
    }
    EndPainting();
    last_dot_.reset();
    drawn_->Forget();
    image_.fill(Qt::white);
    UpdateScale(); // nothing is left of the picture a resize kept: the mapping takes the new size
    RequestFullRepaint();
}

bool QtSurface::SetMapping(double left, double top, double width, double height) {
    if (!(width > 0) || !(height > 0) || !Finite(left, top) || !Finite(width, height)) {
        return false;
    }
    base_left_ = left;
    base_top_ = top;
    world_width_ = width;
    world_height_ = height;
    UpdateScale();
    return true;
}

int QtSurface::PenPixels() const {
    return std::max(1, static_cast<int>(std::lround(width_ * pixel_ratio_)));
}

QPainter& QtSurface::Painter() {
    last_dot_.reset();
    drawn_->Forget(); // text goes over the strokes
    if (!painter_) {
        painter_.emplace(&image_);
        painter_->setBrush(Qt::NoBrush);
    }
    return *painter_;
}

void QtSurface::EndPainting() const {
    DrawStrokes();
    painter_.reset();
    repaint_requested_ = false;
}

void QtSurface::Queue(Stroke stroke) {
    last_dot_.reset();
    stroke.pen = static_cast<std::uint8_t>(std::min(PenPixels(), 255));
    if (drawn_->Repeats(stroke)) {
        return; // its pixels are in the image already
    }
    ReserveBatch();
    strokes_.push_back(stroke);
    if (strokes_.size() >= kStrokesAtOnce) {
        DrawStrokes();
    }
    RequestFullRepaint();
}

// A long batch is gathered into runs in two parts on two threads, the second part starting a run
// of its own where a run of the first might have gone on (as a run that has reached kRunPoints
// does). Then it is drawn in horizontal bands, one thread each: every band draws the runs that
// reach into it, in order, clipped to its rows, so the picture is the one a single painter makes.
void QtSurface::DrawStrokes() const {
    if (strokes_.empty()) {
        return;
    }
    painter_.reset(); // the bands paint through painters of their own
    const bool long_batch = strokes_.size() >= kStrokesForBands && bands_ > 1;
    const Stroke* first = strokes_.data();
    const Stroke* end = first + strokes_.size();
    const Stroke* middle = long_batch ? first + strokes_.size() / 2 : end;
    const int parts = long_batch ? 2 : 1;
    {
        std::optional<std::thread> helper;
        if (long_batch) {
            helper.emplace(GatherRuns, middle, end, std::ref(gathered_[1]));
        }
        GatherRuns(first, middle, gathered_[0]);
        if (helper) {
            helper->join();
        }
    }
    DrawGathered(parts, long_batch);
    strokes_.clear();
    if (strokes_.capacity() < kStrokesAtOnce) {
        // What a long drawing left queued (ReleaseBatch): a new batch reserves its buffers afresh.
        std::vector<Stroke>().swap(strokes_);
        ReleaseGathered();
        GiveBackFreeHeap();
    }
}

void QtSurface::DrawGathered(int parts, bool banded) const {
    const int height = image_.height();
    const int bands = banded ? std::clamp(bands_, 1, std::max(1, height / 64)) : 1;
    uchar* bits = image_.bits();
    std::vector<std::thread> helpers;
    for (int k = 1; k < bands; ++k) {
        const QRect band(0, height * k / bands, image_.width(), height * (k + 1) / bands - height * k / bands);
        helpers.emplace_back(DrawBand, bits, image_.size(), image_.bytesPerLine(), gathered_.data(), parts, band, true);
    }
    DrawBand(bits, image_.size(), image_.bytesPerLine(), gathered_.data(), parts,
             QRect(0, 0, image_.width(), height / bands), bands > 1);
    for (std::thread& helper : helpers) {
        helper.join();
    }
}

QtSurface::Frame QtSurface::CurrentFrame() const {
    const int pen = PenPixels();
    return {left_,
            top_,
            scale_,
            static_cast<double>(image_.width()),
            static_cast<double>(image_.height()),
            pen,
            static_cast<std::uint8_t>(std::min(pen, 255))};
}

void QtSurface::ReserveBatch() {
    if (strokes_.capacity() >= kStrokesAtOnce) {
        return;
    }
    strokes_.reserve(kStrokesAtOnce);
    AdviseHugePages(strokes_.data(), strokes_.capacity() * sizeof(Stroke));
    // A batch's points: room for about four a stroke, arcs' chords among them.
    for (Gathered& part : gathered_) {
        part.points.reserve(kStrokesAtOnce * 2);
        AdviseHugePages(part.points.data(), part.points.capacity() * sizeof(QPointF));
    }
}

namespace {

// The strokes of one part of a long drawing, made on the part's own thread.
class PartStrokes final : public StrokeSink {
public:
    PartStrokes(const QtSurface::Frame& frame, std::vector<QtSurface::Stroke>& out) : frame_(frame), out_(out) {}
    void Line(double x1, double y1, double x2, double y2, Colour colour, LineStyle style) override {
        MakeLine(frame_, x1, y1, x2, y2, colour, style, [this](const QtSurface::Stroke& s) { out_.push_back(s); });
    }
    void Arc(double cx, double cy, double radius, double start, double end, Colour colour) override {
        MakeArc(frame_, cx, cy, radius, start, end, colour, [this](const QtSurface::Stroke& s) { out_.push_back(s); });
    }

private:
    const QtSurface::Frame& frame_;
    std::vector<QtSurface::Stroke>& out_;
};

} // namespace

void QtSurface::DrawMany(std::size_t count, const DrawPart& draw) {
    if (image_.isNull() || bands_ < 2) {
        draw(0, count, *this);
        return;
    }
    // Item by item while the record of repeats may leave strokes out.
    constexpr std::size_t kLook = 4096;
    std::size_t done = 0;
    while (done < count && (!drawn_->Idle() || count - done < kStrokesForBands)) {
        const std::size_t next = std::min(count, done + kLook);
        draw(done, next, *this);
        done = next;
    }
    if (done == count) {
        if (count >= kStrokesForBands) {
            ReleaseBatch();
        }
        return;
    }
    DrawStrokes(); // what was queued goes first
    painter_.reset();
    last_dot_.reset();
    ReserveBatch();
    second_part_.reserve(kStrokesAtOnce / 2);
    const Frame frame = CurrentFrame();
    const auto make = [&frame, &draw](std::size_t first, std::size_t end, std::vector<Stroke>& strokes,
                                      Gathered& gathered) {
        strokes.clear();
        PartStrokes sink(frame, strokes);
        draw(first, end, sink);
        GatherRuns(strokes.data(), strokes.data() + strokes.size(), gathered);
        strokes.clear();
    };
    while (done < count) {
        const std::size_t middle = std::min(count, done + kStrokesAtOnce / 2);
        const std::size_t end = std::min(count, middle + kStrokesAtOnce / 2);
        {
            std::optional<std::thread> helper;
            if (middle < end) {
                helper.emplace(make, middle, end, std::ref(second_part_), std::ref(gathered_[1]));
            }
            make(done, middle, strokes_, gathered_[0]);
            if (helper) {
                helper->join();
            }
        }
        DrawGathered(middle < end ? 2 : 1, true);
        done = end;
    }
    ReleaseBatch();
    RequestFullRepaint();
}

// The batch buffers go back until the next long drawing: the window holds the picture, and the
// check and the estimate that follow an Open need the memory more. Strokes still queued stay queued,
// in a buffer of their size, so that the batches are drawn as they would have been; DrawStrokes
// gives that buffer back too once it has drawn them.
void QtSurface::ReleaseBatch() {
    std::vector<Stroke>(strokes_.begin(), strokes_.end()).swap(strokes_);
    std::vector<Stroke>().swap(second_part_);
    ReleaseGathered();
}

void QtSurface::ReleaseGathered() const {
    for (Gathered& part : gathered_) {
        std::vector<Run>().swap(part.runs);
        std::vector<QPointF>().swap(part.points);
    }
}

void QtSurface::Line(double x1, double y1, double x2, double y2, Colour colour, LineStyle style) {
    if (image_.isNull()) {
        return;
    }
    MakeLine(CurrentFrame(), x1, y1, x2, y2, colour, style, [this](const Stroke& s) { Queue(s); });
}

void QtSurface::Arc(double cx, double cy, double radius, double start, double end, Colour colour) {
    if (image_.isNull()) {
        return;
    }
    if (MakeArc(CurrentFrame(), cx, cy, radius, start, end, colour, [this](const Stroke& s) { Queue(s); })) {
        RequestFullRepaint();
    }
}

void QtSurface::FillDot(QPointF centre, QRgb rgb) {
    if (image_.isNull() || !Finite(centre.x(), centre.y())) {
        return;
    }
    DrawStrokes(); // the dot goes over what was drawn before it
    const int size = PenPixels();
    // The square of `size` pixels whose middle is nearest the point; from 4 pixels on, its
    // corners are left out so that a wide pen puts a round dot, as it does at a line's end.
    const double first_x = std::floor(centre.x() - (size - 1) / 2.0);
    const double first_y = std::floor(centre.y() - (size - 1) / 2.0);
    const int w = image_.width();
    const int h = image_.height();
    if (!(first_x < w) || !(first_y < h) || !(first_x + size > 0) || !(first_y + size > 0)) {
        return;
    }
    const int x0 = static_cast<int>(first_x);
    const int y0 = static_cast<int>(first_y);
    // A long move puts many dots on one pixel; only the first changes the image.
    if (last_dot_ && last_dot_->x == x0 && last_dot_->y == y0 && last_dot_->size == size && last_dot_->rgb == rgb) {
        return;
    }
    last_dot_ = LastDot{x0, y0, size, rgb};
    drawn_->Forget();
    const double r = size / 2.0;
    for (int dy = 0; dy < size; ++dy) {
        const int y = y0 + dy;
        if (y < 0 || y >= h) {
            continue;
        }
        auto* line = reinterpret_cast<QRgb*>(image_.scanLine(y));
        for (int dx = 0; dx < size; ++dx) {
            const int x = x0 + dx;
            if (x < 0 || x >= w) {
                continue;
            }
            if (size >= 4) {
                const double ox = dx + 0.5 - r;
                const double oy = dy + 0.5 - r;
                if (ox * ox + oy * oy > r * r) {
                    continue;
                }
            }
            line[x] = rgb;
        }
    }
    RequestRepaint(x0, y0, x0 + size, y0 + size);
}

void QtSurface::Point(float x, float y) {
    FillDot(ToPixel(x, y), trace_rgb_);
}

void QtSurface::Dot(double x, double y, Colour colour) {
    FillDot(ToPixel(x, y), qRgb(colour.r, colour.g, colour.b));
}

void QtSurface::Text(double x, double y, const std::string& text) {
    if (image_.isNull() || !Finite(x, y)) {
        return;
    }
    const QPointF at = ToPixel(x, y);
    const QRectF window(image_.rect());
    // Text is never wider than the window: a corner further out than that cannot show any of it.
    const double reach = window.width() + window.height();
    if (!Finite(at.x(), at.y()) || at.x() < -reach || at.y() < -reach || at.x() > reach || at.y() > reach) {
        return;
    }
    DrawStrokes();
    QPainter& painter = Painter();
    if (target_ != nullptr) {
        painter.setFont(target_->font());
    }
    painter.setPen(ToQColor(fore_));
    const QFontMetricsF metrics(painter.font(), &image_);
    painter.drawText(QPointF(at.x(), at.y() + metrics.ascent()), QString::fromStdString(text));
    RequestFullRepaint();
}

void QtSurface::SetForeColor(Colour colour) {
    fore_ = colour;
    const Colour trace = colour == kBlack ? kCut : colour;
    trace_rgb_ = qRgb(trace.r, trace.g, trace.b);
}

void QtSurface::SetDrawWidth(int width) {
    width_ = std::max(1, width);
}

void QtSurface::RequestRepaint(double left, double top, double right, double bottom) {
    if (target_ == nullptr) {
        return;
    }
    const auto x0 = static_cast<int>(std::floor(left / pixel_ratio_));
    const auto y0 = static_cast<int>(std::floor(top / pixel_ratio_));
    const auto x1 = static_cast<int>(std::ceil(right / pixel_ratio_));
    const auto y1 = static_cast<int>(std::ceil(bottom / pixel_ratio_));
    target_->update(x0, y0, x1 - x0, y1 - y0);
}

void QtSurface::RequestFullRepaint() {
    if (target_ != nullptr && !repaint_requested_) {
        target_->update();
        repaint_requested_ = true;
    }
}

} // namespace tamo::ui
