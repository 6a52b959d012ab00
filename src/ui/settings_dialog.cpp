// The settings window: a fixed grid of fields over cnc.settings. The layout is kept in twips, as
// the window was drawn, and turned into pixels at 15 twips each.

#include "ui/settings_dialog.h"
#include "ui/twips.h"

#include "interpreter/cnc.h"
#include "ui/controls.h"
#include "ui/qt_operator.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include <algorithm>
#include <array>

namespace tamo::ui {
namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// Tops of the grid rows X, Y, Z.
constexpr std::array<int, 3> kRowTop{600, 1080, 1560};
// The two heading lines above the grid, and the first column of captions below it.
constexpr int kHeadTop = 120;
constexpr int kSubHeadTop = 330;
constexpr int kCaptionLeft = 120;
// Labels sit a little lower than the field they name, level with its text.
constexpr int kLabelDrop = 60;

// A combo box without list items serves as a plain entry field: no arrow that would open an
// empty list, and the room goes to the text.
const char* const kEntryFieldLook =
    "QComboBox { padding-right: 0px; } QComboBox::drop-down { width: 0px; border: 0px; } "
    "QComboBox::down-arrow { image: none; width: 0px; }";

const QStringList kDataPins{"2", "3", "4", "5", "6", "7", "8", "9"};
const QStringList kStatusPins{"10", "11", "12", "13"};

// A check box state of the model (0, 1, 2 greyed) shown as such. The third state exists only
// while the model holds it: a click on a greyed box checks it, and no click greys one.
void ShowCheckState(QCheckBox* box, int state) {
    box->setTristate(state == kGreyed);
    box->setCheckState(state == kChecked ? Qt::Checked : state == kGreyed ? Qt::PartiallyChecked : Qt::Unchecked);
}

} // namespace

SettingsDialog::SettingsDialog(tamo::Cnc& cnc, QWidget* parent) : QWidget(parent, Qt::Tool), cnc_(cnc) {
    setObjectName("FormSettings");
    setWindowTitle("Settings");
    UseLayoutFont(*this);
    setFixedSize(Px(8085), Px(5775));
    BuildGrid();
    BuildLowerPart();
    BuildUnitFrame();

    auto* ok = new QPushButton("Ok", this);
    ok->setObjectName("opsaetok");
    ok->setGeometry(Px(2040), Px(5160), Px(1215), Px(375));
    connect(ok, &QPushButton::clicked, this, [this] { Ok(); });
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("opsaetcancel");
    cancel->setGeometry(Px(3720), Px(5160), Px(1215), Px(375));
    connect(cancel, &QPushButton::clicked, this, [this] { Cancel(); });

    Refresh();
}

QComboBox* SettingsDialog::AddCombo(const QString& name, std::string& text, const QStringList& items, int left, int top,
                                    int width) {
    auto* combo = new QComboBox(this);
    combo->setObjectName(name);
    combo->setEditable(true);
    combo->addItems(items);
    // A plain entry field with picks: typing neither completes from the list nor adds to it.
    combo->setCompleter(nullptr);
    combo->setInsertPolicy(QComboBox::NoInsert);
    if (items.isEmpty()) {
        combo->setStyleSheet(kEntryFieldLook);
    }
    combo->setGeometry(Px(left), Px(top), Px(width), combo->sizeHint().height());
    std::string* model = &text;
    connect(combo, &QComboBox::currentTextChanged, this,
            [model](const QString& typed) { *model = typed.toStdString(); });
    combos_.push_back({combo, model});
    return combo;
}

QLineEdit* SettingsDialog::AddText(const QString& name, std::string& text, int left, int top, int width) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    edit->setGeometry(Px(left), Px(top), Px(width), edit->sizeHint().height());
    std::string* model = &text;
    connect(edit, &QLineEdit::textEdited, this, [model](const QString& typed) { *model = typed.toStdString(); });
    texts_.push_back({edit, model});
    return edit;
}

