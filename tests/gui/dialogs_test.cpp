// The settings and scale windows where the operator scripts cannot reach: a box greyed by the file,
// the cursor under a refresh, a message box that takes the activation away; the Machine page and
// the Point page's "Probe Z" as the operator uses them.

#include "../motor_steps.h"
#include "main_window_fixture.h"
#include "ui/machine_page.h"
#include "ui/scale_dialog.h"
#include "ui/settings_dialog.h"

#include <QCheckBox>
#include <QDialog>
#include <QPainter>
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

// The two conversion buttons wrap their captions inside the square, each line drawn once: no
// caption drawn on one line over them as well. A line's ink is that of its words drawn alone.
TEST_F(DialogScale, ConversionCaptionsWrapInsideTheirButtons) {
    dialog_.show();
    const std::pair<const char*, std::array<const char*, 3>> buttons[] = {
        {"Command4", {"Converts", "all from", "In to mm"}},
        {"Command5", {"Converts", "all from", "mm to In"}},
    };
    // The dark pixels of each band of inked rows, away from the frame's edge.
    auto ink_by_line = [](const QImage& picture) {
        std::vector<int> lines;
        bool in_line = false;
        for (int y = 3; y < picture.height() - 3; ++y) {
            int ink = 0;
            for (int x = 3; x < picture.width() - 3; ++x) {
                ink += qGray(picture.pixel(x, y)) < 100 ? 1 : 0;
            }
            if (ink > 0 && !in_line) {
                lines.push_back(0);
            }
            in_line = ink > 0;
            if (in_line) {
                lines.back() += ink;
            }
        }
        return lines;
    };
    for (const auto& [name, words] : buttons) {
        SCOPED_TRACE(name);
        auto* button = Find<QAbstractButton>(dialog_, name);
        const std::vector<int> drawn = ink_by_line(button->grab().toImage());
        ASSERT_EQ(drawn.size(), words.size());
        for (std::size_t i = 0; i < words.size(); ++i) {
            QImage alone(button->size(), QImage::Format_RGB32);
            alone.fill(Qt::white);
            QPainter painter(&alone);
            painter.setFont(button->font());
            painter.drawText(alone.rect(), Qt::AlignCenter, QString::fromLatin1(words[i]));
            painter.end();
            const std::vector<int> expected = ink_by_line(alone);
            ASSERT_EQ(expected.size(), 1U);
            EXPECT_NEAR(drawn[i], expected[0], expected[0] / 5) << words[i];
        }
    }
}

// Setup > Machine on an active window. Every field shows the unit its file key keeps it in; "Ok"
// saves an edit that a fresh window reads back; a bad value is refused by its caption, its field
// takes the focus and nothing is saved.
TEST_F(DialogTest, MachinePageShowsUnitsSavesEditsAndRefusesBadValues) {
    m_.cnc.MachinePath = dir_ / "machine.cfg";
    ui::MachinePage page(m_.cnc);
    auto show_and_ok = [&](const char* field, const char* text) {
        m_.cnc.ShowMachinePage();
        page.Refresh();
        QApplication::setActiveWindow(&page);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&page));
        Type(page, field, text);
        QTest::mouseClick(Find<QAbstractButton>(page, "MachineOk"), Qt::LeftButton);
        page.Refresh(); // as the frame does when the core says that its models changed
    };
    for (int i = 0; i < machine::kKeys; ++i) {
        const std::string key = machine::Key(i);
        const std::string unit = Text(page, (key + "_unit").c_str());
        EXPECT_FALSE(unit.empty()) << key;
        EXPECT_TRUE(!key.ends_with("_mm") || unit.starts_with("mm")) << key << ": " << unit;
    }
    EXPECT_EQ(Text(page, "probe_feed_mm_per_min_unit"), "mm/min");

    show_and_ok("plate_thickness_mm", "12.5");
    EXPECT_FALSE(page.isVisible());
    const std::string saved = Slurp(m_.cnc.MachinePath);
    EXPECT_NE(saved.find("\nplate_thickness_mm = 12.5\n"), std::string::npos) << saved;
    TestMachine fresh;
    fresh.cnc.MachinePath = m_.cnc.MachinePath;
    fresh.cnc.ReadMachineSettings();
    EXPECT_EQ(Text(ui::MachinePage(fresh.cnc), "plate_thickness_mm"), "12.5");

    show_and_ok("probe_feed_mm_per_min", "fast");
    EXPECT_EQ(m_.op.messages().back().text, "Probing feed must be a feed of 0.1 mm/min or above: nothing was saved.");
    EXPECT_TRUE(page.isVisible());
    EXPECT_EQ(QApplication::focusWidget(), Find<QLineEdit>(page, "probe_feed_mm_per_min"));
    EXPECT_EQ(Slurp(m_.cnc.MachinePath), saved);
}

// "Probe Z" on the Point page, online, the probe pulling pin 15 low: Z steps down until it reads
// the touch, then two steps up (0.015 mm), and Program Z is the plate's thickness at the touch.
// Not found, Z went the whole 0.1 mm down, it says so, and no other axis moved.
TEST_F(MainWindowTest, ProbeZComesDownToTheTouchOrSaysHowFarItWent) {
    cnc_.st.Offline = false;
    cnc_.st.LoopCal = 60000;
    ASSERT_EQ(cnc_.LoadMachineSettingsText(
                  "probe = low\nprobe_distance_mm = 0.1\nprobe_backoff_mm = 0.015\nplate_thickness_mm = 10\n"),
              "");
    ASSERT_TRUE(cnc_.MachinePageOk());
    port_.clear();
    AtYield(op_.yields() + 4, [this] { port_.set_status(119); });
    Click(*window_, "ProbeZ");
    const std::vector<Steps> pulses = MotorSteps(port_);
    ASSERT_GT(pulses.size(), 2U);
    std::vector<Steps> expected(pulses.size() - 2, Steps{0, 0, -1});
    expected.insert(expected.end(), 2, Steps{0, 0, 1});
    EXPECT_EQ(pulses, expected);
    EXPECT_NEAR(cnc_.st.ProgPosZ, 10.015, 1e-9);
    EXPECT_EQ(cnc_.status.Notice, "Probe touched: Program Z is 10.0000 at the plate.");

    port_.set_status(127);
    port_.clear();
    Click(*window_, "ProbeZ");
    EXPECT_EQ(MotorSteps(port_), std::vector<Steps>(13, Steps{0, 0, -1}));
    EXPECT_EQ(op_.messages().back().text, "Probe did not touch within 0.0975 mm");
}

} // namespace
} // namespace tamo
