#include "ui/main_window.h"
#include "ui/twips.h"

#include "check/check.h"
#include "interpreter/cnc.h"
#include "ui/about_box.h"
#include "ui/check_window.h"
#include "ui/control_panel.h"
#include "ui/controls.h"
#include "ui/coordinate_dialog.h"
#include "ui/keyboard_jog.h"
#include "ui/latency_window.h"
#include "ui/machine_page.h"
#include "ui/message_dock.h"
#include "ui/open_timing.h"
#include "ui/preview_navigation.h"
#include "ui/program_listing.h"
#include "ui/qt_operator.h"
#include "ui/qt_surface.h"
#include "ui/readout_panel.h"
#include "ui/scale_dialog.h"
#include "ui/settings_dialog.h"
#include "ui/split_handle.h"
#include "ui/status_bar.h"
#include "ui/velmor_view.h"
#include "ui/view_3d.h"
#include "ui/window_settings.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMetaObject>
#include <QMimeData>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace tamo::ui {
namespace {

constexpr int kPanelWidth = 3000 / kTwipsPerPixel; // Picture1
// Down to the bottom of "Line in progress", with a margin.
constexpr int kPanelHeight = 4800 / kTwipsPerPixel;
// The program listing: narrow, as it was first laid out, and at its least a line number and the
// start of a line.
constexpr int kListingWidth = 200;
constexpr int kListingLeast = 120;
// The view at its narrowest: as wide as the panel beside it is tall.
constexpr int kViewLeast = kPanelHeight;

// A menu item named as the control it is, calling `call` when chosen.
QAction* AddItem(QObject* context, QMenu* menu, const char* name, const QString& caption, std::function<void()> call) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    QObject::connect(action, &QAction::triggered, context, [call = std::move(call)] { call(); });
    return action;
}

} // namespace

MainWindow::MainWindow(tamo::Cnc& cnc, QtOperator& op, QtSurface& surface, QWidget* parent)
    : QMainWindow(parent), cnc_(cnc), op_(op), surface_(surface), end_process_([] {
          // The configuration is on disk by now. Ending at once also ends a move in progress,
          // whose handler sits below us in nested event loops that a normal quit would return to.
          std::fflush(nullptr);
          std::_Exit(0);
      }),
      remembered_(std::make_unique<WindowSettings>(cnc.ConfigPath)) {
    setObjectName(QStringLiteral("MDIForm1"));
    setAcceptDrops(true);
    // The panel was drawn up for a small, narrow system font; a semi-condensed 8.25 point font
    // keeps the captions inside their controls.
    QFont small = font();
    small.setPointSizeF(8.25);
    small.setStretch(QFont::SemiCondensed);
    setFont(small);

    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("Client"));
    client_->setBackgroundRole(QPalette::Dark); // the application workspace
    client_->setAutoFillBackground(true);
    client_->installEventFilter(this);
    setCentralWidget(client_);

    view_ = new VelmorView(cnc_, surface_, client_);
    navigation_ = new PreviewNavigation(cnc_, surface_, *view_);
    view_3d_ = new View3D(cnc_, client_);
    view_3d_->hide(); // the top view is the one shown at first
    view_3d_->set_on_shown([this] {
        if (check_due_ && !view_3d_->drawing()) { // not while another picture is on its way
            StartCheck();
        }
    });
    listing_ = new ProgramListing(cnc_, client_);
    listing_width_ = remembered_->listing_width() > 0 ? remembered_->listing_width() : kListingWidth;
    splitter_ = new SplitHandle(
        [this](int global_x) {
            const int edge = client_->mapFromGlobal(QPoint(global_x, 0)).x();
            listing_width_ = std::max(kListingLeast, picture1_->x() - edge);
            remembered_->set_listing_width(listing_width_);
            LayOut();
        },
        listing_);
    const auto act = [this](const std::function<void()>& call) {
        Act(call);
    };
    picture1_ = new ControlPanel(cnc_, act, client_);
    picture2_ = new ReadoutPanel(cnc_, act, client_);
    status_bar_ = new StatusBar(this);
    status_bar_->set_log([this](const std::string& text) { cnc_.log.Add(text); });
    setStatusBar(status_bar_);
    messages_ = new MessageDock(cnc_, this);
    addDockWidget(Qt::BottomDockWidgetArea, messages_);
    messages_->hide();

    BuildMenus();

    settings_ = new SettingsDialog(cnc_, this);
    machine_ = new MachinePage(cnc_, this);
    scale_ = new ScaleDialog(cnc_, this);
    coordinates_ = new CoordinateDialog(cnc_, this);
    about_ = new AboutBox(cnc_, this);
    check_ = new CheckWindow(this);
    check_->set_config_path(cnc_.ConfigPath);
    // Choosing a finding selects its line in the program listing, once the frame has one.
    check_->set_on_choose([this](int line) { listing_->Reveal(line); });
    listing_->set_on_run_from([this](int line) { Act([this, line] { cnc_.RunFromLine(line); }); });
    check_->set_operator(&cnc_.op()); // the operator with the log on the way, as the core has it
    check_->set_on_open([this](const std::string& path) { OpenProgram(QFile::decodeName(path.c_str())); });
    check_->set_on_report([this](const check::Report& report) {
        cnc_.status.Check = "Program check: " + report.Summary();
        if (timing_ != nullptr) {
            timing_->CheckDone();
        }
        Refresh();
        StartEstimate(); // after the check, so that their copies of a long program never coexist
    });

    op_.set_view(view_);
    op_.set_dialog_parent(this);
    op_.set_models_changed([this] { Refresh(); });
    // Outside the tick: the core decides by the clock whether the readouts are due.
    op_.set_live_update([this] {
        if (cnc_.LiveUpdate()) {
            RefreshLive();
        }
    });
    // Escape stops the machine from any of our windows, whichever control has the focus.
    qApp->installEventFilter(this);
    qApp->installEventFilter(new KeyboardJog(cnc_, *this, act));
    LayOut();
    Refresh();
}