QCheckBox* SettingsDialog::AddCheck(const QString& name, int& state, const QString& caption, int left, int top,
                                    int width) {
    auto* box = new QCheckBox(caption, this);
    box->setObjectName(name);
    box->setGeometry(Px(left), Px(top), Px(width), box->sizeHint().height());
    int* model = &state;
    connect(box, &QCheckBox::stateChanged, this, [box, model](int checked) {
        *model = checked == Qt::Checked ? kChecked : checked == Qt::PartiallyChecked ? kGreyed : kUnchecked;
        if (*model != kGreyed) {
            box->setTristate(false);
        }
    });
    checks_.push_back({box, model});
    return box;
}

QLabel* SettingsDialog::AddLabel(QWidget* parent, const QString& name, const QString& caption, int left, int top,
                                 int width, int height) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setGeometry(Px(left), Px(top), Px(width), Px(height));
    return label;
}

// A heading centred over the column it names, spilling over the column's edges when its caption
// is wider than the fields below.
QLabel* SettingsDialog::AddHeading(const QString& name, const QString& caption, int left, int top, int width) {
    QLabel* label = AddLabel(this, name, caption, left, top, width);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    const int column = Px(width);
    const int needed = std::max(column, label->fontMetrics().horizontalAdvance(caption) + 4);
    label->setGeometry(Px(left) - (needed - column) / 2, Px(top), needed, label->height());
    return label;
}

// One row per axis. Columns from the left: lead, steps per turn, step and direction pins, home
// switch pin, the three jog rates, reversal. Every heading stands above its column.
void SettingsDialog::BuildGrid() {
    SettingsModel& m = cnc_.settings;
    label4_ = AddHeading("Label4", Q(m.Label4), 840, kHeadTop, 855);
    AddHeading("Label16", "Lead turn", 840, kSubHeadTop, 855);
    AddHeading("Label5_4", "Steps /", 1800, kHeadTop, 735);
    AddHeading("Label17", "Drive turn", 1800, kSubHeadTop, 735);
    AddHeading("Label15", "Pin number", 2640, kHeadTop, 1575);
    AddHeading("Label6", "Step", 2640, kSubHeadTop, 735);
    AddHeading("Label1", "Dir", 3480, kSubHeadTop, 735);
    AddHeading("Label21", "Home switch", 4200, kHeadTop, 735);
    AddHeading("Label20", "Pin Number", 4200, kSubHeadTop, 735);
    AddHeading("Label2", "Jog rates (G00=Fast)", 5160, kHeadTop, 2130);
    AddHeading("Label8_0", "Fast", 5160, kSubHeadTop, 690);
    AddHeading("Label8_1", "Medium", 5880, kSubHeadTop, 690);
    AddHeading("Label8_2", "Slow", 6600, kSubHeadTop, 690);
    AddHeading("Label7", "Reverse", 7560, kSubHeadTop, 240);

    const std::array<QString, 3> axes{"X", "Y", "Z"};
    const std::array<int*, 3> reverse{&m.XReverse, &m.YReverse, &m.ZReverse};
    for (int i = 0; i < 3; ++i) {
        const int top = kRowTop[static_cast<std::size_t>(i)];
        const auto a = static_cast<std::size_t>(i);
        AddLabel(this, QString("Label3_%1").arg(i), axes[a], 480, top + kLabelDrop, 300);
        AddCombo(QString("Combo7_%1").arg(i), m.Combo7[a], {}, 840, top, 855);
        AddCombo(QString("Combo2_%1").arg(i), m.Combo2[a], {}, 1800, top, 735);
        AddCombo(QString("Combo1_%1").arg(2 * i), m.Combo1[2 * a], kDataPins, 2640, top, 735);
        AddCombo(QString("Combo1_%1").arg(2 * i + 1), m.Combo1[2 * a + 1], kDataPins, 3480, top, 735);
        AddCombo(QString("Combo8_%1").arg(i), m.Combo8[a], kStatusPins, 4200, top, 735);
        for (int rate = 0; rate < 3; ++rate) {
            const int index = 3 * i + rate;
            AddCombo(QString("Combo3_%1").arg(index), m.Combo3[static_cast<std::size_t>(index)], {}, 5160 + 720 * rate,
                     top, 690);
        }
        AddCheck(QString("%1Reverse").arg(axes[a]), *reverse[a], QString(), 7560, top + kLabelDrop, 300);
    }
}

