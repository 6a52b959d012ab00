#include "ui/controls.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalBlocker>

namespace tamo::ui {
namespace {

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

} // namespace

QString Indexed(const char* name, int index) {
    return QLatin1String(name) + QLatin1Char('_') + QString::number(index);
}

QFont Plain(QFont font) {
    font.setBold(false);
    return font;
}

QFont Bold(QFont font, double point_size) {
    font.setBold(true);
    if (point_size > 0) {
        font.setPointSizeF(point_size);
    }
    return font;
}

void PressButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        QPushButton::mousePressEvent(event);
    } else {
        event->accept();
    }
    if (on_press) {
        on_press(ButtonCode(event->button()));
    }
}

void PressButton::mouseReleaseEvent(QMouseEvent* event) {
    if (on_release) {
        on_release(ButtonCode(event->button()));
    }
    if (event->button() == Qt::LeftButton) {
        QPushButton::mouseReleaseEvent(event);
    } else {
        event->accept();
    }
}

QLabel* AddLabel(QWidget* parent, const QString& name, const QString& caption, QRect where) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setGeometry(where);
    return label;
}

QRadioButton* AddOption(QWidget* parent, const QString& name, const QString& caption, QRect where) {
    auto* option = new QRadioButton(caption, parent);
    option->setObjectName(name);
    option->setGeometry(where);
    return option;
}

void AddRule(QWidget* parent, const QString& name, QRect where, bool horizontal) {
    auto* line = new QFrame(parent);
    line->setObjectName(name);
    line->setFrameShape(horizontal ? QFrame::HLine : QFrame::VLine);
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

void SetUpBar(QFrame& bar, const QString& name) {
    bar.setObjectName(name);
    bar.setFrameStyle(QFrame::Panel | QFrame::Raised);
    bar.setAutoFillBackground(true);
    bar.setBackgroundRole(QPalette::Window);
}

void ShowOverOwner(QWidget& window) {
    if (!window.isVisible()) {
        if (const QWidget* owner = window.parentWidget(); owner != nullptr) {
            if (!window.testAttribute(Qt::WA_Resized)) {
                window.adjustSize(); // the size its layout gives, not the default, before it is centred
            }
            const QRect frame = owner->window()->frameGeometry();
            window.move(frame.center() - QPoint(window.width() / 2, window.height() / 2));
        }
        window.show();
    }
    window.raise();
    window.activateWindow();
}

void FocusRefused(QWidget* field) {
    if (field == nullptr) {
        return;
    }
    field->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(field)) {
        edit->selectAll();
    } else if (auto* combo = qobject_cast<QComboBox*>(field); combo != nullptr && combo->lineEdit() != nullptr) {
        combo->lineEdit()->selectAll();
    }
}

} // namespace tamo::ui
