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

// The listing follows the running line, and the step controls' line while their page is in view.
TEST(OperatorStatus, ListingLineIsTheRunningOrTheSteppedLine) {
    TestMachine m;
    m.Load("G01 X1 F100\nG01 Y1\nG01 X0\n");
    m.cnc.ShowPage(0);
    m.cnc.StepForward();
    m.cnc.StepForward();
    EXPECT_EQ(m.cnc.ListingLine(), 2);
    int during = 0;
    m.AtYield(1, [&] { during = m.cnc.ListingLine(); });
    m.cnc.Start();
    EXPECT_EQ(during, 1);
    EXPECT_EQ(m.cnc.ListingLine(), 2); // the step page is still in view
    m.cnc.ShowPage(3);
    EXPECT_EQ(m.cnc.ListingLine(), 3); // the run passed the last line
}

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

// The time left follows the estimate: the whole program before a Start, the rest from the start of
// the stopped line when paused; an estimate that no longer holds (the override changed) is not
// shown until the next Start works it out again.
TEST(OperatorStatus, TimeLeftCountsFromTheLineInProgress) {
    TestMachine m;
    m.Load("G01 X3 F1\nG01 Y1.5\nG01 X0\n"); // 400, 200 and 400 ticks of 450 ms at F1
    m.cnc.UpdateStatus();
    EXPECT_EQ(m.cnc.status.Left, ""); // nothing worked out yet
    (void)m.cnc.Estimate();
    m.cnc.UpdateStatus();
    EXPECT_EQ(m.cnc.status.Left, "about 7:30 left");

    m.AtYield(450, [&] { m.cnc.Pause(); }); // during line 2
    m.cnc.Start();
    m.cnc.UpdateStatus();
    EXPECT_EQ(m.cnc.status.Line, "Line 2 of 3");
    EXPECT_EQ(m.cnc.status.Left, "about 4:30 left");

    m.cnc.main.Overide = "200";
    m.cnc.UpdateStatus();
    EXPECT_EQ(m.cnc.status.Left, "");
    m.cnc.Start(); // the rest of the program, at the new override
    m.cnc.UpdateStatus();
    EXPECT_EQ(m.cnc.status.Left, ""); // finished

    m.st.LoopCal = 0;
    m.Load("G01 X3 F1\n");
    (void)m.cnc.Estimate();
    m.cnc.UpdateStatus();
    EXPECT_EQ(m.cnc.status.Left, "no calibration");
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
