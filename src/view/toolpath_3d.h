#pragma once

// The 3-D view's drawing: the toolpath record seen through a camera, into a plain image of 32-bit
// pixels (0xffRRGGBB), in the top view's colours. No window toolkit here: the windows show the
// image, and a drawing of a million moves takes a few tens of milliseconds on one core, so that the
// view can be turned at more than ten frames a second.

#include "platform/surface.h"
#include "view/camera.h"
#include "view/toolpath.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace tamo {

struct PixelImage {
    std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0; // pixels from one row to the next
};

struct Scene3D {
    const Toolpath* path = nullptr;
    std::size_t cut_moves = 0;  // the first moves, the part already cut, in the cut colour
    std::optional<Box3> travel; // the machine's travel, drawn as a box when it is known
    // While the view is being turned: a coarser toolpath that takes a fraction of the time, every
    // few end points joined by straight lines (arcs as their chords), redrawn whole once it stops.
    bool coarse = false;
    // Feed moves and arcs not yet cut coloured by the height they end at, from blue at the
    // toolpath's lowest Z to orange at its highest, in place of black.
    bool depth = false;
};

// White, the grid on the XY plane under the toolpath with the X and Y axes through the origin, the
// toolpath (rapids dashed green, feed moves and arcs black or by depth, the cut part in the cut
// colour), the travel box, and the program origin's three axes (X red, Y green, Z blue).
void DrawScene3D(const Camera& camera, const Scene3D& scene, PixelImage& image);

// Moves [first, last) of the toolpath over what is drawn, feed moves and arcs in `colour`: the part
// cut since the image was drawn.
void DrawMoves3D(const Camera& camera, const Toolpath& path, std::size_t first, std::size_t last, Colour colour,
                 PixelImage& image);

// The part of the segment from (x0, y0) along (dx, dy) that lies in the box from (left, top) to
// (right, bottom), as the parameters t0 <= t1 of its ends, within [0, 1] (Liang and Barsky's
// clipping). False when none of it does.
[[nodiscard]] bool ClipToBox(double x0, double y0, double dx, double dy, double left, double top, double right,
                             double bottom, double& t0, double& t1);

} // namespace tamo
