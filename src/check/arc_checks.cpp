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

#include "check/check_item.h"

#include <algorithm>
#include <cmath>

namespace tamo::check {
namespace {

bool IsArc(MoveKind m) {
    return m == MoveKind::Cw || m == MoveKind::Ccw;
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
        const double least = context.inch ? 0.0004 : 0.01;
        tolerance_ = std::max({least, std::isfinite(context.step_x) ? context.step_x : 0.0,
                               std::isfinite(context.step_y) ? context.step_y : 0.0});
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
            return "left by the arc on line " + std::to_string(s.entry) + " (its start point relative to its centre)";
        }
        return "set on line " + std::to_string(s.entry);
    }

    void Walked(const Item& item, const Token* r, bool has_i, bool has_j, Findings& out) {
        const Block& b = *item.after;
        const double i = item.centre_x - b.start_x;
        const double j = item.centre_y - b.start_y;
        const std::string centre = "(" + Len(item.centre_x) + ", " + Len(item.centre_y) + ")";
        if (r != nullptr) {
            const bool both = has_i && has_j;
            std::string message = "R" + std::string(r->number) +
                                  " is ignored: arcs are defined by I and J only; this one runs about the centre " +
                                  centre + " from I" + Len(i) + " J" + Len(j);
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
                            ", where a standard controller takes 0, so the centre is " + centre + ", not (" + Len(sx) +
                            ", " + Len(sy) + ").");
                return;
            }
        }
        const double end_radius = std::hypot(b.x - item.centre_x, b.y - item.centre_y);
        if (std::fabs(end_radius - item.radius) > tolerance_) {
            out.Add(item, "arc-off-circle", Severity::Error,
                    "The end point is not on the circle through the start: the radius is " + Len(item.radius) +
                        " at the start and " + Len(end_radius) + " at the end, more than " + Len(tolerance_) + " " +
                        context_.unit +
                        " apart; the machine walks the circle and then cuts straight to the end point.");
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
