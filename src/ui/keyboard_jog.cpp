#include "ui/keyboard_jog.h"

#include "interpreter/cnc.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace tamo::ui {
namespace {

// The JogZ index a key jogs like; 0 for a key that does not jog.
int JogIndexOf(int key) {
    switch (key) {
    case Qt::Key_Left:
        return 2; // "X -"
    case Qt::Key_Right:
        return 4; // "X +"
    case Qt::Key_Up:
        return 3; // "Y +"
    case Qt::Key_Down:
        return 5; // "Y -"
    case Qt::Key_PageUp:
        return 6; // "Z +"
    case Qt::Key_PageDown:
        return 1; // "Z -"
    default:
        return 0;
    }
}

bool TakesText(const QWidget* widget) {
    if (widget == nullptr) {
        return false;
    }
    const auto* combo = qobject_cast<const QComboBox*>(widget);
    return qobject_cast<const QLineEdit*>(widget) != nullptr ||
           qobject_cast<const QPlainTextEdit*>(widget) != nullptr ||
           qobject_cast<const QTextEdit*>(widget) != nullptr ||
           qobject_cast<const QAbstractSpinBox*>(widget) != nullptr || (combo != nullptr && combo->isEditable());
}

} // namespace

KeyboardJog::KeyboardJog(tamo::Cnc& cnc, QWidget& frame, Handler act)
    : QObject(&frame), cnc_(cnc), frame_(frame), act_(std::move(act)) {}

bool KeyboardJog::eventFilter(QObject* watched, QEvent* event) {
    const bool press = event->type() == QEvent::KeyPress;
    if (!press && event->type() != QEvent::KeyRelease) {
        return false;
    }
    auto* key = static_cast<QKeyEvent*>(event);
    const int index = JogIndexOf(key->key());
    // Every widget on the way sees the event; the frame's own window acts once, at the widget
    // that has the focus.
    QWidget* target = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : &frame_;
    if (index == 0 || !cnc_.main.KeyboardJog || watched != target || QApplication::activeWindow() != &frame_ ||
        TakesText(target)) {
        return false;
    }
    if (key->isAutoRepeat()) {
        return true; // a held key is one press and one release
    }
    if (!press) {
        if (index == held_) {
            held_ = 0;
            act_([this, index] { cnc_.JogReleased(index, 1); });
        }
        return true;
    }
    if (held_ != 0) {
        return true; // one axis at a time
    }
    held_ = index;
    const bool fast = (key->modifiers() & Qt::ShiftModifier) != 0;
    bool jogged = false;
    act_([this, index, fast, &jogged] { jogged = cnc_.JogKeyPressed(index, fast); });
    if (!jogged) {
        held_ = 0; // refused: its release has nothing to stop
    }
    return jogged;
}

} // namespace tamo::ui
