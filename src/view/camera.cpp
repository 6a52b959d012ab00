#include "view/camera.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace tamo {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kRadiansPerPixel = 0.01; // a drag across 314 pixels turns half round
constexpr double kMargin = 1.1;           // the box and a tenth, as the top view's extents
constexpr double kMinScale = 1e-9;
constexpr double kMaxScale = 1e9;

double Dot(const double (&a)[3], const double (&b)[3]) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

} // namespace

void Camera::Look(Preset preset) {
    switch (preset) {
    case Preset::Top:
        azimuth_ = 0;
        elevation_ = kPi / 2;
        break;
    case Preset::Front:
        azimuth_ = 0;
        elevation_ = 0;
        break;
    case Preset::Side:
        azimuth_ = kPi / 2;
        elevation_ = 0;
        break;
    case Preset::Iso:
        azimuth_ = kPi / 4;
        elevation_ = std::atan(1 / std::sqrt(2.0)); // the cube's diagonal towards the eye
        break;
    }
}

// Right is the horizontal (cos a, sin a, 0); the eye looks along the horizontal forward
// (-sin a, cos a, 0) tilted down by the elevation, and up is square to both.
void Camera::Axes(double (&right)[3], double (&up)[3]) const {
    const double ca = std::cos(azimuth_);
    const double sa = std::sin(azimuth_);
    const double ce = std::cos(elevation_);
    const double se = std::sin(elevation_);
    right[0] = ca;
    right[1] = sa;
    right[2] = 0;
    up[0] = -sa * se;
    up[1] = ca * se;
    up[2] = ce;
}

Camera::Affine Camera::Projection(double width, double height) const {
    double right[3];
    double up[3];
    Axes(right, up);
    const double s = scale_;
    Affine a{};
    a.xx = s * right[0];
    a.xy = s * right[1];
    a.xz = s * right[2];
    a.x0 = width / 2 - s * Dot(right, centre_);
    a.yx = -s * up[0];
    a.yy = -s * up[1];
    a.yz = -s * up[2];
    a.y0 = height / 2 + s * Dot(up, centre_);
    return a;
}

void Camera::Fit(const Box3& box, double width, double height) {
    double right[3];
    double up[3];
    Axes(right, up);
    double lo_x = std::numeric_limits<double>::max();
    double hi_x = -lo_x;
    double lo_y = lo_x;
    double hi_y = -lo_x;
    for (int corner = 0; corner < 8; ++corner) {
        const double p[3] = {(corner & 1) ? box.max[0] : box.min[0], (corner & 2) ? box.max[1] : box.min[1],
                             (corner & 4) ? box.max[2] : box.min[2]};
        lo_x = std::min(lo_x, Dot(right, p));
        hi_x = std::max(hi_x, Dot(right, p));
        lo_y = std::min(lo_y, Dot(up, p));
        hi_y = std::max(hi_y, Dot(up, p));
    }
    for (int i = 0; i < 3; ++i) {
        centre_[i] = (box.min[i] + box.max[i]) / 2;
    }
    // A box seen edge on (a flat program from the front) is fitted by its other extent; a point
    // shows ten units across.
    const double span_x = (hi_x - lo_x) * kMargin;
    const double span_y = (hi_y - lo_y) * kMargin;
    double s = std::numeric_limits<double>::infinity();
    if (span_x > 0) {
        s = std::min(s, width / span_x);
    }
    if (span_y > 0) {
        s = std::min(s, height / span_y);
    }
    if (!std::isfinite(s)) {
        s = std::min(width, height) / 10;
    }
    scale_ = std::clamp(s, kMinScale, kMaxScale);
}

void Camera::Orbit(double dx, double dy) {
    azimuth_ = std::remainder(azimuth_ - dx * kRadiansPerPixel, 2 * kPi);
    elevation_ = std::clamp(elevation_ + dy * kRadiansPerPixel, -kPi / 2, kPi / 2);
}

void Camera::Pan(double dx, double dy) {
    double right[3];
    double up[3];
    Axes(right, up);
    for (int i = 0; i < 3; ++i) {
        centre_[i] -= (dx * right[i] - dy * up[i]) / scale_;
    }
}

void Camera::ZoomAt(double factor, double px, double py, double width, double height) {
    const double scale = std::clamp(scale_ * factor, kMinScale, kMaxScale);
    // The centre moves towards the pointer by the part of their distance that the zoom takes away.
    const double keep = 1 - scale_ / scale;
    Pan(-(px - width / 2) * keep, -(py - height / 2) * keep);
    scale_ = scale;
}

} // namespace tamo
