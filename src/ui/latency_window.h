#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tamo {
class Cnc;
}

namespace tamo::ui {

// Options > "Latency Test": runs the step timing's deadline loop for a chosen time at a chosen
// period, as a move runs it (real-time priority where allowed, the events let in after every
// tick), and shows how late the ticks came and the highest step rate this PC can drive. Modal
// while open: the machine does not move meanwhile.
class LatencyWindow final : public QDialog {
public:
    explicit LatencyWindow(tamo::Cnc& cnc, QWidget* parent = nullptr);

    // Shows the window with the period of the X fast jog rate as it is set now.
    void Open();
    // Escape or the close box: a running test stops, the window hides.
    void reject() override;

private:
    void Start();

    tamo::Cnc& cnc_;
    QLineEdit* seconds_;
    QLineEdit* period_;
    QPushButton* start_;
    QPushButton* stop_;
    QLabel* result_;
    bool running_ = false;
    bool stop_requested_ = false;
};

} // namespace tamo::ui
