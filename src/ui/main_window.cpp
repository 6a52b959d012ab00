#include "ui/main_window.h"
#include "ui/twips.h"

#include "check/check.h"
#include "interpreter/cnc.h"
#include "ui/about_box.h"
#include "ui/check_window.h"
#include "ui/coordinate_dialog.h"
#include "ui/qt_operator.h"
#include "ui/qt_surface.h"
#include "ui/scale_dialog.h"
#include "ui/settings_dialog.h"
#include "ui/velmor_view.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QSignalBlocker>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace tamo::ui {
namespace {

constexpr int kCoordinateBarHeight = 975 / kTwipsPerPixel; // Picture2
constexpr int kPanelWidth = 3000 / kTwipsPerPixel;         // Picture1
// The frame's chrome as the resize rule counts it: caption, menu bar and borders above and
// below the view, borders beside it. Our menu bar is part of the first; the rest of it is what
// the rule leaves between the view and the frame's edges.
constexpr double kChromeHeightTwips = 750;
constexpr double kChromeWidthTwips = 200;
// Heights the toolkit's font needs, for controls that the layout makes lower.
constexpr int kMinButtonHeight = 23;
constexpr int kMinFieldHeight = 21;
constexpr int kLabelHeight = 17;

QString Indexed(const char* name, int index) {
    return QLatin1String(name) + QLatin1Char('_') + QString::number(index);
}

// A font for a control inside a group box. Its weight is set explicitly: an attribute left unset
// would be inherited from the box, whose title is bold.
QFont Plain(QFont font) {
    font.setBold(false);
    return font;
}

QFont Bold(QFont font, double point_size = 0) {
    font.setBold(true);
    if (point_size > 0) {
        font.setPointSizeF(point_size);
    }
    return font;
}

// The mouse button as the handlers count it: left 1, right 2, middle 4.
int ButtonCode(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

// A button that reports mouse-down and mouse-up of every mouse button, not only the click of the
// left one: a jog runs from the press to the release, whichever button it is. The release is
// reported before the click, as the step controls expect. A press handler may run a whole jog:
// the release then arrives, nested, inside its event processing.
class PressButton final : public QPushButton {
public:
    using QPushButton::QPushButton;

    std::function<void(int)> on_press;
    std::function<void(int)> on_release;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) {
            QPushButton::mousePressEvent(event);
        } else {
            event->accept();
        }
        if (on_press) {
            on_press(ButtonCode(event->button()));
        }
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (on_release) {
            on_release(ButtonCode(event->button()));
        }
        if (event->button() == Qt::LeftButton) {
            QPushButton::mouseReleaseEvent(event);
        } else {
            event->accept();
        }
    }
};

QLabel* AddLabel(QWidget* parent, const QString& name, const QString& caption, QRect where) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setGeometry(where);
    return label;
}

template <class Button> Button* AddButton(QWidget* parent, const QString& name, const QString& caption, QRect where) {
    auto* button = new Button(caption, parent);
    button->setObjectName(name);
    button->setGeometry(where);
    button->setAutoDefault(false);
    return button;
}

QRadioButton* AddOption(QWidget* parent, const QString& name, const QString& caption, QRect where) {
    auto* option = new QRadioButton(caption, parent);
    option->setObjectName(name);
    option->setGeometry(where);
    return option;
}

void AddRule(QWidget* parent, const QString& name, QRect where, QFrame::Shape shape) {
    auto* line = new QFrame(parent);
    line->setObjectName(name);
    line->setFrameShape(shape);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(where);
    line->lower();
}

void ShowText(QLineEdit* edit, const std::string& text) {
    const QString wanted = QString::fromStdString(text);
    if (edit->text() != wanted) {
        const QSignalBlocker block(edit);
        edit->setText(wanted);
    }
}

