// M words: the words that stop, end or change tools on a standard controller, as the run takes
// them. The run knows one M word, M6: it asks for the tool and ends the Start after the line.
//
// Reports:
//   tool-change   warning  M6: the run stops after the line and asks for the tool; the machine does
//                          not go to a tool-change position
//   program-stop  warning  M0 or M1 does not stop the run
//   program-end   error    M2 or M30 before the end of the program: the moves after it are cut too

#include "check/check_item.h"
#include "interpreter/numbers.h"

namespace tamo::check {
namespace {

class MWordChecks final : public Family {
public:
    explicit MWordChecks(const Context& /*context*/) {}

    void Check(const Item& item, Findings& out) override {
        if (end_.open() && item.moves && item.run != MoveKind::None) {
            end_.Extend(item);
        }
        if (item.skipped || !item.words.Has(kM) || item.WordInComment(kM)) {
            return;
        }
        const double m = ScanNumber(item.WordText(kM));
        if (!item.prompt.empty()) {
            out.Add(item, "tool-change", Severity::Warning,
                    "Tool change: the run stops after this line and asks " + Quote(item.prompt) +
                        "; the machine does not go to a tool-change position, and Execute Program goes on with the "
                        "next line.");
        } else if (m == 0 || m == 1) {
            out.Add(item, "program-stop", Severity::Warning,
                    std::string(m == 0 ? "M0 (program stop)" : "M1 (optional stop)") +
                        " does not stop the run here: the next line follows at once.");
        } else if (m == 2 || m == 30) {
            Close(out);
            end_.Begin(item, item.entry);
            end_word_ = m == 2 ? "M2" : "M30";
        }
    }

    void Finish(Findings& out) override { Close(out); }

private:
    void Close(Findings& out) {
        if (!end_.open()) {
            return;
        }
        end_.Reset();
        if (end_.more() > 0) {
            const int n = end_.more();
            out.Add(end_.first(), "program-end", Severity::Error,
                    end_word_ + " ends the program on a standard controller, but here the run goes on: " +
                        (n == 1 ? "the move on line " + std::to_string(end_.last_line()) + " is"
                                : "the " + std::to_string(n) + " moves after it, up to line " +
                                      std::to_string(end_.last_line()) + ", are") +
                        " cut as well.");
        }
    }

    Stretch end_;
    std::string end_word_;
};

} // namespace

std::unique_ptr<Family> MakeMWordChecks(const Context& context) {
    return std::make_unique<MWordChecks>(context);
}

} // namespace tamo::check
