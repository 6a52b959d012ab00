// The settings and scale windows where the operator scripts cannot reach: a box greyed by the file,
// the cursor under a refresh, a message box that takes the activation away.

#include "gui_fixture.h"
#include "ui/scale_dialog.h"
#include "ui/settings_dialog.h"

#include <QCheckBox>
#include <QDialog>
#include <QTest>

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

// What is typed and saved is in the operator scripts; here what they cannot reach.
TEST_F(DialogSettings, RefreshLeavesTheCursorAndAGreyedBoxIsCheckedByAClick) {
    QLineEdit* lead = Find<QComboBox>(dialog_, "Combo7_0")->lineEdit();
    lead->setCursorPosition(1);
    dialog_.Refresh();
    EXPECT_EQ(lead->cursorPosition(), 1);

    // A greyed box from the file shows greyed; a click checks it, and no click greys it again.
    m_.cnc.settings.YReverse = kGreyed;
    dialog_.Refresh();
    auto* reverse = Find<QCheckBox>(dialog_, "YReverse");
    EXPECT_EQ(reverse->checkState(), Qt::PartiallyChecked);
    QTest::mouseClick(reverse, Qt::LeftButton);
    EXPECT_EQ(m_.cnc.settings.YReverse, kChecked);
    QTest::mouseClick(reverse, Qt::LeftButton);
    EXPECT_EQ(m_.cnc.settings.YReverse, kUnchecked);
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

} // namespace
} // namespace tamo
