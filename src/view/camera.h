#pragma once

#include "view/toolpath.h"

namespace tamo {

// How the 3-D view looks at the toolpath: from a direction (an azimuth about Z and an elevation
// above the XY plane), with a world point at the centre of the view and a scale in pixels per
// program unit. The projection is orthographic, so a unit is as long near as far and lengths can
// be compared by eye.
//
// Seen from the presets: Top has X to the right and Y up; Front looks along +Y, X to the right
// and Z up; Side looks along -X, Y to the right and Z up; Iso looks from the front right above,
// the three axes at equal angles.
class Camera {
public:
    enum class Preset { Top, Front, Side, Iso };

    // Turns to look from the preset's direction; centre and scale stay.
    void Look(Preset preset);
    // Centre and scale so that the box fills a view of `width` x `height` pixels, seen from the
    // present direction, with the same margin as the top view's.
    void Fit(const Box3& box, double width, double height);
    // A drag of the mouse by (dx, dy) pixels: across turns the part about the vertical, down tilts
    // it towards a view from above; the point at the centre stays.
    void Orbit(double dx, double dy);
    // A drag by (dx, dy) pixels moves the drawing with the pointer.
    void Pan(double dx, double dy);
    // Scales by `factor` about the pixel (px, py): the point under it stays under it.
    void ZoomAt(double factor, double px, double py, double width, double height);

    // screen x = xx X + xy Y + xz Z + x0, screen y = yx X + yy Y + yz Z + y0, in pixels from the top
    // left corner of a view of `width` x `height`.
    struct Affine {
        double xx, xy, xz, x0;
        double yx, yy, yz, y0;
    };
    [[nodiscard]] Affine Projection(double width, double height) const;

    [[nodiscard]] double azimuth() const { return azimuth_; }
    [[nodiscard]] double elevation() const { return elevation_; }
    [[nodiscard]] double scale() const { return scale_; }

private:
    // The screen's right and up directions in the world.
    void Axes(double (&right)[3], double (&up)[3]) const;

    double azimuth_ = 0;
    double elevation_ = 1.5707963267948966; // from above
    double scale_ = 1;                      // pixels per unit
    double centre_[3] = {0, 0, 0};
};

} // namespace tamo
