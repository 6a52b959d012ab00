#pragma once

// What the families of findings share: one program entry as the run reads it and as a standard
// controller would read its text, the place a finding points at, and where findings go.

#include "check/check.h"
#include "check/standard_reading.h"
#include "interpreter/line_words.h"
#include "motion/soft_limits.h"

#include <array>
#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tamo::check {

// The run's block state after one entry.
struct Block {
    std::string gcode;
    double start_x = 0, start_y = 0, start_z = 0;
    double x = 0, y = 0, z = 0; // the targets
    double feed = 0;            // ProgFeed: length units per minute, feed scale applied
};

// One program entry.
struct Item {
    // `parsed`: the parser's words of the entry, which outlive the families' look at it.
    explicit Item(const LineWords& parsed) : words(parsed) {}

    int entry = 0;
    int file_line = 0;
    std::string_view text;               // the entry as the run reads it
    std::string_view line;               // the whole text line of the file it came from
    std::size_t raw_at = 0, raw_end = 0; // the item within the text line, quotes included
    bool quoted = false;                 // began with a double quote
    bool number = false;                 // read as a number
    bool first_in_line = true;           // false: a comma before it split the text line
    std::span<const Span> comments;      // of the text line
    std::span<const Token> tokens;       // of this item, outside comments

    // The run's reading.
    bool skipped = false;                          // the parser skips it
    std::string_view trimmed;                      // what the parser read
    std::size_t trimmed_at = 0;                    // where that starts in the text line
    const LineWords& words;                        // the parser's words in `trimmed`
    const Block* after = nullptr;                  // the block state after the line
    MoveKind run = MoveKind::None;                 // what the dispatch did with it
    double centre_x = 0, centre_y = 0, radius = 0; // of an arc the dispatch walked
    int gcode_from = 0;         // the entry whose G word set the motion word in force; 0: before the program
    bool converted = false;     // an arc word turned into "G01" here (I and J both 0)
    std::string_view prompt;    // what the line asked the operator (a tool change), or empty
    NonFiniteNumber non_finite; // a moving word written as a NaN or an infinity (NonFiniteWord)
    // How far the run's move reaches on each axis, program coordinates; worked out only while the
    // machine has a travel to hold it against.
    std::array<AxisReach, 3> reach{};

    // The text's reading.
    MoveKind meant = MoveKind::Unset;
    // The run gives this line an end point away from its start: its text asks for a move.
    bool moves = false;

    [[nodiscard]] bool InComment(std::size_t line_offset) const;
    // Whether the parser's word in this slot stands inside a comment.
    [[nodiscard]] bool WordInComment(WordSlot slot) const {
        return InComment(trimmed_at + words.at[static_cast<std::size_t>(slot)]);
    }
    [[nodiscard]] std::string_view WordText(WordSlot slot) const { return words.Text(trimmed, slot); }
};

// Where a finding points.
struct Place {
    int entry = 0;
    int file_line = 0;
    std::string text;
};

[[nodiscard]] Place PlaceOf(const Item& item);

// Collects the findings, keeps the first kMaxFindingsPerCode of each code and counts them all.
class Findings {
public:
    void Add(const Place& place, const char* code, Severity severity, std::string message);
    void Add(const Item& item, const char* code, Severity severity, std::string message) {
        Add(PlaceOf(item), code, severity, std::move(message));
    }
    // In line order.
    [[nodiscard]] Report Take(int lines, bool complete);

private:
    Report report_;
    std::unordered_map<std::string, int> per_code_;
};

// The motion words, as the dispatcher reads them (MotionOf), for the messages.
inline constexpr const char* kMotionWords = "G0 to G3 or G00 to G03";

// What the families know of the machine.
struct Context {
    bool inch = false;       // the unit of the settings
    const char* unit = "mm"; // its name in messages
    double step_x = 0;       // length units per step of X, as the settings give it
    double step_y = 0;
    double step_z = 0;
    // The machine's travel (machine coordinates, the unit of the settings) and where the program
    // origin stands in machine coordinates; with no travel set nothing is held against it.
    std::array<MachineSetup::Travel, 3> travel{};
    std::array<double, 3> origin{};
    std::size_t entries = 0; // the program's: no more items will be checked
    [[nodiscard]] bool AnyTravel() const { return travel[0].set || travel[1].set || travel[2].set; }
    // For a finding about an entry seen earlier: its place, the text read afresh.
    std::function<Place(int entry, int file_line)> place_of;
    // The text line of the file an entry seen so far came from: messages name file lines, which
    // the program listing's entries run ahead of after a comma.
    std::function<int(int entry)> file_line_of;
    [[nodiscard]] std::string Line(int entry) const { return std::to_string(file_line_of(entry)); }
};

// A family of findings: told about every entry in order, then about the end of the program.
class Family {
public:
    virtual ~Family() = default;
    virtual void Check(const Item& item, Findings& out) = 0;
    virtual void Finish(Findings& /*out*/) {}
};

// A run of lines with one cause: reported once, at its first line, with a count of the others.
class Stretch {
public:
    [[nodiscard]] bool open() const { return open_; }
    [[nodiscard]] int cause() const { return cause_; }
    [[nodiscard]] int more() const { return more_; }
    [[nodiscard]] const Place& first() const { return first_; }
    void Begin(const Item& item, int cause);
    void Begin(Place place, int cause);
    void Extend(const Item& item) {
        ++more_;
        last_line_ = item.file_line;
    }
    // The file line of the last line of the stretch.
    [[nodiscard]] int last_line() const { return last_line_; }
    void Reset() { open_ = false; }
    // " (and 3 more lines up to line 40)", or nothing when there are none.
    [[nodiscard]] std::string More() const;

private:
    Place first_;
    int cause_ = 0;
    int more_ = 0;
    int last_line_ = 0;
    bool open_ = false;
};

// Number text for messages: "10", "-2.5", "0.0075".
[[nodiscard]] std::string Num(double value);
// A computed length for messages, to four decimals: "49.9999999" reads "50".
[[nodiscard]] std::string Len(double value);
// The parser's words of an item as it read them: "G01 X10 F0", the G word as its whole text.
[[nodiscard]] std::string WordsAsRead(const Item& item, bool outside_comments_only = false);
// Quoted for a message, cut short when long.
[[nodiscard]] std::string Quote(std::string_view text);

// The families, one file each.
[[nodiscard]] std::unique_ptr<Family> MakeItemChecks(const Context& context);
[[nodiscard]] std::unique_ptr<Family> MakeWordChecks(const Context& context);
[[nodiscard]] std::unique_ptr<Family> MakeMotionChecks(const Context& context);
[[nodiscard]] std::unique_ptr<Family> MakeModeChecks(const Context& context);
[[nodiscard]] std::unique_ptr<Family> MakeArcChecks(const Context& context);
[[nodiscard]] std::unique_ptr<Family> MakeFeedChecks(const Context& context);
[[nodiscard]] std::unique_ptr<Family> MakeMWordChecks(const Context& context);
[[nodiscard]] std::unique_ptr<Family> MakeExtentChecks(const Context& context);
[[nodiscard]] std::unique_ptr<Family> MakeTravelChecks(const Context& context);
[[nodiscard]] std::unique_ptr<Family> MakeClearanceChecks(const Context& context);

} // namespace tamo::check
