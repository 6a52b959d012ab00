// The standard reading of a whole program: the modes and the position a standard controller keeps
// from line to line, and the toolpath every line cuts, in the machine's unit.
//
// What the reader cannot follow it names as a problem of the line, instead of guessing: offsets
// kept in the controller (work offsets other than the first, G92), subroutines, parameters and
// expressions, words it does not know, and what a standard controller refuses (an arc without a
// centre, a feed move without a feed, a letter written twice). An axis such a line names is
// unknown from then on, until a line sets it again. The M and T words of such a line still count.
//
// Words the machine cannot honour on a line that it can otherwise cut are left out one by one,
// with the reason, and the rest of the line is read: a tool length offset (G43 H1: Z is the tip
// of the tool as it was touched off), a dwell, an M or a letter the reader does not know. A retract
// (G53 on Z, G28, G30, in either distance mode) moves Z up to the clearance height; what it does to
// X and Y is left out, and they are unknown until a line sets them. Cutter compensation (G41, G42)
// makes the whole program one the converter refuses.

#include "check/standard_reading.h"
#include "interpreter/numbers.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace tamo::check {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kMmPerInch = 25.4;
constexpr std::string_view kAxisNames = "XYZ";

// A word's number, as the token reader took it.
double ValueOf(const Token& t) {
    return t.amount;
}

std::string WordText(const Token& t) {
    return std::string(1, t.letter) + std::string(t.number);
}

bool IsG(double g, double value) {
    return g == value;
}

// A G word this reader follows, and what it does; the others are problems, with why.
const char* GProblem(double g) {
    if (g >= 55 && g <= 59.3) {
        return "selects a work offset stored in the controller";
    }
    if (g >= 92 && g < 93) {
        return "sets a coordinate offset";
    }
    if (IsG(g, 10)) {
        return "writes the controller's offset tables";
    }
    if (IsG(g, 93) || IsG(g, 95)) {
        return "sets a feed mode other than length per minute";
    }
    if (g >= 38 && g < 39) {
        return "probes";
    }
    return "is not a G word the converter knows";
}

bool IsCompensation(double g) {
    return IsG(g, 41) || IsG(g, 42) || IsG(g, 41.1) || IsG(g, 42.1);
}

bool IsToolLength(double g) {
    return IsG(g, 43) || IsG(g, 43.1) || IsG(g, 43.2);
}

// The canned cycles, converted or refused with the reason.
bool IsCycle(double g) {
    return IsG(g, 73) || IsG(g, 74) || IsG(g, 76) || (g >= 81 && g <= 89 && g == std::floor(g));
}

bool IsKnownG(double g) {
    static constexpr std::array<double, 29> kKnown{0.0,  1.0,  2.0,  3.0,  4.0,  17.0, 18.0, 19.0, 20.0, 21.0,
                                                   28.0, 28.1, 30.0, 30.1, 40.0, 49.0, 53.0, 54.0, 61.0, 61.1,
                                                   64.0, 80.0, 90.0, 91.0, 90.1, 91.1, 94.0, 98.0, 99.0};
    for (const double known : kKnown) {
        if (g == known) {
            return true;
        }
    }
    return IsCycle(g) || IsToolLength(g) || IsCompensation(g);
}

// G0 to G3: known motion words that are nothing else besides.
bool IsPlainMotion(double g) {
    return IsG(g, 0) || IsG(g, 1) || IsG(g, 2) || IsG(g, 3);
}

bool IsMotionG(double g) {
    return IsG(g, 0) || IsG(g, 1) || IsG(g, 2) || IsG(g, 3) || IsG(g, 80) || IsCycle(g) || (g >= 38 && g < 39) ||
           IsG(g, 33) || IsG(g, 5);
}

// Word letters as bits, A the lowest: a line's letters are looked up in one step.
constexpr std::uint32_t LetterBit(char letter) {
    return 1u << static_cast<unsigned>(letter - 'A');
}

// The letters of axes the machine does not have: A, B, C, U, V, W.
constexpr std::uint32_t kOtherAxes =
    LetterBit('A') | LetterBit('B') | LetterBit('C') | LetterBit('U') | LetterBit('V') | LetterBit('W');

