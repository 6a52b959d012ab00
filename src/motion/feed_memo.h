#pragma once

#include "interpreter/value.h"

#include <bit>
#include <cstdint>
#include <string>

namespace tamo {

// The feed ComputeFeedDelay works out from the programmed feed and the override (in percent),
// before the feed factor and the axes' limits: below 1 unit per minute it is 1, above the X fast
// jog rate it is that rate, a rapid runs at it, and a move that steps Z is held to Z's fast rate.
// Every comparison fails a NaN towards the safe side: a NaN feed is the floor of 1.
[[nodiscard]] inline double ClampedFeed(double programmed, double override_percent, double fast_x, double fast_z,
                                        bool rapid, bool steps_z) {
    double feed = programmed * override_percent / 100;
    if (!(feed >= 1.0)) {
        feed = 1.0;
    }
    if (!(feed <= fast_x)) {
        feed = fast_x;
    }
    if (rapid) {
        feed = fast_x;
    }
    if (steps_z && !(feed <= fast_z)) {
        feed = fast_z;
    }
    return feed;
}

// The feed that ComputeFeedDelay last worked out from the jog rates' and the override's texts and
// the block, before the feed factor and the axes' limits: a program's lines mostly change none of
// them, and reading the texts and writing the shown feed again was a large part of a long check.
struct FeedMemo {
    // What the feed came from.
    Value jog_fast_x;
    Value jog_fast_z;
    std::string override_text;
    std::uint64_t prog_feed_bits = 0; // bit for bit: a NaN feed, and -0 against 0, stay apart
    bool rapid = false;
    bool steps_z = false;
    bool valid = false;
    // What it came to.
    double fast_x = 0;
    double fast_z = 0;
    double feed = 0;
    std::string shown; // Text2

    [[nodiscard]] bool Holds(const Value& x, const Value& z, const std::string& override_now, double prog_feed,
                             bool rapid_now, bool steps_z_now) const {
        return valid && prog_feed_bits == std::bit_cast<std::uint64_t>(prog_feed) && rapid == rapid_now &&
               steps_z == steps_z_now && override_text == override_now && jog_fast_x == x && jog_fast_z == z;
    }
};

} // namespace tamo
