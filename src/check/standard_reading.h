#pragma once

// How a controller that follows the common G-code dialect (RS274/NGC) reads a program, which is
// what the author of a program meant. One reader for the whole house: the program check compares
// the machine's reading with it, and the converter writes what it reads in the machine's dialect.
//
// A text line holds comments in parentheses or after a semicolon, then words of a letter of either
// case and a number. Several G words and several M words may share a line, each setting its own
// mode; the words take effect in a fixed order whatever their order on the line (feed, spindle,
// tool, M6, spindle and coolant, dwell, plane, units, compensation, offsets, distance mode, retract
// mode, then the motion, then the stops).

#include "interpreter/line_words.h"

#include <array>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tamo::check {

// How a line moves: as the run dispatches it, or as a standard controller reads its text.
enum class MoveKind : unsigned char {
    Unset, // no motion mode yet (the text's reading only)
    None,  // nothing moves
    Rapid,
    Feed,
    Cw,
    Ccw,
    Cycle, // a canned cycle (the text's reading only)
    Home,  // G28, G30 (the text's reading only)
};

// A stretch of a text line, [begin, end).
struct Span {
    std::size_t begin = 0;
    std::size_t end = 0;
};

// One word as a standard controller reads it: a letter of either case and the number after it,
// outside comments.
struct Token {
    char letter = 0;         // upper case
    bool lower = false;      // written in lower case
    std::size_t at = 0;      // the letter's offset in the text line
    std::string_view number; // as written
    // The number as a sign, digits and a point (a '+' counts for nothing), read in the same pass
    // that finds it: exact up to 15 significant digits, the full conversion beyond. Of a G word, the
    // value the modes read.
    double amount = 0;
};

// The comments of a text line, then its words between `begin` and `end`; with `blanks_only`,
// whether nothing but blanks (space, tab, CR) stands there outside the comments and words.
void FindComments(std::string_view line, std::vector<Span>& out);
void ReadTokens(std::string_view line, std::size_t begin, std::size_t end, std::span<const Span> comments,
                std::vector<Token>& out, bool* blanks_only = nullptr);
// The words of a whole line that holds no comment, as ReadTokens reads them: one pass that needs no
// search for comments first. False where a comment mark, '(' or ';', stands in the line: then
// FindComments and ReadTokens read it.
[[nodiscard]] bool ReadPlainTokens(std::string_view line, std::vector<Token>& out, bool* blanks_only);

// The numbers of the words of `text` (an entry's text, a part of `line`) that `tokens` (the words
// of `line`) have read, for the parse to take instead of reading them again: upper-case words of
// the parse's letters whose number is short enough for both to read it exactly (ReadNumbers).
// With `words_only` (the line holds nothing but words and blanks) the parse's word letters too.
void NumbersRead(std::string_view text, std::string_view line, std::span<const Token> tokens, bool words_only,
                 ReadNumbers& known);

// The motion mode of the text, word by word as a standard controller keeps it.
class StandardMotion {
public:
    // The motion this line means, after its G words.
    MoveKind Apply(std::span<const Token> tokens);

private:
    MoveKind modal_ = MoveKind::Unset;
};

// What G words are for, by their number: "plane", "units", "mode", ... as a list for a message:
// "mode, plane". Empty when the text holds no G word.
[[nodiscard]] std::string GWordKinds(std::string_view text);
// The text is G words only ("G90 G17"), nothing else.
[[nodiscard]] bool IsGWordsOnly(std::string_view text);

// How far an arc's end may lie off the circle through its start, and a straight segment from the
// arc it stands for: 0.01 mm (0.0004 in), or a step of X or Y where that is coarser. The machine
// walks the circle in steps and cannot cut finer.
[[nodiscard]] double ArcTolerance(bool inch, double step_x, double step_y);