// Letters the converter does not know, unless a G word of their line gives them a meaning.
constexpr std::uint32_t kUnknownLetters = LetterBit('E') | LetterBit('H') | LetterBit('D');

bool IsKnownM(int m) {
    return m == 0 || m == 1 || m == 2 || m == 30 || (m >= 3 && m <= 9);
}

} // namespace

double ArcTolerance(bool inch, double step_x, double step_y) {
    const double least = inch ? 0.0004 : 0.01;
    return std::max(
        {least, std::isfinite(step_x) ? std::fabs(step_x) : 0.0, std::isfinite(step_y) ? std::fabs(step_y) : 0.0});
}

double SegmentAngle(double radius, double arc_tolerance) {
    const double sag = arc_tolerance / 2;
    return sag < radius ? 2 * std::acos(1 - sag / radius) : kPi / 2;
}

PlaneAxes AxesOf(Plane plane) {
    switch (plane) {
    case Plane::ZX:
        return {2, 0, 1};
    case Plane::YZ:
        return {1, 2, 0};
    case Plane::XY:
        break;
    }
    return {0, 1, 2};
}

std::string StandardLine::Problems() const {
    std::string all;
    for (const std::string& p : problems) {
        all += (all.empty() ? "" : "; ") + p;
    }
    return all;
}

double StandardReader::Words::Value(char letter) const {
    return ValueOf(*Of(letter));
}

bool StandardReader::Words::HasG(double value) const {
    return std::find(g.begin(), g.end(), value) != g.end();
}

StandardReader::StandardReader(bool inch_machine, double arc_tolerance)
    : inch_machine_(inch_machine), tolerance_(arc_tolerance), inch_(inch_machine) {}

double StandardReader::Length(double value) const {
    if (inch_ == inch_machine_) {
        return value;
    }
    return inch_ ? value * kMmPerInch : value / kMmPerInch;
}

void StandardReader::Problem(std::string why) {
    if (std::find(line_.problems.begin(), line_.problems.end(), why) == line_.problems.end()) {
        line_.problems.push_back(std::move(why));
    }
}

bool StandardReader::Known(int axis, const char* what) {
    const auto a = static_cast<std::size_t>(axis);
    if (known_[a]) {
        return true;
    }
    Problem(std::string(what) + " from where " + kAxisNames[a] + " stands, which is not known after line " +
            std::to_string(lost_on_[a]));
    return false;
}

const StandardLine& StandardReader::Read(std::string_view text, int file_line) {
    line_.file_line = file_line;
    line_.text = text;
    line_.program_mark = line_.console = line_.after_end = false;
    line_.tool = -1;
    line_.m_before.clear();
    line_.m_after.clear();
    line_.spindle = {};
    line_.moves.clear();
    line_.problems.clear();
    line_.left_out.clear();
    line_.flow = line_.retract = false;
    line_.refusal.clear();
    line_.too_many_moves = 0;
    // The words by letter hold only the letters of the line before: those are cleared.
    for (const Token& t : line_.tokens) {
        const auto k = static_cast<std::size_t>(t.letter - 'A');
        words_.first[k] = nullptr;
        words_.count[k] = 0;
    }
    line_.comments.clear();
    bool blanks_only = false;
    if (!ReadPlainTokens(text, line_.tokens, &blanks_only)) {
        FindComments(text, line_.comments);
        ReadTokens(text, 0, text.size(), line_.comments, line_.tokens, &blanks_only);
    }
    line_.words_only = blanks_only && line_.comments.empty();
    std::size_t first = 0;
    while (first < text.size() && (text[first] == ' ' || text[first] == '\t' || text[first] == '\r')) {
        ++first;
    }
    if (first == text.size()) {
        return line_;
    }
    if (text[first] == '%') {
        line_.program_mark = true;
        return line_;
    }
    if (ended_) {
        line_.after_end = true;
        return line_;
    }
    if (text[first] == '$') {
        line_.console = true;
        return line_;
    }
    if (text[first] == '/') {
        Problem("a slash makes the line optional: whether it runs is a switch of the controller");
        line_.flow = true;
        return line_;
    }
    if (!blanks_only) {
        Strays(text); // what stands outside comments and words, when anything does
    }
    Words& w = words_;
    w.g.clear();
    w.m.clear();
    w.special_g = false;
    w.other_g = false;
    Collect(w);
    Modes(w);
    Motion(w);
    if (!line_.problems.empty()) {
        // The line is not converted: where it would have taken the axes it names is not followed.
        line_.moves.clear();
        line_.left_out.clear();
        line_.retract = false;
        for (std::size_t a = 0; a < 3; ++a) {
            if (w.Has(kAxisNames[a])) {
                Lose(a);
            }
        }
        if (line_.flow) {
            line_.m_before.clear();
            line_.m_after.clear();
            line_.tool = -1;
        }
    }
    for (const int m : w.m) {
        if (m == 2 || m == 30) {
            ended_ = true;
        }
    }
    return line_;
}

