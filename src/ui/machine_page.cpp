#include "ui/machine_page.h"

#include "interpreter/cnc.h"
#include "ui/controls.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>

namespace tamo::ui {
namespace {

// Every field of the file, in its order, with the operator's caption, its unit and its choices
// (none: free text).
struct FieldInfo {
    const char* caption;
    const char* unit;
    QStringList choices;
};

std::array<FieldInfo, machine::kKeys> Fields() {
    const QStringList pins{"none", "1", "2", "3", "4", "5", "6", "7", "8", "9", "14", "16", "17"};
    const QStringList direction{"-", "+"};
    return {{
        {"Travel X minimum", "mm", {}},
        {"Travel X maximum", "mm", {}},
        {"Travel Y minimum", "mm", {}},
        {"Travel Y maximum", "mm", {}},
        {"Travel Z minimum", "mm", {}},
        {"Travel Z maximum", "mm", {}},
        {"Home switch X seek", "direction", direction},
        {"Home switch Y seek", "direction", direction},
        {"Home switch Z seek", "direction", direction},
        {"Home X and Y", "order", {"together", "one after the other"}},
        {"Home switch search", "mm (empty: travel + 10 %)", {}},
        {"Spindle on (M3, M4)", "pin", pins},
        {"Spindle direction (M4)", "pin", pins},
        {"Flood coolant (M8)", "pin", pins},
        {"Mist coolant (M7)", "pin", pins},
        {"Spin-up", "s", {}},
        {"Probe on pin 15 touches", "level", {"none", "low", "high"}},
        {"Probing feed", "mm/min", {}},
        {"Probing distance", "mm", {}},
        {"Back-off after the touch", "mm", {}},
        {"Plate thickness", "mm", {}},
    }};
}

} // namespace

MachinePage::MachinePage(tamo::Cnc& cnc, QWidget* parent) : QWidget(parent, Qt::Window), cnc_(cnc) {
    setObjectName(QStringLiteral("MachinePage"));
    setWindowTitle(QStringLiteral("Machine"));
    auto* outer = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    outer->addLayout(form);
    const auto infos = Fields();
    for (int i = 0; i < machine::kKeys; ++i) {
        const FieldInfo& info = infos[static_cast<std::size_t>(i)];
        const QString name = QString::fromLatin1(machine::Key(i));
        QWidget* widget = nullptr;
        if (info.choices.isEmpty()) {
            auto* edit = new QLineEdit(this);
            edit->setAlignment(Qt::AlignRight);
            connect(edit, &QLineEdit::textEdited, this,
                    [this, i](const QString& text) { machine::Field(cnc_.machine_page, i) = text.toStdString(); });
            widget = edit;
        } else {
            auto* combo = new QComboBox(this);
            combo->addItems(info.choices);
            connect(combo, &QComboBox::textActivated, this,
                    [this, i](const QString& text) { machine::Field(cnc_.machine_page, i) = text.toStdString(); });
            widget = combo;
        }
        widget->setObjectName(name);
        auto* row = new QHBoxLayout;
        row->addWidget(widget, 1);
        row->addWidget(new QLabel(QLatin1String(info.unit), this));
        form->addRow(QLatin1String(info.caption), row);
        fields_.push_back({widget, i});
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("MachineOk"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("MachineCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        cnc_.MachinePageOk();
        for (const Field& f : fields_) {
            if (cnc_.machine_page.Refused == &machine::Field(cnc_.machine_page, f.index)) {
                f.widget->setFocus();
            }
        }
    });
    connect(buttons, &QDialogButtonBox::rejected, this, [this] { cnc_.MachinePageCancel(); });
    outer->addWidget(buttons);
    Refresh();
}

void MachinePage::Refresh() {
    for (const Field& f : fields_) {
        const QString text = QString::fromStdString(machine::Field(cnc_.machine_page, f.index));
        if (auto* edit = qobject_cast<QLineEdit*>(f.widget)) {
            ShowText(edit, machine::Field(cnc_.machine_page, f.index));
        } else if (auto* combo = qobject_cast<QComboBox*>(f.widget); combo != nullptr && combo->currentText() != text) {
            combo->setCurrentText(text);
        }
    }
    setVisible(cnc_.machine_page.Visible);
}

} // namespace tamo::ui
