// Every control of the frame and of its dialogs as the operator reads it: object name, caption,
// the group it sits in, whether it can be used at start-up, during a run, during a jog and when
// paused; where it stands against its neighbours at the default size and at the least size; and
// that each jog button moves the axis its caption names, the way it names.

#include "main_window_fixture.h"

#include <QGroupBox>
#include <QMenu>
#include <QStyle>

#include <array>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tamo {
namespace {

using namespace test;

// "+" usable, "-" not: at start-up, during a run, during a jog, when paused.
struct Control {
    const char* name;
    const char* caption; // nullptr: a field, whose text is the model's
    const char* group;   // the object it sits in
    const char* usable;
};

// clang-format off
const std::vector<Control> kFrame{
    {"Command4_0", "Line", "Picture1", "++++"},      {"Command4_1", "Jog", "Picture1", "++++"},
    {"Command4_2", "Point", "Picture1", "++++"},     {"Command4_3", "Run", "Picture1", "++++"},
    {"Command4_4", "Home", "Picture1", "++++"},
    {"Frame1_0", "Go To end of Line", "Picture1", "++++"}, {"Frame1_1", "Jogging", "Picture1", "++++"},
    {"Frame1_2", "Point", "Picture1", "++++"},       {"Frame1_3", "Run", "Picture1", "++++"},
    {"Frame1_4", "Home", "Picture1", "++++"},
    {"Label7", "Line in progress", "Picture1", "++++"}, {"Text4", nullptr, "Picture1", "++++"},
    // "Go To end of Line": walking the program and moving to a line's end rewrite the block.
    {"Command3", "Reset", "Frame1_0", "+--+"},       {"StepFwd_0", "Step forward in program", "Frame1_0", "+--+"},
    {"Command6", "Step back in program", "Frame1_0", "+--+"},
    {"Command5", "Move machine to end of line", "Frame1_0", "+--+"}, {"Text1", nullptr, "Frame1_0", "++++"},
    // "Jogging": usable during a run, which they pause first.
    {"JogZ_1", "Z -", "Frame1_1", "++++"},           {"JogZ_2", "X -", "Frame1_1", "++++"},
    {"JogZ_3", "Y +", "Frame1_1", "++++"},           {"JogZ_4", "X +", "Frame1_1", "++++"},
    {"JogZ_5", "Y -", "Frame1_1", "++++"},           {"JogZ_6", "Z +", "Frame1_1", "++++"},
    {"Label6_0", "Fast", "Frame1_1", "++++"},        {"Label6_1", "Med", "Frame1_1", "++++"},
    {"Label6_2", "Slow", "Frame1_1", "++++"},        {"Label6_3", "Step", "Frame1_1", "++++"},
    {"Option1_0", "", "Frame1_1", "++++"},           {"Option1_1", "", "Frame1_1", "++++"},
    {"Option1_2", "", "Frame1_1", "++++"},           {"Option1_3", "", "Frame1_1", "++++"},
    // "Point": a move of its own, refused while the machine moves.
    {"PointGo", "Move to point", "ManualData", "+--+"}, {"MdiRun", "Run line", "ManualData", "+--+"},
    {"PointX", nullptr, "ManualData", "++++"},       {"PointFeed", nullptr, "ManualData", "++++"},
    {"MdiLine", nullptr, "ManualData", "++++"},
    // "Run"
    {"Command7", "Execute Program", "Frame1_3", "+--+"}, {"Command8_0", "Faster", "Frame1_3", "++++"},
    {"Command8_1", "Slower", "Frame1_3", "++++"},    {"Overide", nullptr, "Frame1_3", "++++"},
    {"Label2", "%Overide", "Frame1_3", "++++"},      {"Text2", nullptr, "Frame1_3", "++++"},
    {"Label3", "Program Feedrate", "Frame1_3", "++++"}, {"Text3", nullptr, "Frame1_3", "++++"},
    {"Option2", "Step", "Frame1_3", "++++"},         {"Option3", "Continous", "Frame1_3", "++++"},
    {"Label1", "Constant contour on", "Frame1_3", "++++"}, {"Check1", "", "Frame1_3", "++++"},
    // "Home": the feed field only for a homing at a feed, and "Rapid" is chosen at start-up.
    {"Command9", "Home the Machine", "Frame1_4", "++++"},
    {"Option4_0", "Using Home Switchs", "Frame1_4", "++++"}, {"Option4_1", "Using Program Zero", "Frame1_4", "++++"},
    {"Option4_2", "Using Machine Zero", "Frame1_4", "++++"}, {"Label5", "Move:", "Frame1_4", "++++"},
    {"Combo1", nullptr, "Frame1_4", "++++"},         {"Label4", "Feedrate:", "Frame1_4", "++++"},
    {"Text6", nullptr, "Frame1_4", "----"},
    // The readouts and the run's own buttons.
    {"AxisName_0", "Program X:", "Picture2", "++++"}, {"AxisName_1", "Program Y:", "Picture2", "++++"},
    {"AxisName_2", "Program Z:", "Picture2", "++++"}, {"AxisName_3", "Machine Z:", "Picture2", "++++"},
    {"AxisName_4", "Machine Y:", "Picture2", "++++"}, {"AxisName_5", "Machine X:", "Picture2", "++++"},
    {"SetPrg", "Set", "Picture2", "++++"},           {"ZeroPrg", "Zero", "Picture2", "++++"},
    {"Command11", "Set", "Picture2", "++++"},        {"Command12", "Zero", "Picture2", "++++"},
    {"Command10", "Reset Program", "Picture2", "+--+"}, {"Command1", "Pause", "Picture2", "++++"},
    // The menus: nothing that would load another program or time the loop under a moving machine.
    {"Open_Menu", "Open", "File_Menu", "+--+"},      {"Mnu_exit", "Exit", "File_Menu", "++++"},
    {"Set_menu", "Settings", "Setup_Menu", "++++"},  {"Spd_menu", "Speedtest", "Setup_Menu", "+--+"},
    {"Mnu_Scale", "Scale", "Mnu_options", "++++"},   {"Mnu_Check", "Check Program", "Mnu_options", "++++"},
    {"View_Fit", "Fit", "Menu_View", "++++"},        {"View_Listing", "Program listing", "Menu_View", "++++"},
    {"Mnu_About", "About", "Mnu_Help", "++++"},
};
// clang-format on

class ControlsTable : public MainWindowTest {
protected:
    QObject* Object(const char* name) const { return Find<QObject>(*window_, name); }

