#include "ui/velmor_view.h"
#include "ui/twips.h"

#include "interpreter/cnc.h"
#include "ui/qt_surface.h"

#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <QResizeEvent>

#include <cmath>

namespace tamo::ui {
namespace {

constexpr int kMarkerRadius = 7; // pixels
constexpr int kOriginRadius = 5; // pixels

} // namespace

VelmorView::VelmorView(tamo::Cnc& cnc, QtSurface& surface, QWidget* parent)
    : QWidget(parent), cnc_(cnc), surface_(surface) {
    setObjectName(QStringLiteral("Velmor"));
    setWindowTitle(QStringLiteral("Tamo CNC"));
    setFocusPolicy(Qt::StrongFocus);
    // Every pixel comes from the kept image, so Qt need not clear the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setBackgroundRole(QPalette::Window); // not the workspace's role, which the frame's client area has
    surface_.set_target(this);
}

bool StopOnViewKey(tamo::Cnc& cnc, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->text().isEmpty() && key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab) {
        return false; // a modifier or a key without a character: the widget's own handling
    }
    cnc.ViewKeyPress();
    event->accept();
    return true;
}

bool VelmorView::event(QEvent* event) {
    return StopOnViewKey(cnc_, event) || QWidget::event(event);
}

void ToolMarker::Move(QWidget& view, QPointF at) {
    QRect place;
    // A tool far outside the view has no marker; the cast below would overflow.
    if (std::fabs(at.x()) < 1e6 && std::fabs(at.y()) < 1e6) {
        const QPoint centre(static_cast<int>(std::lround(at.x())), static_cast<int>(std::lround(at.y())));
        place =
            QRect(centre - QPoint(kMarkerRadius, kMarkerRadius), QSize(2 * kMarkerRadius + 1, 2 * kMarkerRadius + 1));
    }
    if (place == place_) {
        return;
    }
    view.update(area());
    place_ = place;
    view.update(area());
}

void ToolMarker::Paint(QPainter& painter) const {
    if (place_.isEmpty()) {
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(230, 90, 0), 2));
    painter.drawEllipse(QRectF(place_).adjusted(2, 2, -2, -2));
    const QPointF c = QRectF(place_).center();
    painter.drawLine(QPointF(c.x() - kMarkerRadius, c.y()), QPointF(c.x() + kMarkerRadius, c.y()));
    painter.drawLine(QPointF(c.x(), c.y() - kMarkerRadius), QPointF(c.x(), c.y() + kMarkerRadius));
}

void PaintOriginMark(QPainter& painter, QPointF at) {
    if (!(std::fabs(at.x()) < 1e6 && std::fabs(at.y()) < 1e6)) {
        return;
    }
    const QPointF c(std::round(at.x()), std::round(at.y()));
    const QRectF ring(c.x() - kOriginRadius, c.y() - kOriginRadius, 2 * kOriginRadius, 2 * kOriginRadius);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::white);
    painter.drawEllipse(ring);
    painter.setBrush(Qt::black);
    // Angles in sixteenths of a degree, counter-clockwise from three o'clock: the upper right and
    // the lower left quarter.
    painter.drawPie(ring, 0, 90 * 16);
    painter.drawPie(ring, 180 * 16, 90 * 16);
    painter.restore();
}

void VelmorView::UpdateMarker() {
    marker_.Move(*this, surface_.ToPixel(cnc_.st.ProgPosX, cnc_.st.ProgPosY) / surface_.pixel_ratio());
}

void VelmorView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QImage& image = surface_.image();
    const qreal ratio = surface_.pixel_ratio();
    for (const QRect& area : event->region()) {
        const QRectF source(area.x() * ratio, area.y() * ratio, area.width() * ratio, area.height() * ratio);
        painter.fillRect(area, Qt::white);
        painter.drawImage(QRectF(area), image, source);
    }
    // The origin and the tool: over the drawing and never part of it.
    PaintOriginMark(painter, surface_.ToPixel(0, 0) / ratio);
    if (event->region().intersects(marker_.area())) {
        marker_.Paint(painter);
    }
}

void VelmorView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    surface_.Resize(size(), devicePixelRatioF());
    // Zoomed in, the trace's dots come closer in the world, as far apart on the screen as before.
    cnc_.ViewWidthTwips = width() * double{kTwipsPerPixel} * surface_.zoom();
    cnc_.UpdatePlotStep();
    UpdateMarker();
}

} // namespace tamo::ui
