#pragma once

#include <QWidget>

#include <array>

class QComboBox;

namespace tamo {
class Cnc;
}

namespace tamo::ui {

// ScaleForm, "Scale Factors": the four factors of cnc.scale as the operator edits them. Typing goes
// into the model at once (the parser reads the factors afresh at every word); becoming the active
// window saves the texts that "Cancel" puts back. Shown and hidden by scale.Visible.
class ScaleDialog : public QWidget {
    Q_OBJECT
public:
    explicit ScaleDialog(tamo::Cnc& cnc, QWidget* parent = nullptr);

    // Model to widgets; a field that already holds the model's text keeps its cursor.
    void Refresh();

protected:
    bool event(QEvent* event) override;
    // The frame's close box behaves as "Cancel".
    void closeEvent(QCloseEvent* event) override;

private:
    void Call(void (tamo::Cnc::*procedure)());

    tamo::Cnc& cnc_;
    std::array<QComboBox*, 4> combo1_{};
    bool behind_message_ = false; // deactivated by a modal message of this program
};

} // namespace tamo::ui