MainWindow::~MainWindow() {
    if (estimator_.joinable()) {
        estimator_.join(); // its result, if it is still to come, goes with the frame
    }
    qApp->removeEventFilter(this);
    view_3d_->set_on_shown(nullptr);
    cnc_.OpenStageEnded = nullptr;
    op_.set_live_update(nullptr);
    op_.set_models_changed(nullptr);
    op_.set_view(nullptr);
    op_.set_dialog_parent(nullptr);
    surface_.set_target(nullptr);
}

void MainWindow::ReportOpenTiming(std::function<void(const std::string&)> report) {
    timing_ = new OpenTiming(std::move(report));
    timing_->setParent(this);
    timing_->Watch(view_, [] { return true; });
    timing_->Watch(view_3d_, [this] { return view_3d_->Shows(*cnc_.toolpath()); });
    cnc_.OpenStageEnded = [this](std::string_view stage) {
        timing_->set_lines(cnc_.st.PrgLineCount);
        timing_->Stage(stage);
    };
}

void MainWindow::Act(const std::function<void()>& call) {
    call();
    Refresh();
}

void MainWindow::StartCheck() {
    check_due_ = false;
    if (cnc_.st.PrgLineCount == 0) {
        check_->Clear();
        cnc_.status.Check.clear();
    } else {
        cnc_.status.Check = "Checking the program...";
        check_->Start(check::CopyForCheck(cnc_), op_.last_chosen_file());
    }
    Refresh();
}

void MainWindow::StartEstimate() {
    if (cnc_.st.PrgLineCount == 0 || cnc_.Running() || cnc_.KeptEstimate() != nullptr) {
        return;
    }
    // A kept estimate is kept with the inputs of this copy: when they have changed by the time it
    // comes back, the status bar does not show it, and the next Start works it out again.
    estimator_ = std::jthread([this, input = check::CopyForCheck(cnc_), inputs = cnc_.EstimateInputs()]() mutable {
        RunEstimate estimate = check::EstimateProgram(std::move(input));
        QMetaObject::invokeMethod(
            this,
            [this, estimate = std::move(estimate), inputs = std::move(inputs)]() mutable {
                cnc_.KeepEstimate(std::move(estimate), std::move(inputs));
                if (timing_ != nullptr) {
                    timing_->EstimateDone();
                }
                Refresh();
            },
            Qt::QueuedConnection);
    });
}

