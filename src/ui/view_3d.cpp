#include "ui/view_3d.h"

#include "interpreter/cnc.h"
#include "ui/velmor_view.h"
#include "view/toolpath_3d.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <QWheelEvent>

#include <array>
#include <chrono>
#include <cmath>

namespace tamo::ui {
namespace {

constexpr double kZoomStep = 1.25; // one notch of the wheel, as in the top view
constexpr int kWheelNotch = 120;

PixelImage PixelsOf(QImage& image) {
    return {reinterpret_cast<std::uint32_t*>(image.bits()), image.width(), image.height(),
            static_cast<int>(image.bytesPerLine() / 4)};
}

// Within `slack` program units corner for corner.
bool SameBox(const Box3& a, const Box3& b, double slack = 0) {
    for (int i = 0; i < 3; ++i) {
        if (!(std::fabs(a.min[i] - b.min[i]) <= slack) || !(std::fabs(a.max[i] - b.max[i]) <= slack)) {
            return false;
        }
    }
    return true;
}

// The machine's travel in program coordinates, while soft limits apply: the travel set for an axis
// moved by the program origin's place in machine coordinates; an axis without one spans the toolpath.
std::optional<Box3> TravelBox(const tamo::Cnc& cnc) {
    if (!cnc.SoftLimitsApply()) {
        return std::nullopt;
    }
    const std::array<double, 3> offset = cnc.TravelOffset();
    Box3 box = cnc.toolpath()->bounds();
    for (std::size_t a = 0; a < 3; ++a) {
        if (const MachineSetup::Travel& t = cnc.setup.travel[a]; t.set) {
            box.min[a] = t.min - offset[a];
            box.max[a] = t.max - offset[a];
        }
    }
    return box;
}

// Machine and program positions both grow step by step during a run; their difference drifts by
// rounding far below anything a picture shows, and must not redraw it.
constexpr double kTravelSlack = 1e-6;

} // namespace

View3D::View3D(tamo::Cnc& cnc, QWidget* parent) : QWidget(parent), cnc_(cnc) {
    setObjectName(QStringLiteral("View3D"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    camera_.Look(Camera::Preset::Iso);
}

View3D::~View3D() = default; // the drawer is joined; a picture it posted is dropped with us

QSize View3D::DeviceSize() const {
    return (QSizeF(size()) * devicePixelRatioF()).toSize();
}

std::size_t View3D::CutMoves() const {
    return cnc_.toolpath()->MovesUpTo(cnc_.LinesCut());
}

void View3D::Refresh() {
    const std::shared_ptr<const Toolpath>& path = cnc_.toolpath();
    if (path != followed_) {
        // Another program (or the same one scaled) is fitted; a redraw of the same keeps the camera.
        fit_due_ = fit_due_ || followed_ == nullptr || !SameBox(path->bounds(), followed_->bounds());
        followed_ = path;
        Draw();
    } else if (image_.isNull() || shown_.path != path) {
        // A picture is on its way.
    } else if (CutMoves() > shown_.cut) {
        DrawCutSince();
    } else if (CutMoves() < shown_.cut) {
        Draw(); // the program was reset: its cut part goes
    }
    if (const std::optional<Box3> travel = TravelBox(cnc_);
        travel.has_value() != travel_.has_value() || (travel && !SameBox(*travel, *travel_, kTravelSlack))) {
        set_travel(travel);
    }
    UpdateMarker();
}

void View3D::Look(Camera::Preset preset) {
    camera_.Look(preset);
    Fit();
}

void View3D::Fit() {
    fit_due_ = true;
    Draw();
}

void View3D::Zoom(double factor) {
    const QSize device = DeviceSize();
    camera_.ZoomAt(factor, device.width() / 2.0, device.height() / 2.0, device.width(), device.height());
    Draw();
}

void View3D::set_depth(bool depth) {
    depth_ = depth;
    Draw();
}

void View3D::set_travel(std::optional<Box3> travel) {
    travel_ = travel;
    Draw();
}

void View3D::Draw() {
    const QSize device = DeviceSize();
    if (!isVisible() || device.isEmpty()) {
        draw_due_ = true; // when it is shown
        return;
    }
    if (fit_due_) {
        camera_.Fit(cnc_.toolpath()->bounds(), device.width(), device.height());
        fit_due_ = false;
    }
    if (drawing_) {
        draw_due_ = true;
        return;
    }
    drawing_ = true;
    draw_due_ = false;
    // While the mouse turns or moves the view a coarse picture follows it; the whole one comes when
    // the button is let go.
    Snapshot snapshot{cnc_.toolpath(), camera_, CutMoves(), travel_, drag_ != Drag::None, depth_};
    const qreal ratio = devicePixelRatioF();
    drawer_ = std::jthread([this, snapshot = std::move(snapshot), device, ratio]() mutable {
        QImage image(device, QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
        PixelImage pixels = PixelsOf(image);
        DrawScene3D(snapshot.camera,
                    {snapshot.path.get(), snapshot.cut, snapshot.travel, snapshot.coarse, snapshot.depth}, pixels);
        QMetaObject::invokeMethod(
            this,
            [this, image = std::move(image), snapshot = std::move(snapshot)]() mutable {
                Drawn(std::move(image), std::move(snapshot));
            },
            Qt::QueuedConnection);
    });
}

void View3D::Drawn(QImage image, Snapshot snapshot) {
    drawing_ = false;
    image_ = std::move(image);
    shown_ = std::move(snapshot);
    DrawCutSince();
    update();
    UpdateMarker();
    // A Reset Program while the picture was drawn leaves less cut than it shows: draw it again.
    if (draw_due_ || CutMoves() < shown_.cut) {
        Draw();
    }
    if (on_shown_) {
        on_shown_();
    }
}

void View3D::DrawCutSince() {
    const std::size_t cut = CutMoves();
    if (image_.isNull() || shown_.path != cnc_.toolpath() || cut <= shown_.cut) {
        return;
    }
    PixelImage pixels = PixelsOf(image_);
    DrawMoves3D(shown_.camera, *shown_.path, shown_.cut, cut, kCut, pixels);
    shown_.cut = cut;
    update();
}

void View3D::Settle() {
    while (drawing_ || (draw_due_ && isVisible())) {
        if (!drawing_) {
            Draw();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    QCoreApplication::processEvents();
}

QPointF View3D::ToView(double x, double y, double z) const {
    if (image_.isNull()) {
        return {};
    }
    const Camera::Affine p = shown_.camera.Projection(image_.width(), image_.height());
    const QPointF device(p.xx * x + p.xy * y + p.xz * z + p.x0, p.yx * x + p.yy * y + p.yz * z + p.y0);
    return device / image_.devicePixelRatio();
}

void View3D::UpdateMarker() {
    marker_.Move(*this,
                 image_.isNull() ? QPointF(1e9, 1e9) : ToView(cnc_.st.ProgPosX, cnc_.st.ProgPosY, cnc_.st.ProgPosZ));
}

void View3D::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::white);
    if (!image_.isNull()) {
        painter.drawImage(QPointF(0, 0), image_);
        PaintOriginMark(painter, ToView(0, 0, 0));
    }
    marker_.Paint(painter);
}

void View3D::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Draw();
}

void View3D::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    Refresh();
    if (draw_due_) {
        Draw();
    }
}

bool View3D::event(QEvent* event) {
    return StopOnViewKey(cnc_, event) || QWidget::event(event);
}

void View3D::mousePressEvent(QMouseEvent* event) {
    const bool pan = event->button() == Qt::MiddleButton ||
                     (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier) != 0);
    drag_ = pan ? Drag::Pan : event->button() == Qt::LeftButton ? Drag::Orbit : Drag::None;
    last_ = event->position();
    if (drag_ != Drag::None) {
        setCursor(pan ? Qt::ClosedHandCursor : Qt::SizeAllCursor);
    }
    QWidget::mousePressEvent(event);
}

void View3D::mouseMoveEvent(QMouseEvent* event) {
    if (drag_ == Drag::None) {
        return;
    }
    const QPointF moved = (event->position() - last_) * devicePixelRatioF();
    last_ = event->position();
    if (drag_ == Drag::Orbit) {
        camera_.Orbit(moved.x(), moved.y());
    } else {
        camera_.Pan(moved.x(), moved.y());
    }
    Draw();
}

void View3D::mouseReleaseEvent(QMouseEvent* event) {
    if (drag_ != Drag::None) {
        drag_ = Drag::None;
        unsetCursor();
        Draw(); // the whole toolpath in place of the coarse one
    }
    QWidget::mouseReleaseEvent(event);
}

void View3D::mouseDoubleClickEvent(QMouseEvent* /*event*/) {
    Fit();
}

void View3D::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / double{kWheelNotch};
    const QSize device = DeviceSize();
    const QPointF at = event->position() * devicePixelRatioF();
    camera_.ZoomAt(std::pow(kZoomStep, notches), at.x(), at.y(), device.width(), device.height());
    Draw();
    event->accept();
}

} // namespace tamo::ui
