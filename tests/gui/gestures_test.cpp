// Every function of the frame reached as the operator reaches it: a menu of the menu bar opened with
// the mouse and its item clicked (the fixture's Trigger does that for every test), a line of the
// program listing right-clicked and "Run from here" clicked in the menu that opens, and every
// keyboard shortcut pressed. The table controls/gestures.txt names, for each action of the frame,
// where the operator finds it and what shows that it acted; an action the frame gains without a row
// fails the first test.

#include "../golden_rows.h"
#include "main_window_fixture.h"

#include <set>
#include <string>
#include <vector>

namespace tamo {
namespace {

using namespace test;

class Gestures : public MainWindowTest {
protected:
    bool Shown(const char* name) const { return Find<QWidget>(*window_, name)->isVisible(); }
};

// Where each action stands: its menu, its caption and its shortcut as the table says; and no action of
// the frame without a row.
TEST_F(Gestures, EveryActionOfTheFrameHasAGestureThatReachesIt) {
    const std::vector<Row> gestures = GoldenRows("controls/gestures.txt");
    for (int i = 0; i < 5; ++i) {
        Open(ProgramFile("G01 X" + std::to_string(i + 1) + " F100\n")); // the recent programs shown
    }
    std::vector<std::string> missing;
    for (QAction* action : window_->findChildren<QAction*>()) {
        const std::string name = action->objectName().toStdString();
        if (action->isSeparator() || action->menu() != nullptr) {
            continue; // a menu's own title is clicked on the bar
        }
        const bool recent = name.rfind("Recent_", 0) == 0; // one row for the five, their captions the files'
        const auto row = std::find_if(gestures.begin(), gestures.end(),
                                      [&](auto& g) { return (recent ? std::string("Recent_") : name) == g[0]; });
        if (row == gestures.end()) {
            missing.push_back(name + " \"" + action->text().toStdString() + "\"");
            continue;
        }
        SCOPED_TRACE(name);
        EXPECT_EQ(recent ? "" : action->text().toStdString(), (*row)[2]);
        EXPECT_EQ(action->shortcut().toString().toStdString(), (*row)[3]);
        const QWidget* holder = nullptr;
        for (QObject* w : action->associatedObjects()) {
            if (auto* menu = qobject_cast<QMenu*>(w)) {
                holder = menu->menuAction()->associatedObjects().isEmpty() ? nullptr : menu;
                EXPECT_EQ(menu->title().toStdString(), (*row)[1]);
            } else if (auto* widget = qobject_cast<QWidget*>(w);
                       widget && widget->objectName().toStdString() == (*row)[1]) {
                holder = widget;
                EXPECT_EQ(widget->contextMenuPolicy(), Qt::ActionsContextMenu);
            }
        }
        EXPECT_NE(holder, nullptr) << "no menu and no widget shows it";
    }
    EXPECT_EQ(missing, std::vector<std::string>{}) << "actions without a gesture: add a row to controls/gestures.txt";

    // The test each row names is one of this executable's.
    std::set<std::string> tests;
    const ::testing::UnitTest& all = *::testing::UnitTest::GetInstance();
    for (int i = 0; i < all.total_test_suite_count(); ++i) {
        for (int j = 0; j < all.GetTestSuite(i)->total_test_count(); ++j) {
            tests.insert(std::string(all.GetTestSuite(i)->name()) + "." + all.GetTestSuite(i)->GetTestInfo(j)->name());
        }
    }
    for (const Row& g : gestures) {
        EXPECT_EQ(tests.count(g[4].substr(0, g[4].find(','))), 1u) << g[0] << ": " << g[4];
    }
}

// Each dialog opens from its menu item, chosen with the mouse.
TEST_F(Gestures, EachDialogOpensFromItsMenu) {
    for (const auto& [item, dialog] : {std::pair("Set_menu", "FormSettings"), std::pair("Machine_menu", "MachinePage"),
                                       std::pair("Mnu_Scale", "ScaleForm"), std::pair("Mnu_About", "About")}) {
        EXPECT_FALSE(Shown(dialog)) << dialog;
        Trigger(*window_, item);
        EXPECT_TRUE(Shown(dialog)) << dialog;
        Find<QWidget>(*window_, dialog)->hide();
        cnc_.main.AboutVisible = false;
        window_->Refresh();
    }
}

// The shortcuts, pressed on the frame: Ctrl+O opens, and Alt with a menu's underlined letter opens
// that menu.
TEST_F(Gestures, EveryShortcutPressedOnTheFrameActs) {
    const std::string program = ProgramFile("G01 X4 Y-3 F100\n");
    op_.set_next_files({program});
    QTest::keyClick(window_.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(window_->windowTitle().toStdString(), "TamoCNC     " + program);

    for (const auto& [key, title] :
         {std::pair(Qt::Key_F, "&File"), std::pair(Qt::Key_S, "&Setup"), std::pair(Qt::Key_O, "&Options"),
          std::pair(Qt::Key_V, "&View"), std::pair(Qt::Key_H, "&Help")}) {
        QTest::keyClick(window_.get(), key, Qt::AltModifier);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr) << title;
        EXPECT_EQ(menu->title().toStdString(), title);
        QTest::keyClick(menu, Qt::Key_Escape);
        QTest::keyClick(window_->menuBar(), Qt::Key_Escape);
    }
}

// A right-click on a line of the listing selects it and opens its menu; "Run from here" clicked there
// runs from that line to the program's end.
TEST_F(Gestures, RunFromHereIsChosenInTheListingsMenu) {
    Open(ProgramFile("G01 X1.5 Y-0.75 Z0.75 F300\nG01 X3 Y-3\nG01 X-6 Y4.5 Z-2.25\n"));
    std::vector<int> lines;
    op_.set_yield_hook([&](std::uint64_t) {
        if (cnc_.st.PrgLineNo > 0 && (lines.empty() || lines.back() != cnc_.st.PrgLineNo)) {
            lines.push_back(cnc_.st.PrgLineNo);
        }
    });
    ChooseOnLine(2, "Run from here");
    ASSERT_TRUE(Done(op_));
    EXPECT_EQ(lines, (std::vector<int>{2, 3})) << "no move of line 1";
    EXPECT_EQ(XY("PrgOutlbl") + " " + Text(*window_, "PrgOutlbl_2"), "-6.0000 4.5000 -2.2500");
}

} // namespace
} // namespace tamo
