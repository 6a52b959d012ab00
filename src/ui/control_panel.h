#pragma once

#include <QFrame>
#include <QTimer>

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace tamo {
class Cnc;
}

namespace tamo::ui {

class ManualDataPage;

// Picture1, the control panel along the frame's right edge: the five tab buttons and their groups
// ("Go To end of Line", "Jogging", "Point", "Run", "Home"), and the line in progress. It shows the
// main window's model and calls the core's procedures.
class ControlPanel final : public QFrame {
public:
    // Runs a control's call into the core and shows the models afterwards.
    using Handler = std::function<void(const std::function<void()>&)>;

    ControlPanel(tamo::Cnc& cnc, Handler act, QWidget* parent = nullptr);

    // The panel from the model; the controls that would change a running block are off while the
    // machine moves.
    void Refresh();
    // The two feed boxes, which follow the line in progress.
    void RefreshFeeds();

private:
    void BuildPanel(QWidget* panel);
    void BuildLineGroup(QGroupBox* group);
    void BuildJogGroup(QGroupBox* group);
    // ui/jog_choices.cpp: the increments and "Keyboard jog" below the speeds.
    void BuildJogChoices(QGroupBox* group);
    void RefreshJogChoices();
    void BuildRunGroup(QGroupBox* group);
    void BuildHomeGroup(QGroupBox* group);
    void Act(const std::function<void()>& call) { act_(call); }
    void SyncTimer1();

    tamo::Cnc& cnc_;
    Handler act_;
    std::array<QPushButton*, 5> tabs_{}; // Command4
    std::array<QGroupBox*, 5> frame1_{};
    QPlainTextEdit* text4_ = nullptr;
    ManualDataPage* manual_ = nullptr;

    // "Go To end of Line"
    QPushButton* step_reset_ = nullptr;
    QPushButton* step_forward_ = nullptr;
    QPushButton* step_back_ = nullptr;
    QPushButton* move_to_end_ = nullptr;
    QPlainTextEdit* text1_ = nullptr;
    QTimer timer1_; // auto-repeat of "Step forward in program"

    // "Jogging"
    std::array<QRadioButton*, 4> option1_{};
    std::array<QRadioButton*, 4> jog_step_{};
    QCheckBox* keyboard_jog_ = nullptr;

    // "Run"
    QPushButton* execute_ = nullptr;
    QComboBox* overide_ = nullptr;
    QLineEdit* text2_ = nullptr;
    QLineEdit* text3_ = nullptr;
    QRadioButton* option2_ = nullptr;
    QRadioButton* option3_ = nullptr;
    QCheckBox* check1_ = nullptr;

    // "Home"
    std::array<QRadioButton*, 3> option4_{};
    QComboBox* combo1_ = nullptr;
    QLineEdit* text6_ = nullptr;
};

} // namespace tamo::ui
