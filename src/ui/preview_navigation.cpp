#include "ui/preview_navigation.h"

#include "interpreter/cnc.h"
#include "ui/qt_surface.h"
#include "ui/twips.h"
#include "ui/velmor_view.h"

#include <QMouseEvent>
#include <QWheelEvent>

#include <cmath>

namespace tamo::ui {
namespace {

constexpr double kZoomStep = 1.25; // one notch of the wheel
constexpr int kWheelNotch = 120;   // angle delta of one notch, in eighths of a degree
// The redraw waits until the wheel or the drag has rested this long: a program of a million lines
// takes a good part of a second to draw.
constexpr int kRedrawDelayMs = 200;

} // namespace

PreviewNavigation::PreviewNavigation(tamo::Cnc& cnc, QtSurface& surface, VelmorView& view)
    : QObject(&view), cnc_(cnc), surface_(surface), view_(view) {
    setObjectName(QStringLiteral("PreviewNavigation"));
    redraw_.setSingleShot(true);
    redraw_.setInterval(kRedrawDelayMs);
    connect(&redraw_, &QTimer::timeout, this, [this] { cnc_.FrameResized(); });
    view_.installEventFilter(this);
}

QPointF PreviewNavigation::DevicePixels(QPointF logical) const {
    return logical * surface_.pixel_ratio();
}

void PreviewNavigation::ZoomIn() {
    Changed(surface_.ZoomAt(kZoomStep, DevicePixels(QPointF(view_.width() / 2.0, view_.height() / 2.0))));
}

void PreviewNavigation::ZoomOut() {
    Changed(surface_.ZoomAt(1 / kZoomStep, DevicePixels(QPointF(view_.width() / 2.0, view_.height() / 2.0))));
}

void PreviewNavigation::Fit() {
    Changed(surface_.Fit());
}

void PreviewNavigation::Reset() {
    redraw_.stop();
    surface_.ResetNavigation();
    UpdateTraceSpacing();
}

void PreviewNavigation::UpdateTraceSpacing() {
    cnc_.ViewWidthTwips = view_.width() * double{kTwipsPerPixel} * surface_.zoom();
    cnc_.UpdatePlotStep();
}

void PreviewNavigation::Changed(bool changed) {
    if (!changed) {
        return;
    }
    UpdateTraceSpacing();
    view_.UpdateMarker();
    redraw_.start();
}

bool PreviewNavigation::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &view_) {
        return QObject::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::Wheel: {
        auto* wheel = static_cast<QWheelEvent*>(event);
        const double notches = wheel->angleDelta().y() / double{kWheelNotch};
        Changed(surface_.ZoomAt(std::pow(kZoomStep, notches), DevicePixels(wheel->position())));
        return true;
    }
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            dragging_ = true;
            last_ = mouse->position();
            view_.setCursor(Qt::ClosedHandCursor);
        }
        return false; // the view still takes the focus
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (dragging_) {
            Changed(surface_.PanBy(DevicePixels(mouse->position() - last_)));
            last_ = mouse->position();
        }
        return dragging_;
    }
    case QEvent::MouseButtonRelease:
        if (dragging_) {
            dragging_ = false;
            view_.unsetCursor();
        }
        return false;
    case QEvent::MouseButtonDblClick:
        Fit();
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace tamo::ui
