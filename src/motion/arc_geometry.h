#pragma once

// One arc as the machine cuts it: G02 or G03 in the XY plane, from a start point to an end point,
// about the centre that the I and J offsets give, and helical when the end's Z differs from the
// start's. The arc walk (ArcMove), the run-time estimate, the preview and the program check all
// take the arc from here, so that what is drawn, counted and checked is what is cut.
//
// The walk turns from the start angle in the direction of travel in equal increments, one tick
// each, and ends one increment past the sweep; a straight move then lands on the end point.

namespace tamo {

// The block as the arc reads it, in program coordinates.
struct ArcBlock {
    double start_x = 0, start_y = 0, start_z = 0;
    double end_x = 0, end_y = 0, end_z = 0;
    double i = 0, j = 0; // the centre relative to the start
    int dir = 1;         // +1 clockwise (G02), -1 counter-clockwise (G03)
};

struct ArcGeometry {
    double centre_x = 0, centre_y = 0, radius = 0;
    double end_dx = 0, end_dy = 0; // the programmed end relative to the centre
    // Polar angles about the centre, counter-clockwise from +X, in (-pi, pi]: the start's, and the
    // programmed end's (its own angle, wherever it lies off the circle).
    double start_raw = 0, end_raw = 0;
    // The same as the sweep compares them: a clockwise arc's start and a counter-clockwise arc's
    // end moved into [0, 2 pi).
    double start_angle = 0, end_angle = 0;
    // The angle turned in the direction of travel, the whole way round: (0, 2 pi]. An end within
    // one X step of arc from the start is the whole circle.
    double sweep = 0;
    // One increment: an X step of arc length, so that the path runs at the feed; on a helix that
    // needs more Z steps than that, the sweep shared out over one increment per Z step.
    double angle_step = 0;
    double start_z = 0, end_z = 0;
    int dir = 1;

    // A radius of 0, or one so large that an increment no longer turns, leaves nothing to walk.
    [[nodiscard]] bool Walkable() const;
    [[nodiscard]] bool Helical() const { return end_z != start_z; }
    // The angle after turning `walked` from the start.
    [[nodiscard]] double AngleAt(double walked) const { return start_raw - dir * walked; }
    [[nodiscard]] double XAt(double walked) const;
    [[nodiscard]] double YAt(double walked) const;
    // Z in proportion to the angle turned, held at the end past the sweep.
    [[nodiscard]] double ZAt(double walked) const;
    // The ticks of the walk, 0 to one increment past the sweep (without the drift of adding the
    // increment up, which can cost or add one).
    [[nodiscard]] double Increments() const;
};

// The centre and radius of a block: the part of its geometry that no step size enters.
struct ArcCentre {
    double x = 0, y = 0, radius = 0;
};
[[nodiscard]] ArcCentre CentreOf(const ArcBlock& block);

// The geometry of a block on a machine whose X and Z travel `step_x` and `step_z` per step.
[[nodiscard]] ArcGeometry MakeArcGeometry(const ArcBlock& block, double step_x, double step_z);

// What an arc leaves in I and J for a later block that omits them: its start relative to its
// centre, with a J of 0 replaced by the new I (the sign rule of the machine's angle computation
// has always needed it, and programs rely on what it leaves).
void LeaveCentreOffsets(double& i, double& j);

// Whether std::hypot(dx, dy) lies surely within `apart` of `length`, or (the second form) of
// std::hypot(ex, ey), told without the library's call: where the squares stay well inside the
// normal numbers, the plain square root of the sum of squares is a few roundings from it, and the
// room left for those is far above them. False where that cannot tell (a length of 0 or beyond
// 1e100, a NaN, a difference within the room of `apart`): the caller then asks std::hypot.
[[nodiscard]] bool SurelyWithin(double dx, double dy, double length, double apart);
[[nodiscard]] bool SurelyWithin(double dx, double dy, double ex, double ey, double apart);

} // namespace tamo
