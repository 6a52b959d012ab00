// The frame and its dialogs as the operator uses them, from the scripts in tests/golden/operator: one
// step a row, the mouse and the keys on the shown, active window, and what the operator then reads.
// The verbs:
//   open | TEXT                    the program TEXT, chosen in File > Open (Ctrl+O)
//   machine | TEXT                 the machine settings (machine.cfg) hold TEXT, as after Setup > Machine
//   row | NAME | N                 a left mouse click on row N (from 1) of the table
//   press | NAME                   a left mouse click on the button; it must be shown and usable
//   menu | NAME                    the menu item, chosen with the mouse in its menu
//   context | N | CAPTION          a right click on line N of the listing, then CAPTION in its menu
//   type | NAME | TEXT             key by key into the field, its old text selected
//   key | NAME | KEY               Space, Tab, Return or Escape on the control
//   close | NAME                   the window's close box
//   answer | yes or no             the answer to the next question
//   at | N | VERB | ...            the step at the N-th yield from now, as a press during a run (several
//                                  at one yield in their order)
//   run                            the Run page, "Execute Program" until the program reports its end
//   expect | NAME | TEXT           what the control shows (caption, field, readout); @CONFIG@ in TEXT
//                                  stands for the settings file; TEXT... is the beginning of what it shows
//   list | NAME | ITEMS            the items a combo box offers, " / " between them
//   state | NAME | +/-, shown | checked | focus | modal
//                                  usable, shown, checked, has the focus, holds the frame ("-" negates)
//   message | TEXT                 the last message begins with TEXT; "none": no message
//   file | TEXT                    the settings file holds TEXT; "none": there is none
// A NAME may be "WINDOW/NAME" where two windows have a control of that name.

#include "../golden_rows.h"
#include "main_window_fixture.h"

#include <QGroupBox>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>

namespace tamo {
namespace {

using namespace test;

class OperatorScript : public MainWindowTest, public ::testing::WithParamInterface<std::string> {
protected:
    std::map<std::uint64_t, std::vector<Row>> at_; // the steps due at a yield
    QObject* Object(const std::string& name) const {
        if (name == "MDIForm1") {
            return window_.get();
        }
        const auto slash = name.find('/');
        return slash == std::string::npos ? Find<QObject>(*window_, name.c_str())
                                          : Find<QObject>(*Find<QObject>(*window_, name.substr(0, slash).c_str()),
                                                          name.substr(slash + 1).c_str());
    }
    QWidget* Widget(const std::string& name) const { return qobject_cast<QWidget*>(Object(name)); }

    // The control's window comes to the front and is active, as under the operator's hand.
    QWidget* Active(const std::string& name) const {
        QWidget* w = Widget(name);
        QApplication::setActiveWindow(w->window());
        return w;
    }

    // A field, or the edit field of a combo box, of the active window.
    QLineEdit* Edit(const std::string& name) const {
        QWidget* w = Active(name);
        auto* combo = qobject_cast<QComboBox*>(w);
        return combo != nullptr ? combo->lineEdit() : qobject_cast<QLineEdit*>(w);
    }

    std::string Shows(const std::string& name) const { return Reads(Object(name)); }
    static std::string Reads(const QObject* o) {
        if (const auto caption = Caption(o)) {
            return *caption;
        }
        if (const auto* e = qobject_cast<const QPlainTextEdit*>(o)) {
            return e->toPlainText().toStdString();
        }
        if (const auto* c = qobject_cast<const QComboBox*>(o)) {
            return c->currentText().toStdString();
        }
        if (const auto* e = qobject_cast<const QLineEdit*>(o)) {
            return e->text().toStdString();
        }
        return qobject_cast<const QWidget*>(o)->windowTitle().toStdString(); // a window: its title
    }

