// Every control of the frame and of its dialogs as the operator reads it, from the tables in
// tests/golden/controls: object name, caption, the group it sits in, whether it can be used at
// start-up, during a run, during a jog and when paused, and where it stands against its neighbours
// at the default size and at the least size. The buttons are pressed with the mouse on the active
// window, as the operator presses them, so that focus, enabled state and event order take part.

#include "../golden_rows.h"
#include "main_window_fixture.h"
#include "ui/controls.h"

#include <QGroupBox>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>

#include <array>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tamo {
namespace {

using namespace test;

class ControlsTable : public MainWindowTest {
protected:
    QObject* Object(const std::string& name) const { return Find<QObject>(*window_, name.c_str()); }

    void Press(QAbstractButton* button) { Click(button); }
    void Press(const std::string& name) { Click(*window_, name.c_str()); }

    // The caption, then a font other than the frame's as the operator sees it: "Line [8 pt condensed]".
    std::string CaptionAndFont(const std::string& name) const {
        const std::string caption = Caption(Object(name)).value_or("(field)");
        const auto* w = qobject_cast<QWidget*>(Object(name));
        if (w == nullptr || w->font() == window_->font()) {
            return caption;
        }
        const QFont& f = w->font();
        return caption + (caption.empty() ? "[" : " [") + QString::number(f.pointSizeF()).toStdString() + " pt" +
               (f.stretch() == QFont::Condensed ? " condensed" : "") + (f.bold() ? " bold" : "") + "]";
    }

    // Adds to each control's record whether it can be used now.
    void Note() {
        for (const auto& row : GoldenRows("controls/frame.txt")) {
            QObject* o = Object(row[0]);
            auto* action = qobject_cast<QAction*>(o);
            usable_[row[0]] += (action ? action->isEnabled() : qobject_cast<QWidget*>(o)->isEnabled()) ? '+' : '-';
        }
    }

