// The settings, scale and coordinate windows, driven by object name on the offscreen platform: what
// the operator types reaches the core at once, the buttons call the core, and the windows show
// what the core left in their models.

#include "gui_fixture.h"
#include "ui/coordinate_dialog.h"
#include "ui/scale_dialog.h"
#include "ui/settings_dialog.h"

#include <QCheckBox>
#include <QDialog>
#include <QFocusEvent>

namespace tamo {
namespace {

using namespace test;

void Send(QWidget& window, QEvent::Type type) {
    QEvent event(type);
    QCoreApplication::sendEvent(&window, &event);
}

// A machine started without a file, whose configuration then lives in a folder of its own.
class DialogTest : public ::testing::Test, WithApplication {
protected:
    DialogTest() { m_.cnc.ConfigPath = dir_ / "tamo.cfg"; }

    ScratchDir dir_;
    TestMachine m_;
};

class DialogSettings : public DialogTest {
protected:
    DialogSettings() {
        m_.cnc.ShowSettings();
        dialog_.Refresh();
    }
    ui::SettingsDialog dialog_{m_.cnc};
};

// The conversion itself is the core's; here the options reach it and the window shows its result.
TEST_F(DialogSettings, UnitOptionsConvertOnceAndRelabel) {
    ASSERT_TRUE(dialog_.isVisible());
    SaveScreen(dialog_, "settings_mm.png");
    Click(dialog_, "OptionIn");
    Click(dialog_, "OptionIn"); // already selected: no second conversion
    EXPECT_EQ(Text(dialog_, "Combo7_0") + " " + Text(dialog_, "Label4"), "0.118 In/");
    EXPECT_FALSE(Find<QAbstractButton>(dialog_, "optionmm")->isChecked());
    SaveScreen(dialog_, "settings_in.png");
    Click(dialog_, "optionmm");
    EXPECT_EQ(Text(dialog_, "Combo7_0") + " " + Text(dialog_, "Label4"), "3.00 mm/");
}

TEST_F(DialogSettings, TypingReachesTheModelAndRefreshLeavesTheCursor) {
    Type(dialog_, "Combo2_1", "800");
    Type(dialog_, "Combo5", "None");
    Type(dialog_, "Text2", "4.5");
    EXPECT_EQ(m_.cnc.settings.Combo2[1], "800");
    EXPECT_EQ(m_.cnc.settings.Combo5, "None"); // typed, not completed to a list item
    EXPECT_EQ(m_.cnc.settings.Text2, "4.5");

    QLineEdit* lead = Find<QComboBox>(dialog_, "Combo7_0")->lineEdit();
    lead->setCursorPosition(1);
    dialog_.Refresh();
    EXPECT_EQ(lead->cursorPosition(), 1);

    // A greyed box from the file shows greyed; a click checks it, and no click greys it again.
    m_.cnc.settings.YReverse = kGreyed;
    dialog_.Refresh();
    auto* reverse = Find<QCheckBox>(dialog_, "YReverse");
    EXPECT_EQ(reverse->checkState(), Qt::PartiallyChecked);
    reverse->click();
    EXPECT_EQ(m_.cnc.settings.YReverse, kChecked);
    reverse->click();
    EXPECT_EQ(m_.cnc.settings.YReverse, kUnchecked);
}

TEST_F(DialogSettings, RefusedOkFocusesTheFieldAndCancelPutsBackThenOkApplies) {
    Type(dialog_, "Combo3_0", "450");
    Type(dialog_, "Combo6_1", "1,5");
    Click(dialog_, "opsaetok");
    EXPECT_TRUE(dialog_.isVisible());
    EXPECT_FALSE(fs::exists(m_.cnc.ConfigPath));
    EXPECT_FALSE(m_.op.messages().empty());
    EXPECT_EQ(Text(dialog_, "Combo6_1"), "1,5");
    auto* refused = Find<QComboBox>(dialog_, "Combo6_1");
    EXPECT_TRUE(dialog_.focusWidget() == refused || dialog_.focusWidget() == refused->lineEdit());
    EXPECT_EQ(refused->lineEdit()->selectedText(), "1,5");

    // The close box is "Cancel": hidden, the fields as they were when it opened, nothing written.
    dialog_.close();
    EXPECT_FALSE(m_.cnc.settings.Visible || dialog_.isVisible());
    EXPECT_EQ(m_.cnc.settings.Combo6[1], "0");
    EXPECT_EQ(m_.cnc.settings.Combo3[0], "500");
    EXPECT_FALSE(fs::exists(m_.cnc.ConfigPath));
    EXPECT_EQ(NumberOf(m_.st.JogFastX), 500); // not applied before "Ok"

    m_.cnc.ShowSettings();
    dialog_.Refresh();
    EXPECT_EQ(Text(dialog_, "Combo6_1"), "0");
    Type(dialog_, "Combo3_0", "450");
    Type(dialog_, "Combo6_1", "1.5");
    Click(dialog_, "opsaetok");
    EXPECT_NE(Slurp(m_.cnc.ConfigPath).find("\r\n450\r\n"), std::string::npos);
    EXPECT_EQ(NumberOf(m_.st.JogFastX), 450);
    EXPECT_FALSE(m_.cnc.settings.Visible || dialog_.isVisible());
}

class DialogScale : public DialogTest {
protected:
    DialogScale() {
        m_.cnc.ShowScale();
        dialog_.Refresh();
        Send(dialog_, QEvent::WindowActivate);
    }
    ui::ScaleDialog dialog_{m_.cnc};
};

TEST_F(DialogScale, ConversionsThenOkSetTheFactorsAndResetThePositions) {
    ASSERT_TRUE(dialog_.isVisible());
    Click(dialog_, "Command5");
    SaveScreen(dialog_, "scale_mm_to_in.png");
    m_.st.ProgPosX = 5;
    Click(dialog_, "Command4");
    for (const char* name : {"Combo1_0", "Combo1_1", "Combo1_2", "Combo1_3"}) {
        EXPECT_EQ(Text(dialog_, name), "25.4") << name;
    }
    Click(dialog_, "Command2");
    EXPECT_FALSE(dialog_.isVisible());
    EXPECT_EQ(m_.st.ProgPosX, 0);
}

TEST_F(DialogScale, CancelPutsBackTheTextsOfTheLastActivation) {
    Type(dialog_, "Combo1_1", "2");
    EXPECT_EQ(m_.cnc.scale.Combo1[1], "2"); // the parser sees it before "Ok"
    Click(dialog_, "Command3");
    EXPECT_FALSE(dialog_.isVisible());
    EXPECT_EQ(Text(dialog_, "Combo1_1"), "1");

    // Back from another window: the activation saved the typed text, which "Cancel" keeps.
    m_.cnc.ShowScale();
    dialog_.Refresh();
    Send(dialog_, QEvent::WindowActivate);
    Type(dialog_, "Combo1_1", "2");
    Send(dialog_, QEvent::WindowActivate);
    Click(dialog_, "Command5");
    dialog_.close(); // the close box is "Cancel"
    EXPECT_FALSE(dialog_.isVisible());
    EXPECT_EQ(Text(dialog_, "Combo1_1") + " " + Text(dialog_, "Combo1_0"), "2 1");
}

// The refusal's message box takes the activation away and gives it back; "Cancel" must still go
// back to the texts from before the refused factor.
TEST_F(DialogScale, RefusedOkKeepsTheWindowAndCancelStillRestores) {
    Type(dialog_, "Combo1_2", "abc");
    QDialog message;
    message.setModal(true);
    m_.op.OnMessage([&](const ScriptedOperator::Message&) {
        message.show();
        Send(dialog_, QEvent::WindowDeactivate);
        message.hide();
    });
    Click(dialog_, "Command2");
    Send(dialog_, QEvent::WindowActivate);
    ASSERT_EQ(m_.op.messages().size(), 1U);
    EXPECT_TRUE(dialog_.isVisible());
    Click(dialog_, "Command3");
    EXPECT_EQ(Text(dialog_, "Combo1_2"), "1");
}

TEST_F(DialogTest, CoordinatesFormatOnTabNotOnAWindowSwitchAndOkApplies) {
    ui::CoordinateDialog dialog(m_.cnc);
    m_.st.ProgPosY = 3;
    m_.cnc.SetPrg();
    dialog.Refresh();
    ASSERT_TRUE(dialog.isVisible());
    EXPECT_EQ(Text(dialog, "Combo1_1"), "3.0000");

    Type(dialog, "Combo1_1", "7");
    EXPECT_EQ(m_.cnc.coord.Combo1[1], "7");
    // The focus goes from the field to the next one, as a Tab press moves it.
    QApplication::setActiveWindow(&dialog);
    Find<QComboBox>(dialog, "Combo1_1")->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(Find<QComboBox>(dialog, "Combo1_1")->hasFocus());
    Find<QComboBox>(dialog, "Combo1_2")->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(Text(dialog, "Combo1_1"), "7.0000");
    QFocusEvent elsewhere(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    Type(dialog, "Combo1_2", "8");
    QCoreApplication::sendEvent(Find<QComboBox>(dialog, "Combo1_2"), &elsewhere);
    EXPECT_EQ(Text(dialog, "Combo1_2"), "8"); // a switch to another window leaves the field alone
    SaveScreen(dialog, "coordinates_program.png");

    Click(dialog, "Command1");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(m_.st.ProgPosY, 7);
    EXPECT_EQ(m_.st.ProgPosZ, 8);
    EXPECT_EQ(m_.cnc.main.PrgOutlbl[1], "7.0000");
}

// Zero all then Cancel is the core's; here the buttons reach it, and the close box is "Cancel".
TEST_F(DialogTest, CoordinateZeroButtonsAndTheCloseBoxDiscardTheDialog) {
    ui::CoordinateDialog dialog(m_.cnc);
    m_.st.MachPosX = 4;
    m_.st.MachPosZ = -1;
    m_.cnc.SetMachine();
    dialog.Refresh();
    Click(dialog, "Command4_2");
    EXPECT_EQ(Text(dialog, "Combo1_0") + " " + Text(dialog, "Combo1_2"), "4.0000 0.0000");
    Click(dialog, "Command3");
    EXPECT_EQ(Text(dialog, "Combo1_0"), "0.0000");
    dialog.close();
    EXPECT_FALSE(dialog.isVisible() || m_.cnc.coord.Exists);
    EXPECT_EQ(m_.st.MachPosX, 4);
}

} // namespace
} // namespace tamo