    // What the operator reads when the script ends: every named control of every shown window,
    // what it shows, "-" when it cannot be used and "x" when it is ticked; and the messages. The
    // scratch folders read @DIR@. Left out: what the check and the estimate, on threads of their
    // own, say whenever they finish. Kept as the script's .screen golden.
    std::string Screen() const {
        std::vector<std::string> windows;
        for (const QWidget* top : QApplication::topLevelWidgets()) {
            if (!top->isVisible()) {
                continue;
            }
            std::string text = "window " + top->objectName().toStdString() + ": " + Reads(top) + "\n";
            for (const QWidget* w : top->findChildren<QWidget*>()) {
                const auto* button = qobject_cast<const QAbstractButton*>(w);
                const QString name = w->objectName();
                if (!name.isEmpty() && !name.startsWith("qt_") && name != "StatusCheck" && name != "StatusLeft" &&
                    w->isVisibleTo(top)) {
                    text += "  " + w->objectName().toStdString() + (w->isEnabled() ? "" : " -") +
                            (button != nullptr && button->isChecked() ? " x" : "") + ": " + Reads(w) + "\n";
                }
            }
            windows.push_back(text);
        }
        std::sort(windows.begin(), windows.end());
        std::string screen;
        for (const std::string& w : windows) {
            screen += w;
        }
        for (const auto& m : op_.messages()) {
            screen += "told: " + m.text + "\n";
        }
        return std::regex_replace(std::regex_replace(screen, std::regex(R"([^ "]*tamo-test-[^/ ]*)"), "@DIR@"),
                                  std::regex(R"(program[0-9]+\.txt)"), "programN.txt");
    }

    void Press(const std::string& name) {
        auto* b = qobject_cast<QAbstractButton*>(Active(name));
        ASSERT_TRUE(b != nullptr && b->isVisible() && b->isEnabled()) << name << " cannot be pressed";
        QTest::mouseClick(b, Qt::LeftButton);
    }