void ShowText(QComboBox* combo, const std::string& text) {
    const QString wanted = QString::fromStdString(text);
    if (combo->currentText() != wanted) {
        const QSignalBlocker block(combo);
        combo->setEditText(wanted);
    }
}

void ShowText(QPlainTextEdit* edit, const std::string& text) {
    const QString wanted = QString::fromStdString(text);
    if (edit->toPlainText() != wanted) {
        const QSignalBlocker block(edit);
        edit->setPlainText(wanted);
    }
}

void ShowText(QLabel* label, const std::string& text) {
    const QString wanted = QString::fromStdString(text);
    if (label->text() != wanted) {
        label->setText(wanted);
    }
}

// Sets one option of a group without the group's own rule unchecking the others or refusing
// to uncheck the last one: the model says which are selected.
void ShowOption(QRadioButton* option, bool selected) {
    if (option->isChecked() == selected) {
        return;
    }
    const QSignalBlocker block(option);
    const bool exclusive = option->autoExclusive();
    option->setAutoExclusive(false);
    option->setChecked(selected);
    option->setAutoExclusive(exclusive);
}

} // namespace

MainWindow::MainWindow(tamo::Cnc& cnc, QtOperator& op, QtSurface& surface, QWidget* parent)
    : QMainWindow(parent), cnc_(cnc), op_(op), surface_(surface), end_process_([] {
          // The configuration is on disk by now. Ending at once also ends a move in progress,
          // whose handler sits below us in nested event loops that a normal quit would return to.
          std::fflush(nullptr);
          std::_Exit(0);
      }) {
    setObjectName(QStringLiteral("MDIForm1"));
    // The layout was drawn up for a small, narrow system font; a semi-condensed 8.25 point font
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
    picture1_ = new QFrame(client_);
    picture1_->setObjectName(QStringLiteral("Picture1"));
    picture1_->setAutoFillBackground(true);
    picture2_ = new QFrame(client_);
    picture2_->setObjectName(QStringLiteral("Picture2"));
    picture2_->setAutoFillBackground(true);
    for (QWidget* bar : {picture1_, picture2_}) {
        static_cast<QFrame*>(bar)->setFrameStyle(QFrame::Panel | QFrame::Raised);
        // Children take their parent's background role, and with it text colours that contrast
        // with the workspace's dark grey; the bars are ordinary window surfaces.
        bar->setBackgroundRole(QPalette::Window);
    }

    BuildMenus();
    BuildCoordinateBar(picture2_);
    BuildPanel(picture1_);

    settings_ = new SettingsDialog(cnc_, this);
    scale_ = new ScaleDialog(cnc_, this);
    coordinates_ = new CoordinateDialog(cnc_, this);
    about_ = new AboutBox(cnc_, this);
    check_ = new CheckWindow(this);
    // Choosing a finding selects its line in the program listing, once the frame has one.
    check_->set_on_choose([](int /*line*/) {});
    check_->set_on_report([this](const check::Report& report) {
        cnc_.status.Check = "Program check: " + report.Summary();
        Refresh();
    });

    timer1_.setParent(this);
    timer1_.setObjectName(QStringLiteral("Timer1"));
    connect(&timer1_, &QTimer::timeout, this, [this] { Act([this] { cnc_.Timer1Tick(); }); });

    op_.set_view(view_);
    op_.set_dialog_parent(this);
    op_.set_models_changed([this] { Refresh(); });
    Refresh();
}

MainWindow::~MainWindow() {
    op_.set_models_changed(nullptr);
    op_.set_view(nullptr);
    op_.set_dialog_parent(nullptr);
    surface_.set_target(nullptr);
}

void MainWindow::Act(const std::function<void()>& call) {
    call();
    Refresh();
}

void MainWindow::StartCheck() {
    if (cnc_.st.PrgLineCount == 0) {
        check_->Clear();
        cnc_.status.Check.clear();
    } else {
        cnc_.status.Check = "Checking the program...";
        check_->Start(check::CopyForCheck(cnc_));
    }
    Refresh();
}

