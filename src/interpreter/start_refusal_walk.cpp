// Start's refusal, counted beside the program check's own parse of every line: a machine of its
// own takes each parsed block and counts it as Start would (start_count.h).

#include "interpreter/start_refusal_walk.h"

#include "interpreter/cnc.h"
#include "interpreter/move_time_bound.h"
#include "interpreter/start_count.h"
#include "platform/clock.h"
#include "platform/recording_surface.h"
#include "platform/scripted_operator.h"
#include "platform/sim_port.h"

#include <algorithm>
#include <array>
#include <optional>

namespace tamo {

using start_count::BeginAsStart;
using start_count::LineCost;
using start_count::NonFiniteWhy;
using start_count::Refusal;

// A machine of its own whose block state follows the other reading's, line by line; its positions
// and steps are Start's.
struct StartRefusalWalk::Machine {
    SimulatedPort port;
    FakeClock clock;
    ScriptedOperator op;
    NullSurface surface;
    Cnc cnc{port, clock, op, surface};
    bool limits = false;
    std::array<double, 3> offset{};
    bool done = false; // refused, or the end counted
    std::optional<MoveTimeBound> bound;
};

StartRefusalWalk::StartRefusalWalk(const Cnc& start) : m_(std::make_unique<Machine>()) {
    Cnc& c = m_->cnc;
    c.st = start.st;
    c.main = start.main;
    c.settings = start.settings;
    c.scale = start.scale;
    c.setup = start.setup;
    MachineState& s = c.st;
    BeginAsStart(s);
    m_->limits = c.SoftLimitsApply();
    m_->offset = c.TravelOffset();
    m_->done = s.PrgLineCount <= 0;
    m_->bound.emplace(s);
}

StartRefusalWalk::StartRefusalWalk(StartRefusalWalk&&) noexcept = default;
StartRefusalWalk& StartRefusalWalk::operator=(StartRefusalWalk&&) noexcept = default;
StartRefusalWalk::~StartRefusalWalk() = default;

void StartRefusalWalk::BeforeParse(int n, const NonFiniteNumber& word) {
    if (m_->done || word.slot == kWordSlots) {
        return; // nearly every line: no word written as a NaN or an infinity
    }
    if (std::string why = NonFiniteWhy(word); !why.empty()) {
        refused_line_ = n;
        refusal_ = Refusal(m_->cnc.st, n, why);
        m_->done = true;
    }
}

// Everything of the block that the counting reads: what a parse sets (the start is where the last
// block's target was) and what an arc's dispatch rewrites (I and J, after it).
void StartRefusalWalk::Parsed(int n, const MachineState& parsed, bool may_arc) {
    if (m_->done) {
        return;
    }
    MachineState& s = m_->cnc.st;
    s.StartX = parsed.StartX;
    s.StartY = parsed.StartY;
    s.StartZ = parsed.StartZ;
    s.TargetX = parsed.TargetX;
    s.TargetY = parsed.TargetY;
    s.TargetZ = parsed.TargetZ;
    s.ArcI = parsed.ArcI;
    s.ArcJ = parsed.ArcJ;
    s.ProgFeed = parsed.ProgFeed;
    s.GCode.assign(parsed.GCode);
    s.RapidMove = parsed.RapidMove;
    Count(n, may_arc);
}

void StartRefusalWalk::End() {
    if (m_->done) {
        return;
    }
    Cnc& c = m_->cnc;
    c.st.PrgLine.clear();
    c.ParseLine();
    Count(c.st.PrgLineCount + 1, false);
    m_->done = true;
}

// EstimateOnThisCopy's step over one parsed line, without the time.
void StartRefusalWalk::Count(int n, bool may_arc) {
    Cnc& c = m_->cnc;
    MachineState& s = c.st;
    if (std::string why = LineCost(c, m_->limits, m_->offset, may_arc, nullptr, nullptr, &*m_->bound).why;
        !why.empty()) {
        refused_line_ = std::min(n, s.PrgLineCount);
        refusal_ = Refusal(s, refused_line_, why);
        m_->done = true;
    }
}

} // namespace tamo
