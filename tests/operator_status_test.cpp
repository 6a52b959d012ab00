// What the operator sees at a glance: the run time in the status texts, the readouts that follow a
// move, the listing's line and how the frame's area is shared. The machine's state in the status bar
// and the cut part of a redrawn toolpath are seen in the frame (OperatorView, ViewRedraw).

#include "golden_rows.h"
#include "test_machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace tamo {
namespace {

using test::TestMachine;

// The readouts follow a move by elapsed time, about twenty times a second, whatever the tick rate,
// and the run time counts only the time spent running since the fresh start.
TEST(OperatorStatus, LiveUpdateFollowsTheClockAndTheRunTimeLeavesOutPauses) {
    TestMachine m(true);
    m.st.LoopCal = 0;                  // offline and uncalibrated: every delay is 0
    m.clock.set_ns_per_iteration(1e6); // and a step is due one iteration, 1 ms, after the one before
    m.Load("G01 X3 F100\nG01 Y1.5\n"); // 400 + 200 ticks; the first step goes out at once
    int updates = 0;
    std::vector<std::string> shown;
    m.op.OnYield([&](std::uint64_t n) {
        if (m.cnc.LiveUpdate()) {
            ++updates;
            if (n == 201) {
                shown.push_back(m.cnc.main.PrgOutlbl[0] + " " + m.cnc.main.MachOutLl[0]);
            }
        }
        if (n == 300) {
            m.cnc.Pause();
        }
    });
    m.cnc.main.Check1 = kChecked; // "Constant contour on": no readout between lines
    m.cnc.Start();
    EXPECT_EQ(updates, 5); // every 50 ms of 299
    // The 201st step, at 200 ms.
    EXPECT_EQ(shown, (std::vector<std::string>{"1.5075 1.5075"}));
    m.clock.Advance(3'600'000); // an hour paused
    m.cnc.Start();
    m.cnc.UpdateStatus();
    EXPECT_EQ(m.cnc.status.Time, "Run time 0:00"); // 600 ms of running

    m.clock.set_ns_per_iteration(1e8); // 100 ms a tick
    m.op.OnYield(nullptr);
    m.cnc.Start(); // a fresh start from (3, 1.5): 400 ticks, 399 periods, and the time counts from 0
    m.cnc.UpdateStatus();
    EXPECT_EQ(m.cnc.status.Time, "Run time 0:39");
    m.clock.set_ns_per_iteration(1e10);
    m.cnc.Start();
    m.cnc.UpdateStatus();
    EXPECT_EQ(m.cnc.status.Time, "Run time 1:06:30");
}

TEST(FrameLayout, TheViewTakesWhatPanelReadoutsAndListingLeave) {
    Cnc::FrameParts parts;
    parts.panel_width = 200;
    parts.panel_height = 320;
    parts.bar_height = 130;
    parts.bar_width = 760;
    parts.listing_width = 220;
    parts.listing_least = 120;
    parts.view_least = 320;
    EXPECT_EQ(Cnc::MinimumFrame(parts), (Cnc::Box{0, 0, 760, 450}));

    const auto box = [](const std::string& text) {
        Cnc::Box b;
        std::istringstream(text) >> b.x >> b.y >> b.width >> b.height;
        return b;
    };
    for (const test::Row& c : test::GoldenRows("layout/frame.txt")) {
        const int width = std::stoi(c[0]), height = std::stoi(c[1]);
        parts.listing_width = std::stoi(c[2]);
        const Cnc::FrameLayout l = Cnc::LayoutFrame(width, height, parts);
        EXPECT_EQ(l.view, box(c[3])) << c[5];
        EXPECT_EQ(l.listing, box(c[4])) << c[5];
        EXPECT_EQ(l.panel, (Cnc::Box{width - 200, 0, 200, height - 130}));
        EXPECT_EQ(l.bar, (Cnc::Box{0, height - 130, width, 130}));
    }
}

} // namespace
} // namespace tamo
