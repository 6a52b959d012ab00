#pragma once

#include <QDialog>

namespace tamo::ui {

// Dialog, the safety agreement shown once before the machine starts. "I Agree" goes on with the
// port; "Go Offline" runs without it. Closing the window by its frame or with Escape is taken as
// "Go Offline": a choice the operator did not make must never switch the machine on.
class SafetyDialog final : public QDialog {
public:
    explicit SafetyDialog(QWidget* parent = nullptr);

    // True when the operator pressed "I Agree".
    [[nodiscard]] bool agreed() const { return agreed_; }

    // The safety notice, as the dialog shows it.
    [[nodiscard]] static QString Notice();

    void reject() override;

private:
    bool agreed_ = false;
};

} // namespace tamo::ui