void MainWindow::BuildMenus() {
    QMenuBar* bar = menuBar();
    auto menu = [bar](const char* name, const QString& caption) {
        QMenu* m = bar->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        return m;
    };
    auto item = [this](QMenu* m, const char* name, const QString& caption, std::function<void()> call) {
        QAction* action = m->addAction(caption);
        action->setObjectName(QLatin1String(name));
        connect(action, &QAction::triggered, this, [call = std::move(call)] { call(); });
        return action;
    };
    auto separator = [](QMenu* m, const char* name) {
        m->addSeparator()->setObjectName(QLatin1String(name));
    };

    QMenu* file = menu("File_Menu", QStringLiteral("&File"));
    open_action_ = item(file, "Open_Menu", QStringLiteral("Open"), [this] {
        Act([this] { cnc_.Open_Menu(); });
        // After the drawing has been shown: the check never holds up an Open. An Open refused
        // during a run loaded nothing new.
        if (!cnc_.Running()) {
            QTimer::singleShot(0, this, [this] { StartCheck(); });
        }
    });
    separator(file, "space");
    item(file, "Mnu_exit", QStringLiteral("Exit"), [this] { Exit(); });

    QMenu* setup = menu("Setup_Menu", QStringLiteral("&Setup"));
    item(setup, "Set_menu", QStringLiteral("Settings"), [this] { Act([this] { cnc_.ShowSettings(); }); });
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

    menu("Menu_View", QStringLiteral("&View"));

    QMenu* help = menu("Mnu_Help", QStringLiteral("&Help"));
    item(help, "Mnu_About", QStringLiteral("About"), [this] {
        cnc_.main.AboutVisible = true;
        Refresh();
        about_->raise();
        about_->activateWindow();
    });
}

void MainWindow::BuildCoordinateBar(QWidget* bar) {
    const QFont bold = Bold(font());
    const std::array<int, 3> tops{120, 360, 600};
    const std::array<const char*, 6> axis_names{
        "Program X:", "Program Y:", "Program Z:", "Machine Z:", "Machine Y:", "Machine X:"};
    // AxisName(5), (4), (3) are the machine's X, Y, Z from the top.
    for (int i = 0; i < 6; ++i) {
        const bool program = i < 3;
        const int row = program ? i : 5 - i;
        QLabel* label =
            AddLabel(bar, Indexed("AxisName", i), QString::fromLatin1(axis_names[static_cast<std::size_t>(i)]),
                     Twips(program ? 120 : 3120, tops[static_cast<std::size_t>(row)], program ? 945 : 975, 240));
        label->setFont(bold);
    }
    // The readouts reach to the buttons beside them, so that a long negative number still shows.
    for (std::size_t i = 0; i < 3; ++i) {
        const int index = static_cast<int>(i);
        prg_out_[i] =
            AddLabel(bar, Indexed("PrgOutlbl", index), QStringLiteral("0.0000"), Twips(1200, tops[i], 1035, 240));
        mach_out_[i] =
            AddLabel(bar, Indexed("MachOutLl", index), QStringLiteral("0.0000"), Twips(4200, tops[i], 1035, 240));
        prg_out_[i]->setFont(bold);
        mach_out_[i]->setFont(bold);
    }

    auto button = [this, bar](const char* name, const char* caption, int left, int top, int width,
                              std::function<void()> call) {
        auto* b = AddButton<QPushButton>(bar, QLatin1String(name), QLatin1String(caption),
                                         Twips(left, top, width, 255, kMinButtonHeight));
        connect(b, &QPushButton::clicked, this, [this, call = std::move(call)] { Act(call); });
        return b;
    };
    button("SetPrg", "Set", 2280, 120, 495, [this] { cnc_.SetPrg(); });
    button("ZeroPrg", "Zero", 2280, 540, 495, [this] { cnc_.ZeroPrg(); });
    button("Command11", "Set", 5280, 120, 495, [this] { cnc_.SetMachine(); });
    button("Command12", "Zero", 5280, 540, 495, [this] { cnc_.ZeroMachine(); });
    reset_program_ = button("Command10", "Reset Program", 6000, 120, 1215, [this] { cnc_.ResetProgram(); });
    button("Command1", "Pause", 6000, 540, 1215, [this] { cnc_.Pause(); });
}

