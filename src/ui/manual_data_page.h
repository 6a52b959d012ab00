#pragma once

#include <QWidget>

#include <array>
#include <functional>

class QLineEdit;
class QPushButton;

namespace tamo {
class Cnc;
}

namespace tamo::ui {

// The "Point" group's page: a point to move to (X, Y, Z and the feed, in program coordinates)
// and one G-code line to run. It shows cnc.manual, writes every edit into it, and calls the core,
// which decides what is refused. Enter in a field does what its button does.
class ManualDataPage final : public QWidget {
public:
    using Handler = std::function<void(const std::function<void()>&)>;

    ManualDataPage(tamo::Cnc& cnc, Handler act, QWidget* parent = nullptr);

    // The fields from the model; the buttons are off while the machine moves.
    void Refresh();

private:
    void MoveToPoint();
    void RunLine();

    tamo::Cnc& cnc_;
    Handler act_;
    std::array<QLineEdit*, 4> point_{}; // X, Y, Z, feed
    QLineEdit* line_ = nullptr;
    QPushButton* go_ = nullptr;
    QPushButton* run_ = nullptr;
    QPushButton* probe_ = nullptr;
};

} // namespace tamo::ui
