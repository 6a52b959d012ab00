#include "view/toolpath_3d.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <numbers>
#include <thread>
#include <vector>

namespace tamo {
namespace {

constexpr double kTurn = 2 * std::numbers::pi;
constexpr Colour kAxisX{220, 0, 0};
constexpr Colour kAxisY{0, 150, 0};
constexpr Colour kAxisZ{0, 0, 230};
constexpr Colour kTravel{128, 128, 128};
constexpr double kOriginAxisPixels = 40;
// An arc is drawn as chords no further than this from the circle, in pixels.
constexpr double kArcTolerance = 0.5;
constexpr int kMaxChords = 1024;
constexpr int kMaxGridLines = 1000;
// A toolpath of fewer moves is drawn on the calling thread alone.
constexpr std::size_t kMovesForTwoThreads = 20000;
// The coarse toolpath draws about this many lines at most, whatever the program's length.
constexpr std::size_t kCoarseMoves = 200000;
constexpr int kDashOn = 6; // pixels of a rapid's dash and of the gap after it
constexpr int kDashOff = 4;

constexpr std::uint32_t Pixel(Colour c) {
    return 0xff000000u | static_cast<std::uint32_t>(c.r) << 16 | static_cast<std::uint32_t>(c.g) << 8 | c.b;
}

// Straight lines of one pixel's width through the camera into the image. Every point goes through
// the camera's affine projection; a segment is clipped to the image before it is walked pixel by
// pixel, so a point far outside (or a toolpath scaled past the view) costs nothing.
class Pen {
public:
    Pen(const Camera& camera, PixelImage& image)
        : p_(camera.Projection(image.width, image.height)), image_(image), scale_(camera.scale()) {}

    [[nodiscard]] double scale() const { return scale_; }

    // Moves the pen to the world point without drawing.
    void MoveTo(double x, double y, double z) {
        Place(x, y, z);
        at_ = next_;
        at_valid_ = next_valid_;
    }
    void LineTo(double x, double y, double z, std::uint32_t colour, bool dashed) {
        Place(x, y, z);
        if (at_valid_ && next_valid_) {
            Segment(at_[0], at_[1], next_[0], next_[1], colour, dashed);
        }
        at_ = next_;
        at_valid_ = next_valid_;
    }

private:
    void Place(double x, double y, double z) {
        next_[0] = p_.xx * x + p_.xy * y + p_.xz * z + p_.x0;
        next_[1] = p_.yx * x + p_.yy * y + p_.yz * z + p_.y0;
        next_valid_ = std::isfinite(next_[0]) && std::isfinite(next_[1]);
    }

    [[nodiscard]] bool Inside(double x, double y) const {
        return x >= -0.5 && y >= -0.5 && x < image_.width - 0.5 && y < image_.height - 0.5;
    }

    // Liang and Barsky's clipping to the pixel centres' rectangle, then Bresenham's walk.
    void Segment(double x0, double y0, double x1, double y1, std::uint32_t colour, bool dashed) {
        const double dx = x1 - x0;
        const double dy = y1 - y0;
        double t0 = 0;
        double t1 = 1;
        // Most segments of a toolpath in view lie wholly inside it.
        if (!(Inside(x0, y0) && Inside(x1, y1)) &&
            !ClipToBox(x0, y0, dx, dy, -0.5, -0.5, image_.width - 0.5, image_.height - 0.5, t0, t1)) {
            return;
        }
        // Clipped, every coordinate is at least -0.5: adding a half and cutting off rounds it.
        int ax = static_cast<int>(x0 + t0 * dx + 0.5);
        int ay = static_cast<int>(y0 + t0 * dy + 0.5);
        const int bx = static_cast<int>(x0 + t1 * dx + 0.5);
        const int by = static_cast<int>(y0 + t1 * dy + 0.5);
        // The dashes keep their places along the whole line, wherever the clipping cut it.
        int phase = dashed ? static_cast<int>(std::max(std::fabs(t0 * dx), std::fabs(t0 * dy))) : 0;
        const int sx = ax < bx ? 1 : -1;
        const int sy = ay < by ? 1 : -1;
        const int ddx = std::abs(bx - ax);
        const int ddy = -std::abs(by - ay);
        int err = ddx + ddy;
        const auto w = static_cast<unsigned>(image_.width);
        const auto h = static_cast<unsigned>(image_.height);
        for (;;) {
            if (static_cast<unsigned>(ax) < w && static_cast<unsigned>(ay) < h &&
                (!dashed || phase % (kDashOn + kDashOff) < kDashOn)) {
                image_.pixels[static_cast<std::ptrdiff_t>(ay) * image_.stride + ax] = colour;
            }
            if (ax == bx && ay == by) {
                break;
            }
            ++phase;
            const int e2 = 2 * err;
            if (e2 >= ddy) {
                err += ddy;
                ax += sx;
            }
            if (e2 <= ddx) {
                err += ddx;
                ay += sy;
            }
        }
    }

