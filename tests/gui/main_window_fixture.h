#pragma once

// The controller with its frame on the offscreen platform, offline on a simulated port with a
// clock that never waits, its configuration in a folder of its own and an operator who answers
// from a script; and the mouse as the operator uses it.

#include "gui_fixture.h"
#include "ui/main_window.h"
#include "ui/qt_operator.h"
#include "ui/qt_surface.h"
#include "ui/velmor_view.h"

#include <QAbstractItemView>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

namespace tamo::test {

inline void SendMouse(QWidget* widget, QEvent::Type type, Qt::MouseButton button) {
    const QPointF centre(widget->width() / 2.0, widget->height() / 2.0);
    QMouseEvent event(type, centre, widget->mapToGlobal(centre), button,
                      type == QEvent::MouseButtonPress ? button : Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

// A press whose release is already waiting in the event queue: a continuous jog must end when
// its loop delivers the release.
inline void PressAndRelease(QWidget* widget, Qt::MouseButton button) {
    const QPointF centre(widget->width() / 2.0, widget->height() / 2.0);
    QCoreApplication::postEvent(widget, new QMouseEvent(QEvent::MouseButtonRelease, centre, widget->mapToGlobal(centre),
                                                        button, Qt::NoButton, Qt::NoModifier));
    SendMouse(widget, QEvent::MouseButtonPress, button);
    QCoreApplication::processEvents();
}

inline bool Done(const ui::QtOperator& op) {
    return std::any_of(op.messages().begin(), op.messages().end(),
                       [](const auto& message) { return message.text == "File succesfully processed"; });
}

// The controller with its windows, offline on a simulated port with a clock that never waits,
// its configuration in a folder of its own and an operator who answers from a script.
class MainWindowTest : public ::testing::Test, WithApplication {
protected:
    MainWindowTest() {
        op_.set_scripted(true);
        cnc_.ConfigPath = dir_ / "tamo.cfg";
        cnc_.StartUp(true);
        window_ = std::make_unique<ui::MainWindow>(cnc_, op_, surface_);
        window_->set_end_process([this] { ++ends_; });
        window_->resize(8880 / 15, 6090 / 15);
        window_->show();
        QApplication::setActiveWindow(window_.get());
        window_->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    }

    // A button pressed with the mouse on the panel page it sits on, which the operator picks first.
    void Click(QAbstractButton* button) {
        for (int page = 0; page < 5; ++page) {
            const auto* group = Find<QWidget>(*window_, ("Frame1_" + std::to_string(page)).c_str());
            if (group->isAncestorOf(button) && !group->isVisible()) {
                test::Click(*window_, ("Command4_" + std::to_string(page)).c_str());
            }
        }
        ASSERT_TRUE(button->isVisible() && button->isEnabled()) << button->objectName().toStdString();
        QTest::mouseClick(button, Qt::LeftButton);
    }
    void Click(const QObject& window, const char* name) { Click(Find<QAbstractButton>(window, name)); }

    void Open(const std::string& path) {
        op_.set_next_files({path});
        Trigger(*window_, "Open_Menu");
    }

    // "Execute Program" until the program reports its end; a tool change stops the run on the way.
    void RunToEnd() {
        for (int start = 0; start < 5 && !Done(op_); ++start) {
            Click(*window_, "Command7");
        }
        ASSERT_TRUE(Done(op_));
    }

    // Runs the action at the operator's n-th yield, as a click that arrives during a run.
    void AtYield(std::uint64_t n, const std::function<void()>& action) {
        op_.set_yield_hook([n, action](std::uint64_t count) {
            if (count == n) {
                action();
            }
        });
    }

    // Right-clicks the listing's line and clicks the item in the menu that opens there.
    void ChooseOnLine(int line, const char* caption) {
        auto* listing = Find<QAbstractItemView>(*window_, "ProgramListing");
        const QPoint at = listing->visualRect(listing->model()->index(line - 1, 0)).center();
        bool chosen = false;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr) << "no menu opened";
            for (QAction* item : menu->actions()) {
                if (item->text() == QLatin1String(caption)) {
                    chosen = true;
                    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
                }
            }
            if (menu->isVisible()) {
                menu->close();
            }
        });
        // The right button's press selects the line; the window system then asks for its menu.
        QTest::mousePress(listing->viewport(), Qt::RightButton, {}, at);
        QContextMenuEvent menu_asked(QContextMenuEvent::Mouse, at, listing->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(listing->viewport(), &menu_asked);
        QTest::mouseRelease(listing->viewport(), Qt::RightButton, {}, at);
        QCoreApplication::processEvents();
        EXPECT_TRUE(chosen) << caption << " is not in the listing's menu";
    }

    // The X and Y readouts of "PrgOutlbl" or "MachOutLl".
    std::string XY(const std::string& row) const {
        return Text(*window_, (row + "_0").c_str()) + " " + Text(*window_, (row + "_1").c_str());
    }

    // Whether a line of this colour passes within a pixel of the world point: the painter rounds
    // a line that falls between two pixels to either of them.
    bool Near(double x, double y, QRgb colour) const {
        const QPointF at = surface_.ToPixel(x, y);
        return ColourNear(surface_.image(), QPoint(static_cast<int>(at.x()), static_cast<int>(at.y())), colour);
    }

    ScratchDir dir_;
    SimulatedPort port_;
    FakeClock clock_;
    ui::QtOperator op_;
    ui::QtSurface surface_;
    Cnc cnc_{port_, clock_, op_, surface_};
    std::unique_ptr<ui::MainWindow> window_;
    int ends_ = 0;
};

} // namespace tamo::test
