#pragma once

#include <QStatusBar>

class QTimer;

#include <array>
#include <functional>
#include <string>

namespace tamo {
struct StatusModel;
}

namespace tamo::ui {

class StatusSection;

// The frame's status bar: offline or online and the port, what the machine is doing, the line,
// the run time and about how long is left, then the settings file, the program check's summary and the latest notice.
// Each section is a label named for its text (StatusPort, StatusState, ...); an empty text hides it.
//
// No section ever loses its text: one that does not fit ends in "…", shows the whole text as its
// tooltip, and hands it once to the log, where the operator reads it in full.
class StatusBar final : public QStatusBar {
public:
    explicit StatusBar(QWidget* parent = nullptr);

    void Refresh(const tamo::StatusModel& status);
    // Where a text that had to be cut goes in full (the message log).
    void set_log(std::function<void(const std::string&)> log) { log_ = std::move(log); }

private:
    void LogCutTexts();

    std::array<StatusSection*, 9> sections_{};
    std::function<void(const std::string&)> log_;
    QTimer* log_timer_ = nullptr;
    std::array<QString, 9> logged_{}; // the last text of each section that went to the log
};

} // namespace tamo::ui