void MainWindow::BuildPanel(QWidget* panel) {
    QFont tab_font = font();
    tab_font.setStretch(QFont::Condensed);
    tab_font.setPointSizeF(8);
    const std::array<const char*, 5> captions{"Line", "Jog", "Point", "Run", "Home"};
    const std::array<int, 5> lefts{2400, 1800, 1200, 0, 600};
    for (int i = 0; i < 5; ++i) {
        const auto k = static_cast<std::size_t>(i);
        auto* tab = AddButton<QPushButton>(panel, Indexed("Command4", i), QLatin1String(captions[k]),
                                           Twips(lefts[k], 120, 510, 300));
        tab->setFont(tab_font);
        connect(tab, &QPushButton::clicked, this, [this, i] { Act([this, i] { cnc_.ShowPage(i); }); });
    }

    const std::array<const char*, 5> titles{"Go To end of Line", "Jogging", "Point", "Run", "Home"};
    const QFont bold = Bold(font());
    for (int i = 0; i < 5; ++i) {
        const auto k = static_cast<std::size_t>(i);
        auto* group = new QGroupBox(QLatin1String(titles[k]), panel);
        group->setObjectName(Indexed("Frame1", i));
        group->setGeometry(Twips(120, 480, 2775, 3255));
        group->setFont(bold);
        frame1_[k] = group;
    }
    // The group boxes' bold title must not carry over to their controls.
    BuildLineGroup(frame1_[0]);
    BuildJogGroup(frame1_[1]);
    BuildRunGroup(frame1_[3]);
    BuildHomeGroup(frame1_[4]);

    AddLabel(panel, QStringLiteral("Label7"), QStringLiteral("Line in progress"), Twips(825, 3840, 1695, 240));
    text4_ = new QPlainTextEdit(panel);
    text4_->setObjectName(QStringLiteral("Text4"));
    text4_->setGeometry(Twips(180, 4200, 2655, 495));
    connect(text4_, &QPlainTextEdit::textChanged, this,
            [this] { cnc_.main.Text4 = text4_->toPlainText().toStdString(); });
}

void MainWindow::BuildLineGroup(QGroupBox* group) {
    const QFont plain = Plain(font());
    auto button = [this, group, &plain](const char* name, const char* caption, QRect where) {
        auto* b = AddButton<PressButton>(group, QLatin1String(name), QLatin1String(caption), where);
        b->setFont(plain);
        return b;
    };
    step_reset_ = button("Command3", "Reset", Twips(960, 360, 735, 375));
    connect(step_reset_, &QPushButton::clicked, this, [this] { Act([this] { cnc_.StepReset(); }); });

    auto* forward = button("StepFwd_0", "Step forward in program", Twips(240, 960, 2295, 375));
    step_forward_ = forward;
    forward->on_press = [this](int) {
        Act([this] { cnc_.StepForwardPressed(); });
    };
    forward->on_release = [this](int) {
        Act([this] { cnc_.StepForwardReleased(); });
    };
    connect(forward, &QPushButton::clicked, this, [this] { Act([this] { cnc_.StepForward(); }); });

    step_back_ = button("Command6", "Step back in program", Twips(240, 1440, 2295, 375));
    connect(step_back_, &QPushButton::clicked, this, [this] { Act([this] { cnc_.StepBack(); }); });

    AddRule(group, QStringLiteral("Line1_0"), Twips(240, 1920, 2295, 30), QFrame::HLine);

    move_to_end_ = button("Command5", "Move machine to end of line", Twips(240, 2160, 2295, 255, kMinButtonHeight));
    connect(move_to_end_, &QPushButton::clicked, this, [this] { Act([this] { cnc_.MoveToEndOfLine(); }); });

    text1_ = new QPlainTextEdit(group);
    text1_->setObjectName(QStringLiteral("Text1"));
    text1_->setFont(plain);
    text1_->setGeometry(Twips(120, 2640, 2535, 525));
    connect(text1_, &QPlainTextEdit::textChanged, this,
            [this] { cnc_.main.Text1 = text1_->toPlainText().toStdString(); });
}

