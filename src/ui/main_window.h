#pragma once

#include <QMainWindow>
#include <QSize>
#include <QTimer>

#include <array>
#include <functional>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace tamo {
class Cnc;
}

namespace tamo::ui {

class AboutBox;
class CheckWindow;
class CoordinateDialog;
class QtOperator;
class QtSurface;
class ScaleDialog;
class SettingsDialog;
class VelmorView;

// MDIForm1, the frame: the menu bar, the toolpath view, the coordinate bar along the bottom and
// the control panel on the right. It shows the models of the core and calls its procedures; it
// keeps no machine state of its own. Every handler writes the operator's edit into the model,
// calls the core and then shows the models again.
class MainWindow final : public QMainWindow {
public:
    MainWindow(tamo::Cnc& cnc, QtOperator& op, QtSurface& surface, QWidget* parent = nullptr);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Models to widgets: the panel, the readouts, the caption, and every dialog. An edit box that
    // already holds its model's text is left alone, so that the cursor of the one being typed in
    // never jumps.
    void Refresh();

    [[nodiscard]] VelmorView* view() const { return view_; }

    // How the process ends once the configuration is written. The default ends it at once, also
    // from inside the nested event loop of a running move; tests put in their own.
    void set_end_process(std::function<void()> end) { end_process_ = std::move(end); }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenus();
    void BuildCoordinateBar(QWidget* bar);
    void BuildPanel(QWidget* panel);
    void BuildLineGroup(QGroupBox* group);
    void BuildJogGroup(QGroupBox* group);
    void BuildRunGroup(QGroupBox* group);
    void BuildHomeGroup(QGroupBox* group);

    // The frame's resize rule: a square view as tall as the height leaves, the width following.
    void LayOut();
    // The coordinate bar and the panel along their edges of the client area, the view in the rest.
    void PlaceBars();
    void Exit();
    // Runs a handler's call into the core, then shows the models.
    void Act(const std::function<void()>& call);
    void SyncTimer1();
    // The program check, on a copy of the controller taken now; the status line tells its result.
    void StartCheck();

    tamo::Cnc& cnc_;
    QtOperator& op_;
    QtSurface& surface_;
    std::function<void()> end_process_;

    QWidget* client_ = nullptr;
    QWidget* picture1_ = nullptr;
    QWidget* picture2_ = nullptr;
    VelmorView* view_ = nullptr;
    int view_side_ = 0; // pixels; 0 until the first layout
    bool laying_out_ = false;
    QSize laid_out_size_;

    QAction* open_action_ = nullptr;
    QAction* speed_action_ = nullptr;
    std::array<QLabel*, 3> prg_out_{};
    std::array<QLabel*, 3> mach_out_{};
    QPushButton* reset_program_ = nullptr;
    std::array<QGroupBox*, 5> frame1_{};
    QPlainTextEdit* text4_ = nullptr;

    // "Go To end of Line"
    QPushButton* step_reset_ = nullptr;
    QPushButton* step_forward_ = nullptr;
    QPushButton* step_back_ = nullptr;
    QPushButton* move_to_end_ = nullptr;
    QPlainTextEdit* text1_ = nullptr;

    // "Jogging"
    std::array<QRadioButton*, 4> option1_{};

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

    QTimer timer1_;

    SettingsDialog* settings_ = nullptr;
    ScaleDialog* scale_ = nullptr;
    CoordinateDialog* coordinates_ = nullptr;
    AboutBox* about_ = nullptr;
    CheckWindow* check_ = nullptr;
};

} // namespace tamo::ui
