// The settings, scale and coordinate windows, driven by object name on the offscreen platform: what
// the operator types reaches the core at once, the buttons call the core, and the windows show
// what the core left in their models.

#include "../test_machine.h"
#include "ui/coordinate_dialog.h"
#include "ui/scale_dialog.h"
#include "ui/settings_dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace tamo {
namespace {

namespace fs = std::filesystem;

// One application for the whole executable, whichever test file comes first.
void EnsureApplication() {
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char arg0[] = "gui_tests";
        static char* argv[] = {arg0, nullptr};
        new QApplication(argc, argv);
    }
}

template <class T> T* Find(const QWidget& window, const char* name) {
    auto* widget = window.findChild<T*>(name);
    if (widget == nullptr) {
        throw std::runtime_error(std::string("no control ") + name);
    }
    return widget;
}

QString Text(const QWidget& window, const char* name) {
    if (auto* combo = window.findChild<QComboBox*>(name)) {
        return combo->currentText();
    }
    if (auto* label = window.findChild<QLabel*>(name)) {
        return label->text();
    }
    return Find<QLineEdit>(window, name)->text();
}

void Click(const QWidget& window, const char* name) {
    Find<QAbstractButton>(window, name)->click();
}

// Key by key, as the operator types: replaces the field's whole text.
void Type(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    for (const QChar ch : text) {
        const int key = ch.toUpper().unicode();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(edit, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(ch));
        QCoreApplication::sendEvent(edit, &release);
    }
}

void Type(const QWidget& window, const char* name, const QString& text) {
    if (auto* combo = window.findChild<QComboBox*>(name)) {
        Type(combo->lineEdit(), text);
    } else {
        Type(Find<QLineEdit>(window, name), text);
    }
}

void Send(QWidget& window, QEvent::Type type) {
    QEvent event(type);
    QCoreApplication::sendEvent(&window, &event);
}

std::vector<std::string> FileLines(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

void SaveScreen(QWidget& window, const std::string& file) {
    const fs::path folder = TAMO_SCREENS_DIR;
    fs::create_directories(folder);
    EXPECT_TRUE(window.grab().save(QString::fromStdString((folder / file).string())));
}

// A machine started without a file, whose configuration then lives in a folder of its own.
class DialogTest : public ::testing::Test {
protected:
    DialogTest() {
        EnsureApplication();
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        folder_ = fs::temp_directory_path() / ("tamo-dialogs-" + std::to_string(::getpid()) + "-" + test);
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        m_.cnc.ConfigPath = folder_ / "tamo.cfg";
    }
    ~DialogTest() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    test::TestMachine m_;
    fs::path folder_;
};

class DialogSettings : public DialogTest {};
class DialogScale : public DialogTest {};
class DialogCoordinates : public DialogTest {};

TEST_F(DialogSettings, UnitOptionsConvertOnceAndRelabel) {
    ui::SettingsDialog dialog(m_.cnc);
    m_.cnc.ShowSettings();
    dialog.Refresh();
    ASSERT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.windowTitle(), "Settings");
    EXPECT_EQ(Text(dialog, "Combo7_0"), "3.00");
    EXPECT_EQ(Text(dialog, "Label4"), "mm/");

    Click(dialog, "OptionIn");
    EXPECT_EQ(Text(dialog, "Combo7_0"), "0.118");
    EXPECT_EQ(Text(dialog, "Label4"), "In/");
    EXPECT_EQ(Text(dialog, "Label18"), "(In)");
    EXPECT_TRUE(Find<QAbstractButton>(dialog, "OptionIn")->isChecked());
    EXPECT_FALSE(Find<QAbstractButton>(dialog, "optionmm")->isChecked());

    Click(dialog, "OptionIn"); // already selected: no second conversion
    EXPECT_EQ(Text(dialog, "Combo7_0"), "0.118");

    Click(dialog, "optionmm");
    EXPECT_EQ(Text(dialog, "Combo7_0"), "3.00");
    EXPECT_EQ(Text(dialog, "Label4"), "mm/");
    EXPECT_EQ(Text(dialog, "Label18"), "(mm)");
}

