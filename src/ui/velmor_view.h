#pragma once

#include <QWidget>

namespace tamo {
class Cnc;
}

namespace tamo::ui {

class QtSurface;

// Velmor, the toolpath view: shows the surface's kept image with a marker where the tool is, and
// turns any key that delivers a character into a stop request, which is why the panel hands it the
// keyboard focus whenever the machine starts to move.
class VelmorView final : public QWidget {
public:
    VelmorView(tamo::Cnc& cnc, QtSurface& surface, QWidget* parent = nullptr);

    // The marker follows the tool's program position: only its old and new place are repainted.
    void UpdateMarker();
    // Where the marker is drawn, in the view's pixels; empty before the first UpdateMarker.
    [[nodiscard]] QRect marker() const { return marker_; }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    tamo::Cnc& cnc_;
    QtSurface& surface_;
    QRect marker_;
};

} // namespace tamo::ui