// Below the grid: tool-change position on the left, switch enables and Z moves in the middle,
// unit and pulse width on the right.
void SettingsDialog::BuildLowerPart() {
    SettingsModel& m = cnc_.settings;
    AddLabel(this, "Label12", "Tool Change Pos.", kCaptionLeft, 2160, 1700);
    const std::array<QString, 3> axes{"X-Axis", "Y-Axis", "Z-Axis"};
    for (int i = 0; i < 3; ++i) {
        const auto a = static_cast<std::size_t>(i);
        const int top = 2520 + 600 * i;
        AddLabel(this, QString("Label11_%1").arg(i), axes[a], kCaptionLeft, top + kLabelDrop, 720);
        AddCombo(QString("Combo6_%1").arg(i), m.Combo6[a], {}, 840, top, 855);
    }
    AddLabel(this, "Label19", "Rel/Abs", kCaptionLeft, 4320 + kLabelDrop, 720);
    AddCombo("Combo9", m.Combo9, {"Rel.", "Abs."}, 840, 4320, 855);

    AddCheck("Check1_0", m.Check1[0], "Enable Home Switch", 2040, 2160, 2100);
    AddCheck("Check1_1", m.Check1[1], "Enable Limit Switch", 2040, 2640, 2100);
    AddLabel(this, "Label22", "Limit switch", 4200, 2100, 1800);
    AddLabel(this, "Label23", "Pin Number", 4200, 2310, 1800);
    AddCombo("Combo8_3", m.Combo8[3], kStatusPins, 4200, 2550, 735);

    // The captions of the Z moves take two lines, "Z-axis move" over its kind, centred on their row.
    AddLabel(this, "Label14_0", "Z-axis move (Homing)", 2040, 3240 - kLabelDrop, 1200, 450)->setWordWrap(true);
    AddCombo("Combo5", m.Combo5, {"Limit switch", "Relative", "Absolute", "None"}, 3720, 3240, 1290);
    AddText("Text1", m.Text1, 5040, 3240, 735);
    label18_ = AddLabel(this, "Label18", Q(m.Label18), 5820, 3240 + kLabelDrop, 480);

    AddLabel(this, "Label14_1", "Z-axis move (To line)", 2040, 3840 - kLabelDrop, 1200, 450)->setWordWrap(true);
    AddCombo("Combo10", m.Combo10, {"Relative", "Absolute"}, 3720, 3840, 1290);
    AddText("Text2", m.Text2, 5040, 3840, 735);
    label24_ = AddLabel(this, "Label24", Q(m.Label24), 5820, 3840 + kLabelDrop, 480);

    // The switch pins of the file's lines 22 to 25 are kept as they are, but the machine reads its
    // switches on the lines machine.cfg names: the combos show those, read-only, and say where
    // they are set.
    for (int i = 0; i < 4; ++i) {
        findChild<QComboBox*>(QString("Combo8_%1").arg(i))->setEnabled(false);
    }
    switch_pins_ = AddLabel(this, "SwitchPins", QString(), 2040, 4380, 4200, 700);
    switch_pins_->setWordWrap(true);

    AddLabel(this, "Label13", "Pulse Width", 6420, 4590, 1500);
    AddCombo("Combo4", m.Combo4, {}, 6420, 4830, 855);
}

// The two unit options are one group: selecting one deselects the other. The core converts the
// dialog's lengths only when the unit actually changes.
void SettingsDialog::BuildUnitFrame() {
    auto* unit = new QGroupBox("Select Units", this);
    unit->setObjectName("Unit");
    unit->setGeometry(Px(6240), Px(2160), Px(1695), Px(1020));
    optionmm_ = new QRadioButton(unit);
    optionmm_->setObjectName("optionmm");
    optionmm_->setGeometry(Px(240), Px(360), Px(285), Px(285));
    AddLabel(unit, "Label9", "mm", 600, 390, 600);
    optionIn_ = new QRadioButton(unit);
    optionIn_->setObjectName("OptionIn");
    optionIn_->setGeometry(Px(240), Px(660), Px(285), Px(285));
    AddLabel(unit, "Label10", "In", 600, 690, 600);

    connect(optionmm_, &QRadioButton::toggled, this, [this](bool selected) {
        if (selected) {
            cnc_.SetOptionmm(true);
            Refresh();
        }
    });
    connect(optionIn_, &QRadioButton::toggled, this, [this](bool selected) {
        if (selected) {
            cnc_.SetOptionIn(true);
            Refresh();
        }
    });
}

