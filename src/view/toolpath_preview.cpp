// The toolpath preview: extents, grid and the drawing of a program on the view's surface.
//
// The surface is mapped with SetMapping(left, top, width, height) where left and top are the world
// coordinates of the window's top left corner, Y grows upwards, and width and height are both the
// side S of the square view, positive. The surface itself turns that into window pixels (flipping
// Y), so nothing here knows which way the window's own axis runs.
//
// The preview never hands the surface a coordinate that is not finite: a program can scale a
// coordinate past the largest double, and a window system's painter is not built for infinities.
// What cannot be drawn is left out and the redraw goes on with the next block.

#include "interpreter/cnc.h"
#include "interpreter/motion_word.h"
#include "interpreter/numbers.h"
#include "motion/arc_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>
#include <numbers>
#include <vector>

namespace tamo {
namespace {

constexpr double kPi = std::numbers::pi;

// More grid lines than this on one side of an axis can only come from extents that miss the
// origin by far (a redraw always includes it); the grid is left out then rather than walked line
// by line from the origin to the far edge.
constexpr double kMaxGridLinesPerSide = 1000;

// How many lines k * spacing, k = 0, 1, ..., stay within distance `reach` of the origin; none
// when reach is negative, as a loop from 0 towards an edge on the other side runs no pass.
double GridLinesUpTo(double reach, double spacing) {
    return reach >= 0 ? std::floor(reach / spacing) + 1 : 0;
}

// An angle moved into [0, 2 pi).
double Turn(double a) {
    const double turned = std::fmod(a, 2 * kPi);
    return turned < 0 ? turned + 2 * kPi : turned;
}

bool MoveIsFinite(const MachineState& st) {
    return std::isfinite(st.StartX) && std::isfinite(st.StartY) && std::isfinite(st.TargetX) &&
           std::isfinite(st.TargetY);
}

} // namespace

// The spacing G of the grid for a view of side s; grid lines are G/2 apart. 0 when the view is
// wider than 10000 units (or s is not a number): that view shows its axes without a grid.
double GridStep(double s) {
    if (s <= 1) {
        return 0.5;
    }
    if (s <= 10) {
        return 1;
    }
    if (s <= 100) {
        return 10 * std::floor(s / 10);
    }
    if (s <= 1000) {
        return 40 * std::floor(s / 100);
    }
    if (s <= 10000) {
        return 60 * std::floor(s / 1000);
    }
    return 0;
}

// The live trace puts a dot every PlotStep of travel: about two dots per twip of view width.
// Changes: PlotStep, PlotTravel.
void Cnc::UpdatePlotStep() {
    st.PlotStep = ViewWidthTwips > 0 ? 2 * st.ViewMaxX / ViewWidthTwips : 0;
    st.PlotTravel = 0;
}

// Redraws the whole preview from one walk of the program: every line is parsed once, widening the
// extents and adding its move to a new toolpath record; then the view is scaled to the extents and
// the record drawn. The same record feeds the 3-D view. The walk starts at the origin with the
// modal words as they stand, so the extents are those of what is drawn. The caller sets Previewing
// around it, so that no line prompts for a tool change.
// Changes: HeldGCode, PreviewLine (PrgLineCount after), the view's extents and centre, the toolpath
// record, and everything ParseLine changes; GCode is put back as it was, while the start and target
// points, the other modal words and the arc working values keep what the program's last block left.
void Cnc::TegnUd() {
    st.HeldGCode = st.GCode;
    st.PreviewLine = 0;
    // The extents always contain the origin, so that the axes are always in view.
    st.ViewMaxX = st.ViewMinX = st.ViewMaxY = st.ViewMinY = 0;
    st.StartX = st.StartY = st.StartZ = 0;
    st.TargetX = st.TargetY = st.TargetZ = 0;
    st.ArcI = st.ArcJ = 0; // the walk reads the program from its first line, as a run does
    for (std::size_t i = 0; i < walk_scale_.size(); ++i) {
        walk_scale_[i] = ScaleFactor(static_cast<int>(i));
    }
    // A new record: the windows may still be drawing the old one on a thread of their own.
    walking_ = std::make_shared<Toolpath>(KeepToolpathMoves);
    walking_->Reserve(static_cast<std::size_t>(st.PrgLineCount) + 16);
    WalkToolpath();
    walking_->GiveBackSpare();
    toolpath_ = std::move(walking_);
    walking_.reset();
    StageEnded("walk");
    view().Clear();
    Cordinate();
    if (TopViewShown) {
        DrawToolpath(toolpath_->moves().size(), view().ForeColor());
    }
    st.GCode = st.HeldGCode;
}

namespace {

// Moves [first, end) of the record into `into`: rapids dashed bright green, feed moves and arcs solid
// in `colour`. `arc` is the number of arc moves before `first`.
void DrawMoves(const Toolpath& path, std::size_t first, std::size_t end, std::size_t arc, Colour colour,
               StrokeSink& into) {
    const std::vector<ToolpathMove>& moves = path.moves();
    const std::vector<ToolpathArc>& arcs = path.arcs();
    double x = first > 0 ? moves[first - 1].x : 0;
    double y = first > 0 ? moves[first - 1].y : 0;
    for (std::size_t i = first; i < end; ++i) {
        const ToolpathMove& move = moves[i];
        switch (move.kind()) {
        case MoveKind::Jump:
            break;
        case MoveKind::Rapid:
            into.Line(x, y, move.x, move.y, kGreen, LineStyle::Dash);
            break;
        case MoveKind::Feed:
            into.Line(x, y, move.x, move.y, colour, LineStyle::Solid);
            break;
        case MoveKind::ArcClockwise:
        case MoveKind::ArcCounterClockwise: {
            const ToolpathArc& c = arcs[arc++];
            into.Arc(c.cx, c.cy, c.r, c.from, c.to, colour);
            break;
        }
        }
        x = move.x;
        y = move.y;
    }
}

} // namespace

// The first `count` moves of the toolpath record on the view: rapids dashed bright green, feed moves
// and arcs solid in `colour`, at the view's pen width. Changes nothing in the record. The view may
// draw parts of a long record on threads of its own; each part finds its first arc by counting
// from the nearest of the counts taken every kArcCountStride moves.
void Cnc::DrawToolpath(std::size_t count, Colour colour) {
    const std::shared_ptr<const Toolpath> path = toolpath_;
    const std::vector<ToolpathMove>& moves = path->moves();
    count = std::min(count, moves.size());
    constexpr std::size_t kArcCountStride = 4096;
    std::vector<std::size_t> arcs_before;
    arcs_before.reserve(count / kArcCountStride + 1);
    std::size_t arcs = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (i % kArcCountStride == 0) {
            arcs_before.push_back(arcs);
        }
        arcs += moves[i].arc() ? 1 : 0;
    }
    view().DrawMany(count, [&path, &moves, &arcs_before, colour](std::size_t first, std::size_t end, StrokeSink& into) {
        std::size_t arc = 0;
        if (first > 0) {
            const std::size_t counted = first / kArcCountStride;
            arc = arcs_before[counted];
            for (std::size_t i = counted * kArcCountStride; i < first; ++i) {
                arc += moves[i].arc() ? 1 : 0;
            }
        }
        DrawMoves(*path, first, end, arc, colour, into);
    });
}