    Camera::Affine p_;
    PixelImage& image_;
    double scale_;
    std::array<double, 2> at_{};
    std::array<double, 2> next_{};
    bool at_valid_ = false;
    bool next_valid_ = false;
};

// The chords of the arcs. A program's arcs mostly come in a few radii and sweeps (the same bend
// again and again), so the last few divisions are kept rather than worked out anew.
class Chords {
public:
    // How many chords the arc takes, and the turn of one as its cosine and sine.
    int Of(double pixels, double sweep, double& c, double& s) {
        for (const Entry& e : kept_) {
            if (e.pixels == pixels && e.sweep == sweep) {
                c = e.c;
                s = e.s;
                return e.chords;
            }
        }
        Entry& e = kept_[next_++ % kept_.size()];
        const double chord = pixels > kArcTolerance ? 2 * std::acos(1 - kArcTolerance / pixels) : kTurn;
        e.pixels = pixels;
        e.sweep = sweep;
        e.chords = std::clamp(static_cast<int>(std::ceil(std::fabs(sweep) / chord)), 1, kMaxChords);
        e.c = std::cos(sweep / e.chords);
        e.s = std::sin(sweep / e.chords);
        c = e.c;
        s = e.s;
        return e.chords;
    }

private:
    struct Entry {
        double pixels = -1, sweep = 0, c = 1, s = 0;
        int chords = 1;
    };
    std::array<Entry, 8> kept_{};
    std::size_t next_ = 0;
};

// The arc as the run walks it: round the circle from the start point through the sweep, Z moving
// in step with the angle, then straight to the block's end point (which the circle may miss).
void DrawArc(Pen& pen, Chords& chords_of, const ToolpathArc& circle, MoveKind kind, const double (&start)[3],
             const ToolpathMove& end, std::uint32_t colour) {
    const ArcTravel travel = TravelOf(circle, kind);
    double c = 1;
    double s = 0;
    const int chords = chords_of.Of(circle.r * pen.scale(), travel.sweep, c, s);
    // The start point lies on the circle, at the travel's start angle.
    double ux = start[0] - circle.cx;
    double uy = start[1] - circle.cy;
    const double z0 = start[2];
    const double dz = (static_cast<double>(end.z) - z0) / chords;
    for (int i = 1; i <= chords; ++i) {
        const double nx = ux * c - uy * s;
        uy = ux * s + uy * c;
        ux = nx;
        pen.LineTo(circle.cx + ux, circle.cy + uy, z0 + dz * i, colour, false);
    }
    pen.LineTo(end.x, end.y, end.z, colour, false);
}

struct Place {
    std::size_t move = 0;
    std::size_t arc = 0;
};

// The colour of a feed move by the Z it ends at, between the toolpath's lowest and highest Z.
class DepthRamp {
public:
    DepthRamp(double low, double high) : low_(low), span_(high - low) {}
    [[nodiscard]] std::uint32_t PixelAt(double z) const {
        const double t = span_ > 0 ? std::clamp((z - low_) / span_, 0.0, 1.0) : 1.0;
        const auto mix = [t](int deep, int top) {
            return static_cast<std::uint8_t>(std::lround(deep + (top - deep) * t));
        };
        return Pixel(Colour{mix(kDeep.r, kTop.r), mix(kDeep.g, kTop.g), mix(kDeep.b, kTop.b)});
    }

