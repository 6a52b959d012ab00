#include "ui/velmor_view.h"
#include "ui/twips.h"

#include "interpreter/cnc.h"
#include "ui/qt_surface.h"

#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

namespace tamo::ui {
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

bool VelmorView::event(QEvent* event) {
    // Tab and Backtab would move the focus away before reaching keyPressEvent; here they are keys
    // like any other and stop the machine.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            keyPressEvent(key);
            return true;
        }
    }
    return QWidget::event(event);
}

void VelmorView::keyPressEvent(QKeyEvent* event) {
    if (event->text().isEmpty()) {
        QWidget::keyPressEvent(event);
        return;
    }
    cnc_.ViewKeyPress();
    event->accept();
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
}

void VelmorView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    surface_.Resize(size(), devicePixelRatioF());
    cnc_.ViewWidthTwips = width() * double{kTwipsPerPixel};
    cnc_.UpdatePlotStep();
}

} // namespace tamo::ui
