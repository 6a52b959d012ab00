// Travel: moves that would leave the machine's travel, when its machine settings give one.
//
// Reports:
//   beyond-travel  error  a move that takes an axis beyond the minimum or maximum of its travel,
//                         with the program origin where it stands now in machine coordinates (at
//                         machine zero in a fresh start). Homed on its switches, the machine
//                         refuses such a program at Start; before that nothing stops the axis.
//
// The lines that follow it and leave the travel on the same axis belong to the same finding, up to
// the next move that keeps that axis inside, as a count of the others.

#include "check/check_item.h"

#include <cmath>

namespace tamo::check {
namespace {

constexpr std::array<const char*, 3> kAxes{"X", "Y", "Z"};

class TravelChecks final : public Family {
public:
    explicit TravelChecks(const Context& context) : context_(context), any_travel_(context.AnyTravel()) {}

    void Check(const Item& item, Findings& out) override {
        if (!any_travel_ || !item.moves || item.run == MoveKind::None) {
            return;
        }
        const std::array<double, 3> step{context_.step_x, context_.step_y, context_.step_z};
        for (std::size_t a = 0; a < 3; ++a) {
            const MachineSetup::Travel& t = context_.travel[a];
            if (!t.set) {
                continue;
            }
            // Half a step of rounding, as the soft limits allow.
            const double slack = std::fabs(step[a]) / 2;
            const double lo = item.reach[a].lo + context_.origin[a];
            const double hi = item.reach[a].hi + context_.origin[a];
            Leaving& leaving = leaving_[a];
            if (hi <= t.max + slack && lo >= t.min - slack) {
                Close(a, out);
            } else if (leaving.stretch.open()) {
                leaving.stretch.Extend(item);
            } else {
                leaving.stretch.Begin(item, 0);
                leaving.above = hi > t.max + slack;
                leaving.reach = leaving.above ? hi : lo;
            }
        }
    }

    void Finish(Findings& out) override {
        for (std::size_t a = 0; a < 3; ++a) {
            Close(a, out);
        }
    }

private:
    struct Leaving {
        Stretch stretch;
        bool above = false; // beyond the maximum, else the minimum
        double reach = 0;   // machine coordinates
    };

    void Close(std::size_t a, Findings& out) {
        Leaving& leaving = leaving_[a];
        if (!leaving.stretch.open()) {
            return;
        }
        leaving.stretch.Reset();
        const MachineSetup::Travel& t = context_.travel[a];
        const double end = leaving.above ? t.max : t.min;
        out.Add(leaving.stretch.first(), "beyond-travel", Severity::Error,
                std::string(kAxes[a]) + " would reach " + Len(leaving.reach) + " in machine coordinates, " +
                    Len(std::fabs(leaving.reach - end)) + " " + context_.unit + " beyond its " +
                    (leaving.above ? "maximum " : "minimum ") + Len(end) + ", with the program origin at " + Origin() +
                    leaving.stretch.More() + ". Homed on its switches, the machine refuses this program at Start.");
    }

    [[nodiscard]] std::string Origin() const {
        const std::array<double, 3>& o = context_.origin;
        if (o[0] == 0 && o[1] == 0 && o[2] == 0) {
            return "machine zero";
        }
        return "machine X" + Len(o[0]) + " Y" + Len(o[1]) + " Z" + Len(o[2]);
    }

    const Context& context_;
    bool any_travel_; // without a travel no line is held against one
    std::array<Leaving, 3> leaving_;
};

} // namespace

std::unique_ptr<Family> MakeTravelChecks(const Context& context) {
    return std::make_unique<TravelChecks>(context);
}

} // namespace tamo::check
