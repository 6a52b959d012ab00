#pragma once

#include <QObject>

#include <functional>

class QWidget;

namespace tamo {
class Cnc;
}

namespace tamo::ui {

// The keyboard as a jog pendant for the frame: Left / Right jog X, Up / Down jog Y, Page Up /
// Page Down jog Z, Shift for the fast rate; the release of the key stops the axis. It watches the
// application's key events and takes only those keys, only while the frame is the active window
// and no text field has the keyboard (there the arrows move the cursor). The core decides whether
// the key may jog at all ("Keyboard jog" on, the machine still).
class KeyboardJog final : public QObject {
public:
    using Handler = std::function<void(const std::function<void()>&)>;

    KeyboardJog(tamo::Cnc& cnc, QWidget& frame, Handler act);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    tamo::Cnc& cnc_;
    QWidget& frame_;
    Handler act_;
    int held_ = 0; // the JogZ index of the key that jogs now; 0 for none
};

} // namespace tamo::ui
