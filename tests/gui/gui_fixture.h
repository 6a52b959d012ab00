#pragma once

// The GUI tests' common ground: one application for the whole executable, controls found by
// object name, typing key by key, and pictures saved into the screens folder of the build.

#include "../test_machine.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <clocale>
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

// The left mouse button pressed and released on the button, which must be shown and usable.
inline void Click(const QObject& window, const char* name) {
    auto* button = Find<QAbstractButton>(window, name);
    ASSERT_TRUE(button->isVisible() && button->isEnabled()) << name << " cannot be pressed";
    QTest::mouseClick(button, Qt::LeftButton);
}

inline void Trigger(const QObject& window, const char* name) {
    Find<QAction>(window, name)->trigger();
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

inline void SaveScreen(QWidget& window, const std::string& file) {
    const fs::path folder = TAMO_SCREENS_DIR;
    fs::create_directories(folder);
    EXPECT_TRUE(window.grab().save(QString::fromStdString((folder / file).string())));
}

} // namespace tamo::test
