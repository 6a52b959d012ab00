#pragma once

// The toolpath of the loaded program as the last redraw walked it: every move the top view draws,
// in program order, with the Z of its end point, so that the top view and the 3-D view are both
// drawn from one walk of the program. Plain data; a record, once walked, is never changed, so the
// windows can draw it on a thread of their own while the next walk builds a new one.

#include "platform/huge_pages.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tamo {

enum class MoveKind : std::uint8_t {
    Jump,                // the next move starts here; nothing leads to it
    Rapid,               // dashed green; a drill cycle's move to its hole too
    Feed,                // a straight feed move
    ArcClockwise,        // G02; its circle is the next entry of arcs()
    ArcCounterClockwise, // G03; likewise
};

// Where a move ends and the program line (its buffer entry) it belongs to, to a float's precision:
// 16 bytes a move, about one a line. The view always takes in the origin, so a coordinate is never
// more than the view's width from it, and its rounding (6e-8 of that width) stays about a tenth of
// a pixel at the deepest zoom. Nothing the machine moves to is read from here: the record only
// draws. A finite coordinate beyond a float's range (3.4e38) is kept at the float's largest.
struct ToolpathMove {
    float x = 0;
    float y = 0;
    float z = 0;
    std::uint32_t line_kind = 0; // line << 3 | kind

    [[nodiscard]] MoveKind kind() const { return static_cast<MoveKind>(line_kind & 7u); }
    [[nodiscard]] int line() const { return static_cast<int>(line_kind >> 3); }
    [[nodiscard]] bool arc() const {
        return kind() == MoveKind::ArcClockwise || kind() == MoveKind::ArcCounterClockwise;
    }
};

// An arc's circle as the walk works it out, in the terms of ToolpathArc below.
struct ArcCircle {
    double cx = 0;
    double cy = 0;
    double r = 0;
    double from = 0;
    double to = 0;
};

// The circle of an arc move as the top view draws it: counter-clockwise from `from` to `to`, in
// radians (equal angles: the whole circle), whichever way the tool goes round. Floats, as the moves
// are: the top view draws arcs to 1/16 degree, the 3-D view in chords of a pixel or so.
struct ToolpathArc {
    float cx = 0;
    float cy = 0;
    float r = 0;
    float from = 0;
    float to = 0;

    // The circle narrowed to floats. An arc so short that its two angles round to one float would
    // come back as the whole circle: its end is kept one float step past its start instead.
    [[nodiscard]] static ToolpathArc Of(const ArcCircle& circle);
};

// A coordinate of the record: a float, a finite number beyond its range kept at its largest.
[[nodiscard]] float Narrow(double v);

// The way an arc takes the tool: the angle it leaves from and the angle it turns through,
// counter-clockwise positive. Z changes in step with the angle (a helix when the block has a Z
// travel), as the run walks it.
struct ArcTravel {
    double start = 0;
    double sweep = 0;
};
[[nodiscard]] ArcTravel TravelOf(const ToolpathArc& circle, MoveKind kind);

struct Box3 {
    double min[3] = {0, 0, 0};
    double max[3] = {0, 0, 0};
};

// The grid's spacing G for a view `side` units across, as the top view draws it: lines G/2 apart.
// 0 for a view wider than 10000 units, which has no grid.
[[nodiscard]] double GridStep(double side);

class Toolpath {
public:
    Toolpath() = default;
    // Without moves: a walk for a tool that never draws (the program check's) keeps only the bounds.
    explicit Toolpath(bool keep_moves) : keep_moves_(keep_moves) {}

    void Reserve(std::size_t lines);
    // Once the walk is done: the reserved room that no move or arc filled goes back to the system.
    // The record grows no further.
    void GiveBackSpare();
    // A straight move (Rapid or Feed) of `line` from the start point to the end point. A start that
    // is not where the last move ended is recorded as a jump first.
    void AddLine(MoveKind kind, int line, const double (&start)[3], const double (&end)[3]);
    void AddArc(MoveKind kind, int line, const double (&start)[3], const double (&end)[3], const ArcCircle& circle);

    [[nodiscard]] const std::vector<ToolpathMove>& moves() const { return moves_; }
    // One entry per arc move, in the order of the moves.
    [[nodiscard]] const std::vector<ToolpathArc>& arcs() const { return arcs_; }
    // How many moves belong to lines 1 to `line` (the moves come in line order).
    [[nodiscard]] std::size_t MovesUpTo(int line) const;
    // Every point of the path, arcs with their whole circle, and the origin.
    [[nodiscard]] const Box3& bounds() const { return bounds_; }

    // For a walk in two parts: the record of the second part carries on from where `before` stands,
    // so that its first move is left out or kept as a jump just as one record would; whether two
    // records stand at the same point (both moved, and to the same end, bit for bit); and the second
    // part's moves and bounds put after this record's. The second part's record keeps its moves and
    // arcs in parts of their own memory (KeepInParts), which Append empties and gives back one by
    // one as it copies them: the two records are never both held whole, and a long program's
    // memory does not rise by half its record at the join.
    void ContinueAfter(const Toolpath& before);
    [[nodiscard]] bool EndsWhere(const Toolpath& other) const;
    // Before the first move. Such a record serves only Append: its moves() and arcs() stay empty.
    void KeepInParts();
    void Append(Toolpath& after);

private:
    template <class T> using Part = std::vector<T, SystemPages<T>>;
    template <class T> static void AddToParts(std::vector<Part<T>>& parts, const T& item);
    template <class T> static void MoveParts(std::vector<Part<T>>& parts, std::vector<T>& onto);

    void Push(MoveKind kind, int line, const double (&end)[3]);
    void Widen(double x, double y, double z);

    std::vector<ToolpathMove> moves_;
    std::vector<ToolpathArc> arcs_;
    Box3 bounds_;
    std::vector<Part<ToolpathMove>> move_parts_;
    std::vector<Part<ToolpathArc>> arc_parts_;
    bool keep_moves_ = true;
    bool in_parts_ = false;
    bool moved_ = false;  // a move was pushed
    ToolpathMove last_{}; // the last move as recorded
    // Where the last move ended in X and Y, exactly: a jump is left out only where the path stands
    // on the very point, as the walk reckons it, and two halves of a walk join only there.
    double last_x_ = 0;
    double last_y_ = 0;
};

} // namespace tamo
