// The findings of the program check: how they are kept, counted and worded.

#include "check/check_item.h"
#include "interpreter/numbers.h"
#include "platform/visible_text.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tamo::check {

const char* SeverityName(Severity severity) {
    return severity == Severity::Error ? "error" : "warning";
}

std::string Report::Summary() const {
    if (errors == 0 && warnings == 0) {
        return "no findings";
    }
    auto count = [](long n, const char* one, const char* many) {
        return n == 0 ? std::string("no ") + many : std::to_string(n) + " " + (n == 1 ? one : many);
    };
    return count(errors, "error", "errors") + ", " + count(warnings, "warning", "warnings");
}

bool Item::InComment(std::size_t line_offset) const {
    return std::any_of(comments.begin(), comments.end(),
                       [line_offset](const Span& s) { return s.begin <= line_offset && line_offset < s.end; });
}

Place PlaceOf(const Item& item) {
    return {item.entry, item.file_line, std::string(item.text)};
}

void Findings::Add(const Place& place, const char* code, Severity severity, std::string message) {
    (severity == Severity::Error ? report_.errors : report_.warnings) += 1;
    if (++per_code_[code] > kMaxFindingsPerCode) {
        ++report_.left_out;
        return;
    }
    report_.findings.push_back({place.entry, place.file_line, code, severity, std::move(message), place.text});
}

Report Findings::Take(int lines, bool complete) {
    std::stable_sort(report_.findings.begin(), report_.findings.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
    report_.lines = lines;
    report_.complete = complete;
    return std::move(report_);
}

void Stretch::Begin(const Item& item, int cause) {
    Begin(PlaceOf(item), cause);
}

void Stretch::Begin(Place place, int cause) {
    first_ = std::move(place);
    cause_ = cause;
    more_ = 0;
    last_line_ = first_.file_line;
    open_ = true;
}

std::string Stretch::More() const {
    if (more_ == 0) {
        return {};
    }
    return " (and " + std::to_string(more_) + (more_ == 1 ? " more line, line " : " more lines up to line ") +
           std::to_string(last_line_) + ")";
}

std::string Num(double value) {
    return FormatNumber(value);
}

std::string Len(double value) {
    constexpr double kScale = 1e4;
    const double rounded = std::round(value * kScale) / kScale;
    return FormatNumber(rounded == 0 ? 0.0 : rounded);
}

std::string Quote(std::string_view text) {
    constexpr std::size_t kLongest = 40;
    return QuoteForMessage(text, kLongest, false);
}

std::string WordsAsRead(const Item& item, bool outside_comments_only) {
    std::array<WordSlot, kWordSlots> slots{};
    std::size_t n = 0;
    for (int s = 0; s < kWordSlots; ++s) {
        const auto slot = static_cast<WordSlot>(s);
        if (slot != kN && item.words.Has(slot) && !(outside_comments_only && item.WordInComment(slot))) {
            slots[n++] = slot;
        }
    }
    std::sort(slots.begin(), slots.begin() + static_cast<std::ptrdiff_t>(n),
              [&item](WordSlot a, WordSlot b) { return item.words.at[a] < item.words.at[b]; });
    std::string words;
    for (std::size_t k = 0; k < n; ++k) {
        const WordSlot slot = slots[k];
        words += k > 0 ? " " : "";
        if (slot == kG) {
            const std::size_t at = item.words.at[kG];
            const std::string_view g = TrimSpaces(item.trimmed.substr(at, item.words.end[kG] - at));
            words += IsGWordsOnly(g) ? std::string(g) : Quote(g);
        } else {
            words += kWordLetter[static_cast<std::size_t>(slot)];
            words += Num(ScanNumber(item.WordText(slot)));
        }
    }
    return words;
}

} // namespace tamo::check
