// Feed and loop timing: the effective feed from the programmed feed, the override and the
// machine's limits, and the busy-loop count of a tick from the calibration.

#include "interpreter/cnc.h"
#include "interpreter/motion_word.h"
#include "interpreter/numbers.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace tamo {
namespace {

// A tick lasts as long as the longest axis would take for one X step at the feed, so an axis whose
// step is coarser than X's, or Z on a steep move, can come out faster than the feed says. Each axis
// is held to its fast jog rate (X's for X and Y, Z's for Z) by slowing the whole move. The margin
// leaves a move that runs exactly at a rate alone, to the last digit of its delay.
void HoldAxesToFastRates(MachineState& st, double fast_x, double fast_z) {
    const double x_step = std::fabs(st.UnitsPerStepX);
    if (!(x_step > 0)) {
        return;
    }
    const std::array<double, 3> travel{st.TickTravelX, st.TickTravelY, st.TickTravelZ};
    const std::array<double, 3> fast{fast_x, fast_x, fast_z};
    for (std::size_t a = 0; a < 3; ++a) {
        const double speed = st.FeedRate / x_step * std::fabs(travel[a]);
        if (speed > fast[a] * (1 + 1e-9)) {
            st.FeedRate *= fast[a] / speed;
        }
    }
}

} // namespace

// Changes: FeedRate, StepDelay, RampUpAngle, RampDownAngle and the effective-feed field Text2.
// The feed is clamped, never rejected: below 1 unit per minute it is 1, above the X fast jog rate
// it is that rate, rapids always run at it, and a move that steps Z is held to Z's fast rate. No
// axis ever steps faster than its fast jog rate, whatever the step sizes and the diagonal's factor.
//
// Every comparison is written so that a NaN fails it towards the safe side: an infinite feed (an
// F word near the largest double times a feed scale of 2) times an override of 0 is NaN, which
// every plain comparison lets through, and a NaN delay waits nothing at all. The override of 0
// means the floor, so NaN becomes the floor of 1; the settings reader keeps the jog rates finite.
void Cnc::ComputeFeedDelay() {
    const bool rapid = MotionOf(st.GCode) == Motion::Rapid;
    const bool steps_z = std::fabs(st.StepsZ) > 0;
    FeedMemo& memo = feed_memo_;
    if (!memo.Holds(st.JogFastX, st.JogFastZ, main.Overide, st.ProgFeed, rapid, steps_z)) {
        const double fast_x = NumberOf(st.JogFastX);
        const double fast_z = NumberOf(st.JogFastZ);
        const double feed = ClampedFeed(st.ProgFeed, ScanSettingNumber(main.Overide), fast_x, fast_z, rapid, steps_z);
        memo = {st.JogFastX,
                st.JogFastZ,
                main.Overide,
                std::bit_cast<std::uint64_t>(st.ProgFeed),
                rapid,
                steps_z,
                true,
                fast_x,
                fast_z,
                feed,
                FormatNumber(feed)};
    }
    const double fast_x = memo.fast_x;
    const double fast_z = memo.fast_z;
    st.FeedRate = memo.feed;
    main.Text2 = memo.shown;
    st.RampDownAngle = 91;
    st.RampUpAngle = 0;
    // The display shows the feed along the path; the delay follows the feed of the longest axis.
    st.FeedRate = st.FeedFactor * st.FeedRate;
    HoldAxesToFastRates(st, fast_x, fast_z);
    st.StepDelay = RoundHalfEven(st.LoopCal / st.FeedRate);
}

namespace {

// The effective feed as the panel shows it while the operator edits: programmed feed times
// override, before any limit. Only ComputeFeedDelay decides what the machine runs at.
std::string DisplayedFeed(const MainWindowModel& panel) {
    return FormatNumber(ScanNumber(panel.Text3) * ScanNumber(panel.Overide) / 100);
}

} // namespace

// Changes: Overide and Text2. Typing is not yet a choice: a half-typed "2" on the way to "250"
// must not reach a running move, so the feed itself stays as it is.
void Cnc::OverideTyped(const std::string& text) {
    main.Overide = text;
    main.Text2 = DisplayedFeed(main);
    op().ModelsChanged();
}

// Changes: Overide, and FeedRate, StepDelay, the ramp angles and Text2 through ComputeFeedDelay.
// A move in progress runs at the new delay from its next tick; its ramp starts over, because the
// angles are reset with the feed.
void Cnc::OverideChosen(const std::string& text) {
    main.Overide = text;
    main.Text2 = DisplayedFeed(main);
    op().FocusView();
    ComputeFeedDelay();
    FeedScaleChanged();
    op().ModelsChanged();
}

// Changes: Text3 and Text2; like typing an override, only the display.
void Cnc::Text3Typed(const std::string& text) {
    main.Text3 = text;
    main.Text2 = DisplayedFeed(main);
    op().ModelsChanged();
}

// Command8(0) "Faster" and Command8(1) "Slower". Changes: Overide, and through ComputeFeedDelay
// the feed, the delay and the ramp angles. No bounds: at 0 % or below the feed floor of 1 unit
// per minute applies, and "Faster" brings the override back from there.
void Cnc::FasterSlower(int index) {
    constexpr double kOverrideStep = 2;
    if (index != 0 && index != 1) {
        return;
    }
    const double change = index == 0 ? kOverrideStep : -kOverrideStep;
    main.Overide = FormatNumber(ScanNumber(main.Overide) + change);
    ComputeFeedDelay();
    FeedScaleChanged();
    op().ModelsChanged();
}

// Mouse-up on either button: the keyboard goes back to the view, where a key stops the machine.
void Cnc::FasterSlowerReleased() {
    op().FocusView();
}

} // namespace tamo
