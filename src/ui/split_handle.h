#pragma once

#include <QWidget>

#include <functional>

class QRubberBand;

namespace tamo::ui {

// The splitter at the left edge of the program listing: a thin strip the operator drags sideways.
// A line follows the pointer while it is dragged, and the frame hears where the listing's edge was
// let go, in global pixels: the view, whose redraw of a long program takes a while, is laid out
// once, not at every move of the mouse.
class SplitHandle final : public QWidget {
public:
    static constexpr int kWidth = 6;

    SplitHandle(std::function<void(int global_x)> dropped, QWidget* listing);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    [[nodiscard]] int EdgeAt(const QMouseEvent& event) const; // global x of the dragged edge

    std::function<void(int)> dropped_;
    QRubberBand* line_ = nullptr;
    int grab_ = 0; // where in the strip the pointer took it
};

} // namespace tamo::ui
