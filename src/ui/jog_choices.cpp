// The jogging group's increments and its "Keyboard jog" toggle, below the speed options.

#include "interpreter/cnc.h"
#include "interpreter/numbers.h"
#include "ui/control_panel.h"
#include "ui/controls.h"
#include "ui/twips.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QSignalBlocker>

namespace tamo::ui {

void ControlPanel::BuildJogChoices(QGroupBox* group) {
    const QFont plain = ui::Plain(font());
    for (int i = 0; i < 4; ++i) {
        const auto k = static_cast<std::size_t>(i);
        jog_step_[k] = AddOption(group, Indexed("JogStep", i), QString(), Twips(120 + 660 * i, 2700, 660, 240));
        jog_step_[k]->setFont(plain);
        connect(jog_step_[k], &QRadioButton::toggled, this, [this, i](bool selected) {
            if (selected) {
                Act([this, i] { cnc_.SelectJogIncrement(i); });
            }
        });
    }
    keyboard_jog_ = new QCheckBox(QStringLiteral("Keyboard jog"), group);
    keyboard_jog_->setObjectName(QStringLiteral("KeyboardJog"));
    keyboard_jog_->setFont(plain);
    keyboard_jog_->setGeometry(Twips(240, 2970, 2295, 240));
    keyboard_jog_->setToolTip(QStringLiteral("Arrows jog X and Y, Page Up and Page Down jog Z, with Shift at the fast "
                                             "rate; releasing the key stops the axis"));
    connect(keyboard_jog_, &QCheckBox::clicked, this,
            [this](bool on) { Act([this, on] { cnc_.SetKeyboardJog(on); }); });
}

void ControlPanel::RefreshJogChoices() {
    const QString unit = QString::fromStdString(cnc_.status.Unit);
    for (int i = 0; i < 4; ++i) {
        QRadioButton* option = jog_step_[static_cast<std::size_t>(i)];
        const QString caption = QString::fromStdString(FormatNumber(cnc_.JogIncrementDistance(i)));
        if (option->text() != caption) {
            option->setText(caption);
            option->setToolTip(QStringLiteral("Each press jogs ") + caption + QLatin1Char(' ') + unit);
        }
        ShowOption(option, cnc_.main.JogIncrement == i);
    }
    if (keyboard_jog_->isChecked() != cnc_.main.KeyboardJog) {
        const QSignalBlocker block(keyboard_jog_);
        keyboard_jog_->setChecked(cnc_.main.KeyboardJog);
    }
}

} // namespace tamo::ui