    void Step(const Row& row) {
        const std::string& verb = row[0];
        const auto arg = [&row](std::size_t i) {
            return i < row.size() ? row[i] : std::string();
        };
        if (verb == "open") {
            op_.set_next_files({ProgramFile(arg(1))});
            QTest::keyClick(Active("MDIForm1"), Qt::Key_O, Qt::ControlModifier);
        } else if (verb == "machine") {
            ASSERT_EQ(cnc_.LoadMachineSettingsText(arg(1)), "");
            ASSERT_TRUE(cnc_.MachinePageOk());
        } else if (verb == "row") {
            auto* table = qobject_cast<QAbstractItemView*>(Active(arg(1)));
            const QModelIndex index = table->model()->index(std::stoi(arg(2)) - 1, 0);
            table->scrollTo(index);
            QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(index).center());
        } else if (verb == "press") {
            Press(arg(1));
        } else if (verb == "menu") {
            ASSERT_TRUE(Find<QAction>(*window_, arg(1).c_str())->isEnabled()) << arg(1);
            Trigger(*window_, arg(1).c_str()); // chosen with the mouse in its menu
        } else if (verb == "context") {
            ChooseOnLine(std::stoi(arg(1)), arg(2).c_str()); // right-click on a listing line, then the item
        } else if (verb == "type") {
            QLineEdit* field = Edit(arg(1));
            ASSERT_TRUE(field->isVisible() && field->isEnabled()) << arg(1) << " cannot take keys";
            QTest::mouseClick(field, Qt::LeftButton); // into the field, then its text selected
            Type(field, QString::fromStdString(arg(2)));
            if (arg(2).empty()) {
                QTest::keyClick(field, Qt::Key_Backspace); // the selected text goes
            }
        } else if (verb == "key") {
            static const std::map<std::string, Qt::Key> keys{
                {"Space", Qt::Key_Space}, {"Tab", Qt::Key_Tab}, {"Return", Qt::Key_Return}, {"Escape", Qt::Key_Escape}};
            QWidget* w = Active(arg(1));
            QTest::keyClick(qobject_cast<QComboBox*>(w) != nullptr ? Edit(arg(1)) : w, keys.at(arg(2)));
        } else if (verb == "close") {
            Active(arg(1))->close();
        } else if (verb == "answer") {
            op_.set_next_answers({arg(1) == "yes"});
        } else if (verb == "at") {
            at_[op_.yields() + std::stoull(arg(1))].emplace_back(row.begin() + 2, row.end());
            op_.set_yield_hook([this](std::uint64_t count) {
                for (const Row& step : std::vector<Row>(at_[count])) {
                    Step(step);
                }
            });
        } else if (verb == "run") {
            op_.set_yield_hook(nullptr);
            op_.clear_messages();
            Press("Command4_3");
            for (int start = 0; start < 5 && !Done(op_); ++start) {
                Press("Command7");
            }
            EXPECT_TRUE(Done(op_));
        } else if (verb == "expect") {
            std::string text = arg(2);
            if (const auto at = text.find("@CONFIG@"); at != std::string::npos) {
                text.replace(at, 8, cnc_.ConfigPath.string());
            }
            const std::string shown = Shows(arg(1));
            if (text.ends_with("...")) { // its beginning
                text.resize(text.size() - 3);
                EXPECT_EQ(shown.substr(0, text.size()), text) << arg(1) << ": " << shown;
            } else {
                EXPECT_EQ(shown, text) << arg(1);
            }
        } else if (verb == "list") {
            auto* combo = qobject_cast<QComboBox*>(Widget(arg(1)));
            ASSERT_NE(combo, nullptr) << arg(1);
            std::string items;
            for (int i = 0; i < combo->count(); ++i) {
                items += (i > 0 ? " / " : "") + combo->itemText(i).toStdString();
            }
            EXPECT_EQ(items, arg(2)) << arg(1);
        } else if (verb == "state") {
            QWidget* w = Widget(arg(1));
            const bool no = arg(2)[0] == '-';
            const std::string what = arg(2).substr(no ? 1 : 0);
            const bool is = what == "shown"     ? w->isVisible()
                            : what == "checked" ? qobject_cast<QAbstractButton*>(w)->isChecked()
                            : what == "modal"   ? QApplication::activeModalWidget() == w // the frame waits
                            : what == "focus"
                                ? (w->window()->focusWidget() == w || w->isAncestorOf(w->window()->focusWidget()))
                                : w->isEnabled();
            EXPECT_EQ(is, !no) << arg(1) << " " << arg(2);
        } else if (verb == "message") {
            if (arg(1) == "none") {
                EXPECT_TRUE(op_.messages().empty()) << op_.messages().back().text;
            } else {
                ASSERT_FALSE(op_.messages().empty());
                EXPECT_EQ(op_.messages().back().text.rfind(arg(1), 0), 0u) << op_.messages().back().text;
            }
        } else if (verb == "file") {
            if (arg(1) == "none") {
                EXPECT_FALSE(fs::exists(cnc_.ConfigPath));
            } else {
                EXPECT_NE(Slurp(cnc_.ConfigPath).find(arg(1)), std::string::npos) << Slurp(cnc_.ConfigPath);
            }
        } else {
            FAIL() << "no verb " << verb;
        }
    }
};

TEST_P(OperatorScript, DoesWhatTheOperatorExpects) {
    fs::remove(cnc_.ConfigPath); // the file is only written by what the script does
    std::size_t n = 0;
    for (const Row& row : GoldenRows("operator/" + GetParam() + ".txt")) {
        SCOPED_TRACE(testing::Message() << "step " << ++n << ": " << row[0] << " " << (row.size() > 1 ? row[1] : ""));
        Step(row);
        QCoreApplication::processEvents();
        if (HasFatalFailure()) {
            return;
        }
    }
    QTest::qWait(20); // what the last step posted
    const fs::path golden = fs::path(TAMO_SOURCE_DIR) / "tests/golden/operator" / (GetParam() + ".screen");
    if (std::getenv("TAMO_UPDATE_GOLDEN") != nullptr) {
        std::ofstream(golden, std::ios::binary) << Screen();
    }
    EXPECT_EQ(Slurp(golden), Screen()) << "differs from " << golden;
}

INSTANTIATE_TEST_SUITE_P(Golden, OperatorScript, ::testing::ValuesIn(GoldenNames("operator", ".txt")),
                         [](const auto& test) { return test.param; });

} // namespace
} // namespace tamo
