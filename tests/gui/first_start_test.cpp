// The frame as a first start opens it on the screen the tests run on (1600 x 1000 by default, and
// once each on a laptop's 1366 x 768 and on 1920 x 1080, see tests/CMakeLists.txt): the size it
// takes, the view's share of it, and every text the operator reads there whole. The pictures go to
// build/<preset>/screens/first_start_<width>x<height>.png for the README's first job.

#include "main_window_fixture.h"

#include <QListWidget>
#include <QScreen>
#include <QStatusBar>

namespace tamo {
namespace {

using namespace test;

class FirstStart : public MainWindowTest {
protected:
    bool Logged(const std::string& text) const {
        for (const auto& entry : cnc_.log.entries()) {
            if (entry.text == text) {
                return true;
            }
        }
        return false;
    }
};

TEST_F(FirstStart, TheFrameTakesTheScreenAndTheViewAtLeastHalfOfIt) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const std::string size = std::to_string(screen.width()) + "x" + std::to_string(screen.height());
    SCOPED_TRACE(size);
    window_->PlaceAtStart();
    QCoreApplication::processEvents();
    if (screen.width() <= 1440) { // a laptop's screen, used whole
        EXPECT_EQ(window_->frameGeometry().size(), screen.size());
        EXPECT_TRUE(window_->isMaximized());
    } else {
        EXPECT_EQ(window_->size(), screen.size() * 3 / 4);
        EXPECT_LE((window_->geometry().center() - screen.center()).manhattanLength(), 10);
    }
    Open(TAMO_SOURCE_DIR "/gcodes/bracket.txt");
    const QSize view = window_->view()->size();
    const double share = double(view.width()) * view.height() / (double(window_->width()) * window_->height());
    EXPECT_GE(share, 0.5) << view.width() << "x" << view.height() << " of " << window_->width() << "x"
                          << window_->height();
    // The title has no blanks in front, and the status bar says the machine is offline.
    EXPECT_EQ(window_->windowTitle().toStdString().rfind("TamoCNC", 0), 0u);
    EXPECT_EQ(Text(*window_, "StatusPort"), "Offline: practice, nothing reaches the port");
    SaveScreen(*window_, "first_start_" + size + ".png");
}

// A status section too narrow for its text ends it in "…" and has the whole text as its tooltip and
// in the log; a readout of seven integer digits shows every digit; a dialog opens over the frame's
// middle.
TEST_F(FirstStart, NoTextIsLostWhereTheFrameIsNarrow) {
    window_->resize(1366, 700);
    QCoreApplication::processEvents();
    const std::string notice = "Program origin set at machine X1234.5678 Y-987.6543 Z12.5000; " + std::string(30, '-') +
                               " and the rest of a long notice that cannot fit";
    cnc_.status.Check = "Program check: 8 errors, 12 warnings";
    cnc_.status.Notice = notice;
    cnc_.st.MachPosX = -1234567.1234;
    cnc_.st.ProgPosY = 7654321.5;
    cnc_.UpdateReadouts();
    window_->Refresh();
    window_->resize(700, 700);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    for (const char* name : {"StatusCheck", "StatusNotice", "StatusPort"}) {
        const auto* section = Find<QLabel>(*window_, name);
        EXPECT_EQ(section->toolTip(), section->text()) << name;
    }
    const auto* shown = Find<QLabel>(*window_, "StatusNotice");
    ASSERT_GT(shown->fontMetrics().horizontalAdvance(shown->text()), shown->width()) << "the notice is cut";
    EXPECT_TRUE(Logged(notice));

    for (const char* name : {"MachOutLl_0", "PrgOutlbl_1"}) {
        const auto* readout = Find<QLabel>(*window_, name);
        EXPECT_LE(readout->fontMetrics().horizontalAdvance(readout->text()), readout->contentsRect().width())
            << name << " " << readout->text().toStdString();
    }
    EXPECT_EQ(Text(*window_, "MachOutLl_0"), "-1234567.1234");

    window_->resize(1366, 700);
    window_->move(100, 50);
    QCoreApplication::processEvents();
    Trigger(*window_, "Machine_menu");
    const auto* machine = Find<QWidget>(*window_, "MachinePage");
    ASSERT_TRUE(machine->isVisible());
    EXPECT_LE((machine->frameGeometry().center() - window_->frameGeometry().center()).manhattanLength(), 4);
}

// A refused typed line is answered in the Point page's list, with no box over it; the answer wraps
// to the list's width, read whole; Return leaves the focus in the field for the next line.
TEST_F(FirstStart, ThePointPagesAnswersAreReadWhole) {
    window_->resize(1366, 700);
    Click(*window_, "Command4_2");
    auto* line = Find<QLineEdit>(*window_, "MdiLine");
    const std::size_t boxes = op_.messages().size();
    Type(line, "G01 X20 Y10 F0");
    QTest::keyClick(line, Qt::Key_Return);
    EXPECT_EQ(op_.messages().size(), boxes) << op_.messages().back().text;
    EXPECT_TRUE(line->hasFocus());
    auto* list = Find<QListWidget>(*window_, "MdiHistory");
    ASSERT_EQ(list->count(), 1);
    QCoreApplication::processEvents();
    const QListWidgetItem* item = list->item(0);
    EXPECT_NE(item->text().indexOf(QStringLiteral("its feed is 0")), -1) << item->text().toStdString();
    const QRect room = list->viewport()->rect();
    const QRect needed =
        list->fontMetrics().boundingRect(QRect(0, 0, room.width() - 8, 0), Qt::TextWordWrap, item->text());
    const QRect given = list->visualItemRect(item);
    EXPECT_LE(given.right(), room.right());
    EXPECT_GE(given.height(), needed.height()) << item->text().toStdString();
}

} // namespace
} // namespace tamo
