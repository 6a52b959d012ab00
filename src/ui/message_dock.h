#pragma once

#include <QDockWidget>

#include <cstdint>

class QPlainTextEdit;

namespace tamo {
class Cnc;
}

namespace tamo::ui {

// View > Messages: the core's message log, newest at the bottom, each entry with its time. It
// never takes the keyboard focus, so that a key during a run still reaches the view.
class MessageDock final : public QDockWidget {
public:
    MessageDock(const tamo::Cnc& cnc, QWidget* parent);

    // Appends what the log holds beyond what is shown; costs a comparison when nothing is new. The
    // frame calls it at every refresh, and it calls itself a few times a second.
    void Refresh();

private:
    static constexpr int kPollMs = 250;

    const tamo::Cnc& cnc_;
    QPlainTextEdit* list_ = nullptr;
    std::uint64_t shown_ = 0; // the number of the last entry shown
};

} // namespace tamo::ui
