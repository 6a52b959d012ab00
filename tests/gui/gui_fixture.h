#pragma once

// The GUI tests' common ground: one application for the whole executable, controls found by
// object name, typing key by key, and pictures saved into the screens folder of the build.

#include "../test_machine.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPaintEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <clocale>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

namespace tamo::test {

inline void EnsureApplication() {
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char arg0[] = "gui_tests";
        static char* argv[] = {arg0, nullptr};
        new QApplication(argc, argv);
        std::setlocale(LC_NUMERIC, "C");
    }
}

// A fixture's first base: the application exists before any widget member is built.
struct WithApplication {
    WithApplication() { EnsureApplication(); }
};

template <class T> T* Find(const QObject& window, const char* name) {
    auto* object = window.findChild<T*>(QLatin1String(name));
    if (object == nullptr) {
        throw std::runtime_error(std::string("no control ") + name);
    }
    return object;
}

// What a combo box, a label or a line edit shows.
inline std::string Text(const QWidget& window, const char* name) {
    if (auto* combo = window.findChild<QComboBox*>(QLatin1String(name))) {
        return combo->currentText().toStdString();
    }
    if (auto* label = window.findChild<QLabel*>(QLatin1String(name))) {
        return label->text().toStdString();
    }
    return Find<QLineEdit>(window, name)->text().toStdString();
}

// The caption a control shows: a button's, an action's or a label's text, a group's title; none for
// anything else.
inline std::optional<std::string> Caption(const QObject* o) {
    if (auto* b = qobject_cast<const QAbstractButton*>(o)) {
        return b->text().toStdString();
    }
    if (auto* a = qobject_cast<const QAction*>(o)) {
        return a->text().toStdString();
    }
    if (auto* l = qobject_cast<const QLabel*>(o)) {
        return l->text().toStdString();
    }
    if (auto* g = qobject_cast<const QGroupBox*>(o)) {
        return g->title().toStdString();
    }
    return std::nullopt;
}

// The left mouse button pressed and released on the button, which must be shown and usable.
inline void Click(const QObject& window, const char* name) {
    auto* button = Find<QAbstractButton>(window, name);
    ASSERT_TRUE(button->isVisible() && button->isEnabled()) << name << " cannot be pressed";
    QTest::mouseClick(button, Qt::LeftButton);
}

// The action chosen as the operator chooses it: a click on its menu's title in the menu bar, then
// on its item in the menu that opens. An action that no menu of the bar shows cannot be chosen so.
inline void Trigger(const QObject& window, const char* name) {
    auto* action = Find<QAction>(window, name);
    auto* bar = window.findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr) << "no menu bar";
    for (QAction* title : bar->actions()) {
        QMenu* menu = title->menu();
        if (menu == nullptr || !menu->actions().contains(action)) {
            continue;
        }
        ASSERT_TRUE(title->isVisible() && action->isVisible()) << name << " is not shown";
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(title).center());
        ASSERT_TRUE(menu->isVisible()) << name << ": its menu did not open";
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        if (menu->isVisible()) {
            menu->hide(); // a disabled item leaves its menu open: the operator closes it
        }
        return;
    }
    ADD_FAILURE() << name << " is in no menu of the menu bar";
}

// Key by key, as the operator types, after selecting the whole text.
inline void Type(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    for (const QChar ch : text) {
        const int key = ch.toUpper().unicode();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(edit, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(edit, &release);
    }
}

// Into a line edit, or into a combo box's edit field.
inline void Type(const QWidget& window, const char* name, const QString& text) {
    if (auto* combo = window.findChild<QComboBox*>(QLatin1String(name))) {
        Type(combo->lineEdit(), text);
    } else {
        Type(Find<QLineEdit>(window, name), text);
    }
}

// Whether the picture has a pixel of the colour within `slack` pixels of the point, either way.
inline bool ColourNear(const QImage& image, QPoint at, QRgb colour, int slack = 1) {
    for (int dy = -slack; dy <= slack; ++dy) {
        for (int dx = -slack; dx <= slack; ++dx) {
            if (image.valid(at.x() + dx, at.y() + dy) && image.pixel(at.x() + dx, at.y() + dy) == colour) {
                return true;
            }
        }
    }
    return false;
}

// How many pixels of two pictures differ (all of them when their sizes do); when some do, both are
// saved into the screens folder as NAME.png and NAME_expected.png.
inline int DifferingPixels(const QImage& got, const QImage& expected, const std::string& name) {
    if (got.size() != expected.size()) {
        return got.width() * got.height() + 1;
    }
    int differ = 0;
    for (int y = 0; y < got.height(); ++y) {
        for (int x = 0; x < got.width(); ++x) {
            differ += got.pixel(x, y) != expected.pixel(x, y) ? 1 : 0;
        }
    }
    if (differ > 0) {
        const fs::path folder = TAMO_SCREENS_DIR;
        fs::create_directories(folder);
        got.save(QString::fromStdString((folder / (name + ".png")).string()));
        expected.save(QString::fromStdString((folder / (name + "_expected.png")).string()));
    }
    return differ;
}

// Calls `painted` with the region of every paint of the widget: what the operator's screen is
// brought up to date with, and when.
class PaintWatch : public QObject {
public:
    PaintWatch(QWidget* widget, std::function<void(const QRegion&)> painted) : painted_(std::move(painted)) {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted_(static_cast<QPaintEvent*>(event)->region());
        }
        return false;
    }

private:
    std::function<void(const QRegion&)> painted_;
};

inline void SaveScreen(QWidget& window, const std::string& file) {
    const fs::path folder = TAMO_SCREENS_DIR;
    fs::create_directories(folder);
    EXPECT_TRUE(window.grab().save(QString::fromStdString((folder / file).string())));
}

} // namespace tamo::test