// Scales the view to a square about the extents with a 10 % margin and draws the grid, its labels
// along the smallest Y of the extents, and the axes. Every redraw begins here, in black: the green
// that a rapid panel move (homing, say) leaves behind would otherwise colour the labels and the
// whole toolpath after it. Changes: ViewCentreX, ViewCentreY, the foreground colour.
void Cnc::Cordinate() {
    view().SetForeColor(kBlack);
    st.ViewCentreX = (st.ViewMinX + st.ViewMaxX) / 2;
    st.ViewCentreY = (st.ViewMinY + st.ViewMaxY) / 2;
    const double w = (st.ViewMaxX - st.ViewMinX) * 1.1;
    const double h = (st.ViewMaxY - st.ViewMinY) * 1.1;
    const double s = w > h ? w : h;
    if (!std::isfinite(s) || !std::isfinite(st.ViewCentreX) || !std::isfinite(st.ViewCentreY)) {
        return; // extents beyond the largest double: no edge to map, to draw a grid or axes to
    }
    const double left = st.ViewCentreX - s / 2;
    const double right = st.ViewCentreX + s / 2;
    const double top = st.ViewCentreY + s / 2;
    const double bottom = st.ViewCentreY - s / 2;

    // Refused when s is 0 (nothing loaded, or a toolpath on the origin only): the former mapping
    // stays, and the grid and axes are drawn in it.
    static_cast<void>(view().SetMapping(left, top, s, s));

    const double spacing = GridStep(s) / 2;
    const double right_lines = GridLinesUpTo(right, spacing);
    const double left_lines = GridLinesUpTo(-left, spacing);
    const double up_lines = GridLinesUpTo(top, spacing);
    const double down_lines = GridLinesUpTo(-bottom, spacing);
    if (spacing > 0 && right_lines <= kMaxGridLinesPerSide && left_lines <= kMaxGridLinesPerSide &&
        up_lines <= kMaxGridLinesPerSide && down_lines <= kMaxGridLinesPerSide) {
        // The line and label at 0 are drawn by both walks. Each walk starts at 0 - 0 = +0, so that
        // the label reads "0" and never "-0".
        auto vertical = [&](double x) {
            view().Line(x, bottom, x, top, kLightGrey, LineStyle::Solid);
            view().Text(x, st.ViewMinY, FormatNumber(x));
        };
        for (int k = 0; k < static_cast<int>(right_lines); ++k) {
            vertical(static_cast<double>(k) * spacing);
        }
        for (int k = 0; k < static_cast<int>(left_lines); ++k) {
            vertical(0 - static_cast<double>(k) * spacing);
        }
        auto horizontal = [&](double y) {
            view().Line(left, y, right, y, kLightGrey, LineStyle::Solid);
        };
        for (int k = 0; k < static_cast<int>(up_lines); ++k) {
            horizontal(static_cast<double>(k) * spacing);
        }
        for (int k = 0; k < static_cast<int>(down_lines); ++k) {
            horizontal(0 - static_cast<double>(k) * spacing);
        }
    }

    view().Line(0, top, 0, bottom, kBlack, LineStyle::Solid);
    view().Line(right, 0, left, 0, kBlack, LineStyle::Solid);
}

