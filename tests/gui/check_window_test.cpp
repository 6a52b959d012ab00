// The program check in the windows: the status after Open, the list of Options > "Check Program",
// and a finding chosen from it.

#include "main_window_fixture.h"
#include "ui/check_window.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <filesystem>

namespace tamo {
namespace {

using namespace test;

// Lets the check's thread finish and its report arrive, within a few seconds.
void WaitForCheck(const ui::CheckWindow& window) {
    QCoreApplication::processEvents();
    (void)QTest::qWaitFor([&window] { return !window.checking(); }, 5000);
    ASSERT_FALSE(window.checking());
}

class CheckWindowTest : public MainWindowTest {
protected:
    void OpenChecked(const std::string& path) {
        Open(path);
        WaitForCheck(*Find<ui::CheckWindow>(*window_, "CheckWindow"));
    }
};

TEST_F(CheckWindowTest, OpenTellsTheStatusAndTheMenuListsTheFindings) {
    OpenChecked(ProgramFile("G17\nX10 Y10\nM06 T2\n"));
    EXPECT_EQ(cnc_.status.Check, "Program check: 1 error, 2 warnings");
    EXPECT_TRUE(op_.messages().empty()); // nothing modal, not even the tool change

    Trigger(*window_, "Mnu_Check");
    auto* window = Find<ui::CheckWindow>(*window_, "CheckWindow");
    WaitForCheck(*window);
    EXPECT_TRUE(window->isVisible());
    auto* list = Find<QListWidget>(*window, "CheckList");
    ASSERT_EQ(list->count(), 3);
    EXPECT_TRUE(list->item(1)->text().startsWith("Line 2  error: This line does not move"))
        << list->item(1)->text().toStdString();
    EXPECT_EQ(Text(*window, "CheckSummary"), "1 error, 2 warnings in 3 lines");
    SaveScreen(*window, "check_window.png");

    // A cancelled Open leaves no program, and nothing to tell.
    op_.set_next_files({});
    Trigger(*window_, "Open_Menu");
    QCoreApplication::processEvents();
    EXPECT_EQ(cnc_.status.Check, "");
    EXPECT_EQ(list->count(), 0);
}

TEST_F(CheckWindowTest, ChoosingAFindingAsksForItsLine) {
    OpenChecked(ProgramFile("G00 X1, Y2\nG17\nX3\n"));
    auto* window = Find<ui::CheckWindow>(*window_, "CheckWindow");
    std::vector<int> chosen;
    window->set_on_choose([&chosen](int line) { chosen.push_back(line); });
    auto* list = Find<QListWidget>(*window, "CheckList");
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text().left(25), "Line 2 (file line 1)  err");
    emit list->itemClicked(list->item(2));
    emit list->itemActivated(list->item(0));
    EXPECT_EQ(chosen, (std::vector<int>{4, 2}));
}

// "Convert and open" is offered when the converter resolves a finding; it writes NAME.tamo.nc
// beside the original, which stays as it was, and opens it, whose check then finds no error. Lines
// it could not convert are named first, and the operator may leave the converted program closed.
TEST_F(CheckWindowTest, ConvertAndOpenWritesTheConvertedProgramBesideTheOriginalAndOpensIt) {
    auto* window = Find<ui::CheckWindow>(*window_, "CheckWindow");
    window->set_choose_path([](const std::string& suggested) { return suggested; });
    OpenChecked(ProgramFile("G00 X5 Y5\n"));
    EXPECT_FALSE(Find<QPushButton>(*window, "CheckConvert")->isVisibleTo(window)) << "nothing to convert";

    const std::string original = "G21 G90 G17\r\nG0 X10 Y0\r\nG3 X-10 Y0 I-10 F300\r\nG92 X0 Y0\r\n";
    const std::string path = ProgramFile(original);
    const std::string converted = path.substr(0, path.size() - 4) + ".tamo.nc";
    OpenChecked(path);
    ASSERT_TRUE(Find<QPushButton>(*window, "CheckConvert")->isVisibleTo(window));
    window->show();
    SaveScreen(*window, "check_window_convert.png");
    op_.set_next_answers({false});
    Click(*window, "CheckConvert");
    ASSERT_EQ(op_.messages().size(), 1u);
    EXPECT_EQ(op_.messages()[0].text.find("1 line or word could not be converted"), 0u) << op_.messages()[0].text;
    EXPECT_NE(op_.messages()[0].text.find("line 4: G92 sets a coordinate offset"), std::string::npos);
    EXPECT_EQ(cnc_.main.Caption.find(converted), std::string::npos) << "left closed";

    op_.set_next_answers({true});
    Click(*window, "CheckConvert");
    WaitForCheck(*window);
    EXPECT_NE(cnc_.main.Caption.find(converted), std::string::npos) << cnc_.main.Caption;
    EXPECT_EQ(Slurp(path), original);
    EXPECT_NE(Slurp(converted).find("G03 X-10 I-10 J0 F300\r\n"), std::string::npos) << Slurp(converted);
    EXPECT_EQ(window->report().errors, 0);
}

// Retracts go up to the clearance height typed beside "Convert and open", which the next start of
// the windows shows again; a program with cutter compensation is refused whole and nothing written.
TEST_F(CheckWindowTest, ConvertTakesTheClearanceTypedAndRefusesCutterCompensation) {
    auto* window = Find<ui::CheckWindow>(*window_, "CheckWindow");
    window->set_choose_path([](const std::string& suggested) { return suggested; });
    const std::string path = ProgramFile("G21 G90\nG0 X4 Y-3 Z6\nG1 Z-1 F100\nG53 G0 Z0\nG0 X-7 Y2\n");
    OpenChecked(path);
    ASSERT_TRUE(Find<QPushButton>(*window, "CheckConvert")->isVisibleTo(window));
    auto* clearance = Find<QLineEdit>(*window, "CheckClearance");
    ASSERT_TRUE(clearance->isVisibleTo(window));
    window->show();
    clearance->setText("zero");
    Click(*window, "CheckConvert");
    ASSERT_EQ(op_.messages().size(), 1u);
    EXPECT_EQ(op_.messages()[0].text.find("The clearance height \"zero\" is not a number"), 0u);

    clearance->setText("25");
    Click(*window, "CheckConvert");
    WaitForCheck(*window);
    const std::string converted = path.substr(0, path.size() - 4) + ".tamo.nc";
    EXPECT_NE(Slurp(converted).find("G01 Z-1 F100\n(retract: up to the clearance height Z25)\nG00 Z25\nG00 X-7 Y2\n"),
              std::string::npos)
        << Slurp(converted);
    ui::CheckWindow again;
    again.set_config_path(cnc_.ConfigPath);
    EXPECT_EQ(Find<QLineEdit>(again, "CheckClearance")->text(), "25");

    const std::string compensated = ProgramFile("G0 X4 Y-3 Z6\nG1 Z-1 F100\nG91 G1 X2\nG90 G41 D1 X9\nY8\n");
    OpenChecked(compensated);
    ASSERT_TRUE(Find<QPushButton>(*window, "CheckConvert")->isVisibleTo(window));
    window->show();
    const std::size_t told = op_.messages().size();
    Click(*window, "CheckConvert");
    ASSERT_EQ(op_.messages().size(), told + 1);
    EXPECT_EQ(op_.messages().back().text.find("The program cannot be converted, and nothing was written: line 4: G41 "
                                              "compensates the cutter radius"),
              0u)
        << op_.messages().back().text;
    EXPECT_FALSE(std::filesystem::exists(compensated.substr(0, compensated.size() - 4) + ".tamo.nc"));
}

// A check started while another runs replaces it: only the later report is shown.
TEST_F(CheckWindowTest, ANewCheckReplacesOneInProgress) {
    std::string big;
    for (int k = 0; k < 200'000; ++k) {
        big += "G17\n";
    }
    ui::CheckWindow window;
    int reports = 0;
    window.set_on_report([&reports](const check::Report&) { ++reports; });
    op_.set_next_files({ProgramFile(big)});
    cnc_.Open_Menu();
    window.Start(check::CopyForCheck(cnc_));
    op_.set_next_files({ProgramFile("X1\n")});
    cnc_.Open_Menu();
    window.Start(check::CopyForCheck(cnc_));
    WaitForCheck(window);
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(window.report().lines, 1);
}

} // namespace
} // namespace tamo
