// The homing cycle on the home switches: Z first, then X and Y (together, or X then Y). Each axis
// seeks its switch at its slow jog rate in the direction the machine settings give, stops on the
// tick its switch reads active, then backs off at a crawl until the switch lets go: that point is
// machine zero. The search is bounded, so that a switch that never closes (a broken wire) never
// drives an axis into its end stop.

#include "interpreter/cnc.h"
#include "interpreter/numbers.h"
#include "motion/open_move.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace tamo {
namespace {

constexpr std::array<const char*, 3> kAxisNames{"X", "Y", "Z"};
constexpr std::array<int MachineState::*, 3> kStepDir{&MachineState::StepDirX, &MachineState::StepDirY,
                                                      &MachineState::StepDirZ};
constexpr std::array<double MachineState::*, 3> kMachPos{&MachineState::MachPosX, &MachineState::MachPosY,
                                                         &MachineState::MachPosZ};
constexpr std::array<Value MachineState::*, 3> kSlowRate{&MachineState::JogSlowX, &MachineState::JogSlowY,
                                                         &MachineState::JogSlowZ};

// The back-off runs at a tenth of the slow jog rate, so that the switch lets go within a step or so
// of where it opens.
constexpr double kCrawl = 0.1;

// Offline there are no switches to read: each is simulated at the end of its axis' travel in the
// direction the axis homes, active from there on, in the machine coordinates as they stand, so
// that homing and the soft limits can be practised. The status byte as the port would give it on
// the lines the settings name.
int SimulatedHomeSwitches(const MachineState& st, const MachineSetup& setup) {
    int status = 0x7F; // idle
    for (std::size_t a = 0; a < 3; ++a) {
        const SwitchLine& line = setup.home[a];
        const MachineSetup::Travel& t = setup.travel[a];
        const double end = setup.home_direction[a] > 0 ? t.max : t.min;
        const bool active = t.set && setup.home_direction[a] * (st.*kMachPos[a] - end) >= 0;
        status = (status & ~line.mask) | (active ? line.active_bits : (~line.active_bits & line.mask));
    }
    return status;
}

} // namespace

