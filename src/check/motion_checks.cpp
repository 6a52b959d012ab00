// Motion words: the G word in force, and whether each line moves the way its text says.
//
// Reports:
//   non-motion-g      warning  a G word that is not a motion word (plane, units, mode, offsets,
//                              homing, cycles, ...) replaces the motion word, so the lines after
//                              it do not move
//   g-word-text       warning  text after a G word (a comment, an S word) joins it, and the
//                              motion word it makes does not move
//   no-motion         error    a line whose text moves the machine does not move, with the count
//                              of the following lines that do not move for the same reason
//   drill-cycle       error    G81 or G83: the preview draws each hole as a rapid move, the machine
//                              neither moves nor drills
//   inherited-motion  warning  a move before the program's first motion word runs with the one
//                              left from before the program
//   motion-differs    error    a line moves in another way than its text says
//   carried-target    error    a move also goes to a coordinate set by a line that did not move

#include "check/check_item.h"

#include <array>
#include <string_view>

namespace tamo::check {
namespace {

bool IsArc(MoveKind m) {
    return m == MoveKind::Cw || m == MoveKind::Ccw;
}

const char* Describe(MoveKind m) {
    switch (m) {
    case MoveKind::Rapid:
        return "a rapid move";
    case MoveKind::Feed:
        return "a straight feed move";
    case MoveKind::Cw:
        return "a clockwise arc";
    case MoveKind::Ccw:
        return "a counter-clockwise arc";
    case MoveKind::Cycle:
        return "a drilling cycle";
    case MoveKind::Home:
        return "a move home";
    default:
        return "no move";
    }
}

bool IsDrawnDrillCycle(std::string_view gcode) {
    return gcode == "G81" || gcode == "G83";
}

class MotionChecks final : public Family {
public:
    explicit MotionChecks(const Context& context) : context_(context) {}

    void Check(const Item& item, Findings& out) override {
        if (drill_.open() && item.after->gcode != drill_word_) {
            CloseDrill(out);
        }
        if (item.converted) {
            converted_at_ = item.entry;
        }
        if (!item.skipped && item.words.Has(kG) && item.run == MoveKind::None && !item.WordInComment(kG)) {
            NotAMotionWord(item, out);
        }
        if (item.moves) {
            Compare(item, out);
        }
        Carried(item, out);
        for (int a = 0; a < 3; ++a) {
            if (!item.skipped && item.words.Has(kAxes[a])) {
                setters_[a] = {item.entry, item.run != MoveKind::None};
            }
        }
        if (item.run != MoveKind::None) {
            for (auto& setter : setters_) {
                setter.moved = true;
            }
            position_ = {item.after->x, item.after->y, item.after->z};
        }
    }

    void Finish(Findings& out) override {
        Close(out);
        CloseDrill(out);
    }

private:
    static constexpr std::array<WordSlot, 3> kAxes{kX, kY, kZ};
    static constexpr std::array<char, 3> kAxisNames{'X', 'Y', 'Z'};

    struct Setter {
        int entry = 0;
        bool moved = true;
    };

    void NotAMotionWord(const Item& item, Findings& out) {
        const std::string& g = item.after->gcode;
        const std::string until = std::string(" do not move until a line sets a motion word, ") + kMotionWords + ".";
        if (IsDrawnDrillCycle(g)) {
            CloseDrill(out);
            drill_.Begin(item, item.entry);
            drill_word_ = g;
            return;
        }
        if (!IsGWordsOnly(g)) {
            const bool comment = g.find_first_of("(;") != std::string::npos;
            out.Add(item, "g-word-text", Severity::Warning,
                    std::string(comment ? "The comment after the G word" : "The text after the G word") +
                        " joins it: the motion word becomes " + Quote(g) +
                        ", which does not move the machine, and the lines after it" + until);
            return;
        }
        const std::string kinds = GWordKinds(g);
        constexpr std::string_view kMotionFirst = "motion, "; // a motion word, then others
        if (kinds.starts_with(kMotionFirst)) {
            out.Add(item, "non-motion-g", Severity::Warning,
                    Quote(g) + " is read as one motion word, which does not move the machine: the G words for " +
                        kinds.substr(kMotionFirst.size()) + " after the motion word join it, and the lines after it" +
                        until);
            return;
        }
        out.Add(item, "non-motion-g", Severity::Warning,
                Quote(g) + " (" + kinds +
                    ") is not a motion word here: it replaces the motion word, so the lines after it" + until);
    }

