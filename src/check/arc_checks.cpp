// Arcs: how the run finds an arc's centre, and where that is not where the text puts it.
//
// Reports:
//   arc-radius-word   error    R on an arc is ignored: the centre comes from I and J (a warning
//                              when the line gives both I and J)
//   arc-off-circle    error    the end point is not on the circle through the start, by more than
//                              the tolerance the message states
//   arc-no-centre     error    I and J both 0: the arc is cut as a straight line, and G01 stays in
//                              force for the lines after it
//   arc-modal-centre  error    an arc without I or J takes the value the previous arc left behind
//                              (its start point relative to its centre), where the text means 0
//   arc-full-circle   error    an end within a step of the start, but not on it: the machine cuts
//                              the whole circle, a standard controller a short arc
//   arc-turns         error    P (whole turns of a helix) is not read: the machine turns once

#include "check/check_item.h"
#include "interpreter/numbers.h"
#include "motion/arc_geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tamo::check {
namespace {

bool IsArc(MoveKind m) {
    return m == MoveKind::Cw || m == MoveKind::Ccw;
}

// Whether the walk of the block is plainly not a whole circle: seen from the centre, its end stands
// clearly more than one increment (an X step of arc) round from its start, the short way. The
// cross and dot products tell it without the angles: the sine of an angle is no more than the angle,
// and the room left for rounding is far above it. Where they cannot tell, the geometry does.
bool PlainlyShort(const ArcBlock& block, double step_x) {
    constexpr double kRoom = 1e-6; // radians
    constexpr double kTiny = 1e-100;
    constexpr double kHuge = 1e100;
    // The vectors MakeArcGeometry takes its angles from: the start's and the end's from the centre.
    const double ux = -block.i;
    const double uy = -block.j;
    const double centre_x = block.start_x + block.i;
    const double centre_y = block.start_y + block.j;
    const double vx = block.end_x - centre_x;
    const double vy = block.end_y - centre_y;
    const double ru = std::sqrt(ux * ux + uy * uy);
    const double rv = std::sqrt(vx * vx + vy * vy);
    const double increment = step_x / ru;
    if (!(ru > kTiny && ru < kHuge && rv > kTiny && rv < kHuge && std::isfinite(increment) && increment < 1)) {
        return false;
    }
    const double cross = ux * vy - uy * vx;
    const double dot = ux * vx + uy * vy;
    // A quarter turn or more apart, or further than an increment: the sine alone is that far.
    return dot <= 0 || std::fabs(cross) > (increment + kRoom) * ru * rv;
}

// Where the value of I or J in force came from.
struct Source {
    int entry = 0;    // 0: from before the program
    bool arc = false; // rewritten by the arc on that line, rather than written there
};

class ArcChecks final : public Family {
public:
    explicit ArcChecks(const Context& context) : context_(context) {
        // The walk of an arc goes in steps of X; closer than a step, or than 0.01 mm, an end point
        // is on the circle.
        tolerance_ = ArcTolerance(context.inch, context.step_x, context.step_y);
    }

    void Check(const Item& item, Findings& out) override {
        const Token* r = RadiusWord(item);
        if (straight_.open() && item.gcode_from != straight_.cause()) {
            CloseStraight(out);
        }
        if (item.converted) {
            straight_.Begin(item, item.entry);
            straight_r_ = r != nullptr ? std::string(1, 'R') + std::string(r->number) : std::string();
        } else if (straight_.open() && item.moves && IsArc(item.meant) && item.run == MoveKind::Feed) {
            straight_.Extend(item);
        }

        const bool has_i = !item.skipped && item.words.Has(kI);
        const bool has_j = !item.skipped && item.words.Has(kJ);
        if (IsArc(item.run)) {
            Walked(item, r, has_i, has_j, out);
            i_from_ = j_from_ = {item.entry, true};
            return;
        }
        if (has_i) {
            i_from_ = {item.entry, false};
        }
        if (has_j) {
            j_from_ = {item.entry, false};
        }
    }

    void Finish(Findings& out) override { CloseStraight(out); }

private:
    // An R word on an arc line, outside comments.
    static const Token* RadiusWord(const Item& item) {
        if (!(IsArc(item.meant) || IsArc(item.run) || item.converted)) {
            return nullptr;
        }
        for (const Token& t : item.tokens) {
            if (t.letter == 'R') {
                return &t;
            }
        }
        return nullptr;
    }

    void CloseStraight(Findings& out) {
        if (!straight_.open()) {
            return;
        }
        straight_.Reset();
        const std::string straight = "this arc is cut as a straight line, and G01 stays in force for the lines "
                                     "after it" +
                                     straight_.More() + ".";
        if (!straight_r_.empty()) {
            out.Add(straight_.first(), "arc-radius-word", Severity::Error,
                    straight_r_ + " is ignored: arcs are defined by I and J only, and with I and J both 0 " + straight);
        } else {
            out.Add(straight_.first(), "arc-no-centre", Severity::Error, "I and J are both 0, so " + straight);
        }
    }

