// The coordinate window: three fields, a zero button beside each, "OK", "Cancel" and "Zero all".
// It shows cnc.coord; what the fields are read as, and which set of positions "OK" writes, is the
// core's business.

#include "ui/coordinate_dialog.h"
#include "ui/twips.h"

#include "interpreter/cnc.h"
#include "ui/controls.h"
#include "ui/qt_operator.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

namespace tamo::ui {
namespace {

// A combo box without list items serves as a plain entry field: no arrow that would open an
// empty list, and the room goes to the text.
const char* const kEntryFieldLook =
    "QComboBox { padding-right: 0px; } QComboBox::drop-down { width: 0px; border: 0px; } "
    "QComboBox::down-arrow { image: none; width: 0px; }";

constexpr std::array<const char*, 3> kAxes{"X", "Y", "Z"};
constexpr std::array<int, 3> kLabelTops{525, 1005, 1485};
constexpr std::array<int, 3> kFieldTops{510, 990, 1470};
constexpr std::array<int, 3> kZeroTops{480, 960, 1440};
// Wide enough for a signed four-digit coordinate with its four decimals; the zero buttons start
// at 2580.
constexpr int kFieldWidth = 1200;

} // namespace

CoordinateDialog::CoordinateDialog(tamo::Cnc& cnc, QWidget* parent) : QWidget(parent, Qt::Tool), cnc_(cnc) {
    setObjectName("Set_Prg_cord");
    setFixedSize(Px(3975), Px(3195));
    UseLayoutFont(*this);

    QFont axis_font("Arial", 12);
    axis_font.setBold(true);
    for (std::size_t i = 0; i < combo1_.size(); ++i) {
        auto* label = new QLabel(kAxes[i], this);
        label->setObjectName(QString("Label1_%1").arg(i));
        label->setFont(axis_font);
        label->setGeometry(Px(660), Px(kLabelTops[i]), Px(375), Px(330));

        auto* combo = new QComboBox(this);
        combo->setObjectName(QString("Combo1_%1").arg(i));
        combo->setEditable(true);
        combo->setCompleter(nullptr);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setStyleSheet(kEntryFieldLook);
        combo->setGeometry(Px(1140), Px(kFieldTops[i]), Px(kFieldWidth), combo->sizeHint().height());
        std::string* model = &cnc_.coord.Combo1[i];
        connect(combo, &QComboBox::currentTextChanged, this,
                [model](const QString& typed) { *model = typed.toStdString(); });
        // The line edit hands its focus to the combo box, which therefore sees the focus leave.
        combo->installEventFilter(this);
        combo1_[i] = combo;

        auto* zero = new QPushButton(QString("Zero %1").arg(kAxes[i]), this);
        zero->setObjectName(QString("Command4_%1").arg(i));
        zero->setGeometry(Px(2580), Px(kZeroTops[i]), Px(735), Px(375));
        const int index = static_cast<int>(i);
        connect(zero, &QPushButton::clicked, this, [this, index] {
            cnc_.CoordZero(index);
            Refresh();
        });
    }
    setTabOrder(combo1_[0], combo1_[1]);
    setTabOrder(combo1_[1], combo1_[2]);

    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("Command1");
    ok->setGeometry(Px(480), Px(2640), Px(735), Px(375));
    // "OK" writes a set of positions, which the readouts of the main window show.
    connect(ok, &QPushButton::clicked, this, [this] {
        {
            const MessageOwner owner(cnc_.op(), this);
            cnc_.CoordOk();
        }
        cnc_.op().ModelsChanged();
        Refresh();
        if (cnc_.coord.Visible && cnc_.coord.Refused >= 0) {
            FocusRefused(combo1_[static_cast<std::size_t>(cnc_.coord.Refused)]);
        }
    });
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("Command2");
    cancel->setGeometry(Px(1620), Px(2640), Px(735), Px(375));
    connect(cancel, &QPushButton::clicked, this, [this] { Call(&Cnc::CoordCancel); });
    auto* zero_all = new QPushButton("Zero all", this);
    zero_all->setObjectName("Command3");
    zero_all->setGeometry(Px(2760), Px(2640), Px(735), Px(375));
    connect(zero_all, &QPushButton::clicked, this, [this] { Call(&Cnc::CoordZeroAll); });

    Refresh();
}

void CoordinateDialog::Call(void (tamo::Cnc::*procedure)()) {
    (cnc_.*procedure)();
    Refresh();
}

void CoordinateDialog::Refresh() {
    const CoordinateModel& m = cnc_.coord;
    setWindowTitle(QString::fromStdString(m.Caption));
    for (std::size_t i = 0; i < combo1_.size(); ++i) {
        const QString text = QString::fromStdString(m.Combo1[i]);
        if (combo1_[i]->currentText() != text) {
            const QSignalBlocker block(combo1_[i]);
            combo1_[i]->setEditText(text);
            combo1_[i]->lineEdit()->setCursorPosition(0); // a long text shows its beginning
        }
    }
    const bool shown = m.Exists && m.Visible;
    if (shown && !isVisible()) {
        ShowOverOwner(*this);
    } else if (!shown && isVisible()) {
        hide();
    }
}

// Only a move of the focus to another control counts as leaving the field: the opening of its
// list, a switch to another window and the hiding of a discarded dialog do not.
bool CoordinateDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        const bool left = reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason;
        for (std::size_t i = 0; i < combo1_.size(); ++i) {
            if (left && watched == combo1_[i] && cnc_.coord.Exists && cnc_.coord.Visible) {
                cnc_.CoordFieldLeft(static_cast<int>(i));
                Refresh();
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CoordinateDialog::closeEvent(QCloseEvent* event) {
    // Accepted, so that the close of every window when the program ends is never refused; closing
    // only hides a window that is not deleted on close.
    event->accept();
    Call(&Cnc::CoordCancel);
}

} // namespace tamo::ui
