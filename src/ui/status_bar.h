#pragma once

#include <QStatusBar>

#include <array>

class QLabel;

namespace tamo {
struct StatusModel;
}

namespace tamo::ui {

// The frame's status bar: offline or online and the port, what the machine is doing, the line,
// the run time and about how long is left, then the settings file, the program check's summary and the latest notice.
// Each section is a label named for its text (StatusPort, StatusState, ...); an empty text hides it.
class StatusBar final : public QStatusBar {
public:
    explicit StatusBar(QWidget* parent = nullptr);

    void Refresh(const tamo::StatusModel& status);

private:
    std::array<QLabel*, 9> sections_{};
};

} // namespace tamo::ui
