// What the operator sees at a glance: the run time in the status texts, the readouts that follow a
// move, the listing's line and how the frame's area is shared. The machine's state in the status bar
// and the cut part of a redrawn toolpath are seen in the frame (OperatorView, ViewRedraw).

#include "test_machine.h"

#include <gtest/gtest.h>

#include <algorithm>
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

    struct Case {
        int width, height, listing_width;
        Cnc::Box view, listing;
    };
    const std::vector<Case> cases{
        // The smallest frame, as wide as the readouts need.
        {760, 450, 220, {0, 0, 340, 320}, {340, 0, 220, 320}},
        // 1920 x 1080 less menu and status bars: the readouts keep their height whatever the room.
        {1920, 1030, 220, {0, 0, 1500, 900}, {1500, 0, 220, 900}},
        // A listing dragged wider than the view allows, or narrower than its least.
        {1000, 700, 900, {0, 0, 320, 570}, {320, 0, 480, 570}},
        {1000, 700, 40, {0, 0, 680, 570}, {680, 0, 120, 570}},
        // Hidden: the view takes its place.
        {1000, 700, 0, {0, 0, 800, 570}, {800, 0, 0, 570}},
    };
    for (const Case& c : cases) {
        parts.listing_width = c.listing_width;
        const Cnc::FrameLayout l = Cnc::LayoutFrame(c.width, c.height, parts);
        EXPECT_EQ(l.view, c.view) << c.width << "x" << c.height;
        EXPECT_EQ(l.listing, c.listing) << c.width << "x" << c.height;
        EXPECT_EQ(l.panel, (Cnc::Box{c.width - 200, 0, 200, c.height - 130}));
        EXPECT_EQ(l.bar, (Cnc::Box{0, c.height - 130, c.width, 130}));
    }
}

} // namespace
} // namespace tamo