// What stands outside comments and words: a standard controller refuses it.
void StandardReader::Strays(std::string_view text) {
    auto comment = line_.comments.begin();
    auto token = line_.tokens.begin();
    std::size_t stray = std::string_view::npos;
    std::size_t stray_end = 0;
    for (std::size_t i = 0; i < text.size();) {
        while (comment != line_.comments.end() && comment->end <= i) {
            ++comment;
        }
        const bool in_comment = comment != line_.comments.end() && comment->begin <= i;
        const bool at_token = token != line_.tokens.end() && token->at == i;
        if ((in_comment || at_token) && stray != std::string_view::npos && stray_end == 0) {
            stray_end = i;
        }
        if (in_comment) {
            i = comment->end;
        } else if (at_token) {
            i = static_cast<std::size_t>(token->number.data() + token->number.size() - text.data());
            ++token;
        } else {
            const char c = text[i];
            if (c == '#') {
                Problem("parameters (#) are not converted");
            } else if (c == '[') {
                Problem("expressions in brackets are not converted");
            } else if (c != ' ' && c != '\t' && c != '\r' && stray == std::string_view::npos) {
                stray = i;
            }
            ++i;
        }
    }
    if (stray == std::string_view::npos || !line_.problems.empty()) {
        return;
    }
    const bool o_word =
        std::any_of(line_.tokens.begin(), line_.tokens.end(), [](const Token& t) { return t.letter == 'O'; });
    if (o_word) {
        Problem("subroutines and program flow (O words) are not converted");
        line_.flow = true;
        return;
    }
    constexpr std::size_t kLongest = 20;
    std::string_view what = text.substr(stray, (stray_end == 0 ? text.size() : stray_end) - stray);
    what = what.substr(0, std::min(what.find_last_not_of(" \t\r") + 1, kLongest));
    Problem("\"" + std::string(what) + "\" outside a comment is no word a standard controller reads");
}