// Changes: Homed, the positions (the machine coordinates 0 at the switches), StepDirX/Y/Z (cleared),
// FeedRate, StepDelay, StopRequest. Called by HomeTheMachine inside its busy scope.
void Cnc::HomeOnSwitches() {
    if (st.Offline && !(setup.travel[0].set && setup.travel[1].set && setup.travel[2].set)) {
        op().ShowMessage("Offline, the home switches are simulated at the ends of the travel: set the travel of "
                         "X, Y and Z (Setup > Machine). Nothing moved.",
                         kAppTitle);
        return;
    }
    const std::array<double, 3> step{st.UnitsPerStepX, st.UnitsPerStepY, st.UnitsPerStepZ};
    std::array<double, 3> search{};
    for (std::size_t a = 0; a < 3; ++a) {
        const MachineSetup::Travel& t = setup.travel[a];
        search[a] = setup.home_search > 0 ? setup.home_search : t.set ? 1.1 * (t.max - t.min) : 0;
        if (!(search[a] > 0)) {
            op().ShowMessage(std::string("The search for home switch ") + kAxisNames[a] +
                                 " has no bound: set the travel of the axes or the home switch search (Setup > "
                                 "Machine). Nothing moved.",
                             kAppTitle);
            return;
        }
    }
    if (const std::string why = HomingTimeProblem(search); !why.empty()) {
        op().ShowMessage(why, kAppTitle);
        return;
    }
    st.Homed = false;
    const std::string unit = settings.OptionIn ? "in" : "mm";

    // Moves the axes of a group, each in its direction, at the slowest of their rates times `rate`,
    // until `done` says so for every one of them. False, after telling the operator, when a stop
    // came or an axis went further than `bound` (the other axes then stop too). Backing off, the
    // point where each axis' switch lets go is kept in `released` (machine coordinates).
    //
    // With the accelerations set the axes start from rest within them, and when one of them is done
    // they all brake to rest within them (on past the switch, or past the point where it let go),
    // after which the others start again: the switch is read on every tick of the braking too.
    std::array<double, 3> released{};
    const bool offline = st.Offline;
    auto seek = [&](const std::vector<std::size_t>& axes, double rate, bool back, const char* failure,
                    const std::array<double, 3>& bound) {
        double feed = 0;
        for (const std::size_t a : axes) {
            const double slow = NumberOf(st.*kSlowRate[a]) * rate;
            feed = feed == 0 || slow < feed ? slow : feed;
        }
        st.FeedRate = feed;
        st.StepDelay = RoundHalfEven(st.LoopCal / feed);
        std::array<double, 3> travelled{};
        std::array<bool, 3> moving{};
        for (const std::size_t a : axes) {
            moving[a] = true;
        }
        // The axes the plan runs, and whether there is one.
        std::array<bool, 3> planned_axes{};
        bool planned = false;
        auto begin = [&] {
            double room = std::numeric_limits<double>::infinity();
            for (const std::size_t a : axes) {
                if (moving[a] && step[a] != 0) {
                    room = std::min(room, std::ceil((bound[a] - travelled[a]) / std::fabs(step[a])));
                }
            }
            planned_axes = moving;
            planned = BeginOpenMove(motion_.run, setup, st, moving, feed, std::max(0.0, room));
        };
        auto tick = [&](const std::array<bool, 3>& stepping) {
            for (const std::size_t a : axes) {
                st.*kStepDir[a] = stepping[a] ? (back ? -setup.home_direction[a] : setup.home_direction[a]) : 0;
            }
            if (planned) {
                PlannedDelay();
            }
            StepPulse();
            for (const std::size_t a : axes) {
                travelled[a] += stepping[a] ? std::fabs(step[a]) : 0;
            }
            st.StepDirX = st.StepDirY = st.StepDirZ = 0;
            op().Yield();
            if (st.StopRequest) {
                // Pause or a key in the view: planned, the axes brake to rest first. The limit
                // switch and a port that failed stop them at once.
                if (planned && !st.LimitTripped && st.Offline == offline) {
                    st.StopRequest = false;
                    motion_.run.Brake();
                    while (!motion_.run.AtRest() && !st.StopRequest) {
                        for (const std::size_t a : axes) {
                            st.*kStepDir[a] =
                                stepping[a] ? (back ? -setup.home_direction[a] : setup.home_direction[a]) : 0;
                        }
                        PlannedDelay();
                        StepPulse();
                        st.StepDirX = st.StepDirY = st.StepDirZ = 0;
                        op().Yield();
                    }
                    st.StopRequest = true;
                }
                op().ShowMessage("Homing stopped: the machine is not homed.", kAppTitle);
                return false;
            }
            return true;
        };
        // Reads the switches: an axis whose switch reads as `done` wants no more steps.
        auto read = [&] {
            const int status_byte = st.Offline ? SimulatedHomeSwitches(st, setup) : port_->Inp32(kStatusRegister);
            for (const std::size_t a : axes) {
                const bool was = moving[a];
                moving[a] = moving[a] && setup.home[a].Active(status_byte) == back;
                if (was && !moving[a]) {
                    released[a] = st.*kMachPos[a];
                }
            }
        };
        begin();
        for (;;) {
            read();
            bool any = false;
            for (const std::size_t a : axes) {
                any = any || moving[a];
                if (moving[a] && travelled[a] >= bound[a]) {
                    st.StepDirX = st.StepDirY = st.StepDirZ = 0;
                    op().ShowMessage(std::string("Home switch ") + kAxisNames[a] + " " + failure + " within " +
                                         FormatNumber(bound[a]) + " " + unit,
                                     kAppTitle);
                    return false;
                }
            }
            if (planned && planned_axes != moving) {
                motion_.run.Brake();
                while (!motion_.run.AtRest()) {
                    if (!tick(planned_axes)) {
                        return false;
                    }
                    read();
                }
                any = false;
                for (const std::size_t a : axes) {
                    any = any || moving[a];
                }
                if (any) {
                    begin();
                }
            }
            if (!any) {
                return true;
            }
            if (!tick(moving)) {
                return false;
            }
        }
    };

    const std::array<double, 3> backoff_bound{search[0] / 10, search[1] / 10, search[2] / 10};
    std::vector<std::vector<std::size_t>> groups{{2}};
    if (setup.home_xy_together) {
        groups.push_back({0, 1});
    } else {
        groups.push_back({0});
        groups.push_back({1});
    }
    for (const auto& axes : groups) {
        if (!seek(axes, 1, false, "not found", search) || !seek(axes, kCrawl, true, "did not let go", backoff_bound)) {
            UpdateReadouts();
            return;
        }
        // Machine zero where the switch let go (where the axis stands, unless it braked on past it).
        for (const std::size_t a : axes) {
            st.*kMachPos[a] -= released[a];
        }
    }
    st.Homed = true;
    if (st.Offline) {
        status.Notice = "Homed offline, on switches simulated at the ends of the travel: the soft limits apply";
        log.Add(status.Notice);
    }
    UpdateReadouts();
}

} // namespace tamo
