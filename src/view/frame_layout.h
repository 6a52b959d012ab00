#pragma once

// How the frame's client area is shared, in pixels. The control panel keeps its width along the
// right edge, the readout bar its least height along the bottom, the program listing the width the
// operator gave it, and the view takes all the rest.

namespace tamo {

struct FrameParts {
    int panel_width = 0;   // the control panel
    int panel_height = 0;  // what its controls need
    int bar_height = 0;    // the readout bar, readouts sized to their digits
    int bar_width = 0;     // what the readout bar needs
    int listing_width = 0; // the program listing as the operator left it; 0 when it is hidden
    int listing_least = 0; // the listing at its narrowest
    int view_least = 0;    // the view at its narrowest
};
struct Box {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const Box&) const = default;
};
struct FrameLayout {
    Box view, listing, panel, bar;
};
[[nodiscard]] FrameLayout LayoutFrame(int width, int height, const FrameParts& parts);
// The smallest client area at which every part is whole.
[[nodiscard]] Box MinimumFrame(const FrameParts& parts);

} // namespace tamo