// The widest angle of a straight segment that strays from an arc of that radius by at most half
// the arc tolerance: what an arc the machine cannot cut as an arc is written as.
[[nodiscard]] double SegmentAngle(double radius, double arc_tolerance);

// What one line may grow into, beyond which the converter does not write it: whole turns of a
// helix, straight segments of an arc, repeats and pecks of a drilling cycle, and the moves of a
// drilling cycle with all its repeats (kept in memory while the line is read).
inline constexpr double kMostTurns = 1000;
inline constexpr double kMostSegments = 1e6;
inline constexpr double kMostRepeats = 1000;
inline constexpr double kMostPecks = 1e5;
inline constexpr double kMostLineMoves = 1e6;

// The plane of an arc: its two axes, in the order in which counter-clockwise turns the first
// toward the second, and the axis along which a helix climbs.
enum class Plane : unsigned char { XY, ZX, YZ };
struct PlaneAxes {
    int first, second, normal; // 0 X, 1 Y, 2 Z
};
[[nodiscard]] PlaneAxes AxesOf(Plane plane);

// One stretch of the toolpath as a standard controller cuts it: absolute, in the machine's unit.
struct StandardMove {
    MoveKind kind = MoveKind::Rapid; // Rapid, Feed, Cw or Ccw
    std::array<double, 3> start{};
    std::array<double, 3> end{};
    // An axis a return to a stored position has left where the program cannot know (until a line
    // sets it again): the move leaves it where it is.
    std::array<bool, 3> known{true, true, true};
    std::array<double, 3> centre{}; // arcs: in the plane's two axes
    Plane plane = Plane::XY;
    double sweep = 0; // arcs: the angle turned, radians, more than a turn for a helix of several
    double feed = 0;  // length units of the machine per minute; 0 for rapid moves
};

// Words of a line that the machine cannot honour, while the rest of the line is converted.
struct LeftOut {
    std::string words; // as read: "G43 H1", "X0 Y0", "P0.5"
    std::string reason;
};

// One text line as a standard controller reads it.
struct StandardLine {
    int file_line = 0;
    std::string_view text;
    std::vector<Span> comments;
    std::vector<Token> tokens;
    bool words_only = false;   // no comment, and nothing but words and blanks
    bool program_mark = false; // a "%" line
    bool console = false;      // a "$" line: a command for the controller's console
    bool after_end = false;    // after M2 or M30, where a standard controller reads no more
    // What the line does, in the order it does it.
    double tool = -1;          // T, or -1
    std::vector<int> m_before; // M6, M3 to M5, M7 to M9
    std::string_view spindle;  // the number of an S word, as written
    std::vector<StandardMove> moves;
    std::vector<int> m_after; // M0, M1, M2, M30
    // Why the line cannot be converted into the machine's dialect; empty when it can. Its M and T
    // words are honoured all the same, unless the line changes the program's flow.
    std::vector<std::string> problems;
    bool flow = false; // a subroutine, a jump, an optional line: nothing of it is done
    // What of a line that is converted the machine cannot do.
    std::vector<LeftOut> left_out;
    // A retract (G53 on Z, G28, G30): its Z move goes up to the clearance height.
    bool retract = false;
    // Why no program holding this line can be converted at all (cutter compensation); empty if none.
    std::string refusal;
    // The moves the line would make, when more than the reader may keep (it keeps none); 0 if not.
    double too_many_moves = 0;

    [[nodiscard]] std::string Problems() const; // "a; b"
};

// Reads a program line by line, keeping the modes and the position from one line to the next. It
// starts as a standard controller starts a program: at the origin, in the machine's unit, XY plane,
// absolute coordinates, arc centres relative to the start, no motion mode, no feed, and canned
// cycles returning to the height they began at (G98).
class StandardReader {
public:
    explicit StandardReader(bool inch_machine = false, double arc_tolerance = 0.01);

    // For a reading that asks only what each line converts to and why not (the program check's):
    // an arc in the XY plane is kept without its sweep, which only the converter's toolpath reads.
    void LeaveOutArcSweeps() { arc_sweeps_ = false; }

