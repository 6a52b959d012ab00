// Options > "Latency Test" on the offscreen platform, with a clock that never waits: the window
// runs the deadline loop with the events let in after every tick and shows its verdict, the
// histogram and the figures.

#include "gui_fixture.h"
#include "platform/realtime.h"
#include "ui/latency_histogram.h"
#include "ui/main_window.h"
#include "ui/qt_operator.h"
#include "ui/qt_surface.h"

#include <QDialog>

#include <sched.h>

namespace tamo {
namespace {

using namespace test;

// A system that grants real-time priority.
struct GrantingCalls final : SchedulingCalls {
    Policy policy{SCHED_OTHER, 0};
    int LockMemory() override { return 0; }
    Policy CurrentPolicy() override { return policy; }
    int SetRealtime(int priority) override {
        policy = {SCHED_FIFO, priority};
        return 0;
    }
    int SetPolicy(const Policy& p) override {
        policy = p;
        return 0;
    }
    int PriorityLimit() override { return 99; }
    long ThrottleRuntimeUs() override { return 950'000; }
    std::string UserName() override { return "alice"; }
};

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
    // The events after every 50th tick take 3 ms: that tick's successor comes 2.1 ms after its due
    // time.
    op.set_yield_hook([&](std::uint64_t n) {
        if (n % 50 == 0) {
            clock.AdvanceNs(3'000'000);
        }
    });

    Trigger(window, "Mnu_Latency");
    auto* latency = Find<QDialog>(window, "LatencyTest");
    EXPECT_TRUE(latency->isVisible());
    EXPECT_EQ(Text(*latency, "LatencyPeriod"), "900") << "0.0075 mm a step at the fast jog rate of 500 mm/min";
    // Every field, caption and button stands clear of the others.
    const QList<QWidget*> parts = latency->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (qsizetype a = 0; a < parts.size(); ++a) {
        for (qsizetype b = a + 1; b < parts.size(); ++b) {
            EXPECT_FALSE(parts[a]->isVisible() && parts[b]->isVisible() &&
                         parts[a]->geometry().intersects(parts[b]->geometry()))
                << parts[a]->objectName().toStdString() << " over " << parts[b]->objectName().toStdString();
        }
    }
    Type(*latency, "LatencySeconds", QStringLiteral("1"));
    Click(*latency, "LatencyStart");
    const std::string result = Text(*latency, "LatencyResult");
    EXPECT_NE(result.find("max 2100.0 us"), std::string::npos) << result;
    EXPECT_NE(result.find("Real-time priority: off"), std::string::npos) << result;
    EXPECT_GT(op.yields(), 1000u);
    // A tick in fifty 2.1 ms late, more than the one in a hundred the step rate leaves out: 47
    // steps/s, less than the 222 of the slow jog rate.
    EXPECT_EQ(Text(*latency, "LatencyVerdict"),
              "Too late for stepping: close other programs or allow real-time priority.");
    EXPECT_NE(Text(*latency, "LatencyWarning").find("needs 1111 steps/s"), std::string::npos);
    auto* histogram = Find<ui::LatencyHistogram>(*latency, "LatencyHistogram");
    EXPECT_TRUE(histogram->isVisible());
    const LatencyReport& report = histogram->report();
    EXPECT_EQ(report.bins[11], report.ticks / 50) << "2 to 5 ms";
    EXPECT_EQ(report.bins[0] + report.bins[11], report.ticks) << "the others on time";
    // Both bars stand on the axis: the on-time one blue, the late one red.
    const QImage drawn = histogram->grab().toImage();
    const int axis = histogram->height() - (histogram->fontMetrics().height() + 4) - 1;
    const double slot = static_cast<double>(histogram->width()) / static_cast<double>(report.bins.size());
    EXPECT_EQ(drawn.pixelColor(static_cast<int>(slot / 2), axis), QColor(60, 120, 200));
    EXPECT_EQ(drawn.pixelColor(static_cast<int>(11.5 * slot), axis), QColor(200, 40, 40));
    SaveScreen(*latency, "latency_test.png");

    // Where the system grants it, the ticks are measured at real-time priority, and only then.
    GrantingCalls calls;
    RealtimeRequest request(calls);
    clock.set_realtime(&request);
    int ticks_raised = 0;
    op.set_yield_hook([&](std::uint64_t) { ticks_raised += calls.policy.policy == SCHED_FIFO; });
    Click(*latency, "LatencyStart");
    EXPECT_NE(Text(*latency, "LatencyResult").find("Real-time priority: on"), std::string::npos);
    EXPECT_GT(ticks_raised, 1000);
    EXPECT_EQ(calls.policy.policy, SCHED_OTHER);
    clock.set_realtime(nullptr);

    Type(*latency, "LatencySeconds", QStringLiteral("0"));
    Click(*latency, "LatencyStart");
    EXPECT_EQ(Text(*latency, "LatencyVerdict"), "Seconds: above 0, at most 3600. Period: 1 to 1000000 microseconds.");
}

} // namespace
} // namespace tamo
