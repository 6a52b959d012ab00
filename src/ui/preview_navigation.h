#pragma once

#include <QObject>
#include <QPointF>
#include <QTimer>

namespace tamo {
class Cnc;
}

namespace tamo::ui {

class QtSurface;
class VelmorView;

// Looking into the toolpath view: the mouse wheel zooms about the pointer, dragging with the left
// button pans, a double click fits the whole toolpath again (the core's own mapping), as do the
// View menu's actions.
//
// A change shows at once as the old drawing moved and scaled; the toolpath is drawn again at the
// new scale once the operator has paused for a moment, and after the run when one is in progress
// (the redraw re-parses the program, which a running move must not share).
class PreviewNavigation final : public QObject {
public:
    PreviewNavigation(tamo::Cnc& cnc, QtSurface& surface, VelmorView& view);

    void ZoomIn();
    void ZoomOut();
    void Fit();
    // Before a new program is drawn: its redraw starts from the core's mapping.
    void Reset();

    // The live trace's dot spacing follows the zoom: a dot every two pixels or so.
    void UpdateTraceSpacing();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // After any change of the mapping: the stand-in shows, the redraw follows.
    void Changed(bool changed);
    [[nodiscard]] QPointF DevicePixels(QPointF logical) const;

    tamo::Cnc& cnc_;
    QtSurface& surface_;
    VelmorView& view_;
    QTimer redraw_;
    bool dragging_ = false;
    QPointF last_;
};

} // namespace tamo::ui
