// Options > "Latency Test" on the offscreen platform, with a clock that never waits: the window
// runs the deadline loop with the events let in after every tick and shows what it measured.

#include "gui_fixture.h"
#include "ui/main_window.h"
#include "ui/qt_operator.h"
#include "ui/qt_surface.h"

#include <QDialog>

namespace tamo {
namespace {

using namespace test;

TEST(LatencyWindow, RunsFromTheOptionsMenuAndShowsHowLateTheTicksCame) {
    EnsureApplication();
    SimulatedPort port;
    FakeClock clock;
    ui::QtOperator op;
    ui::QtSurface surface;
    Cnc cnc{port, clock, op, surface};
    op.set_scripted(true);
    cnc.StartUp(true);
    ui::MainWindow window(cnc, op, surface);
    window.set_end_process([] {});
    window.show();
    // The events after the 100th tick take 3 ms: that tick's successor comes 2.1 ms after its due time.
    op.set_yield_hook([&](std::uint64_t n) {
        if (n == 100) {
            clock.AdvanceNs(3'000'000);
        }
    });

    Trigger(window, "Mnu_Latency");
    auto* latency = Find<QDialog>(window, "LatencyTest");
    EXPECT_TRUE(latency->isVisible());
    EXPECT_EQ(Text(*latency, "LatencyPeriod"), "900") << "0.0075 mm a step at the fast jog rate of 500 mm/min";
    Type(*latency, "LatencySeconds", QStringLiteral("1"));
    Click(*latency, "LatencyStart");
    const std::string result = Text(*latency, "LatencyResult");
    EXPECT_NE(result.find("max 2100.0 us"), std::string::npos) << result;
    EXPECT_NE(result.find("Real-time priority: off"), std::string::npos) << result;
    EXPECT_GT(op.yields(), 1000u);
    SaveScreen(*latency, "latency_test.png");

    Type(*latency, "LatencySeconds", QStringLiteral("0"));
    Click(*latency, "LatencyStart");
    EXPECT_EQ(Text(*latency, "LatencyResult"), "Seconds: above 0, at most 3600. Period: 1 to 1000000 microseconds.");
}

} // namespace
} // namespace tamo