void MainWindow::BuildJogGroup(QGroupBox* group) {
    struct Jog {
        int index;
        const char* caption;
        int left;
        int top;
    };
    constexpr std::array<Jog, 6> kJogs{{{6, "Z +", 120, 360},
                                        {1, "Z -", 120, 1440},
                                        {3, "Y +", 1560, 360},
                                        {2, "X -", 960, 960},
                                        {4, "X +", 2160, 960},
                                        {5, "Y -", 1560, 1560}}};
    // The lines join the Z buttons and cross between the X and Y buttons; they lie under them.
    AddRule(group, QStringLiteral("Line1_1"), Twips(360, 855, 30, 585), QFrame::VLine);
    AddRule(group, QStringLiteral("Line2"), Twips(1800, 855, 30, 705), QFrame::VLine);
    AddRule(group, QStringLiteral("Line3"), Twips(1455, 1200, 705, 30), QFrame::HLine);
    AddRule(group, QStringLiteral("Line4"), Twips(120, 2160, 2535, 30), QFrame::HLine);

    const QFont jog_font = Bold(QFont(QStringLiteral("Arial")), 9.75);
    for (const Jog& jog : kJogs) {
        auto* button = AddButton<PressButton>(group, Indexed("JogZ", jog.index), QLatin1String(jog.caption),
                                              Twips(jog.left, jog.top, 495, 495));
        button->setFont(jog_font);
        const int index = jog.index;
        button->on_press = [this, index](int code) {
            Act([this, index, code] { cnc_.JogPressed(index, code); });
        };
        button->on_release = [this, index](int code) {
            Act([this, index, code] { cnc_.JogReleased(index, code); });
        };
    }

    const QFont speed_font = Bold(font(), 9.75);
    const std::array<const char*, 4> speeds{"Fast", "Med", "Slow", "Step"};
    const std::array<int, 4> lefts{240, 240, 1320, 1320};
    const std::array<int, 4> tops{2400, 2880, 2400, 2880};
    for (int i = 0; i < 4; ++i) {
        const auto k = static_cast<std::size_t>(i);
        option1_[k] = AddOption(group, Indexed("Option1", i), QString(), Twips(lefts[k], tops[k], 300, 255));
        QLabel* label =
            AddLabel(group, Indexed("Label6", i), QLatin1String(speeds[k]), Twips(lefts[k] + 360, tops[k], 900, 255));
        label->setFont(speed_font);
        connect(option1_[k], &QRadioButton::toggled, this, [this, i](bool selected) {
            if (selected) {
                Act([this, i] { cnc_.SelectJogSpeed(i); });
            }
        });
    }
}

