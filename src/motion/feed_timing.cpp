// Feed and loop timing: the effective feed from the programmed feed, the override and the
// machine's limits, and the busy-loop count of a tick from the calibration.

#include "interpreter/cnc.h"
#include "interpreter/motion_word.h"
#include "interpreter/numbers.h"

#include <cmath>

namespace tamo {

// Changes: FeedRate, StepDelay, RampUpAngle, RampDownAngle and the effective-feed field Text2.
// The feed is clamped, never rejected: below 1 unit per minute it is 1, above the X fast jog rate
// it is that rate, rapids always run at it, and a move that steps Z is held to Z's fast rate.
//
// Every comparison is written so that a NaN fails it towards the safe side: an infinite feed (an
// F word near the largest double times a feed scale of 2) times an override of 0 is NaN, which
// every plain comparison lets through, and a NaN delay waits nothing at all. The override of 0
// means the floor, so NaN becomes the floor of 1; the settings reader keeps the jog rates finite.
void Cnc::ComputeFeedDelay() {
    const double fast_x = NumberOf(st.JogFastX);
    const double fast_z = NumberOf(st.JogFastZ);
    st.FeedRate = st.ProgFeed * ScanNumber(main.Overide) / 100;
    if (!(st.FeedRate >= 1.0)) {
        st.FeedRate = 1.0;
    }
    if (!(st.FeedRate <= fast_x)) {
        st.FeedRate = fast_x;
    }
    if (MotionOf(st.GCode) == Motion::Rapid) {
        st.FeedRate = fast_x;
    }
    if (std::fabs(st.StepsZ) > 0 && !(st.FeedRate <= fast_z)) {
        st.FeedRate = fast_z;
    }
    main.Text2 = FormatNumber(st.FeedRate);
    st.RampDownAngle = 91;
    st.RampUpAngle = 0;
    // The display shows the feed along the path; the delay follows the feed of the longest axis.
    st.FeedRate = st.FeedFactor * st.FeedRate;
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
    op().ModelsChanged();
}

// Mouse-up on either button: the keyboard goes back to the view, where a key stops the machine.
void Cnc::FasterSlowerReleased() {
    op().FocusView();
}

} // namespace tamo