    void Compare(const Item& item, Findings& out) {
        const MoveKind meant = item.meant;
        const MoveKind run = item.run;
        if (drill_.open() && run == MoveKind::None && item.after->gcode == drill_word_) {
            if (item.entry != drill_.first().entry) {
                drill_.Extend(item);
            }
            return;
        }
        if (meant == run) {
            Close(out);
            return;
        }
        if (meant == MoveKind::Unset) {
            if (run == MoveKind::None) {
                Hit(item, "no-motion", item.gcode_from, out);
                return;
            }
            Close(out);
            if (!inherited_told_ && item.gcode_from == 0) {
                inherited_told_ = true;
                out.Add(item, "inherited-motion", Severity::Warning,
                        "No motion word is set before this line: it runs as " + Quote(item.after->gcode) +
                            ", the motion word left from before the program.");
            }
            return;
        }
        if (run == MoveKind::None) {
            Hit(item, "no-motion", item.gcode_from, out);
        } else if (IsArc(meant) && run == MoveKind::Feed && item.gcode_from == converted_at_) {
            Close(out); // an arc without a centre: the arc checks tell
        } else {
            Hit(item, "motion-differs", item.gcode_from, out);
        }
    }

    void Hit(const Item& item, const char* code, int cause, Findings& out) {
        if (stretch_.open() && std::string_view(stretch_code_) == code && stretch_.cause() == cause) {
            stretch_.Extend(item);
            return;
        }
        Close(out);
        stretch_.Begin(item, cause);
        stretch_code_ = code;
        stretch_gcode_ = item.after->gcode;
        stretch_meant_ = item.meant;
        stretch_run_ = item.run;
    }

    // Asked after nearly every line, which has no stretch open.
    void Close(Findings& out) {
        if (stretch_.open()) {
            TellStretch(out);
        }
    }

    [[gnu::noinline]] void TellStretch(Findings& out) {
        stretch_.Reset();
        const int cause = stretch_.cause();
        const std::string more = stretch_.More();
        std::string message;
        if (stretch_code_ == std::string_view("motion-differs")) {
            message = std::string("This line runs as ") + Describe(stretch_run_) + " (motion word " +
                      Quote(stretch_gcode_) + "), but its text means " + Describe(stretch_meant_) + more + ".";
        } else if (cause == 0) {
            message =
                std::string("This line does not move: no motion word (") + kMotionWords + ") is set yet" + more + ".";
        } else if (cause == stretch_.first().entry) {
            message = "This line does not move: its G word " + Quote(stretch_gcode_) + " is not a motion word here" +
                      more + ".";
        } else {
            message = "This line does not move: the motion word in force is " + Quote(stretch_gcode_) +
                      ", set on line " + context_.Line(cause) + more + ".";
        }
        out.Add(stretch_.first(), stretch_code_, Severity::Error, std::move(message));
    }

    void CloseDrill(Findings& out) {
        if (!drill_.open()) {
            return;
        }
        drill_.Reset();
        const int n = drill_.more();
        out.Add(drill_.first(), "drill-cycle", Severity::Error,
                drill_word_ +
                    " is a drilling cycle: the preview draws each hole as a rapid move, but the machine neither "
                    "moves nor drills here" +
                    (n == 0   ? std::string()
                     : n == 1 ? ", nor at the hole on line " + std::to_string(drill_.last_line())
                              : ", nor at the " + std::to_string(n) + " holes after it, up to line " +
                                    std::to_string(drill_.last_line())) +
                    ".");
    }

    // A coordinate set by a line that did not move is still the target: the next block the run
    // moves on takes that axis there as well, unless it names the axis itself (a line with only a
    // motion word moves to it, too).
    void Carried(const Item& item, Findings& out) {
        if (item.run == MoveKind::None) {
            return;
        }
        const std::array<double, 3> target{item.after->x, item.after->y, item.after->z};
        // Nearly every move goes where its own words say: told apart with no branch an axis, and no
        // text made for it.
        unsigned carried = 0;
        for (std::size_t k = 0; k < 3; ++k) {
            const bool away =
                (target[k] != position_[k]) & !item.words.Has(kAxes[k]) & (setters_[k].entry != 0) & !setters_[k].moved;
            carried |= static_cast<unsigned>(away) << k;
        }
        if (carried != 0) {
            TellCarried(item, target, carried, out);
        }
    }

    [[gnu::noinline]] void TellCarried(const Item& item, const std::array<double, 3>& target, unsigned carried,
                                       Findings& out) const {
        std::string axes;
        for (std::size_t k = 0; k < 3; ++k) {
            if ((carried & (1u << k)) == 0) {
                continue;
            }
            axes += axes.empty() ? "" : " and ";
            axes += std::string(1, kAxisNames[k]) + " to " + Num(target[k]) + " (set on line " +
                    context_.Line(setters_[k].entry) + ")";
        }
        out.Add(item, "carried-target", Severity::Error,
                "This move also takes " + axes +
                    ": a coordinate of a line that did not move is kept for the next move.");
    }

    const Context& context_;
    Stretch stretch_;
    const char* stretch_code_ = "";
    std::string stretch_gcode_;
    MoveKind stretch_meant_ = MoveKind::Unset;
    MoveKind stretch_run_ = MoveKind::None;
    Stretch drill_;
    std::string drill_word_;
    int converted_at_ = -1;
    bool inherited_told_ = false;
    std::array<Setter, 3> setters_{};
    std::array<double, 3> position_{};
};

} // namespace

std::unique_ptr<Family> MakeMotionChecks(const Context& context) {
    return std::make_unique<MotionChecks>(context);
}

} // namespace tamo::check