void StandardReader::Collect(Words& w) {
    bool tool_length = false;
    bool compensation = false;
    std::uint32_t letters = 0;
    for (const Token& t : line_.tokens) {
        const auto k = static_cast<std::size_t>(t.letter - 'A');
        letters |= LetterBit(t.letter);
        ++w.count[k];
        if (w.first[k] == nullptr) {
            w.first[k] = &t;
        }
        if (t.letter == 'G') {
            const double g = t.amount;
            w.g.push_back(g);
            if (!IsPlainMotion(g)) {
                w.other_g = true;
                w.special_g =
                    w.special_g || IsG(g, 4) || IsG(g, 28) || IsG(g, 28.1) || IsG(g, 30) || IsG(g, 30.1) || IsG(g, 53);
                tool_length = tool_length || IsToolLength(g);
                compensation = compensation || IsCompensation(g);
            }
        } else if (t.letter == 'M') {
            const double m = ValueOf(t);
            // Out of int's range the number is no M word at all; the cast would be undefined.
            const bool in_range = m >= 0 && m <= 1000;
            const int whole = in_range ? static_cast<int>(m) : -1;
            if (m == 98 || m == 99) {
                Problem(WordText(t) + " calls subroutines");
                line_.flow = true;
            } else if (!in_range || m != whole || !IsKnownM(whole)) {
                Leave(WordText(t), "is not an M word the converter knows");
                continue;
            }
            w.m.push_back(whole);
        } else if (t.letter != 'N' && w.count[k] == 2) {
            Problem(std::string(1, t.letter) + " is written twice");
        }
        if ((kOtherAxes & LetterBit(t.letter)) != 0) {
            Problem(std::string("the machine has no ") + t.letter + " axis");
        }
    }
    for (const char letter : (letters & kUnknownLetters) != 0 ? std::string_view("EHD") : std::string_view()) {
        // H and D belong to tool length offsets and cutter compensation, told of by their G word.
        if (w.Has(letter) && !(letter == 'H' && tool_length) && !(letter == 'D' && compensation)) {
            Leave(WordText(*w.Of(letter)), "is not a word the converter knows");
        }
    }
    if (w.Has('O') && line_.tokens.size() > 1) {
        Problem("subroutines and program flow (O words) are not converted");
        line_.flow = true;
    }
    // Without another G word, every G word of the line is G0 to G3: a motion word each.
    int motion_words = w.other_g ? 0 : static_cast<int>(w.g.size());
    for (const double g : w.other_g ? std::span<const double>(w.g) : std::span<const double>()) {
        if (IsPlainMotion(g)) {
            ++motion_words; // nearly every G word of a program: known, and nothing more to tell
            continue;
        }
        auto word = [g] {
            return "G" + FormatNumber(g);
        };
        if (!IsKnownG(g)) {
            Problem(word() + " " + GProblem(g));
        } else if (IsToolLength(g)) {
            Leave(word() + (w.Has('H') ? " " + WordText(*w.Of('H')) : ""),
                  "applies a tool length offset from the controller's tool table: Z is the tip of the tool as it "
                  "was touched off");
        } else if (IsCompensation(g)) {
            line_.refusal = word() + " compensates the cutter radius by the diameter of a tool in the controller's "
                                     "table: the converter does not offset the path, so every cut would lie a radius "
                                     "off the line the program means";
            Problem(line_.refusal);
        } else if (IsG(g, 28.1) || IsG(g, 30.1)) {
            Leave(word(), "stores a position in the controller, which the machine does not keep");
        }
        motion_words += IsMotionG(g) ? 1 : 0;
    }
    if (motion_words > 1) {
        Problem("two motion words on one line");
    }
}

// Everything but the motion, in the order a standard controller takes it.
void StandardReader::Modes(const Words& w) {
    for (const double g : w.other_g ? std::span<const double>(w.g) : std::span<const double>()) {
        if (IsG(g, 20) || IsG(g, 21)) {
            inch_ = IsG(g, 20);
        }
    }
    if (w.Has('F')) {
        feed_ = Length(w.Value('F'));
        fed_ = true;
    }
    if (w.Has('S')) {
        line_.spindle = w.Of('S')->number;
    }
    if (w.Has('T')) {
        line_.tool = w.Value('T');
    }
    for (const int m : w.m) {
        if (m == 6) {
            line_.m_before.push_back(m);
        }
    }
    for (const int m : w.m) {
        if (m >= 3 && m <= 9 && m != 6) {
            line_.m_before.push_back(m);
        }
    }
    for (const int m : w.m) {
        if (m == 0 || m == 1 || m == 2 || m == 30) {
            line_.m_after.push_back(m);
        }
    }
    if (w.special_g && w.HasG(4)) {
        Leave("G4" + (w.Has('P') ? " " + WordText(*w.Of('P')) : std::string()),
              "a dwell, which the machine cannot make");
    }
    for (const double g : w.other_g ? std::span<const double>(w.g) : std::span<const double>()) {
        if (IsPlainMotion(g)) {
            continue;
        }
        if (IsG(g, 17) || IsG(g, 18) || IsG(g, 19)) {
            plane_ = IsG(g, 17) ? Plane::XY : IsG(g, 18) ? Plane::ZX : Plane::YZ;
        } else if (IsG(g, 90) || IsG(g, 91)) {
            incremental_ = IsG(g, 91);
        } else if (IsG(g, 90.1) || IsG(g, 91.1)) {
            arc_absolute_ = IsG(g, 90.1);
        } else if (IsG(g, 98) || IsG(g, 99)) {
            retract_to_start_ = IsG(g, 98);
        }
    }
}

