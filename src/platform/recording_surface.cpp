#include "platform/recording_surface.h"

namespace tamo {
namespace {

RecordingSurface::Op MakeOp(RecordingSurface::Kind kind, double a, double b, double c, double d, double e,
                            Colour colour, LineStyle style, int width) {
    RecordingSurface::Op op{};
    op.kind = kind;
    op.a = a;
    op.b = b;
    op.c = c;
    op.d = d;
    op.e = e;
    op.colour = colour;
    op.style = style;
    op.width = width;
    return op;
}

} // namespace

void RecordingSurface::Clear() {
    ops_.push_back(MakeOp(Kind::Clear, 0, 0, 0, 0, 0, fore_, LineStyle::Solid, width_));
}

bool RecordingSurface::SetMapping(double left, double top, double width, double height) {
    if (width == 0 || height == 0) {
        return false;
    }
    ops_.push_back(MakeOp(Kind::Mapping, left, top, width, height, 0, fore_, LineStyle::Solid, width_));
    return true;
}

void RecordingSurface::Line(double x1, double y1, double x2, double y2, Colour colour, LineStyle style) {
    ops_.push_back(MakeOp(Kind::Line, x1, y1, x2, y2, 0, colour, style, width_));
}

void RecordingSurface::Arc(double cx, double cy, double radius, double start, double end, Colour colour) {
    ops_.push_back(MakeOp(Kind::Arc, cx, cy, radius, start, end, colour, LineStyle::Solid, width_));
}

void RecordingSurface::Point(float x, float y) {
    ops_.push_back(MakeOp(Kind::Point, x, y, 0, 0, 0, fore_, LineStyle::Solid, width_));
}

void RecordingSurface::Dot(double x, double y, Colour colour) {
    ops_.push_back(MakeOp(Kind::Dot, x, y, 0, 0, 0, colour, LineStyle::Solid, width_));
}

void RecordingSurface::Text(double x, double y, const std::string& text) {
    ops_.push_back(MakeOp(Kind::Text, x, y, 0, 0, 0, fore_, LineStyle::Solid, width_));
    ops_.back().text = text;
}

std::vector<RecordingSurface::Op> RecordingSurface::ops_of(Kind kind) const {
    std::vector<Op> found;
    for (const Op& op : ops_) {
        if (op.kind == kind) {
            found.push_back(op);
        }
    }
    return found;
}

} // namespace tamo