void MainWindow::BuildRunGroup(QGroupBox* group) {
    const QFont plain = Plain(font());
    QFont narrow = Plain(font());
    narrow.setStretch(QFont::Condensed);

    execute_ = AddButton<QPushButton>(group, QStringLiteral("Command7"), QStringLiteral("Execute Program"),
                                      Twips(360, 360, 2055, 375));
    execute_->setFont(plain);
    connect(execute_, &QPushButton::clicked, this, [this] { Act([this] { cnc_.Start(); }); });

    for (int i : {1, 0}) {
        auto* b = AddButton<PressButton>(group, Indexed("Command8", i),
                                         i == 0 ? QStringLiteral("Faster") : QStringLiteral("Slower"),
                                         Twips(i == 0 ? 1560 : 360, 840, 855, 255, kMinButtonHeight));
        b->setFont(plain);
        b->on_release = [this](int) {
            Act([this] { cnc_.FasterSlowerReleased(); });
        };
        connect(b, &QPushButton::clicked, this, [this, i] { Act([this, i] { cnc_.FasterSlower(i); }); });
    }

    overide_ = new QComboBox(group);
    overide_->setObjectName(QStringLiteral("Overide"));
    overide_->setEditable(true);
    overide_->setInsertPolicy(QComboBox::NoInsert);
    // What is typed is what the box holds: no completion to a list item on the way.
    overide_->setCompleter(nullptr);
    overide_->addItems({QStringLiteral("100"), QStringLiteral("200"), QStringLiteral("300"), QStringLiteral("400"),
                        QStringLiteral("500")});
    overide_->setFont(narrow);
    overide_->setGeometry(Twips(360, 1200, 690, 300, kMinFieldHeight));
    connect(overide_, &QComboBox::editTextChanged, this,
            [this](const QString& text) { Act([this, &text] { cnc_.OverideTyped(text.toStdString()); }); });
    connect(overide_, &QComboBox::textActivated, this,
            [this](const QString& text) { Act([this, &text] { cnc_.OverideChosen(text.toStdString()); }); });
    AddLabel(group, QStringLiteral("Label2"), QStringLiteral("%Overide"), Twips(1080, 1245, 705, 240))->setFont(narrow);

    text2_ = new QLineEdit(group);
    text2_->setObjectName(QStringLiteral("Text2"));
    text2_->setFont(plain);
    text2_->setGeometry(Twips(1800, 1215, 615, 315, kMinFieldHeight));
    connect(text2_, &QLineEdit::textEdited, this,
            [this](const QString& text) { cnc_.main.Text2 = text.toStdString(); });

    AddLabel(group, QStringLiteral("Label3"), QStringLiteral("Program Feedrate"), Twips(360, 1725, 1395, 240))
        ->setFont(plain);
    text3_ = new QLineEdit(group);
    text3_->setObjectName(QStringLiteral("Text3"));
    text3_->setFont(plain);
    text3_->setGeometry(Twips(1800, 1680, 615, 285, kMinFieldHeight));
    connect(text3_, &QLineEdit::textEdited, this,
            [this](const QString& text) { Act([this, &text] { cnc_.Text3Typed(text.toStdString()); }); });

    AddRule(group, QStringLiteral("Line11"), Twips(240, 2100, 2295, 30), QFrame::HLine);

    option2_ = AddOption(group, QStringLiteral("Option2"), QStringLiteral("Step"), Twips(360, 2280, 855, 255));
    option3_ = AddOption(group, QStringLiteral("Option3"), QStringLiteral("Continous"), Twips(1440, 2280, 1095, 255));
    option2_->setFont(plain);
    option3_->setFont(plain);
    connect(option2_, &QRadioButton::toggled, this, [this](bool selected) {
        if (selected) {
            Act([this] { cnc_.SelectStepMode(); });
        }
    });
    connect(option3_, &QRadioButton::toggled, this, [this](bool selected) {
        if (selected) {
            Act([this] { cnc_.SelectContinuousMode(); });
        }
    });

    AddLabel(group, QStringLiteral("Label1"), QStringLiteral("Constant contour on"), Twips(360, 2760, 1560, 240))
        ->setFont(plain);
    check1_ = new QCheckBox(group);
    check1_->setObjectName(QStringLiteral("Check1"));
    check1_->setGeometry(Twips(2040, 2760, 300, 240));
    connect(check1_, &QCheckBox::clicked, this, [this](bool ticked) {
        Act([this, ticked] {
            cnc_.main.Check1 = ticked ? kChecked : kUnchecked;
            op_.FocusView();
        });
    });
}

