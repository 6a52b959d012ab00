#pragma once

#include "ui/velmor_view.h"
#include "view/camera.h"
#include "view/toolpath.h"

#include <QImage>
#include <QPointF>
#include <QWidget>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

namespace tamo {
class Cnc;
}

namespace tamo::ui {

// The toolpath in three dimensions, shown in the top view's place by View > 3-D: a drag with the
// left button turns it, with the middle button (or the left with Shift) moves it, the wheel zooms
// about the pointer, a double click fits it; View > Top, Front, Side and Iso look from there. It
// draws the record of the top view's last walk of the program, never the program itself.
//
// A picture of a long program takes a while, so it is drawn on a thread of its own from a snapshot
// (the record, the camera, the part cut) and shown when it is done; meanwhile the last one stays,
// and the window goes on answering. During a run the part cut since the picture was drawn is laid
// over it in the cut colour at every live update, a few moves at a time. A key stops the machine
// as in the top view.
class View3D final : public QWidget {
public:
    explicit View3D(tamo::Cnc& cnc, QWidget* parent = nullptr);
    ~View3D() override;
    View3D(const View3D&) = delete;
    View3D& operator=(const View3D&) = delete;

    // Follows the core: a new record is drawn (and fitted when it is another program's), the part
    // cut grows, the tool marker moves. Costs next to nothing when none of them changed.
    void Refresh();
    // Turns to look from the preset and fits the toolpath into the view.
    void Look(Camera::Preset preset);
    void Fit();
    // Zooms about the middle of the view.
    void Zoom(double factor);
    // The machine's travel, drawn as a box while it is known; Refresh sets it from the machine
    // settings whenever soft limits apply (set and homed), in program coordinates.
    void set_travel(std::optional<Box3> travel);
    // Feed moves coloured by their depth instead of black (View > Depth colours).
    void set_depth(bool depth);

    // Waits until the picture being drawn is shown (tests and the benchmark).
    void Settle();
    // Called each time a new picture is shown.
    void set_on_shown(std::function<void()> on_shown) { on_shown_ = std::move(on_shown); }
    // Whether a picture is being drawn now.
    [[nodiscard]] bool drawing() const { return drawing_; }
    [[nodiscard]] const QImage& image() const { return image_; }
    // Whether the picture shown is of this record.
    [[nodiscard]] bool Shows(const Toolpath& path) const { return !image_.isNull() && shown_.path.get() == &path; }
    // Where a world point is in the picture shown, in the view's pixels.
    [[nodiscard]] QPointF ToView(double x, double y, double z) const;
    [[nodiscard]] const Camera& camera() const { return camera_; }

protected:
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    struct Snapshot {
        std::shared_ptr<const Toolpath> path;
        Camera camera;
        std::size_t cut = 0;
        std::optional<Box3> travel;
        bool coarse = false; // drawn while the view was being turned
        bool depth = false;
    };
    [[nodiscard]] QSize DeviceSize() const;
    [[nodiscard]] std::size_t CutMoves() const;
    // A new picture for the state as it stands; one is drawn at a time, and a request while it is
    // drawn asks for one more when it is done.
    void Draw();
    void Drawn(QImage image, Snapshot snapshot);
    // The part cut since the picture was drawn, over it.
    void DrawCutSince();
    void UpdateMarker();

    tamo::Cnc& cnc_;
    Camera camera_;
    std::optional<Box3> travel_;
    bool depth_ = false;
    std::shared_ptr<const Toolpath> followed_; // the record Refresh last saw
    bool fit_due_ = true;

    QImage image_;   // the picture shown, in device pixels
    Snapshot shown_; // what it shows
    bool drawing_ = false;
    bool draw_due_ = false;
    std::jthread drawer_;
    std::function<void()> on_shown_;

    enum class Drag { None, Orbit, Pan };
    Drag drag_ = Drag::None;
    QPointF last_;
    ToolMarker marker_;
};

} // namespace tamo::ui