void MainWindow::BuildMenus() {
    QMenuBar* bar = menuBar();
    auto menu = [bar](const char* name, const QString& caption) {
        QMenu* m = bar->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        return m;
    };
    auto item = [this](QMenu* m, const char* name, const QString& caption, std::function<void()> call) {
        return AddItem(this, m, name, caption, std::move(call));
    };
    auto separator = [](QMenu* m, const char* name) {
        m->addSeparator()->setObjectName(QLatin1String(name));
    };

    QMenu* file = menu("File_Menu", QStringLiteral("&File"));
    open_action_ = item(file, "Open_Menu", QStringLiteral("Open"), [this] { Open(); });
    open_action_->setShortcut(QKeySequence::Open);
    // The programs opened last, newest first; hidden until there are some.
    for (int i = 0; i < WindowSettings::kRecentPrograms; ++i) {
        QAction* recent = file->addAction(QString());
        recent->setObjectName(Indexed("Recent", i));
        connect(recent, &QAction::triggered, this, [this, recent] { OpenProgram(recent->data().toString()); });
        recent_[static_cast<std::size_t>(i)] = recent;
    }
    separator(file, "space");
    item(file, "Mnu_exit", QStringLiteral("Exit"), [this] { Exit(); });
    ShowRecentPrograms();

    QMenu* setup = menu("Setup_Menu", QStringLiteral("&Setup"));
    item(setup, "Set_menu", QStringLiteral("Settings"), [this] { Act([this] { cnc_.ShowSettings(); }); });
    item(setup, "Machine_menu", QStringLiteral("Machine"), [this] { Act([this] { cnc_.ShowMachinePage(); }); });
    separator(setup, "space2");
    speed_action_ = item(setup, "Spd_menu", QStringLiteral("Speedtest"), [this] { Act([this] { cnc_.Spdtest(); }); });

    QMenu* options = menu("Mnu_options", QStringLiteral("&Options"));
    item(options, "Mnu_Scale", QStringLiteral("Scale"), [this] { Act([this] { cnc_.ShowScale(); }); });
    item(options, "Mnu_Check", QStringLiteral("Check Program"), [this] {
        StartCheck();
        check_->show();
        check_->raise();
        check_->activateWindow();
    });
    item(options, "Mnu_Latency", QStringLiteral("Latency Test"), [this] {
        if (latency_ == nullptr) {
            latency_ = new LatencyWindow(cnc_, this);
        }
        latency_->Open();
    });

    BuildViewMenu(menu("Menu_View", QStringLiteral("&View")));

    QMenu* help = menu("Mnu_Help", QStringLiteral("&Help"));
    item(help, "Mnu_About", QStringLiteral("About"), [this] {
        cnc_.main.AboutVisible = true;
        Refresh();
        about_->raise();
        about_->activateWindow();
    });
}

// No shortcuts here: a key pressed in the view must stop the machine, never zoom it. Fit and the
// zooms act on the view shown; the four directions turn the 3-D view, showing it if need be.
void MainWindow::BuildViewMenu(QMenu* view) {
    auto item = [this, view](const char* name, const QString& caption, std::function<void()> call) {
        return AddItem(this, view, name, caption, std::move(call));
    };
    const auto in_3d = [this] {
        return view_3d_action_->isChecked();
    };
    item("View_Fit", QStringLiteral("Fit"), [this, in_3d] { in_3d() ? view_3d_->Fit() : navigation_->Fit(); });
    item("View_ZoomIn", QStringLiteral("Zoom in"),
         [this, in_3d] { in_3d() ? view_3d_->Zoom(1.25) : navigation_->ZoomIn(); });
    item("View_ZoomOut", QStringLiteral("Zoom out"),
         [this, in_3d] { in_3d() ? view_3d_->Zoom(1 / 1.25) : navigation_->ZoomOut(); });
    view->addSeparator();
    view_3d_action_ = item("View_3D", QStringLiteral("3-D"), [this] { Show3D(view_3d_action_->isChecked()); });
    view_3d_action_->setCheckable(true);
    QAction* depth = item("View_Depth", QStringLiteral("Depth colours"), [] {});
    depth->setCheckable(true);
    depth->setToolTip(QStringLiteral("The 3-D view colours feed moves by their height: blue deepest, orange highest"));
    connect(depth, &QAction::toggled, this, [this](bool on) { view_3d_->set_depth(on); });
    const std::array<std::pair<const char*, Camera::Preset>, 4> presets{{{"Top", Camera::Preset::Top},
                                                                         {"Front", Camera::Preset::Front},
                                                                         {"Side", Camera::Preset::Side},
                                                                         {"Iso", Camera::Preset::Iso}}};
    for (const auto& [name, preset] : presets) {
        item((std::string("View_") + name).c_str(), QLatin1String(name), [this, preset = preset] {
            Show3D(true);
            view_3d_->Look(preset);
        });
    }
    view->addSeparator();
    listing_action_ = item("View_Listing", QStringLiteral("Program listing"), [this] { LayOut(); });
    listing_action_->setCheckable(true);
    listing_action_->setChecked(true);
    view->addAction(messages_->toggleViewAction());
}