// Widens the extents by the block just parsed: its end point, and for an arc its whole circle.
// Changes: ViewMinX, ViewMinY, ViewMaxX, ViewMaxY.
void Cnc::GrowExtents() {
    // Written as comparisons rather than min and max so that a NaN never enters the extents.
    auto widen = [this](double min_x, double min_y, double max_x, double max_y) {
        if (min_x < st.ViewMinX) {
            st.ViewMinX = min_x;
        }
        if (min_y < st.ViewMinY) {
            st.ViewMinY = min_y;
        }
        if (max_x > st.ViewMaxX) {
            st.ViewMaxX = max_x;
        }
        if (max_y > st.ViewMaxY) {
            st.ViewMaxY = max_y;
        }
    };
    if (const Motion motion = MotionOf(st.GCode);
        motion == Motion::ArcClockwise || motion == Motion::ArcCounterClockwise) {
        const double r = std::sqrt(st.ArcJ * st.ArcJ + st.ArcI * st.ArcI);
        const double cx = st.StartX + st.ArcI;
        const double cy = st.StartY + st.ArcJ;
        widen(cx - r, cy - r, cx + r, cy + r);
    }
    widen(st.TargetX, st.TargetY, st.TargetX, st.TargetY);
}

// Draws the block just parsed, by its motion word as the run moves it; a canned drill cycle shows
// its move to the hole as a rapid move. During a redraw's walk the move goes into the toolpath
// record, which is drawn once the view is scaled; otherwise (a step of the step controls) straight
// onto the view. Changes: ArcDir and what DrawArc changes, for arcs.
void Cnc::DrawMove() {
    switch (MotionOf(st.GCode)) {
    case Motion::Rapid:
        DrawRapid();
        break;
    case Motion::Feed:
        DrawFeedLine();
        break;
    case Motion::ArcClockwise:
        st.ArcDir = -1;
        DrawArc();
        break;
    case Motion::ArcCounterClockwise:
        DrawArcCcw();
        break;
    case Motion::None:
        if (st.GCode == "G81" || st.GCode == "G83") {
            DrawRapid();
        }
        break;
    }
}

