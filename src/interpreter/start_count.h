#pragma once

// Start's count of a program line, shared by the run estimate and the refusal walk beside the
// program check: the pieces that count a parsed block as Start runs it, without a tick. Private to
// src/interpreter: the windows and the check ask run_estimate.h and start_refusal_walk.h.

#include "interpreter/line_words.h"

#include <array>
#include <string>
#include <string_view>

namespace tamo {

class Cnc;
class MoveTimeBound;
struct MachineState;

namespace start_count {

class RampSums;   // the ramps' busy-loop iterations, summed once per feed
struct BlockSink; // the planner's blocks of one line

// What one move costs, or why it cannot be run.
struct MoveCost {
    double iterations = 0;
    std::string why;
};

// DispatchMove, counted: the block's move from where the counting has brought the tool, which it
// moves on (the program position, and I and J as an arc rewrites them). Without `ramps` the
// iterations are left 0; with `sink` the move's planner blocks go into it. With `bound` (a count
// without ramps, that asks only why a move cannot be run) a move it shows to end within a day has
// no feed worked out.
[[nodiscard]] MoveCost DispatchCost(Cnc& cnc, RampSums* ramps, BlockSink* sink = nullptr,
                                    const MoveTimeBound* bound = nullptr);

// A parsed line as Start counts it: an arc mode on a line without an arc word counts nothing here;
// otherwise the travel first (when `limits`, with machine minus program coordinates `offset`),
// then the move.
[[nodiscard]] MoveCost LineCost(Cnc& cnc, bool limits, const std::array<double, 3>& offset, bool may_arc,
                                RampSums* ramps, BlockSink* sink, const MoveTimeBound* bound = nullptr);

// A word whose number is written as a NaN or an infinity: the parser reads it as 0, a move that
// nobody meant. Empty when the line has none.
[[nodiscard]] std::string NonFiniteWhy(std::string_view line);
// The same of the word NonFiniteWord found in the line.
[[nodiscard]] std::string NonFiniteWhy(const NonFiniteNumber& word);

// Start's message for a program whose line `line` cannot be run.
[[nodiscard]] std::string Refusal(const MachineState& st, int line, const std::string& why);

// As Start begins afresh: from line 1, the block's start point and target at the origin. The parse
// runs as the preview's does, so that a tool change prompts nobody.
void BeginAsStart(MachineState& s);

} // namespace start_count
} // namespace tamo
