// Clearance: rapids that cross the work below the height the program went up to before.
//
// Reports:
//   rapid-below-clearance  warning  a rapid across X or Y below the highest Z the program reached
//                                   before, while the tool is no higher than a cut it made across
//                                   X or Y since it was last up there: a retract is likely
//                                   missing (a dropped G53 or G28 line), and the rapid may cross
//                                   the stock
//
// A rapid between holes at the R plane, or between passes at a retract height above the cuts,
// stays quiet: drilling feeds only along Z, and a retract height lies above the cuts it leaves.
// The rapids that follow the first one without a move in between belong to the same finding, as
// a count of the others.

#include "check/check_item.h"

#include <algorithm>
#include <limits>

namespace tamo::check {
namespace {

constexpr double kNone = -std::numeric_limits<double>::infinity();

class ClearanceChecks final : public Family {
public:
    explicit ClearanceChecks(const Context& context) : context_(context) {}

    void Check(const Item& item, Findings& out) override {
        if (!item.moves || item.run == MoveKind::None) {
            return;
        }
        const Block& b = *item.after;
        if (highest_ == kNone) {
            highest_ = b.start_z; // where a fresh Start stands
            highest_line_ = 0;
        }
        const bool across = b.x != b.start_x || b.y != b.start_y;
        const double low = std::min(b.start_z, b.z);
        if (item.run == MoveKind::Rapid && across && low < highest_ && low <= cut_) {
            if (stretch_.open()) {
                stretch_.Extend(item);
            } else {
                stretch_.Begin(item, 0);
                said_ = "This rapid crosses X and Y at Z" + Len(low) + ", below the Z" + Len(highest_) + " " +
                        Reached() + ", and no higher than the cut across X and Y at Z" + Len(cut_) + " on line " +
                        context_.Line(cut_entry_);
            }
        } else {
            Close(out);
        }
        if (item.run != MoveKind::Rapid && across && low > cut_) {
            cut_ = low;
            cut_entry_ = item.entry;
        }
        if (b.z >= highest_) {
            if (b.z > highest_) {
                highest_line_ = item.entry;
            }
            highest_ = b.z;
            cut_ = kNone; // up at the top: clear of every cut
        }
    }

    void Finish(Findings& out) override { Close(out); }

private:
    [[nodiscard]] std::string Reached() const {
        return highest_line_ == 0 ? std::string("where the program began")
                                  : "the program reached on line " + context_.Line(highest_line_);
    }

    void Close(Findings& out) {
        if (!stretch_.open()) {
            return;
        }
        stretch_.Reset();
        out.Add(stretch_.first(), "rapid-below-clearance", Severity::Warning,
                said_ + stretch_.More() + ": it may cross the stock. Is a retract missing before it?");
    }

    const Context& context_;
    double highest_ = kNone; // the highest Z reached so far
    int highest_line_ = 0;   // the entry that reached it; 0: the start
    double cut_ = kNone;     // the highest cut across X or Y since the tool was last that high
    int cut_entry_ = 0;
    Stretch stretch_;
    std::string said_;
};

} // namespace

std::unique_ptr<Family> MakeClearanceChecks(const Context& context) {
    return std::make_unique<ClearanceChecks>(context);
}

} // namespace tamo::check