void MainWindow::BuildHomeGroup(QGroupBox* group) {
    const QFont plain = Plain(font());
    auto* home = AddButton<QPushButton>(group, QStringLiteral("Command9"), QStringLiteral("Home the Machine"),
                                        Twips(480, 480, 1815, 495));
    home->setFont(plain);
    connect(home, &QPushButton::clicked, this, [this] { Act([this] { cnc_.HomeTheMachine(); }); });

    const std::array<const char*, 3> methods{"Using Home Switchs", "Using Program Zero", "Using Machine Zero"};
    for (int i = 0; i < 3; ++i) {
        const auto k = static_cast<std::size_t>(i);
        option4_[k] =
            AddOption(group, Indexed("Option4", i), QLatin1String(methods[k]), Twips(360, 1200 + 360 * i, 2100, 255));
        option4_[k]->setFont(plain);
        connect(option4_[k], &QRadioButton::toggled, this, [this, i](bool selected) {
            if (selected) {
                Act([this, i] { cnc_.SetHomeOption(i, true); });
            }
        });
    }

    AddLabel(group, QStringLiteral("Label5"), QStringLiteral("Move:"), Twips(480, 2460, 675, 240))->setFont(plain);
    combo1_ = new QComboBox(group);
    combo1_->setObjectName(QStringLiteral("Combo1"));
    combo1_->setEditable(true);
    combo1_->setInsertPolicy(QComboBox::NoInsert);
    combo1_->setCompleter(nullptr); // "rapid" typed stays "rapid", and enables the feed field

    combo1_->addItems({QStringLiteral("Rapid"), QStringLiteral("Feedrate")});
    combo1_->setFont(plain);
    combo1_->setGeometry(Twips(1200, 2400, 1095, 300, kMinFieldHeight));
    connect(combo1_, &QComboBox::editTextChanged, this,
            [this](const QString& text) { Act([this, &text] { cnc_.SetHomeMoveType(text.toStdString()); }); });

    AddLabel(group, QStringLiteral("Label4"), QStringLiteral("Feedrate:"), Twips(480, 2925, 720, 240))->setFont(plain);
    text6_ = new QLineEdit(group);
    text6_->setObjectName(QStringLiteral("Text6"));
    text6_->setFont(plain);
    text6_->setGeometry(Twips(1200, 2880, 615, 285, kMinFieldHeight));
    connect(text6_, &QLineEdit::textEdited, this,
            [this](const QString& text) { cnc_.main.Text6 = text.toStdString(); });
}

void MainWindow::Refresh() {
    const MainWindowModel& m = cnc_.main;
    const bool running = cnc_.Running();
    const QString caption = QString::fromStdString(m.Caption);
    if (windowTitle() != caption) {
        setWindowTitle(caption);
    }

    for (std::size_t i = 0; i < 3; ++i) {
        ShowText(prg_out_[i], m.PrgOutlbl[i]);
        ShowText(mach_out_[i], m.MachOutLl[i]);
    }
    ShowText(text4_, m.Text4);

    for (std::size_t i = 0; i < frame1_.size(); ++i) {
        const bool shown = static_cast<int>(i) == m.VisiblePage;
        if (frame1_[i]->isVisibleTo(picture1_) != shown) {
            frame1_[i]->setVisible(shown);
        }
    }

    // Panel actions that would change the block of a running move: the core refuses them during
    // a run, and the buttons say so.
    execute_->setEnabled(m.Command7Enabled && !running);
    for (QPushButton* step : {step_forward_, step_back_, step_reset_, move_to_end_}) {
        step->setEnabled(!running);
    }
    reset_program_->setEnabled(!running);
    open_action_->setEnabled(!running);
    speed_action_->setEnabled(!running);
    ShowText(text1_, m.Text1);

    for (std::size_t i = 0; i < option1_.size(); ++i) {
        ShowOption(option1_[i], m.Option1[i]);
    }

    ShowText(overide_, m.Overide);
    ShowText(text2_, m.Text2);
    ShowText(text3_, m.Text3);
    ShowOption(option2_, m.Option2);
    ShowOption(option3_, m.Option3);
    const Qt::CheckState check = m.Check1 == kChecked  ? Qt::Checked
                                 : m.Check1 == kGreyed ? Qt::PartiallyChecked
                                                       : Qt::Unchecked;
    if (check1_->checkState() != check) {
        const QSignalBlocker block(check1_);
        check1_->setCheckState(check);
    }

    for (std::size_t i = 0; i < option4_.size(); ++i) {
        ShowOption(option4_[i], m.Option4[i]);
    }
    ShowText(combo1_, m.Combo1);
    ShowText(text6_, m.Text6);
    text6_->setEnabled(m.Text6Enabled);

    SyncTimer1();
    settings_->Refresh();
    scale_->Refresh();
    coordinates_->Refresh();
    about_->Refresh();
}

