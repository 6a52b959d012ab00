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
#include <vector>

namespace tamo::check {
namespace {

constexpr std::size_t kFewestMoves = 5;
constexpr std::size_t kOutermostShare = 100; // one in a hundred on either side
constexpr std::size_t kLeastOutermost = 1;
constexpr double kFarFactor = 5;

class ExtentChecks final : public Family {
public:
    explicit ExtentChecks(const Context& context) : context_(context) {}

    void Check(const Item& item, Findings& /*out*/) override {
        if (!item.moves || item.run == MoveKind::None) {
            return;
        }
        places_.push_back({item.entry, item.file_line});
        axes_[0].push_back(static_cast<float>(item.after->x));
        axes_[1].push_back(static_cast<float>(item.after->y));
        axes_[2].push_back(static_cast<float>(item.after->z));
    }

    void Finish(Findings& out) override {
        const std::size_t n = places_.size();
        if (n < kFewestMoves) {
            return;
        }
        const std::size_t outer = std::max(kLeastOutermost, n / kOutermostShare);
        std::array<double, 3> low{};
        std::array<double, 3> high{};
        double width = context_.inch ? 0.04 : 1.0;
        std::vector<float> sorted;
        for (std::size_t a = 0; a < 3; ++a) {
            sorted = axes_[a];
            std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(outer), sorted.end());
            low[a] = sorted[outer];
            std::nth_element(sorted.begin(), sorted.end() - 1 - static_cast<std::ptrdiff_t>(outer), sorted.end());
            high[a] = sorted[n - 1 - outer];
            width = std::max(width, high[a] - low[a]);
        }
        const double reach = kFarFactor * width;
        const std::string extents = "X " + Len(low[0]) + " to " + Len(high[0]) + ", Y " + Len(low[1]) + " to " +
                                    Len(high[1]) + ", Z " + Len(low[2]) + " to " + Len(high[2]);
        for (std::size_t k = 0; k < n; ++k) {
            std::string far;
            for (std::size_t a = 0; a < 3; ++a) {
                const double v = axes_[a][k];
                if (v < low[a] - reach || v > high[a] + reach) {
                    far += far.empty() ? "" : " ";
                    far += std::string(1, "XYZ"[a]) + Len(v);
                }
            }
            if (!far.empty()) {
                out.Add(context_.place_of(places_[k].entry, places_[k].file_line), "far-move", Severity::Warning,
                        "This move goes to " + far + ", far outside the rest of the program (" + extents +
                            "): a typing error?");
            }
        }
    }

private:
    struct Where {
        int entry;
        int file_line;
    };

    const Context& context_;
    std::vector<Where> places_;
    std::array<std::vector<float>, 3> axes_;
};

} // namespace

std::unique_ptr<Family> MakeExtentChecks(const Context& context) {
    return std::make_unique<ExtentChecks>(context);
}

} // namespace tamo::check
