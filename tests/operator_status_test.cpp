// How the frame's area is shared. The run time, the readouts that follow a move and the listing's
// line are machine scripts; the machine's state in the status bar and the cut part of a redrawn
// toolpath are seen in the frame (OperatorView, ViewRedraw).

#include "golden_rows.h"
#include "interpreter/cnc.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace tamo {
namespace {

TEST(FrameLayout, TheViewTakesWhatPanelReadoutsAndListingLeave) {
    FrameParts parts;
    parts.panel_width = 200;
    parts.panel_height = 320;
    parts.bar_height = 130;
    parts.bar_width = 760;
    parts.listing_width = 220;
    parts.listing_least = 120;
    parts.view_least = 320;
    EXPECT_EQ(MinimumFrame(parts), (Box{0, 0, 760, 450}));

    const auto box = [](const std::string& text) {
        Box b;
        std::istringstream(text) >> b.x >> b.y >> b.width >> b.height;
        return b;
    };
    for (const test::Row& c : test::GoldenRows("layout/frame.txt")) {
        const int width = std::stoi(c[0]), height = std::stoi(c[1]);
        parts.listing_width = std::stoi(c[2]);
        const FrameLayout l = LayoutFrame(width, height, parts);
        EXPECT_EQ(l.view, box(c[3])) << c[5];
        EXPECT_EQ(l.listing, box(c[4])) << c[5];
        EXPECT_EQ(l.panel, (Box{width - 200, 0, 200, height - 130}));
        EXPECT_EQ(l.bar, (Box{0, height - 130, width, 130}));
    }
}

} // namespace
} // namespace tamo