    std::string Caption(const char* name) const {
        QObject* o = Object(name);
        if (auto* b = qobject_cast<QAbstractButton*>(o)) {
            return b->text().toStdString();
        }
        if (auto* l = qobject_cast<QLabel*>(o)) {
            return l->text().toStdString();
        }
        if (auto* g = qobject_cast<QGroupBox*>(o)) {
            return g->title().toStdString();
        }
        if (auto* a = qobject_cast<QAction*>(o)) {
            return a->text().toStdString();
        }
        return "(field)";
    }

    bool Usable(const char* name) const {
        QObject* o = Object(name);
        if (auto* a = qobject_cast<QAction*>(o)) {
            return a->isEnabled();
        }
        return qobject_cast<QWidget*>(o)->isEnabled();
    }

    // Adds to each control's record whether it can be used now.
    void Note() {
        for (const Control& c : kFrame) {
            usable_[c.name] += Usable(c.name) ? '+' : '-';
        }
    }

    // The frame's controls where they are on the frame.
    QRect At(const char* name) const {
        auto* w = Find<QWidget>(*window_, name);
        return {w->mapTo(window_.get(), QPoint(0, 0)), w->size()};
    }

    std::map<std::string, std::string> usable_;
};

TEST_F(ControlsTable, NameCaptionGroupAndWhenEachControlCanBeUsed) {
    for (const char* chosen : {"Option1_2", "Option3", "Option4_0"}) { // "Slow", "Continous", "Using Home Switchs"
        EXPECT_TRUE(Find<QAbstractButton>(*window_, chosen)->isChecked()) << chosen;
    }
    Note(); // at start-up
    Open(ProgramFile("G01 X3 F100\n"));
    AtYield(5, [&] {
        Note(); // during a run
        Click(*window_, "Command1");
    });
    Click(*window_, "Command7");
    EXPECT_EQ(Text(*window_, "StatusState"), "Paused");

    // A jog from there, its release already waiting.
    Click(*window_, "Option1_2");
    bool noted = false;
    op_.set_yield_hook([&](std::uint64_t) {
        if (!noted) {
            noted = true;
            Note(); // during a jog
        }
    });
    PressAndRelease(Find<QWidget>(*window_, "JogZ_4"), Qt::LeftButton);
    op_.set_yield_hook(nullptr);
    ASSERT_TRUE(noted);
    EXPECT_EQ(Text(*window_, "StatusState"), "Paused");
    Note(); // paused

    for (const Control& c : kFrame) {
        SCOPED_TRACE(c.name);
        if (c.caption != nullptr) {
            EXPECT_EQ(Caption(c.name), c.caption);
        }
        QObject* holder = Object(c.name)->parent();
        while (holder != nullptr && holder->objectName().isEmpty()) {
            holder = holder->parent();
        }
        ASSERT_NE(holder, nullptr);
        EXPECT_EQ(holder->objectName().toStdString(), c.group);
        EXPECT_EQ(usable_.at(c.name), c.usable);
    }
}

// Where a control stands against another, as the operator sees it: "over" (above it, and sharing
// part of its width), "left of" (on the same row). A pixel of the frames may touch: the twips of the
// drawing round to whole pixels.
struct Placement {
    const char* name;
    const char* relation;
    const char* other;
};

bool Holds(QRect a, const char* relation, QRect b) {
    a.adjust(1, 1, -1, -1);
    b.adjust(1, 1, -1, -1);
    if (std::string_view(relation) == "over") {
        return a.bottom() < b.top() && a.left() <= b.right() && b.left() <= a.right();
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

// clang-format off
const std::vector<Placement> kFramePlaces{
    {"Command4_3", "left of", "Command4_4"}, {"Command4_4", "left of", "Command4_2"},
    {"Command4_2", "left of", "Command4_1"}, {"Command4_1", "left of", "Command4_0"},
    {"Command3", "over", "StepFwd_0"}, {"StepFwd_0", "over", "Command6"}, {"Command6", "over", "Command5"},
    {"Command5", "over", "Text1"},
    {"JogZ_6", "over", "JogZ_1"}, {"JogZ_3", "over", "JogZ_5"}, {"JogZ_2", "left of", "JogZ_4"},
    {"JogZ_1", "left of", "JogZ_5"}, {"Option1_0", "left of", "Label6_0"}, {"Option1_3", "left of", "Label6_3"},
    {"Option1_0", "over", "Option1_1"}, {"Option1_2", "over", "Option1_3"}, {"Option1_0", "left of", "Option1_2"},
    {"Command7", "over", "Command8_1"}, {"Command8_1", "left of", "Command8_0"}, {"Overide", "left of", "Label2"},
    {"Label2", "left of", "Text2"}, {"Label3", "left of", "Text3"}, {"Overide", "over", "Label3"},
    {"Option2", "left of", "Option3"}, {"Label1", "left of", "Check1"}, {"Option2", "over", "Label1"},
    {"Command9", "over", "Option4_0"}, {"Option4_0", "over", "Option4_1"}, {"Option4_1", "over", "Option4_2"},
    {"Label5", "left of", "Combo1"}, {"Label4", "left of", "Text6"}, {"Combo1", "over", "Text6"},
    {"AxisName_0", "left of", "PrgOutlbl_0"}, {"AxisName_1", "left of", "PrgOutlbl_1"},
    {"AxisName_2", "left of", "PrgOutlbl_2"}, {"AxisName_5", "left of", "MachOutLl_0"},
    {"AxisName_4", "left of", "MachOutLl_1"}, {"AxisName_3", "left of", "MachOutLl_2"},
    {"AxisName_0", "over", "AxisName_1"}, {"AxisName_1", "over", "AxisName_2"},
    {"PrgOutlbl_0", "left of", "SetPrg"}, {"PrgOutlbl_1", "left of", "ZeroPrg"}, {"SetPrg", "left of", "AxisName_5"},
    {"MachOutLl_0", "left of", "Command11"}, {"MachOutLl_1", "left of", "Command12"},
    {"Command11", "left of", "Command10"}, {"Command10", "over", "Command1"},
    {"Velmor", "left of", "Picture1"}, {"Picture1", "over", "Picture2"},
};
// clang-format on

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

// With a program, whose pictures go to the screens folder.
TEST_F(ControlsTable, EachControlStandsWhereTheOperatorLooksForItAtTheDefaultAndTheLeastSize) {
    Open(TAMO_SOURCE_DIR "/gcodes/bracket.txt");
    for (const bool least : {false, true}) {
        SCOPED_TRACE(least ? "least size" : "default size");
        if (least) {
            window_->resize(1, 1);
        }
        QCoreApplication::processEvents();
        SaveScreen(*window_, least ? "main_window_bracket_least.png" : "main_window_bracket.png");
        for (const Placement& p : kFramePlaces) {
            EXPECT_TRUE(Holds(At(p.name), p.relation, At(p.other))) << p.name << " " << p.relation << " " << p.other;
        }
        for (int page = 0; page < 5; ++page) {
            Click(*window_, ("Command4_" + std::to_string(page)).c_str());
            EXPECT_EQ(Overlaps(*window_), std::vector<std::string>{}) << "page " << page;
        }
    }
}

// The dialogs, each found by its own name: the settings grid's headings stand over their columns.
TEST_F(ControlsTable, DialogControlsTheirCaptionsAndPlaces) {
    struct Item {
        const char* name;
        const char* caption;
    };
    struct Dialog {
        const char* name;
        std::vector<Item> items;
        std::vector<Placement> places;
    };
    // clang-format off
    const std::vector<Dialog> dialogs{
        {"FormSettings",
         {{"Label4", "mm/"}, {"Label16", "Lead turn"}, {"Label5_4", "Steps /"}, {"Label17", "Drive turn"},
          {"Label15", "Pin number"}, {"Label6", "Step"}, {"Label1", "Dir"}, {"Label21", "Home switch"},
          {"Label20", "Pin Number"}, {"Label2", "Jog rates (G00=Fast)"}, {"Label8_0", "Fast"},
          {"Label8_1", "Medium"}, {"Label8_2", "Slow"}, {"Label7", "Reverse"}, {"Label3_0", "X"}, {"Label3_1", "Y"},
          {"Label3_2", "Z"}, {"Label12", "Tool Change Pos."}, {"Label11_0", "X-Axis"}, {"Label19", "Rel/Abs"},
          {"Check1_0", "Enable Home Switch"}, {"Check1_1", "Enable Limit Switch"}, {"Label13", "Pulse Width"},
          {"Label22", "Limit switch"}, {"opsaetok", "Ok"}, {"opsaetcancel", "Cancel"}},
         {{"Label16", "over", "Combo7_0"}, {"Label17", "over", "Combo2_0"}, {"Label6", "over", "Combo1_0"},
          {"Label1", "over", "Combo1_1"}, {"Label20", "over", "Combo8_0"}, {"Label8_0", "over", "Combo3_0"},
          {"Label8_1", "over", "Combo3_1"}, {"Label8_2", "over", "Combo3_2"}, {"Label7", "over", "XReverse"},
          {"Combo1_0", "over", "Combo1_2"}, {"Combo1_3", "over", "Combo1_5"}, {"Label3_0", "left of", "Combo7_0"},
          {"Label3_2", "left of", "Combo7_2"}, {"Combo7_1", "left of", "Combo2_1"}, {"Combo2_1", "left of", "Combo1_2"},
          {"Combo1_2", "left of", "Combo1_3"}, {"Combo1_3", "left of", "Combo8_1"}, {"Combo8_1", "left of", "Combo3_3"},
          {"Combo3_5", "left of", "YReverse"}, {"Label11_2", "left of", "Combo6_2"}, {"Label13", "over", "Combo4"},
          {"opsaetok", "left of", "opsaetcancel"}}},
        {"ScaleForm",
         {{"Label1_0", "Scale Factor Feedrate"}, {"Label1_1", "Scale Factor X-Axis"}, {"Label1_2", "Scale Factor Y-Axis"},
          {"Label1_3", "Scale Factor Z-Axis"}, {"Command4", "Converts all from   In to mm"},
          {"Command5", "Converts all from mm to In"}, {"Command2", "Ok"}, {"Command3", "Cancel"}, {"Command1", "Default"}},
         {{"Label1_0", "left of", "Combo1_0"}, {"Label1_1", "left of", "Combo1_1"}, {"Label1_2", "left of", "Combo1_2"},
          {"Label1_3", "left of", "Combo1_3"}, {"Combo1_0", "over", "Combo1_1"}, {"Combo1_2", "over", "Combo1_3"},
          {"Command4", "over", "Command5"}, {"Command2", "left of", "Command3"}, {"Command3", "left of", "Command1"}}},
        {"Set_Prg_cord",
         {{"Label1_0", "X"}, {"Label1_1", "Y"}, {"Label1_2", "Z"}, {"Command4_0", "Zero X"}, {"Command4_1", "Zero Y"},
          {"Command4_2", "Zero Z"}, {"Command1", "OK"}, {"Command2", "Cancel"}, {"Command3", "Zero all"}},
         {{"Label1_0", "left of", "Combo1_0"}, {"Combo1_0", "left of", "Command4_0"}, {"Label1_2", "left of", "Combo1_2"},
          {"Combo1_2", "left of", "Command4_2"}, {"Combo1_0", "over", "Combo1_1"}, {"Combo1_1", "over", "Combo1_2"},
          {"Command1", "left of", "Command2"}, {"Command2", "left of", "Command3"}}},
    };
    // clang-format on
    for (const Dialog& d : dialogs) {
        SCOPED_TRACE(d.name);
        const auto* dialog = Find<QWidget>(*window_, d.name);
        for (const Item& item : d.items) {
            const auto* o = Find<QWidget>(*dialog, item.name);
            const auto* button = qobject_cast<const QAbstractButton*>(o);
            const auto* label = qobject_cast<const QLabel*>(o);
            EXPECT_EQ((button != nullptr  ? button->text()
                       : label != nullptr ? label->text()
                                          : QString())
                          .toStdString(),
                      item.caption)
                << item.name;
        }
        for (const Placement& p : d.places) {
            EXPECT_TRUE(Holds(Find<QWidget>(*dialog, p.name)->geometry(), p.relation,
                              Find<QWidget>(*dialog, p.other)->geometry()))
                << p.name << " " << p.relation << " " << p.other;
        }
        EXPECT_EQ(Overlaps(*dialog), std::vector<std::string>{});
    }
}

// In single steps, each jog button moves the axis its caption names the way the sign says, as the
// machine readouts show.
TEST_F(ControlsTable, EachJogButtonMovesTheAxisItsCaptionNames) {
    Click(*window_, "Option1_3");
    for (int i = 1; i <= 6; ++i) {
        const std::string name = "JogZ_" + std::to_string(i);
        const std::string caption = Caption(name.c_str());
        SCOPED_TRACE(caption);
        const std::size_t axis = std::string("XYZ").find(caption.at(0));
        ASSERT_NE(axis, std::string::npos);
        std::array<std::string, 3> before{}, after{};
        for (std::size_t a = 0; a < 3; ++a) {
            before[a] = Text(*window_, ("MachOutLl_" + std::to_string(a)).c_str());
        }
        ClickMouse(Find<QWidget>(*window_, name.c_str()));
        for (std::size_t a = 0; a < 3; ++a) {
            after[a] = Text(*window_, ("MachOutLl_" + std::to_string(a)).c_str());
            const double moved = std::stod(after[a]) - std::stod(before[a]);
            EXPECT_NEAR(moved, a != axis ? 0 : caption.at(2) == '+' ? 0.0075 : -0.0075, 1e-4) << "XYZ"[a];
        }
    }
}

// The readout panel's buttons act on the row they stand in: from program X0.3 Y-0.15 Z0.45 with the
// machine at X0.6 Y0.15 Z2, each zeroes or offers to set only its own coordinates.
TEST_F(ControlsTable, EachReadoutButtonActsOnItsOwnRow) {
    struct Case {
        const char* button;
        const char* program; // the program readouts after the click
        const char* machine;
        const char* dialog; // the coordinate dialog's caption, when it opens
    };
    for (const Case& c :
         {Case{"ZeroPrg", "0.0000 0.0000 0.0000", "0.6000 0.1500 2.0000", ""},
          Case{"Command12", "0.3000 -0.1500 0.4500", "0.0000 0.0000 0.0000", ""},
          Case{"SetPrg", "0.3000 -0.1500 0.4500", "0.6000 0.1500 2.0000", "Set Program Coordinates"},
          Case{"Command11", "0.3000 -0.1500 0.4500", "0.6000 0.1500 2.0000", "Set Machine Coordinates"}}) {
        SCOPED_TRACE(c.button);
        cnc_.CoordCancel();
        cnc_.st.ProgPosX = 0.3;
        cnc_.st.ProgPosY = -0.15;
        cnc_.st.ProgPosZ = 0.45;
        cnc_.st.MachPosX = 0.6;
        cnc_.st.MachPosY = 0.15;
        cnc_.st.MachPosZ = 2;
        cnc_.UpdateReadouts();
        Click(*window_, c.button);
        EXPECT_EQ(XY("PrgOutlbl") + " " + Text(*window_, "PrgOutlbl_2"), c.program);
        EXPECT_EQ(XY("MachOutLl") + " " + Text(*window_, "MachOutLl_2"), c.machine);
        const auto* dialog = Find<QWidget>(*window_, "Set_Prg_cord");
        EXPECT_EQ(dialog->isVisible() ? dialog->windowTitle().toStdString() : "", c.dialog);
    }
}

// The coordinate dialog's buttons do what their captions say, and only "OK" writes the positions.
TEST_F(ControlsTable, CoordinateDialogButtonsDoWhatTheirCaptionsSay) {
    cnc_.st.ProgPosX = 0.3;
    cnc_.st.ProgPosY = -0.15;
    cnc_.st.ProgPosZ = 0.45;
    cnc_.UpdateReadouts();
    Click(*window_, "SetPrg");
    const auto* dialog = Find<QWidget>(*window_, "Set_Prg_cord");
    auto fields = [&] {
        return Text(*dialog, "Combo1_0") + " " + Text(*dialog, "Combo1_1") + " " + Text(*dialog, "Combo1_2");
    };
    EXPECT_EQ(fields(), "0.3000 -0.1500 0.4500");
    Click(*dialog, "Command4_1"); // "Zero Y"
    EXPECT_EQ(fields(), "0.3000 0.0000 0.4500");
    Click(*dialog, "Command3"); // "Zero all"
    EXPECT_EQ(fields(), "0.0000 0.0000 0.0000");
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(Text(*window_, "PrgOutlbl_0"), "0.3000");
    Click(*dialog, "Command1"); // "OK"
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(XY("PrgOutlbl") + " " + Text(*window_, "PrgOutlbl_2"), "0.0000 0.0000 0.0000");
}

} // namespace
} // namespace tamo
