#include "ui/split_handle.h"

#include <QMouseEvent>
#include <QRubberBand>

#include <cmath>
#include <utility>

namespace tamo::ui {

SplitHandle::SplitHandle(std::function<void(int global_x)> dropped, QWidget* listing)
    : QWidget(listing), dropped_(std::move(dropped)) {
    setObjectName(QStringLiteral("ListingSplitter"));
    setCursor(Qt::SplitHCursor);
    // Over the listing's frame and the start of its lines, which the strip leaves readable.
    setAttribute(Qt::WA_NoSystemBackground);
}

int SplitHandle::EdgeAt(const QMouseEvent& event) const {
    return static_cast<int>(std::lround(event.globalPosition().x())) - grab_;
}

void SplitHandle::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    grab_ = event->position().toPoint().x();
    QWidget* frame = window();
    if (line_ == nullptr) {
        line_ = new QRubberBand(QRubberBand::Line, frame);
    }
    line_->setGeometry(QRect(frame->mapFromGlobal(mapToGlobal(QPoint(0, 0))), QSize(2, height())));
    line_->show();
}

void SplitHandle::mouseMoveEvent(QMouseEvent* event) {
    if (line_ != nullptr && line_->isVisible()) {
        const QPoint at = window()->mapFromGlobal(QPoint(EdgeAt(*event), mapToGlobal(QPoint(0, 0)).y()));
        line_->move(at);
    }
}

void SplitHandle::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (line_ != nullptr) {
        line_->hide();
    }
    dropped_(EdgeAt(*event));
}

} // namespace tamo::ui