void MainWindow::SyncTimer1() {
    // An interval of 0 stops the timer, as it always did for this control.
    const int interval = cnc_.main.Timer1Interval;
    if (!cnc_.main.Timer1Enabled || interval <= 0) {
        timer1_.stop();
        return;
    }
    if (!timer1_.isActive() || timer1_.interval() != interval) {
        timer1_.start(interval);
    }
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    // Our own resize of the frame below comes back here, at once or later from the window
    // system; the pass it would start finds the same sizes and is not run.
    if (laying_out_ || size() == laid_out_size_) {
        return;
    }
    laying_out_ = true;
    LayOut();
    laying_out_ = false;
}

void MainWindow::LayOut() {
    const int menu_height = menuBar()->isNativeMenuBar() ? 0 : menuBar()->sizeHint().height();
    const double outer_height = (height() - menu_height) * double{kTwipsPerPixel} + kChromeHeightTwips;
    const Cnc::FrameLayout layout = cnc_.LayoutForFrameHeight(outer_height);

    if (layout.view_resized && layout.view_side > 0) {
        view_side_ = static_cast<int>(std::lround(layout.view_side / kTwipsPerPixel));
        view_->setGeometry(0, 0, view_side_, view_side_);
        // The view's own resize event may still be pending (the frame is being shown); the
        // redraw below needs the image and the trace spacing at the new size now.
        surface_.Resize(QSize(view_side_, view_side_), devicePixelRatioF());
        cnc_.ViewWidthTwips = view_side_ * double{kTwipsPerPixel};
    }
    QSize wanted = size();
    if (layout.frame_width > 0 && layout.frame_height > 0) {
        wanted = QSize(static_cast<int>(std::lround((layout.frame_width - kChromeWidthTwips) / kTwipsPerPixel)),
                       static_cast<int>(std::lround((layout.frame_height - kChromeHeightTwips) / kTwipsPerPixel)) +
                           menu_height);
    }
    laid_out_size_ = wanted;
    if (wanted != size() && !isMaximized() && !isFullScreen()) {
        resize(wanted);
    }
    PlaceBars();
    cnc_.FrameResized();
    Refresh();
}

void MainWindow::PlaceBars() {
    const int w = client_->width();
    const int h = client_->height();
    picture2_->setGeometry(0, h - kCoordinateBarHeight, w, kCoordinateBarHeight);
    picture1_->setGeometry(w - kPanelWidth, 0, kPanelWidth, h - kCoordinateBarHeight);
    if (view_side_ == 0) {
        const int side = std::max(0, std::min(w - kPanelWidth, h - kCoordinateBarHeight));
        view_->setGeometry(0, 0, side, side);
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == client_ && event->type() == QEvent::Resize) {
        PlaceBars();
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::Exit() {
    cnc_.ExitProgram();
    end_process_();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    cnc_.ExitProgram();
    end_process_();
    event->accept();
}

} // namespace tamo::ui
