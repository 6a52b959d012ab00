#pragma once

#include <QDialog>

class QLabel;

namespace tamo {
class Cnc;
}

namespace tamo::ui {

// About, the modeless box of Help > About. Whether it shows follows main.AboutVisible; it is
// hidden, never destroyed.
class AboutBox final : public QDialog {
public:
    explicit AboutBox(tamo::Cnc& cnc, QWidget* parent = nullptr);

    // Shows or hides the box as the model says, with the settings file in use.
    void Refresh();

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    tamo::Cnc& cnc_;
    QLabel* settings_file_ = nullptr;
};

} // namespace tamo::ui
