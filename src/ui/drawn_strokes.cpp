#include "ui/drawn_strokes.h"

#include "view/toolpath_3d.h"

#include <QRectF>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <functional>

namespace tamo::ui {
namespace {

// The box a stroke's pixels lie in, widened by `margin` pixels on every side.
QRectF BoxOf(const QtSurface::Stroke& s, double margin) {
    const QRectF box = s.arc ? QRectF(s.a, s.b, s.c, s.d)
                             : QRectF(QPointF(std::min(s.a, s.c), std::min(s.b, s.d)),
                                      QPointF(std::max(s.a, s.c), std::max(s.b, s.d)));
    return box.adjusted(-margin, -margin, margin, margin);
}

// Whether the segment from (x1, y1) to (x2, y2) meets the box.
bool SegmentMeets(const QRectF& box, double x1, double y1, double x2, double y2) {
    double t0 = 0;
    double t1 = 1;
    return ClipToBox(x1, y1, x2 - x1, y2 - y1, box.left(), box.top(), box.right(), box.bottom(), t0, t1);
}

} // namespace

std::size_t DrawnStrokes::Hash::operator()(const QtSurface::Stroke& s) const {
    std::uint64_t h = 0x9e3779b97f4a7c15ull;
    auto mix = [&h](std::uint64_t v) {
        h = (h ^ v) * 0xff51afd7ed558ccdull;
        h ^= h >> 32;
    };
    for (double v : {s.a, s.b, s.c, s.d}) {
        mix(std::bit_cast<std::uint64_t>(v));
    }
    mix(static_cast<std::uint64_t>(static_cast<std::uint32_t>(s.start)) << 32 | static_cast<std::uint32_t>(s.span));
    mix(static_cast<std::uint64_t>(s.rgb) << 16 | std::uint64_t{s.pen} << 2 | std::uint64_t{s.dash} << 1 | s.arc);
    return static_cast<std::size_t>(h);
}

bool DrawnStrokes::Same::operator()(const QtSurface::Stroke& a, const QtSurface::Stroke& b) const {
    return a.a == b.a && a.b == b.b && a.c == b.c && a.d == b.d && a.start == b.start && a.span == b.span &&
           a.rgb == b.rgb && a.dash == b.dash && a.arc == b.arc && a.pen == b.pen;
}

bool DrawnStrokes::Repeats(const QtSurface::Stroke& stroke) {
    if (forgotten_) {
        Empty();
        idle_ = false;
    } else if (recorded_ >= kKept || (recorded_ == kFirstLook && repeats_ < kFirstLook / 8)) {
        // A program that seldom repeats itself pays for the record and gains nothing: the rest of
        // the redraw goes without. One that has not repeated by the first look is let go then.
        idle_ = repeats_ < recorded_ / 8;
        Empty();
    }
    if (idle_) {
        return false;
    }
    scan_allowance_ += kScansPerStroke;
    OfColour& own = Colour(stroke.rgb);
    const auto [kept, added] = own.kept.try_emplace(stroke, drawings_ + 1);
    if (!added && !CoveredSince(stroke, kept->second)) {
        // Its pixels are its own to this moment: only what comes after can cover them now.
        kept->second = ++drawings_;
        ++repeats_;
        return true;
    }
    // Drawn now, a repeat too: from here on only what comes after this drawing can cover it.
    kept->second = ++drawings_;
    own.drawn.emplace_back(drawings_, stroke);
    ++recorded_;
    return false;
}

DrawnStrokes::OfColour& DrawnStrokes::Colour(QRgb rgb) {
    for (OfColour& c : colours_) {
        if (c.rgb == rgb) {
            return c;
        }
    }
    OfColour& c = colours_.emplace_back();
    c.rgb = rgb;
    return c;
}

bool DrawnStrokes::CoveredSince(const QtSurface::Stroke& stroke, std::uint32_t since) {
    for (const OfColour& other : colours_) {
        if (other.rgb == stroke.rgb) {
            continue; // the same colour over it leaves its pixels as they were
        }
        const auto after = std::upper_bound(other.drawn.begin(), other.drawn.end(), since,
                                            [](std::uint32_t n, const auto& d) { return n < d.first; });
        const auto count = static_cast<std::size_t>(other.drawn.end() - after);
        if (count > scan_allowance_) {
            return true; // too long to compare: drawn again, as though covered
        }
        scan_allowance_ -= count;
        for (auto d = after; d != other.drawn.end(); ++d) {
            const QtSurface::Stroke& o = d->second;
            const QRectF box = BoxOf(stroke, (stroke.pen + o.pen) / 2.0 + 2);
            if (o.arc ? box.intersects(BoxOf(o, 0)) : SegmentMeets(box, o.a, o.b, o.c, o.d)) {
                return true;
            }
        }
    }
    return false;
}

void DrawnStrokes::Empty() {
    colours_.clear();
    drawings_ = 0;
    recorded_ = 0;
    repeats_ = 0;
    scan_allowance_ = 0;
    forgotten_ = false;
}

} // namespace tamo::ui
