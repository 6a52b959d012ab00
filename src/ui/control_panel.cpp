// The control panel: its groups are laid out in twips as the panel was drawn, and turned into
// pixels at 15 twips each.

#include "ui/control_panel.h"
#include "ui/twips.h"

#include "interpreter/cnc.h"
#include "ui/controls.h"
#include "ui/manual_data_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalBlocker>

namespace tamo::ui {
namespace {

// Heights the toolkit's font needs, for controls that the layout makes lower.
constexpr int kMinButtonHeight = 23;
constexpr int kMinFieldHeight = 21;

} // namespace

ControlPanel::ControlPanel(tamo::Cnc& cnc, Handler act, QWidget* parent)
    : QFrame(parent), cnc_(cnc), act_(std::move(act)) {
    SetUpBar(*this, QStringLiteral("Picture1"));
    BuildPanel(this);

    timer1_.setParent(this);
    timer1_.setObjectName(QStringLiteral("Timer1"));
    connect(&timer1_, &QTimer::timeout, this, [this] { Act([this] { cnc_.Timer1Tick(); }); });
}

void ControlPanel::BuildPanel(QWidget* panel) {
    QFont tab_font = font();
    tab_font.setStretch(QFont::Condensed);
    tab_font.setPointSizeF(8);
    const std::array<const char*, 5> captions{"Line", "Jog", "Point", "Run", "Home"};
    const std::array<int, 5> lefts{2400, 1800, 1200, 0, 600};
    for (int i = 0; i < 5; ++i) {
        const auto k = static_cast<std::size_t>(i);
        // Tabs on the page they show: the page's own is raised and joins it.
        auto* tab = AddButton<QPushButton>(panel, Indexed("Command4", i), QLatin1String(captions[k]),
                                           Twips(lefts[k], 180, 510, 300));
        tab->setFont(tab_font);
        tab->setCheckable(true);
        tab->setStyleSheet(QStringLiteral(
            "QPushButton { border: 1px solid palette(mid); border-bottom: none; border-top-left-radius: 4px;"
            " border-top-right-radius: 4px; background: palette(button); margin-top: 2px; }"
            "QPushButton:checked { background: palette(window); font-weight: bold; margin-top: 0; }"));
        tabs_[k] = tab;
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
    // "Point": the manual-data page.
    manual_ = new ManualDataPage(
        cnc_, [this](const std::function<void()>& call) { Act(call); }, frame1_[2]);
    manual_->setGeometry(Twips(120, 300, 2535, 2880));

    AddLabel(panel, QStringLiteral("Label7"), QStringLiteral("Line in progress"), Twips(825, 3840, 1695, 240));
    text4_ = new QPlainTextEdit(panel);
    text4_->setObjectName(QStringLiteral("Text4"));
    text4_->setGeometry(Twips(180, 4200, 2655, 495));
    connect(text4_, &QPlainTextEdit::textChanged, this,
            [this] { cnc_.main.Text4 = text4_->toPlainText().toStdString(); });
}

void ControlPanel::BuildLineGroup(QGroupBox* group) {
    const QFont plain = ui::Plain(font());
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

    AddRule(group, QStringLiteral("Line1_0"), Twips(240, 1920, 2295, 30), true);

    move_to_end_ = button("Command5", "Move machine to end of line", Twips(240, 2160, 2295, 255, kMinButtonHeight));
    connect(move_to_end_, &QPushButton::clicked, this, [this] { Act([this] { cnc_.MoveToEndOfLine(); }); });

    text1_ = new QPlainTextEdit(group);
    text1_->setObjectName(QStringLiteral("Text1"));
    text1_->setFont(plain);
    text1_->setGeometry(Twips(120, 2640, 2535, 525));
    connect(text1_, &QPlainTextEdit::textChanged, this,
            [this] { cnc_.main.Text1 = text1_->toPlainText().toStdString(); });
}

void ControlPanel::BuildJogGroup(QGroupBox* group) {
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
    AddRule(group, QStringLiteral("Line1_1"), Twips(360, 855, 30, 585), false);
    AddRule(group, QStringLiteral("Line2"), Twips(1800, 855, 30, 705), false);
    AddRule(group, QStringLiteral("Line3"), Twips(1455, 1200, 705, 30), true);
    AddRule(group, QStringLiteral("Line4"), Twips(120, 2100, 2535, 30), true);

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
    // Closer together than they were drawn, to leave room for the increments and the keyboard.
    const std::array<int, 4> tops{2160, 2400, 2160, 2400};
    for (int i = 0; i < 4; ++i) {
        const auto k = static_cast<std::size_t>(i);
        option1_[k] = AddOption(group, Indexed("Option1", i), QString(), Twips(lefts[k], tops[k], 300, 240));
        QLabel* label =
            AddLabel(group, Indexed("Label6", i), QLatin1String(speeds[k]), Twips(lefts[k] + 360, tops[k], 900, 240));
        label->setFont(speed_font);
        connect(option1_[k], &QRadioButton::toggled, this, [this, i](bool selected) {
            if (selected) {
                Act([this, i] { cnc_.SelectJogSpeed(i); });
            }
        });
    }
    BuildJogChoices(group);
}

void ControlPanel::BuildRunGroup(QGroupBox* group) {
    const QFont plain = ui::Plain(font());
    QFont narrow = ui::Plain(font());
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
        // The keyboard goes back to the view once the release has been handled: taken away
        // before, the button would lose its pressed state and never click.
        b->on_release = [this](int) {
            QTimer::singleShot(0, this, [this] { Act([this] { cnc_.FasterSlowerReleased(); }); });
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

    AddRule(group, QStringLiteral("Line11"), Twips(240, 2100, 2295, 30), true);

    option2_ = AddOption(group, QStringLiteral("Option2"), QStringLiteral("Step"), Twips(360, 2280, 855, 255));
    option3_ = AddOption(group, QStringLiteral("Option3"), QStringLiteral("Continous"), Twips(1440, 2280, 1095, 255));
    option2_->setFont(plain);
    option3_->setFont(plain);
    // Every click acts, also on the option already shown selected: the mode may have changed
    // under it (a tool change makes the run continuous while "Step" stays selected).
    connect(option2_, &QRadioButton::clicked, this, [this] { Act([this] { cnc_.SelectStepMode(); }); });
    connect(option3_, &QRadioButton::clicked, this, [this] { Act([this] { cnc_.SelectContinuousMode(); }); });

    AddLabel(group, QStringLiteral("Label1"), QStringLiteral("Constant contour on"), Twips(360, 2760, 1560, 240))
        ->setFont(plain);
    check1_ = new QCheckBox(group);
    check1_->setObjectName(QStringLiteral("Check1"));
    check1_->setGeometry(Twips(2040, 2760, 300, 240));
    connect(check1_, &QCheckBox::clicked, this, [this](bool ticked) {
        Act([this, ticked] {
            cnc_.main.Check1 = ticked ? kChecked : kUnchecked;
            cnc_.op().FocusView();
        });
    });
}

void ControlPanel::BuildHomeGroup(QGroupBox* group) {
    const QFont plain = ui::Plain(font());
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

void ControlPanel::Refresh() {
    const MainWindowModel& m = cnc_.main;
    const bool running = cnc_.Running();
    ShowText(text4_, m.Text4);
    for (std::size_t i = 0; i < frame1_.size(); ++i) {
        const bool shown = static_cast<int>(i) == m.VisiblePage;
        if (frame1_[i]->isVisibleTo(this) != shown) {
            frame1_[i]->setVisible(shown);
        }
        tabs_[i]->setChecked(shown);
    }

    // Panel actions that would change the block of a running move: the core refuses them during
    // a run, and the buttons say so.
    execute_->setEnabled(m.Command7Enabled && !running);
    for (QPushButton* step : {step_forward_, step_back_, step_reset_, move_to_end_}) {
        step->setEnabled(!running);
    }
    ShowText(text1_, m.Text1);

    for (std::size_t i = 0; i < option1_.size(); ++i) {
        ShowOption(option1_[i], m.Option1[i]);
    }
    RefreshJogChoices();

    ShowText(overide_, m.Overide);
    RefreshFeeds();
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
    manual_->Refresh();
    SyncTimer1();
}

void ControlPanel::RefreshFeeds() {
    ShowText(text2_, cnc_.main.Text2);
    ShowText(text3_, cnc_.main.Text3);
}

void ControlPanel::SyncTimer1() {
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

} // namespace tamo::ui