TEST_F(DialogSettings, TypingReachesTheModelAndRefreshLeavesTheCursor) {
    ui::SettingsDialog dialog(m_.cnc);
    Type(dialog, "Combo2_1", "800");
    Type(dialog, "Text2", "12");
    Type(dialog, "Combo5", "None");
    EXPECT_EQ(m_.cnc.settings.Combo2[1], "800");
    EXPECT_EQ(m_.cnc.settings.Text2, "12");
    EXPECT_EQ(m_.cnc.settings.Combo5, "None"); // typed, not completed to a list item

    QLineEdit* lead = Find<QComboBox>(dialog, "Combo7_0")->lineEdit();
    lead->setCursorPosition(1);
    dialog.Refresh();
    EXPECT_EQ(lead->cursorPosition(), 1);

    // A greyed box from the file shows greyed; a click checks it, and no click greys it again.
    m_.cnc.settings.YReverse = kGreyed;
    dialog.Refresh();
    auto* reverse = Find<QCheckBox>(dialog, "YReverse");
    EXPECT_EQ(reverse->checkState(), Qt::PartiallyChecked);
    reverse->click();
    EXPECT_EQ(m_.cnc.settings.YReverse, kChecked);
    reverse->click();
    EXPECT_EQ(m_.cnc.settings.YReverse, kUnchecked);
}

TEST_F(DialogSettings, OkWritesTheFileAndReadsItBack) {
    ui::SettingsDialog dialog(m_.cnc);
    m_.cnc.ShowSettings();
    dialog.Refresh();
    Type(dialog, "Combo3_0", "450");
    EXPECT_EQ(NumberOf(m_.st.JogFastX), 500); // not applied before "Ok"

    Click(dialog, "opsaetok");
    const std::vector<std::string> lines = FileLines(m_.cnc.ConfigPath);
    ASSERT_EQ(lines.size(), 48U);
    EXPECT_EQ(lines[12], "450");
    EXPECT_TRUE(IsNumber(m_.st.JogFastX));
    EXPECT_EQ(NumberOf(m_.st.JogFastX), 450);
    EXPECT_FALSE(m_.cnc.settings.Visible);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(DialogSettings, RefusedOkKeepsTheWindowOpenAndWritesNothing) {
    ui::SettingsDialog dialog(m_.cnc);
    m_.cnc.ShowSettings();
    dialog.Refresh();
    Type(dialog, "Combo6_1", "1,5");
    Click(dialog, "opsaetok");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(fs::exists(m_.cnc.ConfigPath));
    EXPECT_FALSE(m_.op.messages().empty());
    EXPECT_EQ(Text(dialog, "Combo6_1"), "1,5");

    // The close box is "Cancel": hidden, the edit kept, still nothing written.
    dialog.close();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(m_.cnc.settings.Visible);
    EXPECT_EQ(m_.cnc.settings.Combo6[1], "1,5");
    EXPECT_FALSE(fs::exists(m_.cnc.ConfigPath));
}

TEST_F(DialogScale, InToMmThenOkSetsTheFactorsAndResetsThePositions) {
    ui::ScaleDialog dialog(m_.cnc);
    m_.cnc.ShowScale();
    dialog.Refresh();
    ASSERT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.windowTitle(), "Scale Factors");
    EXPECT_EQ(Find<QAbstractButton>(dialog, "Command4")->text(), "Converts all from   In to mm");
    m_.st.ProgPosX = 5;
    m_.st.ProgPosY = -2;

    Click(dialog, "Command4");
    for (const char* name : {"Combo1_0", "Combo1_1", "Combo1_2", "Combo1_3"}) {
        EXPECT_EQ(Text(dialog, name), "25.4") << name;
    }
    Click(dialog, "Command2");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(m_.st.ProgPosX, 0);
    EXPECT_EQ(m_.st.ProgPosY, 0);
}

