#include "motion/arc_geometry.h"

#include "motion/angles.h"

#include <algorithm>
#include <cmath>

namespace tamo {
namespace {

// The polar angle of (dx, dy) in (-pi, pi]: a point straight left of the centre is +pi whatever
// the sign of its zero, and a point straight right is +0.
double PolarAngle(double dx, double dy) {
    const double a = std::atan2(dy, dx) + 0.0;
    return a == -Pi() ? Pi() : a;
}

// A length's room for the roundings of the plain square root against std::hypot: a few parts in
// 1e16 of it, and a million times that here.
constexpr double kLengthRoom = 1e-10;

// The plain length of (dx, dy); 0 where its squares could leave the normal numbers.
double PlainLength(double dx, double dy) {
    const double squares = dx * dx + dy * dy;
    return squares >= 1e-200 && squares <= 1e200 ? std::sqrt(squares) : 0;
}

} // namespace

bool ArcGeometry::Walkable() const {
    return std::isfinite(angle_step) && angle_step > 0;
}

double ArcGeometry::XAt(double walked) const {
    return centre_x + radius * std::cos(AngleAt(walked));
}

double ArcGeometry::YAt(double walked) const {
    return centre_y + radius * std::sin(AngleAt(walked));
}

double ArcGeometry::ZAt(double walked) const {
    if (!Helical()) {
        return start_z;
    }
    return start_z + (end_z - start_z) * std::min(walked / sweep, 1.0);
}

double ArcGeometry::Increments() const {
    return std::floor((sweep + angle_step) / angle_step) + 1;
}

ArcCentre CentreOf(const ArcBlock& block) {
    return {block.start_x + block.i, block.start_y + block.j, std::sqrt(block.i * block.i + block.j * block.j)};
}

ArcGeometry MakeArcGeometry(const ArcBlock& block, double step_x, double step_z) {
    const double two_pi = 2 * Pi();
    ArcGeometry g;
    g.dir = block.dir;
    g.start_z = block.start_z;
    g.end_z = block.end_z;
    const ArcCentre centre = CentreOf(block);
    g.centre_x = centre.x;
    g.centre_y = centre.y;
    g.radius = centre.radius;
    g.end_dx = block.end_x - g.centre_x;
    g.end_dy = block.end_y - g.centre_y;
    // The end's own angle: an end a rounding off the circle near its left or right extreme stays
    // where it is written, instead of being pulled along the circle by the arc cosine of its X.
    g.end_raw = PolarAngle(g.end_dx, g.end_dy);
    g.start_raw = PolarAngle(-block.i, -block.j);

    g.end_angle = g.end_raw;
    if (g.dir == -1 && g.end_angle < 0) {
        g.end_angle = two_pi - std::fabs(g.end_angle);
    }
    g.start_angle = g.start_raw;
    if (g.dir == 1 && g.start_angle < 0) {
        g.start_angle = two_pi - std::fabs(g.start_angle);
    }
    double sweep = g.dir < 0 ? g.start_angle - g.end_angle : g.end_angle - g.start_angle;
    // The start and end angles are normalised to different ranges, so this difference is the
    // angle the walk must turn only while it comes out negative (or beyond a whole turn); a
    // positive one is the short way round against the direction of travel.
    const bool against_travel = sweep > 0;
    if (std::fabs(sweep) > two_pi) {
        sweep = std::fabs(sweep) - two_pi;
    }
    // One X step of arc length per increment, for both axes: the path speed equals the feed.
    g.angle_step = step_x / g.radius;
    sweep = std::fabs(sweep);
    if (sweep < g.angle_step) {
        sweep = two_pi; // an end within one increment of the start is a whole circle
    } else if (against_travel) {
        // The rest of the turn in the programmed direction: an arc of more than half a circle.
        // At exactly half a circle both ways are the same, and 2 pi - pi is pi to the last bit.
        sweep = two_pi - sweep;
    }
    g.sweep = sweep;

    // A helix takes at most one Z step per increment: where its Z needs more steps than the arc
    // has increments, the increments shrink to one per Z step.
    const double z_steps = std::ceil(std::fabs((g.end_z - g.start_z) / step_z));
    if (z_steps > 0 && std::isfinite(z_steps) && sweep / z_steps < g.angle_step) {
        g.angle_step = sweep / z_steps;
    }
    return g;
}

bool SurelyWithin(double dx, double dy, double length, double apart) {
    const double plain = PlainLength(dx, dy);
    return plain > 0 && std::fabs(plain - length) + plain * kLengthRoom < apart;
}

bool SurelyWithin(double dx, double dy, double ex, double ey, double apart) {
    const double d = PlainLength(dx, dy);
    const double e = PlainLength(ex, ey);
    return d > 0 && e > 0 && std::fabs(d - e) + (d + e) * kLengthRoom < apart;
}

void LeaveCentreOffsets(double& i, double& j) {
    i = -i;
    j = j == 0 ? i : -j;
}

} // namespace tamo
