#pragma once

#include <QPointF>
#include <QRect>
#include <QWidget>

class QPainter;

namespace tamo {
class Cnc;
}

namespace tamo::ui {

class QtSurface;

// A key pressed in a toolpath view stops the machine, Tab and Backtab too, which would otherwise move
// the focus away. True when `event` was such a key.
bool StopOnViewKey(tamo::Cnc& cnc, QEvent* event);

// The tool marker of a toolpath view, a ring with a cross, in the view's pixels: `Move` repaints
// only where it was and where it goes (a tool far outside the view has none), `Paint` draws it over
// the picture.
class ToolMarker {
public:
    void Move(QWidget& view, QPointF at);
    void Paint(QPainter& painter) const;
    [[nodiscard]] QRect place() const { return place_; }
    [[nodiscard]] QRect area() const { return place_.adjusted(-1, -1, 1, 1); }

private:
    QRect place_;
};

// The program origin's mark, a ring whose first and third quarters are filled, centred on `at` (the
// view's pixels): where the program's X0 Y0 (and Z0 in the 3-D view) lies. Drawn over the picture,
// never into it, so the picture stays what the program draws.
void PaintOriginMark(QPainter& painter, QPointF at);

// Velmor, the toolpath view: shows the surface's kept image with a marker where the tool is, and
// turns any key that delivers a character into a stop request, which is why the panel hands it the
// keyboard focus whenever the machine starts to move.
class VelmorView final : public QWidget {
public:
    VelmorView(tamo::Cnc& cnc, QtSurface& surface, QWidget* parent = nullptr);

    // The marker follows the tool's program position: only its old and new place are repainted.
    void UpdateMarker();
    // Where the marker is drawn, in the view's pixels; empty before the first UpdateMarker.
    [[nodiscard]] QRect marker() const { return marker_.place(); }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    tamo::Cnc& cnc_;
    QtSurface& surface_;
    ToolMarker marker_;
};

} // namespace tamo::ui
