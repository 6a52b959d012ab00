#pragma once

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <thread>

class QAction;
class QMenu;

namespace tamo {
class Cnc;
}

namespace tamo::ui {

class AboutBox;
class CheckWindow;
class ControlPanel;
class CoordinateDialog;
class LatencyWindow;
class MessageDock;
class OpenTiming;
class PreviewNavigation;
class ProgramListing;
class QtOperator;
class QtSurface;
class ReadoutPanel;
class ScaleDialog;
class SettingsDialog;
class MachinePage;
class SplitHandle;
class StatusBar;
class VelmorView;
class View3D;
class WindowSettings;

// MDIForm1, the frame: the menu bar, the toolpath view with the program listing beside it, the
// readout bar along the bottom, the control panel on the right and the status bar. It shows the
// models of the core and calls its procedures; it keeps no machine state of its own. Every
// handler writes the operator's edit into the model, calls the core and then shows the models
// again. Escape anywhere in the frame stops the machine while it moves, whatever has the focus.
class MainWindow final : public QMainWindow {
public:
    MainWindow(tamo::Cnc& cnc, QtOperator& op, QtSurface& surface, QWidget* parent = nullptr);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Models to widgets: the panel, the readouts, the status bar, the listing, the caption, and
    // every dialog. An edit box that already holds its model's text is left alone, so that the
    // cursor of the one being typed in never jumps.
    void Refresh();
    // What changes while the machine moves: readouts, feeds, status bar, listing and tool marker.
    void RefreshLive();

    [[nodiscard]] VelmorView* view() const { return view_; }
    [[nodiscard]] View3D* view_3d() const { return view_3d_; }
    [[nodiscard]] ReadoutPanel* readouts() const { return picture2_; }

    // Where the frame opens: where the operator left it, else maximised on a screen up to this wide,
    // else three quarters of the screen.
    static constexpr int kMaximisedUpToWidth = 1440;
    void PlaceAtStart();
    // File > Open with the file already chosen (dropped on the frame, or picked from the recent
    // list). A file that is gone is said so and leaves the list.
    void OpenProgram(const QString& path);

    // Every Open from now on reports where its time went (`tamocnc --timing`), one line each.
    void ReportOpenTiming(std::function<void(const std::string&)> report);

    // How the process ends once the configuration is written. The default ends it at once, also
    // from inside the nested event loop of a running move; tests put in their own.
    void set_end_process(std::function<void()> end) { end_process_ = std::move(end); }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildMenus();
    void BuildViewMenu(QMenu* view);
    // View > 3-D: the 3-D view in the top view's place, or the top view back.
    void Show3D(bool shown);

    // The client area shared between view, listing, panel and readout bar, and the frame's least
    // size; a new size of the view redraws it.
    void LayOut();
    // File > Open and the ways to it: the recent list remembers what opened.
    void Open();
    void ShowRecentPrograms();
    // The run-time estimate of the program just opened, worked out on a thread of its own over a
    // copy, so that the time left shows without holding up the windows.
    void StartEstimate();
    // Escape pressed in one of our windows while the machine moves.
    [[nodiscard]] bool IsStopKey(QObject* watched, QEvent* event) const;
    void Exit();
    // Runs a handler's call into the core, then shows the models.
    void Act(const std::function<void()>& call);
    // The program check, on a copy of the controller taken now; the status line tells its result.
    void StartCheck();
    bool check_due_ = false; // an Open's check waits for the 3-D view's picture
    static constexpr int kCheckWaitMs = 1000;

    tamo::Cnc& cnc_;
    QtOperator& op_;
    QtSurface& surface_;
    std::function<void()> end_process_;
    std::unique_ptr<WindowSettings> remembered_;

    QWidget* client_ = nullptr;
    ControlPanel* picture1_ = nullptr;
    ReadoutPanel* picture2_ = nullptr;
    VelmorView* view_ = nullptr;
    View3D* view_3d_ = nullptr;
    ProgramListing* listing_ = nullptr;
    SplitHandle* splitter_ = nullptr; // between the view and the listing
    int listing_width_ = 0;
    PreviewNavigation* navigation_ = nullptr;
    StatusBar* status_bar_ = nullptr;
    MessageDock* messages_ = nullptr; // View > Messages

    QAction* open_action_ = nullptr;
    QAction* speed_action_ = nullptr;
    QAction* listing_action_ = nullptr;
    QAction* view_3d_action_ = nullptr;
    std::array<QAction*, 5> recent_{};

    SettingsDialog* settings_ = nullptr;
    MachinePage* machine_ = nullptr;
    ScaleDialog* scale_ = nullptr;
    CoordinateDialog* coordinates_ = nullptr;
    AboutBox* about_ = nullptr;
    CheckWindow* check_ = nullptr;
    LatencyWindow* latency_ = nullptr; // made at the first Options > "Latency Test"
    OpenTiming* timing_ = nullptr;     // with --timing only
    std::jthread estimator_;
};

} // namespace tamo::ui
