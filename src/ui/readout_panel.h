#pragma once

#include <QFrame>

#include <array>
#include <functional>

class QGridLayout;
class QLabel;
class QPushButton;

namespace tamo {
class Cnc;
}

namespace tamo::ui {

// Picture2, the coordinate bar along the bottom of the frame: the program and machine readouts
// with their unit, a "Zero X/Y/Z" button on each row, "Set" and "Zero all", "Reset Program" and
// "Pause".
//
// The readouts are meant to be read from the machine: a font whose digits are all of one width,
// right-aligned so that the decimal points line up, at least three times the height of the frame's own text, and as
// large as the bar's height and width allow. "Pause" shows pressed while "Execute Program" would
// resume a stopped move.
class ReadoutPanel final : public QFrame {
public:
    // Runs a button's call into the core and shows the models afterwards.
    using Handler = std::function<void(const std::function<void()>&)>;

    ReadoutPanel(tamo::Cnc& cnc, Handler act, QWidget* parent = nullptr);

    // The readouts, their unit and "Pause" from the models and the state; "Reset Program" is off
    // while the machine moves.
    void Refresh();
    // The bar at its smallest readout font: the least room it needs.
    [[nodiscard]] QSize LeastSize() const { return least_size_; }
    [[nodiscard]] int readout_pixels() const { return readout_pixels_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    [[nodiscard]] QFont ReadoutFont(int pixels) const;
    [[nodiscard]] int ReadoutWidth(int pixels) const;
    // The largest readout font that the bar's height and width hold, never below the least.
    void FitReadouts();
    void SetReadoutFont(int pixels);
    void FitText(QLabel* readout) const;

    tamo::Cnc& cnc_;
    Handler act_;
    QGridLayout* grid_ = nullptr;
    std::array<QLabel*, 3> prg_out_{};
    std::array<QLabel*, 3> mach_out_{};
    std::array<QLabel*, 6> units_{};
    QPushButton* reset_program_ = nullptr;
    QPushButton* pause_ = nullptr;
    QFont readout_font_;     // digits of one width, bold
    int least_pixels_ = 0;   // the readout font at its smallest
    int readout_pixels_ = 0; // the readout font now
    int other_width_ = 0;    // what the bar needs besides the two readout columns
    QSize least_size_;
};

} // namespace tamo::ui
