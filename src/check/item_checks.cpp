// Items: how the program file is cut into the lines the run reads. A comma ends an item, and an
// item that begins with a double quote loses its quotes and whatever follows the closing one.
//
// Reports:
//   comma-split  error    a comma splits a text line and the part after it is read as a line of
//                         its own that sets words (what it became is named), or was the decimals
//                         of a number
//                warning  the same, when the part after the comma is skipped or holds no word
//   quoted-item  warning  an item that begins with a double quote loses the quotes
//                error    and the words after the closing quote with them

#include "check/check_item.h"

namespace tamo::check {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Words whose value changes where or how the machine moves.
bool MovesSomething(const Item& item) {
    for (WordSlot slot : {kG, kX, kY, kZ, kI, kJ, kF}) {
        if (item.words.Has(slot)) {
            return true;
        }
    }
    return !item.prompt.empty();
}

class ItemChecks final : public Family {
public:
    explicit ItemChecks(const Context& /*context*/) {}

    void Check(const Item& item, Findings& out) override {
        const std::string_view raw = item.line.substr(item.raw_at, item.raw_end - item.raw_at);
        if (!item.first_in_line) {
            Split(item, raw, out);
        }
        if (item.quoted) {
            Quoted(item, raw, out);
        }
        previous_last_ = raw.empty() ? '\0' : raw.back();
    }

private:
    void Split(const Item& item, std::string_view raw, Findings& out) {
        const std::string head = "A comma splits line " + std::to_string(item.file_line) +
                                 " of the file: " + Quote(item.text) + " becomes a line of its own";
        std::string lost;
        for (const Token& t : item.tokens) {
            lost += (lost.empty() ? "" : " ") + std::string(1, t.letter) + std::string(t.number);
        }
        if (IsDigit(previous_last_) && !raw.empty() && IsDigit(raw.front())) {
            out.Add(item, "comma-split", Severity::Error,
                    head + ", which is skipped" + (lost.empty() ? "" : " (" + lost + " with it)") +
                        "; if the comma was meant as a decimal point, the number before it is read without its "
                        "decimals.");
        } else if (item.skipped) {
            out.Add(item, "comma-split", lost.empty() ? Severity::Warning : Severity::Error,
                    head + ", which is skipped" + (lost.empty() ? "." : ": " + lost + " are not read."));
        } else if (const std::string words = WordsAsRead(item); words.empty()) {
            out.Add(item, "comma-split", Severity::Warning, head + ", which holds no word.");
        } else {
            out.Add(item, "comma-split", MovesSomething(item) ? Severity::Error : Severity::Warning,
                    head + ", read as " + words + ".");
        }
    }

    static void Quoted(const Item& item, std::string_view raw, Findings& out) {
        const std::size_t close = raw.find('"', 1);
        const std::string_view lost =
            close == std::string_view::npos ? std::string_view() : TrimSpaces(raw.substr(close + 1));
        if (lost.empty()) {
            out.Add(item, "quoted-item", Severity::Warning,
                    "The item begins with a double quote: it is read without its quotes.");
            return;
        }
        const bool words = lost.find_first_of("GXYZIJFMT") != std::string_view::npos;
        out.Add(item, "quoted-item", words ? Severity::Error : Severity::Warning,
                "The item begins with a double quote: it is read without its quotes, and " + Quote(lost) +
                    " after the closing quote is lost.");
    }

    char previous_last_ = '\0';
};

} // namespace

std::unique_ptr<Family> MakeItemChecks(const Context& context) {
    return std::make_unique<ItemChecks>(context);
}

} // namespace tamo::check