    static constexpr Colour kDeep{20, 60, 220};
    static constexpr Colour kTop{240, 130, 0};

private:
    double low_;
    double span_;
};

// The ramp over the depths the feed moves end at, not the whole toolpath's: the rapids' clearance
// height would leave a shallow part all one colour. Without feed moves, the toolpath's heights.
DepthRamp FeedDepths(const Toolpath& path) {
    double low = std::numeric_limits<double>::infinity();
    double high = -low;
    for (const ToolpathMove& m : path.moves()) {
        if (m.kind() == MoveKind::Feed || m.arc()) {
            low = std::min(low, static_cast<double>(m.z));
            high = std::max(high, static_cast<double>(m.z));
        }
    }
    return low <= high ? DepthRamp(low, high) : DepthRamp(path.bounds().min[2], path.bounds().max[2]);
}

// Moves [from.move, last) with the pen standing where move from.move starts; feed moves in `feed`,
// or by depth when a ramp is given.
Place DrawPath(Pen& pen, const Toolpath& path, Place from, std::size_t last, Colour feed,
               const DepthRamp* ramp = nullptr) {
    const std::vector<ToolpathMove>& moves = path.moves();
    const std::vector<ToolpathArc>& arcs = path.arcs();
    const std::uint32_t feed_pixel = Pixel(feed);
    const std::uint32_t rapid_pixel = Pixel(kGreen);
    Chords chords;
    double at[3] = {0, 0, 0};
    if (from.move > 0) {
        const ToolpathMove& before = moves[from.move - 1];
        at[0] = before.x;
        at[1] = before.y;
        at[2] = before.z;
    }
    last = std::min(last, moves.size());
    for (; from.move < last; ++from.move) {
        const ToolpathMove& m = moves[from.move];
        switch (m.kind()) {
        case MoveKind::Jump:
            pen.MoveTo(m.x, m.y, m.z);
            break;
        case MoveKind::Rapid:
            pen.LineTo(m.x, m.y, m.z, rapid_pixel, true);
            break;
        case MoveKind::Feed:
            pen.LineTo(m.x, m.y, m.z, ramp != nullptr ? ramp->PixelAt(m.z) : feed_pixel, false);
            break;
        case MoveKind::ArcClockwise:
        case MoveKind::ArcCounterClockwise:
            if (from.arc < arcs.size()) {
                DrawArc(pen, chords, arcs[from.arc++], m.kind(), at, m,
                        ramp != nullptr ? ramp->PixelAt(m.z) : feed_pixel);
            }
            break;
        }
        at[0] = m.x;
        at[1] = m.y;
        at[2] = m.z;
    }
    return from;
}

// Every step-th end point joined to the one before by a straight line: dashed green where every move
// in between was a rapid, not drawn across a jump, in the cut colour up to move `cut`.
void DrawCoarse(Pen& pen, const Toolpath& path, std::size_t cut) {
    const std::vector<ToolpathMove>& moves = path.moves();
    const std::size_t step = (moves.size() + kCoarseMoves - 1) / kCoarseMoves;
    const std::uint32_t feed_pixel = Pixel(kBlack);
    const std::uint32_t cut_pixel = Pixel(kCut);
    const std::uint32_t rapid_pixel = Pixel(kGreen);
    pen.MoveTo(0, 0, 0);
    bool jump = false;
    bool all_rapid = true;
    for (std::size_t i = 0; i < moves.size(); ++i) {
        const ToolpathMove& m = moves[i];
        jump = jump || m.kind() == MoveKind::Jump;
        all_rapid = all_rapid && m.kind() == MoveKind::Rapid;
        if ((i + 1) % step != 0 && i + 1 != moves.size() && m.kind() != MoveKind::Jump) {
            continue;
        }
        if (jump) {
            pen.MoveTo(m.x, m.y, m.z);
        } else {
            pen.LineTo(m.x, m.y, m.z, all_rapid ? rapid_pixel : i < cut ? cut_pixel : feed_pixel, all_rapid);
        }
        jump = false;
        all_rapid = true;
    }
}

// Where the pen must stand to draw move `first`, and the arc entry it takes next.
Place PlaceOf(Pen& pen, const Toolpath& path, std::size_t first) {
    const std::vector<ToolpathMove>& moves = path.moves();
    Place place;
    first = std::min(first, moves.size());
    for (std::size_t i = 0; i < first; ++i) {
        place.arc += moves[i].arc() ? 1 : 0;
    }
    place.move = first;
    if (first == 0) {
        pen.MoveTo(0, 0, 0);
    } else {
        pen.MoveTo(moves[first - 1].x, moves[first - 1].y, moves[first - 1].z);
    }
    return place;
}

// Grid lines on the XY plane G/2 apart over the toolpath's extents and a margin, as the top view
// spaces them, and the X and Y axes through the origin.
void DrawGrid(Pen& pen, const Box3& box) {
    const double side = std::max(box.max[0] - box.min[0], box.max[1] - box.min[1]) * 1.1;
    const double spacing = GridStep(side) / 2;
    const double margin = side * 0.05;
    const double x0 = box.min[0] - margin;
    const double x1 = box.max[0] + margin;
    const double y0 = box.min[1] - margin;
    const double y1 = box.max[1] + margin;
    const std::uint32_t grey = Pixel(kLightGrey);
    if (spacing > 0 && (x1 - x0) / spacing < kMaxGridLines && (y1 - y0) / spacing < kMaxGridLines) {
        for (double x = std::ceil(x0 / spacing) * spacing; x <= x1; x += spacing) {
            pen.MoveTo(x, y0, 0);
            pen.LineTo(x, y1, 0, grey, false);
        }
        for (double y = std::ceil(y0 / spacing) * spacing; y <= y1; y += spacing) {
            pen.MoveTo(x0, y, 0);
            pen.LineTo(x1, y, 0, grey, false);
        }
    }
    const std::uint32_t black = Pixel(kBlack);
    pen.MoveTo(x0, 0, 0);
    pen.LineTo(x1, 0, 0, black, false);
    pen.MoveTo(0, y0, 0);
    pen.LineTo(0, y1, 0, black, false);
}

void DrawBox(Pen& pen, const Box3& box) {
    const std::uint32_t grey = Pixel(kTravel);
    auto corner = [&box](int k, double(&p)[3]) {
        for (int i = 0; i < 3; ++i) {
            p[i] = (k >> i & 1) != 0 ? box.max[i] : box.min[i];
        }
    };
    for (int k = 0; k < 8; ++k) {
        for (int i = 0; i < 3; ++i) {
            if ((k >> i & 1) == 0) {
                double a[3];
                double b[3];
                corner(k, a);
                corner(k | 1 << i, b);
                pen.MoveTo(a[0], a[1], a[2]);
                pen.LineTo(b[0], b[1], b[2], grey, false);
            }
        }
    }
}

// Each axis as long on the screen whatever the scale.
void DrawOrigin(Pen& pen) {
    const double length = kOriginAxisPixels / pen.scale();
    const Colour colours[3] = {kAxisX, kAxisY, kAxisZ};
    for (int i = 0; i < 3; ++i) {
        pen.MoveTo(0, 0, 0);
        pen.LineTo(i == 0 ? length : 0, i == 1 ? length : 0, i == 2 ? length : 0, Pixel(colours[i]), false);
    }
}

} // namespace

// The toolpath in two halves on two threads, the second into an image of its own that starts
// transparent and is laid over the first: what the later moves drew lies on top, as one pass
// would leave it.
void DrawScene3D(const Camera& camera, const Scene3D& scene, PixelImage& image) {
    for (int y = 0; y < image.height; ++y) {
        std::fill_n(image.pixels + static_cast<std::ptrdiff_t>(y) * image.stride, image.width, 0xffffffffu);
    }
    Pen pen(camera, image);
    const Box3 empty;
    DrawGrid(pen, scene.path != nullptr ? scene.path->bounds() : empty);
    if (scene.path != nullptr && scene.coarse) {
        DrawCoarse(pen, *scene.path, scene.cut_moves);
    } else if (scene.path != nullptr) {
        const Toolpath& path = *scene.path;
        const std::size_t count = path.moves().size();
        const std::size_t cut = std::min(scene.cut_moves, count);
        const DepthRamp ramp = scene.depth ? FeedDepths(path) : DepthRamp(0, 0);
        const DepthRamp* by_depth = scene.depth ? &ramp : nullptr;
        auto draw = [&path, cut, by_depth](Pen& p, Place from, std::size_t last) {
            if (from.move < cut) {
                from = DrawPath(p, path, from, std::min(cut, last), kCut);
            }
            DrawPath(p, path, from, last, kBlack, by_depth);
        };
        const std::size_t half = count < kMovesForTwoThreads ? count : count / 2;
        std::vector<std::uint32_t> later_pixels;
        std::thread later;
        if (half < count) {
            later_pixels.assign(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height), 0);
            later = std::thread([&, half] {
                PixelImage layer{later_pixels.data(), image.width, image.height, image.width};
                Pen second(camera, layer);
                draw(second, PlaceOf(second, path, half), count);
            });
        }
        pen.MoveTo(0, 0, 0);
        draw(pen, {}, half);
        if (later.joinable()) {
            later.join();
            for (int y = 0; y < image.height; ++y) {
                const std::uint32_t* from = later_pixels.data() + static_cast<std::ptrdiff_t>(y) * image.width;
                std::uint32_t* to = image.pixels + static_cast<std::ptrdiff_t>(y) * image.stride;
                for (int x = 0; x < image.width; ++x) {
                    to[x] = from[x] != 0 ? from[x] : to[x];
                }
            }
        }
    }
    if (scene.travel) {
        DrawBox(pen, *scene.travel);
    }
    DrawOrigin(pen);
}

void DrawMoves3D(const Camera& camera, const Toolpath& path, std::size_t first, std::size_t last, Colour colour,
                 PixelImage& image) {
    Pen pen(camera, image);
    DrawPath(pen, path, PlaceOf(pen, path, first), last, colour);
}

bool ClipToBox(double x0, double y0, double dx, double dy, double left, double top, double right, double bottom,
               double& t0, double& t1) {
    t0 = 0;
    t1 = 1;
    const double limits[4][2] = {{-dx, x0 - left}, {dx, right - x0}, {-dy, y0 - top}, {dy, bottom - y0}};
    for (const auto& [p, q] : limits) {
        if (p == 0) {
            if (q < 0) {
                return false;
            }
            continue;
        }
        const double t = q / p;
        if (p < 0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
        if (t0 > t1) {
            return false;
        }
    }
    return true;
}

} // namespace tamo
