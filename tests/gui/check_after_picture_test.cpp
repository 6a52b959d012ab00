// In the 3-D view an Open's program check waits for the picture of the new program, so that the two
// do not share the processors while the operator waits for the picture; it always comes, also when
// the operator turns back to the top view before the picture is in.

#include "main_window_fixture.h"
#include "ui/view_3d.h"

#include <QTest>

#include <string>

namespace tamo {
namespace {

using namespace test;

class CheckAfterPictureTest : public MainWindowTest {
protected:
    bool Checked() {
        return QTest::qWaitFor([this] { return cnc_.status.Check.rfind("Program check: ", 0) == 0; }, 5000);
    }
};

const char* const kProgram = "G01 X10 Y5 F300\nG02 X20 Y5 I5 J0\nG00 Z5\nM06 T2\n";

TEST_F(CheckAfterPictureTest, TheCheckStartsOnceThePictureIsShown) {
    Trigger(*window_, "View_3D");
    ui::View3D& view = *window_->view_3d();
    view.Settle();
    Open(ProgramFile(kProgram));
    ASSERT_TRUE(view.drawing());
    EXPECT_NE(cnc_.status.Check, "Checking the program...");
    view.Settle();
    EXPECT_TRUE(view.Shows(*cnc_.toolpath()));
    ASSERT_TRUE(Checked()) << cnc_.status.Check;
    EXPECT_EQ(cnc_.status.Check, "Program check: no errors, 1 warning");
}

TEST_F(CheckAfterPictureTest, TheCheckComesWhenTheViewIsLeftBeforeItsPicture) {
    Trigger(*window_, "View_3D");
    window_->view_3d()->Settle();
    for (int open = 0; open < 2; ++open) {
        Open(ProgramFile(kProgram));
        Trigger(*window_, "View_3D"); // the top view again, at once
        ASSERT_TRUE(Checked()) << "open " << open << ": " << cnc_.status.Check;
        cnc_.status.Check.clear();
        Trigger(*window_, "View_3D");
    }
    // A second Open before the first's picture is in: the check is of the program opened last.
    Open(ProgramFile("G01 X1\n"));
    Open(ProgramFile(kProgram));
    ASSERT_TRUE(Checked()) << cnc_.status.Check;
    EXPECT_EQ(cnc_.status.Check, "Program check: no errors, 1 warning");
}

} // namespace
} // namespace tamo
