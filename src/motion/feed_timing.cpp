// Feed and loop timing: the effective feed from the programmed feed, the override and the
// machine's limits, and the busy-loop count of a tick from the calibration.

#include "interpreter/cnc.h"
#include "interpreter/numbers.h"

#include <cmath>

namespace tamo {

// Changes: FeedRate, StepDelay, RampUpAngle, RampDownAngle and the effective-feed field Text2.
// The feed is clamped, never rejected: below 1 unit per minute it is 1, above the X fast jog rate
// it is that rate, rapids always run at it, and a move that steps Z is held to Z's fast rate.
void Cnc::ComputeFeedDelay() {
    const double fast_x = NumberOf(st.JogFastX);
    const double fast_z = NumberOf(st.JogFastZ);
    st.FeedRate = st.ProgFeed * ScanNumber(main.Overide) / 100;
    if (st.FeedRate < 1.0) {
        st.FeedRate = 1.0;
    }
    if (st.FeedRate > fast_x) {
        st.FeedRate = fast_x;
    }
    if (st.GCode == "G00") {
        st.FeedRate = fast_x;
    }
    if (std::fabs(st.StepsZ) > 0 && st.FeedRate > fast_z) {
        st.FeedRate = fast_z;
    }
    main.Text2 = FormatNumber(st.FeedRate);
    st.RampDownAngle = 91;
    st.RampUpAngle = 0;
    // The display shows the feed along the path; the delay follows the feed of the longest axis.
    st.FeedRate = st.FeedFactor * st.FeedRate;
    st.StepDelay = RoundHalfEven(st.LoopCal / st.FeedRate);
}

void Cnc::OverideTyped(const std::string&) {}
void Cnc::OverideChosen(const std::string&) {}
void Cnc::Text3Typed(const std::string&) {}
void Cnc::FasterSlower(int) {}
void Cnc::FasterSlowerReleased() {}

} // namespace tamo
