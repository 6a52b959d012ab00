#pragma once

// What every window of ours builds its controls with and shows its model in: named controls at
// their places, fonts that set their weight, texts and options set without echoing back as edits,
// and dialogs shown over their owner.

#include <QFont>
#include <QPushButton>
#include <QRect>
#include <QString>

#include <functional>
#include <string>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMouseEvent;
class QPlainTextEdit;
class QRadioButton;

namespace tamo::ui {

// "Name_3": the object name of index 3 of a control group.
[[nodiscard]] QString Indexed(const char* name, int index);

// A font for a control inside a group box. Its weight is set explicitly: an attribute left unset
// would be inherited from the box, whose title is bold.
[[nodiscard]] QFont Plain(QFont font);
[[nodiscard]] QFont Bold(QFont font, double point_size = 0);

// A button that reports mouse-down and mouse-up of every mouse button, not only the click of the
// left one: a jog runs from the press to the release, whichever button it is. The release is
// reported before the click, as the step controls expect. A press handler may run a whole jog:
// the release then arrives, nested, inside its event processing.
class PressButton final : public QPushButton {
public:
    using QPushButton::QPushButton;

    std::function<void(int)> on_press; // with the button: left 1, right 2, middle 4
    std::function<void(int)> on_release;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

QLabel* AddLabel(QWidget* parent, const QString& name, const QString& caption, QRect where);
QRadioButton* AddOption(QWidget* parent, const QString& name, const QString& caption, QRect where);
void AddRule(QWidget* parent, const QString& name, QRect where, bool horizontal);

template <class Button> Button* AddButton(QWidget* parent, const QString& name, const QString& caption, QRect where) {
    auto* button = new Button(caption, parent);
    button->setObjectName(name);
    button->setGeometry(where);
    button->setAutoDefault(false);
    return button;
}

// A control that already holds the text is left alone, so that the cursor of the one being typed
// in never jumps; the change is not reported back as the operator's edit.
void ShowText(QLineEdit* edit, const std::string& text);
void ShowText(QComboBox* combo, const std::string& text);
void ShowText(QPlainTextEdit* edit, const std::string& text);
void ShowText(QLabel* label, const std::string& text);

// Sets one option of a group without the group's own rule unchecking the others or refusing to
// uncheck the last one: the model says which are selected.
void ShowOption(QRadioButton* option, bool selected);

// A bar of the frame (the control panel, the readout bar): a raised panel on an ordinary window
// surface. Its children would otherwise take the workspace's background role from the frame's
// client area, and with it text colours made for the workspace's dark grey.
void SetUpBar(QFrame& bar, const QString& name);

// Shows a hidden window centred over the window that owns it, raised and activated: a dialog opens
// where the operator is looking.
void ShowOverOwner(QWidget& window);

// Puts the keyboard focus on a field that a refusal named, its text selected for retyping.
void FocusRefused(QWidget* field);

} // namespace tamo::ui
