// Modes: G words whose mode the run does not keep.
//
// Reports:
//   incremental      error    G91: coordinates are always read as absolute, so the moves after it
//                             go to the written positions instead of by them (a warning when no
//                             move follows before G90)
//   unit-word        error    G20 or G21 that disagrees with the unit of the settings
//   arc-centre-mode  warning  G91.1: no effect, I and J are always relative to the arc's start
//                    error    G90.1: absolute arc centres are read as relative ones
//   arc-plane        error    arcs after G18 or G19, which are cut in the XY plane all the same

#include "check/check_item.h"

namespace tamo::check {
namespace {

class ModeChecks final : public Family {
public:
    explicit ModeChecks(const Context& context) : context_(context) {}

    void Check(const Item& item, Findings& out) override {
        for (const Token& t : item.tokens) {
            if (t.letter != 'G') {
                continue;
            }
            // The motion words, nearly every G word of a program, set no mode: no call for them.
            const double g = t.amount;
            if (g != 0 && g != 1 && g != 2 && g != 3) {
                GWord(item, g, out);
            }
        }
        if (item.moves && item.run != MoveKind::None && incremental_.open()) {
            ++incremental_moves_;
            last_incremental_move_ = item.file_line;
        }
        if (item.run == MoveKind::Cw || item.run == MoveKind::Ccw) {
            if (plane_ != 17 && !plane_arcs_.open()) {
                plane_arcs_.Begin(item, plane_line_);
                arcs_plane_ = plane_;
            } else if (plane_arcs_.open()) {
                plane_arcs_.Extend(item);
            }
        }
    }

    void Finish(Findings& out) override {
        CloseIncremental(out);
        ClosePlane(out);
    }

private:
    [[gnu::noinline]] void GWord(const Item& item, double g, Findings& out) {
        if (g == 91) {
            if (!incremental_.open()) {
                incremental_.Begin(item, item.entry);
                incremental_moves_ = 0;
            }
        } else if (g == 90) {
            CloseIncremental(out);
        } else if ((g == 20 && !context_.inch) || (g == 21 && context_.inch)) {
            out.Add(item, "unit-word", Severity::Error,
                    std::string(g == 20 ? "G20 (inch)" : "G21 (mm)") + " disagrees with the settings, which are in " +
                        (context_.inch ? "inches" : "mm") + ": every coordinate and feed is read as " +
                        (context_.inch ? "inches." : "mm."));
        } else if (g == 91.1) {
            out.Add(item, "arc-centre-mode", Severity::Warning,
                    "G91.1 has no effect here: I and J are always relative to the arc's start, as it asks.");
        } else if (g == 90.1) {
            out.Add(item, "arc-centre-mode", Severity::Error,
                    "G90.1 (absolute arc centres) is ignored: I and J are read as relative to the arc's start.");
        } else if (g == 17 || g == 18 || g == 19) {
            ClosePlane(out);
            plane_ = static_cast<int>(g);
            plane_line_ = item.entry;
        }
    }

    void CloseIncremental(Findings& out) {
        if (!incremental_.open()) {
            return;
        }
        incremental_.Reset();
        const std::string ignored =
            "G91 (incremental coordinates) is ignored: every coordinate is read as absolute here";
        if (incremental_moves_ == 0) {
            out.Add(incremental_.first(), "incremental", Severity::Warning,
                    ignored + ", and no move follows before G90.");
            return;
        }
        out.Add(incremental_.first(), "incremental", Severity::Error,
                ignored + ", so " +
                    (incremental_moves_ == 1 ? "the move on line " + std::to_string(last_incremental_move_) + " goes"
                                             : "the " + std::to_string(incremental_moves_) + " moves up to line " +
                                                   std::to_string(last_incremental_move_) + " go") +
                    " to the written positions instead of by them.");
    }

    void ClosePlane(Findings& out) {
        if (!plane_arcs_.open()) {
            return;
        }
        plane_arcs_.Reset();
        out.Add(
            plane_arcs_.first(), "arc-plane", Severity::Error,
            "This arc is cut in the XY plane: " + std::string(arcs_plane_ == 18 ? "G18 (XZ plane)" : "G19 (YZ plane)") +
                " on line " + context_.Line(plane_arcs_.cause()) + " is ignored" + plane_arcs_.More() + ".");
    }

    const Context& context_;
    Stretch incremental_;
    int incremental_moves_ = 0;
    int last_incremental_move_ = 0;
    int plane_ = 17;
    int plane_line_ = 0;
    int arcs_plane_ = 17;
    Stretch plane_arcs_;
};

} // namespace

std::unique_ptr<Family> MakeModeChecks(const Context& context) {
    return std::make_unique<ModeChecks>(context);
}

} // namespace tamo::check