    std::string From(const Source& s) const {
        if (s.entry == 0) {
            return "left from before the program";
        }
        if (s.arc) {
            return "left by the arc on line " + context_.Line(s.entry) + " (its start point relative to its centre)";
        }
        return "set on line " + context_.Line(s.entry);
    }

    void Walked(const Item& item, const Token* r, bool has_i, bool has_j, Findings& out) {
        const Block& b = *item.after;
        const double i = item.centre_x - b.start_x;
        const double j = item.centre_y - b.start_y;
        auto centre = [&item] {
            return "(" + Len(item.centre_x) + ", " + Len(item.centre_y) + ")";
        };
        if (r != nullptr) {
            const bool both = has_i && has_j;
            std::string message = "R" + std::string(r->number) +
                                  " is ignored: arcs are defined by I and J only; this one runs about the centre " +
                                  centre() + " from I" + Len(i) + " J" + Len(j);
            if (!both) {
                message += " (" + std::string(!has_i ? "I " + From(i_from_) : "J " + From(j_from_)) + ")";
            }
            out.Add(item, "arc-radius-word", both ? Severity::Warning : Severity::Error, message + ".");
            return;
        }
        if (!has_i || !has_j) {
            const double sx = b.start_x + (has_i ? i : 0);
            const double sy = b.start_y + (has_j ? j : 0);
            if (Len(sx) != Len(item.centre_x) || Len(sy) != Len(item.centre_y)) {
                std::string taken;
                if (!has_i) {
                    taken = "I" + Len(i) + ", " + From(i_from_);
                }
                if (!has_j) {
                    taken += (taken.empty() ? "" : ", and ") + ("J" + Len(j) + ", " + From(j_from_));
                }
                out.Add(item, "arc-modal-centre", Severity::Error,
                        std::string("This arc has no ") +
                            (!has_i && !has_j ? "I or J"
                             : !has_i         ? "I"
                                              : "J") +
                            " word: the run takes " + taken +
                            ", where a standard controller takes 0, so the centre is " + centre() + ", not (" +
                            Len(sx) + ", " + Len(sy) + ").");
                return;
            }
        }
        Turns(item, out);
        // Nearly every arc ends on its circle, which its end's exact radius need not tell.
        const double end_dx = b.x - item.centre_x;
        const double end_dy = b.y - item.centre_y;
        if (SurelyWithin(end_dx, end_dy, item.radius, tolerance_)) {
            return;
        }
        const double end_radius = std::hypot(end_dx, end_dy);
        if (std::fabs(end_radius - item.radius) > tolerance_) {
            out.Add(item, "arc-off-circle", Severity::Error,
                    "The end point is not on the circle through the start: the radius is " + Len(item.radius) +
                        " at the start and " + Len(end_radius) + " at the end, more than " + Len(tolerance_) + " " +
                        context_.unit +
                        " apart; the machine walks the circle and then cuts straight to the end point.");
        }
    }

    // The angle the machine turns against the one a standard controller turns: an end within a
    // step of the start is a whole circle here, and a P word (whole turns) is not read.
    void Turns(const Item& item, Findings& out) const {
        const Block& b = *item.after;
        const int dir = item.run == MoveKind::Cw ? 1 : -1;
        const ArcBlock block{
            b.start_x, b.start_y, b.start_z, b.x, b.y, b.z, item.centre_x - b.start_x, item.centre_y - b.start_y, dir};
        if (!PlainlyShort(block, context_.step_x) &&
            MakeArcGeometry(block, context_.step_x, context_.step_z).sweep >= 2 * std::numbers::pi) {
            const double from = std::atan2(b.start_y - item.centre_y, b.start_x - item.centre_x);
            const double to = std::atan2(b.y - item.centre_y, b.x - item.centre_x);
            double sweep = dir > 0 ? from - to : to - from;
            if (sweep <= 0 || (b.x == b.start_x && b.y == b.start_y)) {
                sweep += 2 * std::numbers::pi;
            }
            if (sweep < std::numbers::pi) {
                out.Add(item, "arc-full-circle", Severity::Error,
                        "The end point lies within a step of the start: the machine cuts the whole circle, where a "
                        "standard controller turns " +
                            Len(sweep * 180 / std::numbers::pi) + " degrees.");
            }
        }
        for (const Token& t : item.tokens) {
            if (t.letter != 'P') {
                continue;
            }
            const double turns = ReadNumber(t.number).value_or(1);
            if (turns > 1) {
                out.Add(item, "arc-turns", Severity::Error,
                        "P" + std::string(t.number) + " is not read: a standard controller turns " + Num(turns - 1) +
                            " whole turns more than the machine" +
                            (b.z != b.start_z ? ", its Z travel shared over them." : "."));
            }
        }
    }

    const Context& context_;
    double tolerance_ = 0;
    Source i_from_;
    Source j_from_;
    Stretch straight_;
    std::string straight_r_;
};

} // namespace

std::unique_ptr<Family> MakeArcChecks(const Context& context) {
    return std::make_unique<ArcChecks>(context);
}

} // namespace tamo::check
