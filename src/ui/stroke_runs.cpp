// A batch of the top view's strokes as polylines, and their drawing in bands (see qt_surface.h).

#include "ui/stroke_runs.h"

#include <QImage>
#include <QLineF>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace tamo::ui {
namespace {

constexpr double kPi = std::numbers::pi;

// The painter's arcs are drawn as chords no further than this from the circle, in pixels.
constexpr double kChordTolerance = 0.1;
constexpr int kMaxChords = 1024;
// A stroke that starts closer than this to where the last one ended continues its run: an arc's
// ends, rounded to the painter's sixteenths of a degree, miss the lines beside it by a hair.
constexpr double kJoinPixels = 0.05;
// Points a run holds at most, so that the box of a run, against which each band tests it, stays
// small.
constexpr std::size_t kRunPoints = 64;

// The cosine and sine of every whole number of sixteenths of a degree in two turns. The painter's
// arcs start and end on such angles, so an arc's ends need no trigonometry of their own.
class Sixteenths {
public:
    static constexpr double kRadians = kPi / (180.0 * 16.0);
    static constexpr int kCount = 2 * 360 * 16 + 1;

    static const Sixteenths& Table() {
        static const Sixteenths table;
        return table;
    }
    // Whether the table holds n sixteenths, and its cosine and sine.
    [[nodiscard]] static bool Holds(long long n) { return n >= 0 && n < kCount; }
    [[nodiscard]] double Cos(long long n) const { return cos_[static_cast<std::size_t>(n)]; }
    [[nodiscard]] double Sin(long long n) const { return sin_[static_cast<std::size_t>(n)]; }

private:
    Sixteenths() : cos_(kCount), sin_(kCount) {
        for (int n = 0; n < kCount; ++n) {
            cos_[static_cast<std::size_t>(n)] = std::cos(n * kRadians);
            sin_[static_cast<std::size_t>(n)] = std::sin(n * kRadians);
        }
    }
    std::vector<double> cos_;
    std::vector<double> sin_;
};

bool SamePixel(QPointF a, QPointF b) {
    return std::floor(a.x()) == std::floor(b.x()) && std::floor(a.y()) == std::floor(b.y());
}

} // namespace

