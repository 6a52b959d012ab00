#pragma once

#include <QDialog>

class QLabel;

namespace tamo::ui {
class LatencyHistogram;
}
class QLineEdit;
class QPushButton;

namespace tamo {
class Cnc;
}

namespace tamo::ui {

// Options > "Latency Test": runs the step timing's deadline loop for a chosen time at a chosen
// period, as a move runs it (real-time priority where allowed, the events let in after every
// tick), and shows the verdict in plain words (the step rate and the X feed this PC can drive, or
// that it is too late for stepping), a warning when the settings' fast jog rate needs more, a
// histogram of how late the ticks came, and the figures. Modal while open: the machine does not
// move meanwhile.
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
    QLabel* verdict_;
    QLabel* warning_;
    LatencyHistogram* histogram_;
    QLabel* result_;
    bool running_ = false;
    bool stop_requested_ = false;
};

} // namespace tamo::ui
