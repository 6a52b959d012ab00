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

// Every field of the file, in its order, with its unit and its choices (none: free text).
struct FieldInfo {
    const char* unit;
    QStringList choices;
};

std::array<FieldInfo, machine::kKeys> Fields() {
    const QStringList pins{"none", "1", "2", "3", "4", "5", "6", "7", "8", "9", "14", "16", "17"};
    const QStringList direction{"-", "+"};
    QStringList switches;
    for (const char* pin : {"10", "11", "12", "13", "15"}) {
        switches << QString("%1 low").arg(pin) << QString("%1 high").arg(pin);
    }
    return {{
        {"mm", {}},
        {"mm", {}},
        {"mm", {}},
        {"mm", {}},
        {"mm", {}},
        {"mm", {}},
        {"direction", direction},
        {"direction", direction},
        {"direction", direction},
        {"order", {"together", "one after the other"}},
        {"mm (empty: travel + 10 %)", {}},
        {"pin", pins},
        {"pin", pins},
        {"pin", pins},
        {"pin", pins},
        {"s", {}},
        {"level", {"none", "low", "high"}},
        {"mm/min", {}},
        {"mm", {}},
        {"mm", {}},
        {"mm", {}},
        {"pin, level", switches},
        {"pin, level", switches},
        {"pin, level", switches},
        {"pin, level", switches},
        {"mm/s^2 (empty: ramps)", {}},
        {"mm/s^2 (empty: ramps)", {}},
        {"mm/s^2 (empty: ramps)", {}},
        {"mm", {}},
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
        auto* unit = new QLabel(QLatin1String(info.unit), this);
        unit->setObjectName(name + QStringLiteral("_unit"));
        auto* row = new QHBoxLayout;
        row->addWidget(widget, 1);
        row->addWidget(unit);
        form->addRow(QLatin1String(machine::Caption(i)), row);
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
    if (cnc_.machine_page.Visible && !isVisible()) {
        ShowOverOwner(*this); // opens centred over the frame, as the other dialogs do
    } else if (!cnc_.machine_page.Visible) {
        hide();
    }
}

} // namespace tamo::ui