// Solid strokes that follow on from one another in one pen go into one run, drawn as one polyline:
// a feed move, then the arc that starts where it ends, and so on. Arcs become chords. A point in
// the pixel of the point before it is left out (the run's last point excepted): a run of short
// moves inside one pixel costs one segment, however many moves it held. Dashed strokes stay
// strokes of their own, so that each starts its dashes afresh.
void GatherRuns(const QtSurface::Stroke* first, const QtSurface::Stroke* end, QtSurface::Gathered& out) {
    using Run = QtSurface::Run;
    using Stroke = QtSurface::Stroke;
    std::vector<Run>& runs = out.runs;
    std::vector<QPointF>& points = out.points;
    runs.clear();
    points.clear();
    const Sixteenths& sixteenths = Sixteenths::Table();
    std::vector<QPointF> arc_points; // an arc's chords, its start point left out
    QPointF skipped;                 // the last point left out of the run, if any
    bool has_skipped = false;
    auto close_run = [&] {
        if (runs.empty() || runs.back().closed) {
            return;
        }
        Run& run = runs.back();
        if (has_skipped) {
            points.push_back(skipped);
            run.top = std::min(run.top, skipped.y());
            run.bottom = std::max(run.bottom, skipped.y());
        }
        has_skipped = false;
        run.count = points.size() - run.first;
        run.closed = true;
    };
    auto open_run = [&](const Stroke& s, QPointF from) {
        close_run();
        runs.push_back(Run{points.size(), 0, from.y(), from.y(), s.rgb, s.pen, s.dash, false});
        points.push_back(from);
    };
    auto add = [&](QPointF p) {
        Run& run = runs.back();
        if (SamePixel(p, points.back())) {
            skipped = p;
            has_skipped = true;
            return;
        }
        if (has_skipped) {
            // The run left the pixel: from the last point inside it, so that a run that bends
            // inside a pixel leaves it where the moves did.
            points.push_back(skipped);
            has_skipped = false;
        }
        points.push_back(p);
        run.top = std::min(run.top, p.y());
        run.bottom = std::max(run.bottom, p.y());
    };
    for (const Stroke* stroke = first; stroke != end; ++stroke) {
        const Stroke& s = *stroke;
        QPointF from(s.a, s.b);
        double cx = 0;
        double cy = 0;
        double r = 0;
        double angle = 0;
        double sweep = 0;
        double start_cos = 1;
        double start_sin = 0;
        if (s.arc) {
            constexpr double kRadiansPerSixteenth = Sixteenths::kRadians;
            cx = s.a + s.c / 2;
            cy = s.b + s.d / 2;
            r = s.c / 2;
            angle = s.start * kRadiansPerSixteenth;
            sweep = s.span * kRadiansPerSixteenth;
            start_cos = Sixteenths::Holds(s.start) ? sixteenths.Cos(s.start) : std::cos(angle);
            start_sin = Sixteenths::Holds(s.start) ? sixteenths.Sin(s.start) : std::sin(angle);
            from = QPointF(cx + r * start_cos, cy - r * start_sin);
        }
        if (s.dash) {
            close_run();
            runs.push_back(Run{points.size(), 2, std::min(s.b, s.d), std::max(s.b, s.d), s.rgb, s.pen, true, true});
            points.emplace_back(s.a, s.b);
            points.emplace_back(s.c, s.d);
            continue;
        }
        const QPointF last = has_skipped ? skipped : (points.empty() ? from : points.back());
        const bool can_join = !runs.empty() && !runs.back().closed && runs.back().rgb == s.rgb &&
                              runs.back().pen == s.pen && points.size() - runs.back().first < kRunPoints;
        const auto meets = [&last](QPointF p) {
            return std::fabs(last.x() - p.x()) < kJoinPixels && std::fabs(last.y() - p.y()) < kJoinPixels;
        };
        if (!s.arc) {
            if (!can_join || !meets(from)) {
                open_run(s, from);
            }
            add(QPointF(s.c, s.d));
            continue;
        }
        arc_points.clear();
        const double step = r > kChordTolerance ? 2 * std::acos(1 - kChordTolerance / r) : 2 * kPi;
        // The painter's arcs pass through the circle's extreme points (its quarters); so do the
        // chords, which break at every quarter the arc sweeps past.
        const double quarter = kPi / 2;
        const double direction = sweep < 0 ? -1.0 : 1.0;
        double from_angle = angle;
        double next_quarter =
            direction > 0 ? (std::floor(angle / quarter) + 1) * quarter : (std::ceil(angle / quarter) - 1) * quarter;
        const double end_angle = angle + sweep;
        for (int pieces = 0; pieces < 9; ++pieces) {
            const bool final_piece = direction * (end_angle - next_quarter) <= 0;
            const double to_angle = final_piece ? end_angle : next_quarter;
            const double piece = to_angle - from_angle;
            const int chords = std::clamp(static_cast<int>(std::ceil(std::fabs(piece) / step)), 1, kMaxChords);
            // Each chord turns the radius by the same angle; the piece's end is worked out from its
            // own angle, so that the arc ends where the painter's does. A piece of one chord needs
            // no turn.
            if (chords > 1) {
                const double turn_c = std::cos(piece / chords);
                const double turn_s = std::sin(piece / chords);
                double dx = pieces == 0 ? r * start_cos : r * std::cos(from_angle);
                double dy = pieces == 0 ? r * start_sin : r * std::sin(from_angle);
                for (int i = 1; i < chords; ++i) {
                    const double nx = dx * turn_c - dy * turn_s;
                    dy = dx * turn_s + dy * turn_c;
                    dx = nx;
                    arc_points.emplace_back(cx + dx, cy - dy);
                }
            }
            if (final_piece) {
                const long long at_end = static_cast<long long>(s.start) + s.span;
                const bool held = Sixteenths::Holds(at_end);
                arc_points.emplace_back(cx + r * (held ? sixteenths.Cos(at_end) : std::cos(to_angle)),
                                        cy - r * (held ? sixteenths.Sin(at_end) : std::sin(to_angle)));
                break;
            }
            // A quarter point exactly, where cos and sin would leave a hair either side.
            static constexpr double kQuarterX[4] = {1, 0, -1, 0};
            static constexpr double kQuarterY[4] = {0, 1, 0, -1};
            const auto k = static_cast<std::size_t>(static_cast<long long>(std::llround(to_angle / quarter)) & 3);
            arc_points.emplace_back(cx + r * kQuarterX[k], cy - r * kQuarterY[k]);
            from_angle = to_angle;
            next_quarter += direction * quarter;
        }
        // The painter goes round counter-clockwise, so a clockwise move's arc starts where the move
        // ends: where its far end meets the run, it is taken backwards and the run goes on.
        if (can_join && meets(from)) {
            for (const QPointF p : arc_points) {
                add(p);
            }
        } else if (can_join && meets(arc_points.back())) {
            for (std::size_t i = arc_points.size() - 1; i-- > 0;) {
                add(arc_points[i]);
            }
            add(from);
        } else {
            open_run(s, from);
            for (const QPointF p : arc_points) {
                add(p);
            }
        }
    }
    close_run();
}

// The runs that reach into the rows of `band`, the parts one after the other, drawn in order
// through a painter of their own on an image over the given bits, clipped to the band's rows when
// `clip`.
void DrawBand(uchar* bits, QSize size, qsizetype bytes_per_line, const QtSurface::Gathered* parts, int part_count,
              QRect band, bool clip) {
    QImage image(bits, size.width(), size.height(), bytes_per_line, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setBrush(Qt::NoBrush);
    if (clip) {
        painter.setClipRect(band);
    }
    QRgb colour = 0;
    bool dash = false;
    int pen_pixels = 0;
    for (int part = 0; part < part_count; ++part) {
        const std::vector<QPointF>& points = parts[part].points;
        for (const QtSurface::Run& run : parts[part].runs) {
            const double margin = run.pen + 2;
            if (clip && (run.bottom + margin < band.top() || run.top - margin > band.bottom() + 1)) {
                continue;
            }
            if (pen_pixels != run.pen || colour != run.rgb || dash != run.dash) {
                QPen pen{QColor(run.rgb)};
                pen.setWidth(run.pen);
                pen.setStyle(run.dash ? Qt::DashLine : Qt::SolidLine);
                pen.setCapStyle(Qt::RoundCap);
                painter.setPen(pen);
                pen_pixels = run.pen;
                colour = run.rgb;
                dash = run.dash;
            }
            if (run.count == 1) {
                painter.drawPoint(points[run.first]);
            } else if (run.count == 2) {
                painter.drawLine(QLineF(points[run.first], points[run.first + 1]));
            } else {
                painter.drawPolyline(points.data() + run.first, static_cast<int>(run.count));
            }
        }
    }
}

} // namespace tamo::ui
