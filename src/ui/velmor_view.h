#pragma once

#include <QWidget>

namespace tamo {
class Cnc;
}

namespace tamo::ui {

class QtSurface;

// Velmor, the toolpath view: shows the surface's kept image, and turns any key that delivers a
// character into a stop request, which is why the panel hands it the keyboard focus whenever
// the machine starts to move.
class VelmorView final : public QWidget {
public:
    VelmorView(tamo::Cnc& cnc, QtSurface& surface, QWidget* parent = nullptr);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    tamo::Cnc& cnc_;
    QtSurface& surface_;
};

} // namespace tamo::ui