// A dashed bright green line from the start point to the target. Changes nothing in the state.
void Cnc::DrawRapid() {
    DrawStraight(MoveKind::Rapid, kGreen, LineStyle::Dash);
}

// A solid line in the foreground colour from the start point to the target. Changes nothing in
// the state.
void Cnc::DrawFeedLine() {
    DrawStraight(MoveKind::Feed, view().ForeColor(), LineStyle::Solid);
}

// The line from the start point to the target: into the toolpath record during a walk, else onto
// the view.
void Cnc::DrawStraight(MoveKind kind, Colour colour, LineStyle style) {
    if (!MoveIsFinite(st)) {
        return;
    }
    if (walking_) {
        walking_->AddLine(kind, st.PreviewLine, {st.StartX, st.StartY, st.StartZ},
                          {st.TargetX, st.TargetY, st.TargetZ});
        return;
    }
    view().Line(st.StartX, st.StartY, st.TargetX, st.TargetY, colour, style);
}

// Draws the arc of the block just parsed as the run walks it (MakeArcGeometry), clockwise for
// ArcDir -1 and counter-clockwise otherwise, in the foreground colour. Changes: ArcEndDX, ArcEndDY,
// ArcEndAngle and ArcStartAngle (the end's and the start's polar angles in [0, 2 pi)), and ArcI and
// ArcJ, which are left pointing from the centre to the start point (a later block without I or J
// finds them so). During a redraw's walk the arc goes into the toolpath record instead.
//
// An arc of radius 0 (I and J too small to square) has no angles. It is not drawn, and the redraw
// goes on with the next block; the record is left as far as the end point's offsets, which is
// where the angles stop being numbers.
void Cnc::DrawArc() {
    const ArcBlock block{
        st.StartX, st.StartY, st.StartZ, st.TargetX, st.TargetY, st.TargetZ, st.ArcI, st.ArcJ, st.ArcDir >= 0 ? -1 : 1};
    const ArcGeometry g = MakeArcGeometry(block, st.UnitsPerStepX, st.UnitsPerStepZ);
    st.ArcEndDX = g.end_dx;
    st.ArcEndDY = g.end_dy;
    if (!(g.radius > 0) || !std::isfinite(g.radius) || !std::isfinite(g.centre_x) || !std::isfinite(g.centre_y) ||
        std::isnan(g.end_raw)) {
        return;
    }
    st.ArcEndAngle = Turn(g.end_raw);
    LeaveCentreOffsets(st.ArcI, st.ArcJ);
    st.ArcStartAngle = Turn(g.start_raw);

    // The surface draws counter-clockwise only: a clockwise arc from start to end is the
    // counter-clockwise one from end to start. Equal angles draw the whole circle.
    const double from = st.ArcDir >= 0 ? st.ArcStartAngle : Turn(g.start_raw - g.sweep);
    const double to = g.sweep >= 2 * kPi ? from : st.ArcDir >= 0 ? Turn(g.start_raw + g.sweep) : st.ArcStartAngle;
    if (walking_) {
        walking_->AddArc(st.ArcDir >= 0 ? MoveKind::ArcCounterClockwise : MoveKind::ArcClockwise, st.PreviewLine,
                         {st.StartX, st.StartY, st.StartZ}, {st.TargetX, st.TargetY, st.TargetZ},
                         {g.centre_x, g.centre_y, g.radius, from, to});
        return;
    }
    view().Arc(g.centre_x, g.centre_y, g.radius, from, to, view().ForeColor());
}

// A counter-clockwise arc. Changes: ArcDir (+1) and what DrawArc changes.
void Cnc::DrawArcCcw() {
    st.ArcDir = 1;
    DrawArc();
}

} // namespace tamo
