// The scale window: four factor fields and the buttons that fill, keep or restore them. What the
// buttons mean lives in the core; this window only shows cnc.scale and passes the clicks on.

#include "ui/scale_dialog.h"
#include "ui/twips.h"

#include "interpreter/cnc.h"
#include "ui/controls.h"
#include "ui/qt_operator.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace tamo::ui {
namespace {

// A combo box without list items serves as a plain entry field: no arrow that would open an
// empty list, and the room goes to the text.
const char* const kEntryFieldLook =
    "QComboBox { padding-right: 0px; } QComboBox::drop-down { width: 0px; border: 0px; } "
    "QComboBox::down-arrow { image: none; width: 0px; }";

// A square button whose caption wraps onto as many lines as it needs. text() stays the caption
// as written.
class WrappingButton : public QPushButton {
public:
    WrappingButton(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        option.text.clear();
        painter.drawControl(QStyle::CE_PushButton, option);
        const QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
        painter.drawItemText(area, Qt::AlignCenter | Qt::TextWordWrap, palette(), isEnabled(), text(),
                             QPalette::ButtonText);
    }
};

struct Row {
    const char* caption;
    int label_top;
    int field_top;
};
constexpr std::array<Row, 4> kRows{{
    {"Scale Factor Feedrate", 360, 285},
    {"Scale Factor X-Axis", 870, 795},
    {"Scale Factor Y-Axis", 1365, 1320},
    {"Scale Factor Z-Axis", 1875, 1800},
}};

} // namespace

ScaleDialog::ScaleDialog(tamo::Cnc& cnc, QWidget* parent) : QWidget(parent, Qt::Tool), cnc_(cnc) {
    setObjectName("ScaleForm");
    setWindowTitle("Scale Factors");
    UseLayoutFont(*this);
    setFixedSize(Px(4680), Px(3195));

    for (std::size_t i = 0; i < kRows.size(); ++i) {
        const Row& row = kRows[i];
        auto* label = new QLabel(row.caption, this);
        label->setObjectName(QString("Label1_%1").arg(i));
        label->setGeometry(Px(120), Px(row.label_top), Px(2460), Px(240));
        auto* combo = new QComboBox(this);
        combo->setObjectName(QString("Combo1_%1").arg(i));
        combo->setEditable(true);
        combo->setCompleter(nullptr);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->setStyleSheet(kEntryFieldLook);
        combo->setGeometry(Px(2640), Px(row.field_top), Px(855), combo->sizeHint().height());
        std::string* model = &cnc_.scale.Combo1[i];
        connect(combo, &QComboBox::currentTextChanged, this,
                [model](const QString& typed) { *model = typed.toStdString(); });
        combo1_[i] = combo;
    }

    auto* in_to_mm = new WrappingButton("Converts all from   In to mm", this);
    in_to_mm->setObjectName("Command4");
    in_to_mm->setGeometry(Px(3600), Px(240), Px(855), Px(855));
    connect(in_to_mm, &QPushButton::clicked, this, [this] { Call(&Cnc::ScaleInToMm); });
    auto* mm_to_in = new WrappingButton("Converts all from mm to In", this);
    mm_to_in->setObjectName("Command5");
    mm_to_in->setGeometry(Px(3600), Px(1320), Px(855), Px(855));
    connect(mm_to_in, &QPushButton::clicked, this, [this] { Call(&Cnc::ScaleMmToIn); });

    auto* ok = new QPushButton("Ok", this);
    ok->setObjectName("Command2");
    ok->setGeometry(Px(619), Px(2640), Px(1095), Px(375));
    // A refused factor has been named to the operator and the window stays open. After "Ok" the
    // positions are reset and the toolpath redrawn, which the main window shows.
    connect(ok, &QPushButton::clicked, this, [this] {
        bool applied = false;
        {
            const MessageOwner owner(cnc_.op(), this);
            applied = cnc_.ScaleOk();
        }
        cnc_.op().ModelsChanged();
        Refresh();
        if (!applied && cnc_.scale.Refused >= 0) {
            FocusRefused(combo1_[static_cast<std::size_t>(cnc_.scale.Refused)]);
        }
    });
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("Command3");
    cancel->setGeometry(Px(1852), Px(2640), Px(1095), Px(375));
    connect(cancel, &QPushButton::clicked, this, [this] { Call(&Cnc::ScaleCancel); });
    auto* by_default = new QPushButton("Default", this);
    by_default->setObjectName("Command1");
    by_default->setGeometry(Px(3086), Px(2640), Px(1095), Px(375));
    connect(by_default, &QPushButton::clicked, this, [this] { Call(&Cnc::ScaleDefault); });

    Refresh();
}

void ScaleDialog::Call(void (tamo::Cnc::*procedure)()) {
    (cnc_.*procedure)();
    Refresh();
}

void ScaleDialog::Refresh() {
    for (std::size_t i = 0; i < combo1_.size(); ++i) {
        const QString text = QString::fromStdString(cnc_.scale.Combo1[i]);
        if (combo1_[i]->currentText() != text) {
            const QSignalBlocker block(combo1_[i]);
            combo1_[i]->setEditText(text);
            combo1_[i]->lineEdit()->setCursorPosition(0); // a long text shows its beginning
        }
    }
    if (cnc_.scale.Visible && !isVisible()) {
        ShowOverOwner(*this);
    } else if (!cnc_.scale.Visible && isVisible()) {
        hide();
    }
}

// Every activation, also a return from another window while the dialog stays open, saves the
// texts that "Cancel" restores. Coming back from a message of this program that stood over the
// dialog (a refused "Ok", a tool change during a run) is no such return: it would save the very
// texts that were just refused. Losing the activation does nothing.
bool ScaleDialog::event(QEvent* event) {
    if (event->type() == QEvent::WindowDeactivate) {
        const QWidget* modal = QApplication::activeModalWidget();
        behind_message_ = modal != nullptr && modal != this;
    } else if (event->type() == QEvent::WindowActivate) {
        if (!behind_message_) {
            cnc_.ScaleActivated();
        }
        behind_message_ = false;
    }
    return QWidget::event(event);
}

void ScaleDialog::closeEvent(QCloseEvent* event) {
    // Accepted, so that the close of every window when the program ends is never refused; closing
    // only hides a window that is not deleted on close.
    event->accept();
    Call(&Cnc::ScaleCancel);
}

} // namespace tamo::ui
