// Feeds: the feed a feed move runs at, where the text does not give it one the machine can run.
//
// Reports:
//   feed-zero     error    a feed move with feed 0 (F0, or no F word at all): it runs at the
//                          slowest feed, 1 unit per minute
//   feed-floor    error    a feed below 1 unit per minute runs at 1 unit per minute
//   feed-missing  warning  a feed move before the program's first F word runs at the feed left
//                          from before the program

#include "check/check_item.h"

#include <string_view>

namespace tamo::check {
namespace {

// The slowest feed the machine runs, in length units per minute, whatever the unit.
constexpr double kSlowestFeed = 1.0;

class FeedChecks final : public Family {
public:
    explicit FeedChecks(const Context& context) : context_(context) {}

    void Check(const Item& item, Findings& out) override {
        if (!item.skipped && item.words.Has(kF)) {
            feed_from_ = item.entry;
        }
        const bool feed_move = item.run == MoveKind::Feed || item.run == MoveKind::Cw || item.run == MoveKind::Ccw;
        if (!feed_move || !item.moves) {
            return;
        }
        const double feed = item.after->feed;
        const char* code = feed <= 0 ? "feed-zero" : feed < kSlowestFeed ? "feed-floor" : nullptr;
        if (code == nullptr) {
            Close(out);
            if (feed_from_ == 0 && !missing_told_) {
                missing_told_ = true;
                out.Add(item, "feed-missing", Severity::Warning,
                        "No F word before this feed move: it runs at F" + Num(feed) +
                            ", the feed left from before the program.");
            }
            return;
        }
        if (slow_.open() && slow_.cause() == feed_from_ && std::string_view(slow_code_) == code) {
            slow_.Extend(item);
            return;
        }
        Close(out);
        slow_.Begin(item, feed_from_);
        slow_code_ = code;
        slow_feed_ = feed;
    }

    void Finish(Findings& out) override { Close(out); }

private:
    // Asked after nearly every feed move, which has no run of slow lines open.
    void Close(Findings& out) {
        if (slow_.open()) {
            TellSlow(out);
        }
    }

    [[gnu::noinline]] void TellSlow(Findings& out) {
        slow_.Reset();
        const std::string slowest = Num(kSlowestFeed) + " " + context_.unit + " per minute";
        const std::string more = slow_.More();
        if (std::string_view(slow_code_) == "feed-zero") {
            const std::string why = slow_.cause() == 0
                                        ? "no F word before it"
                                        : "F" + Num(slow_feed_) + " on line " + context_.Line(slow_.cause());
            out.Add(slow_.first(), "feed-zero", Severity::Error,
                    "This feed move has feed 0 (" + why + "): it runs at the slowest feed, " + slowest + more + ".");
        } else {
            out.Add(slow_.first(), "feed-floor", Severity::Error,
                    "F" + Num(slow_feed_) + " is below the slowest feed, " + slowest + ", which this move runs at" +
                        more + ".");
        }
    }

    const Context& context_;
    int feed_from_ = 0;
    bool missing_told_ = false;
    Stretch slow_;
    const char* slow_code_ = "";
    double slow_feed_ = 0;
};

} // namespace

std::unique_ptr<Family> MakeFeedChecks(const Context& context) {
    return std::make_unique<FeedChecks>(context);
}

} // namespace tamo::check