    std::map<std::string, std::string> usable_;
};

TEST_F(ControlsTable, NameCaptionGroupAndWhenEachControlCanBeUsed) {
    for (const char* chosen : {"Option1_2", "Option3", "Option4_0"}) { // "Slow", "Continous", "Using Home Switchs"
        EXPECT_TRUE(Find<QAbstractButton>(*window_, chosen)->isChecked()) << chosen;
    }
    Note(); // at start-up
    op_.set_next_files({ProgramFile("G01 X3 F100\n")});
    QTest::keyClick(window_.get(), Qt::Key_O, Qt::ControlModifier);
    AtYield(5, [&] {
        Note(); // during a run
        Press("Command1");
    });
    Press("Command7");
    EXPECT_EQ(Text(*window_, "StatusState"), "Paused");

    // A jog from there, its release already waiting.
    bool noted = false;
    op_.set_yield_hook([&](std::uint64_t) {
        if (!noted) {
            noted = true;
            Note(); // during a jog
        }
    });
    Press("Command4_1");
    PressAndRelease(Find<QWidget>(*window_, "JogZ_4"), Qt::LeftButton);
    op_.set_yield_hook(nullptr);
    ASSERT_TRUE(noted);
    EXPECT_EQ(Text(*window_, "StatusState"), "Paused");
    Note(); // paused

    for (const auto& row : GoldenRows("controls/frame.txt")) {
        SCOPED_TRACE(row[0]);
        ASSERT_EQ(row.size(), 4u);
        EXPECT_EQ(CaptionAndFont(row[0]), row[1]);
        QObject* holder = Object(row[0])->parent();
        while (holder != nullptr && holder->objectName().isEmpty()) {
            holder = holder->parent();
        }
        ASSERT_NE(holder, nullptr);
        EXPECT_EQ(holder->objectName().toStdString(), row[2]);
        EXPECT_EQ(usable_.at(row[0]), row[3]);
    }
    for (const auto& row : GoldenRows("controls/dialog_captions.txt")) {
        const auto* o = Find<QWidget>(*Find<QWidget>(*window_, row[0].c_str()), row[1].c_str());
        const auto* button = qobject_cast<const QAbstractButton*>(o);
        const auto* label = qobject_cast<const QLabel*>(o);
        EXPECT_EQ((button  ? button->text()
                   : label ? label->text()
                           : QString())
                      .toStdString(),
                  row[2])
            << row[0] << " " << row[1];
    }
}

// Every button that tells the core of its press and its release clicks too when the operator
// presses it: a release handler that moved the focus first would swallow the click. "Faster" and
// "Slower" then change the override by their step.
TEST_F(ControlsTable, EveryPressButtonClicksUnderTheMouse) {
    Press("Option1_3"); // "Step": a jog ends with its press
    for (QPushButton* button : window_->findChildren<QPushButton*>()) {
        if (dynamic_cast<ui::PressButton*>(button) == nullptr) {
            continue;
        }
        SCOPED_TRACE(button->objectName().toStdString());
        QSignalSpy clicked(button, &QAbstractButton::clicked);
        Press(button);
        EXPECT_EQ(clicked.count(), 1);
    }
    Press("Command8_0");
    EXPECT_EQ(Text(*window_, "Overide"), "102");
    QCoreApplication::processEvents();
    EXPECT_TRUE(Find<QWidget>(*window_, "Velmor")->hasFocus()) << "a key stops the machine again";
}

// Where a control stands against another: "over" (above it, and sharing part of its width), "left
// of" (on the same row). A pixel of the frames may touch: the twips of the drawing round to whole
// pixels.
bool Holds(QRect a, std::string_view relation, QRect b) {
    a.adjust(1, 1, -1, -1);
    b.adjust(1, 1, -1, -1);
    if (relation == "over") {
        return a.bottom() < b.top() && a.left() <= b.right() && b.left() <= a.right();
    }
    if (relation == "just over, as wide as") { // the next row, the same columns
        return a.bottom() < b.top() && b.top() - a.bottom() <= 12 && a.left() == b.left() && a.right() == b.right();
    }
    return a.right() < b.left() && a.top() <= b.bottom() && b.top() <= a.bottom();
}

// What of a control can be seen: a label's text where its alignment puts it, the whole of any other.
QRect Ink(const QWidget& w) {
    const auto* label = qobject_cast<const QLabel*>(&w);
    if (label == nullptr || label->wordWrap()) {
        return w.geometry();
    }
    const QSize text(label->fontMetrics().horizontalAdvance(label->text()), label->fontMetrics().height());
    return QStyle::alignedRect(Qt::LeftToRight, label->alignment(), text.boundedTo(w.size()), w.geometry());
}

// Named controls of one parent that cover each other, the rules that lie under them and the
// stacked groups of the panel aside.
std::vector<std::string> Overlaps(const QWidget& window) {
    std::vector<std::string> found;
    const auto all = window.findChildren<QWidget*>();
    for (const QWidget* a : all) {
        for (const QWidget* b : all) {
            if (a >= b || a->parentWidget() != b->parentWidget() || a->objectName().isEmpty() ||
                b->objectName().isEmpty() || a->objectName().startsWith("Line") || b->objectName().startsWith("Line") ||
                qobject_cast<const QGroupBox*>(a) != nullptr || !a->isVisibleTo(&window) || !b->isVisibleTo(&window)) {
                continue;
            }
            if (Ink(*a).adjusted(1, 1, -1, -1).intersects(Ink(*b).adjusted(1, 1, -1, -1))) {
                found.push_back(a->objectName().toStdString() + " on " + b->objectName().toStdString());
            }
        }
    }
    return found;
}

// With a program, whose pictures go to the screens folder; then each dialog in its own place.
TEST_F(ControlsTable, EachControlStandsWhereTheOperatorLooksForIt) {
    Open(TAMO_SOURCE_DIR "/gcodes/bracket.txt");
    // The frame's controls where they are on the frame, a dialog's in the dialog.
    auto at = [&](const std::string& window, const std::string& name) {
        if (window != "MDIForm1") {
            return Find<QWidget>(*Find<QWidget>(*window_, window.c_str()), name.c_str())->geometry();
        }
        auto* w = Find<QWidget>(*window_, name.c_str());
        return QRect(w->mapTo(window_.get(), QPoint(0, 0)), w->size());
    };
    for (const bool least : {false, true}) {
        SCOPED_TRACE(least ? "least size" : "default size");
        if (least) {
            window_->resize(1, 1);
        }
        QCoreApplication::processEvents();
        SaveScreen(*window_, least ? "main_window_bracket_least.png" : "main_window_bracket.png");
        for (const auto& p : GoldenRows("controls/places.txt")) {
            if (!least || p[0] == "MDIForm1") {
                EXPECT_TRUE(Holds(at(p[0], p[1]), p[2], at(p[0], p[3])))
                    << p[0] << ": " << p[1] << " " << p[2] << " " << p[3];
            }
        }
        for (int page = 0; page < 5; ++page) {
            Press("Command4_" + std::to_string(page));
            EXPECT_EQ(Overlaps(*window_), std::vector<std::string>{}) << "page " << page;
        }
    }
    for (const char* dialog : {"FormSettings", "ScaleForm", "Set_Prg_cord"}) {
        EXPECT_EQ(Overlaps(*Find<QWidget>(*window_, dialog)), std::vector<std::string>{}) << dialog;
    }
}

// Each jog button's axis and sign, and what each readout button acts on, are operator scripts
// (jog_steps, readout_buttons).

} // namespace
} // namespace tamo