void SettingsDialog::Refresh() {
    const SettingsModel& m = cnc_.settings;
    for (const ComboField& field : combos_) {
        const QString text = Q(*field.text);
        if (field.combo->currentText() == text) {
            continue;
        }
        const QSignalBlocker block(field.combo);
        const int index = field.combo->findText(text);
        if (index >= 0) {
            field.combo->setCurrentIndex(index);
        }
        field.combo->setEditText(text);
        field.combo->lineEdit()->setCursorPosition(0); // a long text shows its beginning
    }
    for (const TextField& field : texts_) {
        const QString text = Q(*field.text);
        if (field.edit->text() != text) {
            const QSignalBlocker block(field.edit);
            field.edit->setText(text);
            field.edit->setCursorPosition(0);
        }
    }
    for (const CheckField& field : checks_) {
        const QSignalBlocker block(field.box);
        ShowCheckState(field.box, *field.state);
    }
    {
        // A file can leave both options off; an exclusive group would refuse to show that.
        const QSignalBlocker block_mm(optionmm_);
        const QSignalBlocker block_in(optionIn_);
        optionmm_->setAutoExclusive(false);
        optionIn_->setAutoExclusive(false);
        optionmm_->setChecked(m.optionmm);
        optionIn_->setChecked(m.OptionIn);
        optionmm_->setAutoExclusive(true);
        optionIn_->setAutoExclusive(true);
    }
    label4_->setText(Q(m.Label4));
    label18_->setText(Q(m.Label18));
    label24_->setText(Q(m.Label24));
    {
        const tamo::MachineSetup& setup = cnc_.setup;
        const std::array<const tamo::SwitchLine*, 4> in_force{&setup.home[0], &setup.home[1], &setup.home[2],
                                                              &setup.limit};
        const QString where = QStringLiteral("Set in Setup > Machine (machine.cfg: limit_pin, home_pin_x, "
                                             "home_pin_y, home_pin_z)");
        for (std::size_t i = 0; i < in_force.size(); ++i) {
            auto* combo = findChild<QComboBox*>(QString("Combo8_%1").arg(i));
            const QSignalBlocker block(combo);
            combo->setEditText(QString::number(in_force[i]->pin));
            combo->setToolTip(where);
        }
        switch_pins_->setText(QStringLiteral("Switch pins in force: ") + Q(tamo::machine::SwitchPinsText(setup)) +
                              QStringLiteral(". ") + where + ".");
    }

    if (m.Visible && !isVisible()) {
        ShowOverOwner(*this);
    } else if (!m.Visible && isVisible()) {
        hide();
    }
}

// A refused "Ok" has told the operator which field is wrong; the window stays open for the fix.
// The main window shows what the new settings changed.
void SettingsDialog::Ok() {
    bool saved = false;
    {
        const MessageOwner owner(cnc_.op(), this);
        saved = cnc_.SettingsOk();
    }
    cnc_.op().ModelsChanged();
    Refresh();
    if (!saved) {
        for (const ComboField& field : combos_) {
            if (field.text == cnc_.settings.Refused) {
                FocusRefused(field.combo);
            }
        }
        for (const TextField& field : texts_) {
            if (field.text == cnc_.settings.Refused) {
                FocusRefused(field.edit);
            }
        }
    }
}

void SettingsDialog::Cancel() {
    cnc_.SettingsCancel();
    Refresh();
}

void SettingsDialog::closeEvent(QCloseEvent* event) {
    // Accepted, so that the close of every window when the program ends is never refused; closing
    // only hides a window that is not deleted on close.
    event->accept();
    Cancel();
}

} // namespace tamo::ui