// Where the axis words take the tool.
std::array<double, 3> StandardReader::Target(const Words& w) {
    std::array<double, 3> end = pos_;
    for (std::size_t a = 0; a < 3; ++a) {
        const char name = kAxisNames[a];
        if (!w.Has(name)) {
            continue;
        }
        const double value = Length(w.Value(name));
        if (!incremental_) {
            end[a] = value;
            known_[a] = true;
        } else if (Known(static_cast<int>(a), "an incremental move")) {
            end[a] = pos_[a] + value;
        }
    }
    return end;
}

bool StandardReader::FeedSet() {
    if (feed_ > 0) {
        return true;
    }
    Problem(feed_ < 0 || fed_ ? "a feed move at a feed of 0 or below" : "a feed move before any F word");
    return false;
}

StandardMove* StandardReader::Add(MoveKind kind, const std::array<double, 3>& end) {
    if (end == pos_ && (kind == MoveKind::Rapid || kind == MoveKind::Feed)) {
        return nullptr;
    }
    if (!std::isfinite(end[0]) || !std::isfinite(end[1]) || !std::isfinite(end[2])) {
        Problem("a coordinate beyond any number");
        return nullptr;
    }
    // Made where it is kept: a move is a long record, and most lines make one.
    StandardMove& move = line_.moves.emplace_back();
    move.kind = kind;
    move.start = pos_;
    move.end = end;
    move.known = known_;
    move.feed = kind == MoveKind::Rapid ? 0 : feed_;
    pos_ = end;
    if (known_[2] && kind != MoveKind::Cw && kind != MoveKind::Ccw) {
        highest_ = std::max(highest_, end[2]);
    }
    return &move;
}

void StandardReader::Reach(const StandardMove& move) {
    if (!move.known[2]) {
        return;
    }
    highest_ = std::max(highest_, move.end[2]);
    if (move.plane == Plane::XY) {
        return;
    }
    // Z = centre + r cos(angle) in the ZX plane, centre + r sin(angle) in the YZ plane: the top of
    // the circle lies at angle 0 or a quarter turn, and counts when the arc passes it.
    const PlaneAxes axes = AxesOf(move.plane);
    const auto a = static_cast<std::size_t>(axes.first);
    const auto b = static_cast<std::size_t>(axes.second);
    const double r = std::hypot(move.start[a] - move.centre[a], move.start[b] - move.centre[b]);
    const double top = move.plane == Plane::ZX ? 0 : kPi / 2;
    const double from = std::atan2(move.start[b] - move.centre[b], move.start[a] - move.centre[a]);
    double to_top = move.kind == MoveKind::Ccw ? top - from : from - top;
    to_top = std::fmod(to_top + 4 * kPi, 2 * kPi);
    if (to_top <= move.sweep) {
        highest_ = std::max(highest_, move.centre[2] + r);
    }
}

void StandardReader::Leave(std::string words, std::string reason) {
    line_.left_out.push_back({std::move(words), std::move(reason)});
}

void StandardReader::Lose(std::size_t axis) {
    known_[axis] = false;
    lost_on_[axis] = line_.file_line;
}

