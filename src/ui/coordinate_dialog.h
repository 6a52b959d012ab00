#pragma once

#include <QWidget>

#include <array>

class QComboBox;

namespace tamo {
class Cnc;
}

namespace tamo::ui {

// Set_Prg_cord: the three coordinate fields of cnc.coord under the caption that is its mode
// ("Set Program Coordinates" or "Set Machine Coordinates"). A "Set" button of the main window fills
// the model and makes it visible; "OK" applies, "Cancel" discards. The window shows only while the
// dialog exists and is visible.
class CoordinateDialog : public QWidget {
    Q_OBJECT
public:
    explicit CoordinateDialog(tamo::Cnc& cnc, QWidget* parent = nullptr);

    // Model to widgets; a field that already holds the model's text keeps its cursor.
    void Refresh();

protected:
    // A field losing the focus to another control has its text put in the coordinate form.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The frame's close box behaves as "Cancel".
    void closeEvent(QCloseEvent* event) override;

private:
    void Call(void (tamo::Cnc::*procedure)());

    tamo::Cnc& cnc_;
    std::array<QComboBox*, 3> combo1_{};
};

} // namespace tamo::ui