void MainWindow::Show3D(bool shown) {
    view_3d_action_->setChecked(shown);
    const bool was_shown = !view_->isHidden();
    cnc_.TopViewShown = !shown;
    view_->setVisible(!shown);
    view_3d_->setVisible(shown);
    if (!shown && !was_shown) {
        cnc_.FrameResized(); // its lines were left undrawn while it was hidden
    }
    op_.set_view(shown ? static_cast<QWidget*>(view_3d_) : view_);
    if (view_->hasFocus() || view_3d_->hasFocus() || QApplication::focusWidget() == nullptr) {
        (shown ? static_cast<QWidget*>(view_3d_) : view_)->setFocus();
    }
}

void MainWindow::Refresh() {
    cnc_.UpdateStatus();
    const bool running = cnc_.Running();
    const QString caption = QString::fromStdString(cnc_.main.Caption);
    if (windowTitle() != caption) {
        setWindowTitle(caption);
    }
    RefreshLive();
    picture1_->Refresh();
    open_action_->setEnabled(!running);
    for (QAction* recent : recent_) {
        recent->setEnabled(!running);
    }
    speed_action_->setEnabled(!running);
    settings_->Refresh();
    machine_->Refresh();
    scale_->Refresh();
    coordinates_->Refresh();
    about_->Refresh();
}

void MainWindow::RefreshLive() {
    picture2_->Refresh();
    picture1_->RefreshFeeds();
    status_bar_->Refresh(cnc_.status);
    messages_->Refresh();
    listing_->Refresh();
    view_->UpdateMarker();
    if (view_3d_->isVisible()) {
        view_3d_->Refresh();
    }
}

void MainWindow::LayOut() {
    FrameParts parts;
    parts.panel_width = kPanelWidth;
    parts.panel_height = kPanelHeight;
    const QSize bar = picture2_->LeastSize() + QSize(2, 2) * picture2_->frameWidth();
    parts.bar_width = bar.width();
    parts.bar_height = bar.height();
    parts.listing_width = listing_action_->isChecked() ? listing_width_ : 0;
    parts.listing_least = kListingLeast;
    parts.view_least = kViewLeast;
    const Box least = MinimumFrame(parts);
    client_->setMinimumSize(least.width, least.height);

    const FrameLayout layout = LayoutFrame(client_->width(), client_->height(), parts);
    auto place = [](QWidget* widget, const Box& box) {
        widget->setGeometry(box.x, box.y, box.width, box.height);
    };
    place(picture1_, layout.panel);
    place(picture2_, layout.bar);
    listing_->setVisible(parts.listing_width > 0);
    place(listing_, layout.listing);
    splitter_->setGeometry(0, 0, SplitHandle::kWidth, layout.listing.height);
    splitter_->raise();
    place(view_3d_, layout.view);
    const QSize side(layout.view.width, layout.view.height);
    if (side == view_->size() && !surface_.image().isNull()) {
        return;
    }
    place(view_, layout.view);
    // The view's own resize event may still be pending (the frame is being shown); the redraw
    // below needs the image and the trace spacing at the new size now.
    surface_.Resize(side, devicePixelRatioF());
    navigation_->UpdateTraceSpacing();
    cnc_.FrameResized();
    Refresh();
}