TEST_F(DialogScale, CancelPutsBackTheTextsOfTheLastActivation) {
    ui::ScaleDialog dialog(m_.cnc);
    m_.cnc.ShowScale();
    dialog.Refresh();
    Send(dialog, QEvent::WindowActivate);
    Type(dialog, "Combo1_1", "2");
    EXPECT_EQ(m_.cnc.scale.Combo1[1], "2"); // the parser sees it before "Ok"
    Click(dialog, "Command3");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(Text(dialog, "Combo1_1"), "1");

    // Back from another window: the activation saved the typed text, which "Cancel" keeps.
    m_.cnc.ShowScale();
    dialog.Refresh();
    Send(dialog, QEvent::WindowActivate);
    Type(dialog, "Combo1_1", "2");
    Send(dialog, QEvent::WindowActivate);
    Click(dialog, "Command5");
    dialog.close(); // the close box is "Cancel"
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(Text(dialog, "Combo1_1"), "2");
    EXPECT_EQ(Text(dialog, "Combo1_0"), "1");
}

// The refusal's message box takes the activation away and gives it back; "Cancel" must still go
// back to the texts from before the refused factor.
TEST_F(DialogScale, RefusedOkKeepsTheWindowAndCancelStillRestores) {
    ui::ScaleDialog dialog(m_.cnc);
    m_.cnc.ShowScale();
    dialog.Refresh();
    Send(dialog, QEvent::WindowActivate);
    Type(dialog, "Combo1_2", "abc");

    QDialog message;
    message.setModal(true);
    m_.op.OnMessage([&](const ScriptedOperator::Message&) {
        message.show();
        Send(dialog, QEvent::WindowDeactivate);
        message.hide();
    });
    Click(dialog, "Command2");
    Send(dialog, QEvent::WindowActivate);
    ASSERT_EQ(m_.op.messages().size(), 1U);
    EXPECT_TRUE(dialog.isVisible());

    Click(dialog, "Command3");
    EXPECT_EQ(Text(dialog, "Combo1_2"), "1");
}

TEST_F(DialogCoordinates, SetTypeLeaveOk) {
    ui::CoordinateDialog dialog(m_.cnc);
    EXPECT_FALSE(dialog.isVisible());
    m_.st.ProgPosY = 3;
    m_.cnc.SetPrg();
    dialog.Refresh();
    ASSERT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.windowTitle(), "Set Program Coordinates");
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

TEST_F(DialogCoordinates, ZeroAllThenCancelDiscardsTheDialog) {
    ui::CoordinateDialog dialog(m_.cnc);
    m_.st.MachPosX = 4;
    m_.st.MachPosZ = -1;
    m_.cnc.SetMachine();
    dialog.Refresh();
    EXPECT_EQ(dialog.windowTitle(), "Set Machine Coordinates");
    Click(dialog, "Command4_2");
    EXPECT_EQ(Text(dialog, "Combo1_0"), "4.0000");
    EXPECT_EQ(Text(dialog, "Combo1_2"), "0.0000");
    Click(dialog, "Command3");
    EXPECT_EQ(Text(dialog, "Combo1_0"), "0.0000");

    Click(dialog, "Command2");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(m_.cnc.coord.Exists);
    EXPECT_EQ(m_.st.MachPosX, 4);
    EXPECT_EQ(m_.st.MachPosZ, -1);

    // Opened again and closed by its frame: discarded the same way.
    m_.cnc.SetMachine();
    dialog.Refresh();
    ASSERT_TRUE(dialog.isVisible());
    EXPECT_EQ(Text(dialog, "Combo1_0"), "4.0000");
    dialog.close();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(m_.cnc.coord.Exists);
}

// Pictures of the three windows as the operator first sees them, with values wide enough to show
// whether a field cuts its text.
TEST_F(DialogTest, ScreensOfTheWindows) {
    ui::SettingsDialog settings(m_.cnc);
    settings.show();
    SaveScreen(settings, "settings_mm.png");
    Click(settings, "OptionIn");
    SaveScreen(settings, "settings_in.png");

    ui::ScaleDialog scale(m_.cnc);
    scale.show();
    Click(scale, "Command5");
    SaveScreen(scale, "scale_mm_to_in.png");

    ui::CoordinateDialog coordinates(m_.cnc);
    m_.st.MachPosX = -1234.56789;
    m_.cnc.SetMachine();
    coordinates.Refresh();
    coordinates.show();
    SaveScreen(coordinates, "coordinates_machine.png");
}

} // namespace
} // namespace tamo