// G53 on Z, G28 and G30: up to the clearance height, never down. What they do to X and Y depends
// on positions the controller keeps: left out, and X and Y unknown until a line sets them.
void StandardReader::Retract(const Words& w) {
    const bool home = w.HasG(28) || w.HasG(30);
    const MoveKind kind = home ? MoveKind::Rapid : motion_;
    if (kind != MoveKind::Rapid && kind != MoveKind::Feed) {
        Problem("G53 moves only with G0 or G1 in force");
        return;
    }
    if (kind == MoveKind::Feed && !FeedSet()) {
        return;
    }
    const std::string what = home ? (w.HasG(28) ? "G28" : "G30") : "G53";
    std::string xy;
    for (std::size_t a = 0; a < 2; ++a) {
        if (w.Has(kAxisNames[a])) {
            xy += (xy.empty() ? "" : " ") + WordText(*w.Of(kAxisNames[a]));
        }
    }
    if (home && !w.HasAxis()) {
        xy = what; // every axis goes to the stored position
    }
    if (!xy.empty()) {
        Leave(xy, home ? "returns X and Y to a position stored in the controller: they stay where they are, and are "
                         "not known until a line sets them"
                       : "is a position in machine coordinates, which the program cannot know: X and Y stay where "
                         "they are, and are not known until a line sets them");
        for (std::size_t a = 0; a < 2; ++a) {
            if (xy == what || w.Has(kAxisNames[a])) {
                Lose(a);
            }
        }
    }
    if (!home && !w.Has('Z')) {
        return;
    }
    double top = clearance_;
    if (!clearance_given_) {
        top = std::isfinite(highest_) ? highest_ : known_[2] ? pos_[2] : 0;
    }
    if (!std::isfinite(top)) {
        Problem(what + " is a retract, and no clearance height is known to retract to: the program moves Z "
                       "nowhere, and none was given");
        return;
    }
    std::array<double, 3> end = pos_;
    end[2] = known_[2] ? std::max(top, pos_[2]) : top;
    known_[2] = true;
    line_.retract = true;
    Add(kind, end);
}

void StandardReader::Motion(const Words& w) {
    bool set = false;
    if (!w.other_g && !w.g.empty()) {
        // G0 to G3 only, as on nearly every line: each sets the motion, and the last one stays.
        static constexpr std::array<MoveKind, 4> kPlain{MoveKind::Rapid, MoveKind::Feed, MoveKind::Cw, MoveKind::Ccw};
        motion_ = kPlain[static_cast<std::size_t>(w.g.back())];
        set = true;
    }
    for (const double g : w.other_g ? std::span<const double>(w.g) : std::span<const double>()) {
        if (IsG(g, 0) || IsG(g, 1) || IsG(g, 2) || IsG(g, 3) || IsG(g, 80)) {
            motion_ = IsG(g, 0)   ? MoveKind::Rapid
                      : IsG(g, 1) ? MoveKind::Feed
                      : IsG(g, 2) ? MoveKind::Cw
                      : IsG(g, 3) ? MoveKind::Ccw
                                  : MoveKind::None;
            set = true;
        } else if (IsCycle(g)) {
            if (motion_ != MoveKind::Cycle) {
                cycle_start_z_ = pos_[2];
            }
            motion_ = MoveKind::Cycle;
            cycle_ = static_cast<int>(g);
            set = true;
        }
    }
    if (!line_.problems.empty()) {
        return;
    }
    if (w.special_g && (w.HasG(28) || w.HasG(30) || w.HasG(53))) {
        Retract(w);
        return;
    }
    if (w.special_g && (w.HasG(28.1) || w.HasG(30.1) || w.HasG(4))) {
        return; // their coordinates set something rather than move there
    }
    if (motion_ == MoveKind::Cycle) {
        Cycle(w);
        return;
    }
    if (!w.HasAxis()) {
        if (set && (motion_ == MoveKind::Cw || motion_ == MoveKind::Ccw)) {
            Problem("an arc needs an end point");
        }
        return;
    }
    if (motion_ == MoveKind::Unset || motion_ == MoveKind::None) {
        Problem(motion_ == MoveKind::None ? "G80 leaves no motion for its coordinates"
                                          : "no motion word (G0 to G3) is in force for its coordinates");
        return;
    }
    if (motion_ != MoveKind::Rapid && !FeedSet()) {
        return;
    }
    const std::array<double, 3> end = Target(w);
    if (!line_.problems.empty()) {
        return;
    }
    if (!std::isfinite(end[0]) || !std::isfinite(end[1]) || !std::isfinite(end[2])) {
        // Told before an arc is worked out too, which would otherwise measure its circle against it.
        Problem("a coordinate beyond any number");
        return;
    }
    if (motion_ == MoveKind::Cw || motion_ == MoveKind::Ccw) {
        Arc(w, end);
        return;
    }
    Add(motion_, end);
}

} // namespace tamo::check
