#pragma once

#include "interpreter/models.h"

#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace tamo {
class Cnc;
}

namespace tamo::ui {

class UserState;

// The "Point" group's page: a point to move to (X, Y, Z and the feed, in program coordinates)
// and one G-code line to run, with the lines run before and their answers. It shows cnc.manual,
// writes every edit into it, and calls the core, which decides what is refused. Enter in a field
// does what its button does; Up and Down in the line recall the lines run before, as a shell does.
// The lines are kept in tamocnc.ini beside tamo.cfg, from one start to the next.
class ManualDataPage final : public QWidget {
public:
    using Handler = std::function<void(const std::function<void()>&)>;

    ManualDataPage(tamo::Cnc& cnc, Handler act, QWidget* parent = nullptr);
    ~ManualDataPage() override;

    // The fields from the model; the buttons are off while the machine moves.
    void Refresh();

private:
    void MoveToPoint();
    void KeepTyping(QLineEdit* field);
    void RunLine();
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Steps through the history: -1 to the line before, +1 to the one after, past the newest back
    // to what was being typed.
    void Recall(int step);
    void ShowHistory();

    tamo::Cnc& cnc_;
    Handler act_;
    std::array<QLineEdit*, 4> point_{}; // X, Y, Z, feed
    QLineEdit* line_ = nullptr;
    QPushButton* go_ = nullptr;
    QPushButton* run_ = nullptr;
    QPushButton* probe_ = nullptr;
    QListWidget* history_ = nullptr;
    std::unique_ptr<UserState> kept_;           // null without a settings file
    std::vector<ManualDataModel::Typed> shown_; // what the list shows
    std::size_t recalled_ = 0;                  // the entry Up/Down stand at; the history's size: none
    std::string typing_;                        // the line as typed before Up was pressed
};

} // namespace tamo::ui
