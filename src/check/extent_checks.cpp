// Extents: moves that go far outside where the rest of the program works.
//
// Reports:
//   far-move  warning  a move whose end point lies far outside the program's own extents: a
//                      likely typing error (X1000 for X100)
//
// The program's own extents leave out its outermost moves, so that a single stray point cannot
// widen them: on each axis the end points of all moves but the outermost hundredth (at least one)
// on either side. A move is far outside when it lies beyond them by more than five times their
// largest width (or five times 1 mm, if they are smaller).

#include "check/check_item.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <map>
#include <optional>
#include <vector>

namespace tamo::check {
namespace {

constexpr std::size_t kFewestMoves = 5;
constexpr std::size_t kOutermostShare = 100; // one in a hundred on either side
constexpr std::size_t kLeastOutermost = 1;
constexpr double kFarFactor = 5;

// The most extreme values of one axis on one side, with the entries they came from: at least the
// `keep` lowest (or highest) seen so far. Both the extents and every far move are among them, so a
// long program needs no list of all its positions.
//
// A value beyond the bound goes on the list unsorted; when the list has grown to twice `keep`, it
// is cut back to the `keep` outermost, and the bound is the innermost of those. A heap would order
// the list at every value, and a program that works its way down in passes brings a new outermost
// Z with every move. Of values equal to the innermost kept, which of their entries stay is left
// open: the extents read only that value, and a far move lies beyond it. `High`: the highest values,
// else the lowest; a side of its own type, so that the look at every value is one comparison.
struct OutermostValue {
    float value;
    int entry;
};
template <bool High> class Outermost {
public:
    using Value = OutermostValue;
    explicit Outermost(std::size_t keep) : keep_(keep) {}

    // A value it wants: called for every move on every axis, the common case, a value inside the
    // bound, stays a comparison.
    [[nodiscard]] bool Wants(float value) const { return !bounded_ || Beyond(value, bound_); }
    void Add(float value, int entry) {
        kept_.push_back({value, entry});
        if (kept_.size() >= 2 * keep_) {
            CutBack();
        }
    }

    // The `keep` outermost (fewer if fewer came), from the outermost inwards.
    [[nodiscard]] std::vector<Value> Sorted() const {
        std::vector<Value> sorted = kept_;
        if (sorted.size() > keep_) {
            std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(keep_ - 1), sorted.end(),
                             Outer());
            sorted.resize(keep_);
        }
        std::sort(sorted.begin(), sorted.end(), Outer());
        return sorted;
    }

private:
    void CutBack() {
        const auto last = kept_.begin() + static_cast<std::ptrdiff_t>(keep_ - 1);
        std::nth_element(kept_.begin(), last, kept_.end(), Outer());
        kept_.resize(keep_);
        bound_ = last->value;
        bounded_ = true;
    }

    [[nodiscard]] static bool Beyond(float a, float b) { return High ? a > b : a < b; }
    // Orders the values from the outermost inwards.
    struct Outward {
        bool operator()(const Value& a, const Value& b) const { return Beyond(a.value, b.value); }
    };
    [[nodiscard]] static Outward Outer() { return Outward{}; }

    std::size_t keep_;
    std::vector<Value> kept_;
    float bound_ = 0;      // the innermost value kept at the last cut
    bool bounded_ = false; // cut back at least once: a value not beyond the bound is not needed
};

class ExtentChecks final : public Family {
public:
    // A move lies beyond the extents only when it is one of the outermost hundredth of its axis,
    // and the extents are the next value inwards: of a program of n entries, at most
    // max(1, n / 100) + 1 values on either side of each axis ever matter.
    explicit ExtentChecks(const Context& context)
        : context_(context),
          keep_(std::max(kLeastOutermost, context.entries / kOutermostShare) + 1), low_{Outermost<false>(keep_),
                                                                                        Outermost<false>(keep_),
                                                                                        Outermost<false>(keep_)},
          high_{Outermost<true>(keep_), Outermost<true>(keep_), Outermost<true>(keep_)} {}

    void Check(const Item& item, Findings& /*out*/) override {
        if (!item.moves || item.run == MoveKind::None) {
            return;
        }
        ++moves_;
        const std::array<float, 3> at{static_cast<float>(item.after->x), static_cast<float>(item.after->y),
                                      static_cast<float>(item.after->z)};
        for (std::size_t a = 0; a < 3; ++a) {
            if (low_[a].Wants(at[a])) {
                low_[a].Add(at[a], item.entry);
            }
            if (high_[a].Wants(at[a])) {
                high_[a].Add(at[a], item.entry);
            }
        }
    }

    void Finish(Findings& out) override {
        const std::size_t n = moves_;
        if (n < kFewestMoves) {
            return;
        }
        const std::size_t outer = std::max(kLeastOutermost, n / kOutermostShare);
        std::array<std::vector<OutermostValue>, 3> lows;
        std::array<std::vector<OutermostValue>, 3> highs;
        std::array<double, 3> low{};
        std::array<double, 3> high{};
        double width = context_.inch ? 0.04 : 1.0;
        for (std::size_t a = 0; a < 3; ++a) {
            lows[a] = low_[a].Sorted();
            highs[a] = high_[a].Sorted();
            low[a] = lows[a][outer].value;
            high[a] = highs[a][outer].value;
            width = std::max(width, high[a] - low[a]);
        }
        const double reach = kFarFactor * width;
        // Each far move with the value of each axis it is far on, in program order.
        std::map<int, std::array<std::optional<float>, 3>> far_moves;
        for (std::size_t a = 0; a < 3; ++a) {
            for (std::size_t k = 0; k < outer; ++k) {
                if (lows[a][k].value < low[a] - reach) {
                    far_moves[lows[a][k].entry][a] = lows[a][k].value;
                }
                if (highs[a][k].value > high[a] + reach) {
                    far_moves[highs[a][k].entry][a] = highs[a][k].value;
                }
            }
        }
        if (far_moves.empty()) {
            return;
        }
        const std::string extents = "X " + Len(low[0]) + " to " + Len(high[0]) + ", Y " + Len(low[1]) + " to " +
                                    Len(high[1]) + ", Z " + Len(low[2]) + " to " + Len(high[2]);
        for (const auto& [entry, values] : far_moves) {
            std::string far;
            for (std::size_t a = 0; a < 3; ++a) {
                if (values[a]) {
                    far += far.empty() ? "" : " ";
                    far += std::string(1, "XYZ"[a]) + Len(*values[a]);
                }
            }
            out.Add(context_.place_of(entry, context_.file_line_of(entry)), "far-move", Severity::Warning,
                    "This move goes to " + far + ", far outside the rest of the program (" + extents +
                        "): a typing error?");
        }
    }

private:
    const Context& context_;
    std::size_t keep_;
    std::size_t moves_ = 0;
    std::array<Outermost<false>, 3> low_;
    std::array<Outermost<true>, 3> high_;
};

} // namespace

std::unique_ptr<Family> MakeExtentChecks(const Context& context) {
    return std::make_unique<ExtentChecks>(context);
}

} // namespace tamo::check