    // The next text line. The result lives until the next call.
    const StandardLine& Read(std::string_view text, int file_line);

    // The height a retract goes up to (never down): given, or NaN when none is known (a retract
    // is then not converted). Until this is called, the highest Z reached so far.
    void set_clearance(double z) {
        clearance_ = z;
        clearance_given_ = true;
    }
    // How many moves a line may make; a drilling cycle that would make more makes none.
    void set_most_moves(double most) { most_moves_ = most; }
    // The highest Z any move has reached (the top of an arc in the XZ or YZ plane too); minus
    // infinity before the first.
    [[nodiscard]] double highest() const { return highest_; }

private:
    // The words of one line by letter: the first of each, how often it came, and every G and M.
    struct Words {
        std::array<const Token*, 26> first{};
        std::array<int, 26> count{};
        std::vector<double> g;
        std::vector<int> m;
        // A G word that moves elsewhere or not at all: G4, G28, G28.1, G30, G30.1, G53. Most
        // lines have none, and need not look for each.
        bool special_g = false;
        // A G word other than G0 to G3: most lines have none, and their G words need no more look.
        bool other_g = false;

        [[nodiscard]] const Token* Of(char letter) const { return first[static_cast<std::size_t>(letter - 'A')]; }
        [[nodiscard]] bool Has(char letter) const { return Of(letter) != nullptr; }
        [[nodiscard]] double Value(char letter) const;
        [[nodiscard]] bool HasG(double value) const;
        [[nodiscard]] bool HasAxis() const { return Has('X') || Has('Y') || Has('Z'); }
    };

    void Strays(std::string_view text);
    void Collect(Words& w);
    void Modes(const Words& w);
    void Motion(const Words& w);
    std::array<double, 3> Target(const Words& w);
    void Arc(const Words& w, const std::array<double, 3>& end);
    void Cycle(const Words& w);
    [[nodiscard]] double CycleMoves(double repeats, double r_plane, double bottom) const;
    void Retract(const Words& w);
    void Leave(std::string words, std::string reason);
    void Lose(std::size_t axis);
    void Reach(const StandardMove& move);
    bool FeedSet();
    // The move it makes of the line, kept with the line's others; null where it makes none.
    StandardMove* Add(MoveKind kind, const std::array<double, 3>& end);
    void Problem(std::string why);
    [[nodiscard]] double Length(double value) const; // program unit to machine unit
    [[nodiscard]] bool Known(int axis, const char* what);

    bool inch_machine_;
    double tolerance_;
    StandardLine line_;
    Words words_; // of the line being read, kept to keep their room
    // The modes.
    bool inch_;
    bool incremental_ = false;
    bool arc_absolute_ = false;
    bool retract_to_start_ = true; // G98
    Plane plane_ = Plane::XY;
    MoveKind motion_ = MoveKind::Unset;
    int cycle_ = 0;    // the cycle's G number while motion_ is a cycle
    double feed_ = 0;  // machine units per minute
    bool fed_ = false; // an F word has been read
    // Where the tool is.
    std::array<double, 3> pos_{};
    std::array<bool, 3> known_{true, true, true};
    std::array<int, 3> lost_on_{}; // the line that left an axis unknown
    // A canned cycle's values, kept from line to line: R, Z, Q, and the height it began at.
    double cycle_r_ = 0, cycle_z_ = 0, cycle_q_ = 0, cycle_start_z_ = 0;
    bool has_r_ = false, has_z_ = false, has_q_ = false;
    bool ended_ = false;
    bool arc_sweeps_ = true; // LeaveOutArcSweeps
    double clearance_ = 0;
    bool clearance_given_ = false;
    double most_moves_ = kMostLineMoves;
    double highest_ = -std::numeric_limits<double>::infinity();
};

} // namespace tamo::check