void MainWindow::PlaceAtStart() {
    if (restoreGeometry(remembered_->geometry())) {
        return;
    }
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    // A laptop's screen (1366 x 768, 1440 x 900) is used whole: three quarters of it would leave the
    // view a third of the frame. A larger one gets a window of three quarters, centred.
    if (screen.width() <= kMaximisedUpToWidth) {
        setGeometry(screen);
        setWindowState(windowState() | Qt::WindowMaximized);
        return;
    }
    resize((screen.size() * 3 / 4).expandedTo(minimumSizeHint()));
    move(screen.center() - rect().center());
}

void MainWindow::Open() {
    // The new program is drawn at the core's own scale; a cancelled Open leaves the grid at it.
    const bool zoomed = surface_.zoom() != 1;
    navigation_->Reset();
    if (cnc_.Running()) {
        return; // an Open refused during a run loads nothing new
    }
    Act([this] { cnc_.Open_Menu(); });
    listing_->Reload();
    if (cnc_.st.PrgLineCount > 0 && !op_.last_chosen_file().empty()) {
        remembered_->AddRecent(QFile::decodeName(op_.last_chosen_file().c_str()));
        ShowRecentPrograms();
    } else if (zoomed) {
        cnc_.FrameResized();
    }
    // After the drawing has been shown: neither the check nor, after it, the run-time estimate (the
    // time left in the status bar) ever holds up an Open. The 3-D view draws a long program on both
    // processors; the check waits for its picture (or a second at most).
    check_due_ = true;
    const bool picture_coming = view_3d_->isVisible() && view_3d_->drawing();
    QTimer::singleShot(picture_coming ? kCheckWaitMs : 0, this, [this] {
        if (check_due_) {
            StartCheck();
        }
    });
}

void MainWindow::OpenProgram(const QString& path) {
    if (cnc_.Running() || path.isEmpty()) {
        return;
    }
    if (!QFileInfo(path).isFile()) {
        remembered_->RemoveRecent(path);
        ShowRecentPrograms();
        cnc_.op().ShowMessage("The program " + QFile::encodeName(path).toStdString() + " is not there any more.",
                              kAppTitle);
        return;
    }
    op_.AnswerNextOpen(QFile::encodeName(path).toStdString());
    Open();
}

void MainWindow::ShowRecentPrograms() {
    const QStringList recent = remembered_->recent();
    for (int i = 0; i < WindowSettings::kRecentPrograms; ++i) {
        QAction* action = recent_[static_cast<std::size_t>(i)];
        const bool used = i < recent.size();
        action->setVisible(used);
        if (used) {
            action->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(recent[i]).fileName()));
            action->setToolTip(recent[i]);
            action->setData(recent[i]);
        }
    }
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!cnc_.Running() && urls.size() == 1 && urls.front().isLocalFile()) {
        event->acceptProposedAction();
    }
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() == 1 && urls.front().isLocalFile()) {
        event->acceptProposedAction();
        OpenProgram(urls.front().toLocalFile());
    }
}

bool MainWindow::IsStopKey(QObject* watched, QEvent* event) const {
    if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_Escape ||
        !cnc_.Running() || QApplication::activeModalWidget() != nullptr) {
        return false;
    }
    // Our windows: the frame, its children and its dialogs.
    for (auto* widget = qobject_cast<QWidget*>(watched); widget != nullptr; widget = widget->parentWidget()) {
        if (widget == this) {
            return true;
        }
    }
    return false;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (IsStopKey(watched, event)) {
        // The stop that "Pause" requests; the key goes no further (a text field would take it).
        cnc_.Pause();
        RefreshLive();
        return true;
    }
    if (watched == client_ && event->type() == QEvent::Resize) {
        LayOut();
    }
    return QMainWindow::eventFilter(watched, event);
}

// Leaving with a program part-way, the tool in the stock or the spindle on is asked first.
void MainWindow::Exit() {
    if (!cnc_.ExitConfirmed()) {
        return;
    }
    remembered_->set_geometry(saveGeometry());
    cnc_.ExitProgram();
    end_process_();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!cnc_.ExitConfirmed()) {
        event->ignore();
        return;
    }
    remembered_->set_geometry(saveGeometry());
    cnc_.ExitProgram();
    end_process_();
    event->accept();
}

} // namespace tamo::ui
