#include "view/toolpath.h"

#include "platform/huge_pages.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <numbers>

namespace tamo {

float Narrow(double v) {
    constexpr double kLargest = std::numeric_limits<float>::max();
    if (v > kLargest && v <= std::numeric_limits<double>::max()) {
        return std::numeric_limits<float>::max();
    }
    if (v < -kLargest && v >= std::numeric_limits<double>::lowest()) {
        return std::numeric_limits<float>::lowest();
    }
    return static_cast<float>(v);
}

ToolpathArc ToolpathArc::Of(const ArcCircle& c) {
    ToolpathArc arc{Narrow(c.cx), Narrow(c.cy), Narrow(c.r), Narrow(c.from), Narrow(c.to)};
    if (c.to > c.from && arc.to == arc.from) {
        arc.to = std::nextafter(arc.from, std::numeric_limits<float>::infinity());
    }
    return arc;
}

// The arc's own geometry, as the top view draws it, turned into the way the tool goes: a G02 is
// drawn counter-clockwise from its end to its start, so the tool leaves from `to`.
ArcTravel TravelOf(const ToolpathArc& circle, MoveKind kind) {
    constexpr double kTurn = 2 * std::numbers::pi;
    double sweep = std::fmod(static_cast<double>(circle.to) - static_cast<double>(circle.from), kTurn);
    if (!(sweep > 0)) {
        sweep += kTurn; // equal angles: the whole circle
    }
    if (kind == MoveKind::ArcClockwise) {
        return {circle.to, -sweep};
    }
    return {circle.from, sweep};
}

// Room for a move a line and an arc every other line, so that a long program seldom copies its
// record to grow it.
void Toolpath::Reserve(std::size_t lines) {
    if (!keep_moves_ || in_parts_) {
        return;
    }
    moves_.reserve(lines);
    arcs_.reserve(lines / 2);
    AdviseHugePages(moves_.data(), moves_.capacity() * sizeof(ToolpathMove));
    AdviseHugePages(arcs_.data(), arcs_.capacity() * sizeof(ToolpathArc));
}

// A program of few arcs leaves most of their room empty, and the huge page that the last arc
// reaches into is resident whole.
void Toolpath::GiveBackSpare() {
    GiveBackPages(moves_.data() + moves_.size(), (moves_.capacity() - moves_.size()) * sizeof(ToolpathMove));
    GiveBackPages(arcs_.data() + arcs_.size(), (arcs_.capacity() - arcs_.size()) * sizeof(ToolpathArc));
}

void Toolpath::AddLine(MoveKind kind, int line, const double (&start)[3], const double (&end)[3]) {
    Push(MoveKind::Jump, line, start);
    Push(kind, line, end);
}

void Toolpath::AddArc(MoveKind kind, int line, const double (&start)[3], const double (&end)[3],
                      const ArcCircle& circle) {
    Push(MoveKind::Jump, line, start);
    if (keep_moves_) {
        if (in_parts_) {
            AddToParts(arc_parts_, ToolpathArc::Of(circle));
        } else {
            arcs_.push_back(ToolpathArc::Of(circle));
        }
    }
    Widen(circle.cx - circle.r, circle.cy - circle.r, end[2]);
    Widen(circle.cx + circle.r, circle.cy + circle.r, end[2]);
    Push(kind, line, end);
}

// A jump only where the path does not already stand: from the origin before the first move, else
// from the last move's end.
void Toolpath::Push(MoveKind kind, int line, const double (&end)[3]) {
    if (kind == MoveKind::Jump) {
        const bool there = !moved_ ? end[0] == 0 && end[1] == 0 && end[2] == 0
                                   : end[0] == last_x_ && end[1] == last_y_ && Narrow(end[2]) == last_.z;
        if (there) {
            return;
        }
    }
    last_x_ = end[0];
    last_y_ = end[1];
    last_.x = Narrow(end[0]);
    last_.y = Narrow(end[1]);
    last_.z = Narrow(end[2]);
    last_.line_kind = static_cast<std::uint32_t>(line) << 3 | static_cast<std::uint32_t>(kind);
    moved_ = true;
    if (keep_moves_) {
        if (in_parts_) {
            AddToParts(move_parts_, last_);
        } else {
            moves_.push_back(last_);
        }
    }
    Widen(end[0], end[1], end[2]);
}

void Toolpath::Widen(double x, double y, double z) {
    const double p[3] = {x, y, z};
    for (int i = 0; i < 3; ++i) {
        if (std::isfinite(p[i])) {
            bounds_.min[i] = std::min(bounds_.min[i], p[i]);
            bounds_.max[i] = std::max(bounds_.max[i], p[i]);
        }
    }
}

void Toolpath::ContinueAfter(const Toolpath& before) {
    moved_ = before.moved_;
    last_ = before.last_;
    last_x_ = before.last_x_;
    last_y_ = before.last_y_;
}

bool Toolpath::EndsWhere(const Toolpath& other) const {
    if (moved_ != other.moved_) {
        return false;
    }
    return !moved_ || (std::bit_cast<std::uint64_t>(last_x_) == std::bit_cast<std::uint64_t>(other.last_x_) &&
                       std::bit_cast<std::uint64_t>(last_y_) == std::bit_cast<std::uint64_t>(other.last_y_) &&
                       std::bit_cast<std::uint32_t>(last_.z) == std::bit_cast<std::uint32_t>(other.last_.z));
}

void Toolpath::KeepInParts() {
    in_parts_ = true;
}

// A megabyte or so a part: a long program's second half holds a few dozen.
template <class T> void Toolpath::AddToParts(std::vector<Part<T>>& parts, const T& item) {
    constexpr std::size_t kPartItems = (std::size_t{1} << 20) / sizeof(T);
    if (parts.empty() || parts.back().size() == kPartItems) {
        parts.emplace_back().reserve(kPartItems);
    }
    parts.back().push_back(item);
}

template <class T> void Toolpath::MoveParts(std::vector<Part<T>>& parts, std::vector<T>& onto) {
    for (Part<T>& part : parts) {
        onto.insert(onto.end(), part.begin(), part.end());
        Part<T>().swap(part);
    }
    parts.clear();
}

// The bounds are a minimum and a maximum of finite numbers, so taking them part by part gives
// what one walk gives.
void Toolpath::Append(Toolpath& after) {
    if (keep_moves_) {
        MoveParts(after.move_parts_, moves_);
        MoveParts(after.arc_parts_, arcs_);
        moves_.insert(moves_.end(), after.moves_.begin(), after.moves_.end());
        arcs_.insert(arcs_.end(), after.arcs_.begin(), after.arcs_.end());
    }
    for (int i = 0; i < 3; ++i) {
        bounds_.min[i] = std::min(bounds_.min[i], after.bounds_.min[i]);
        bounds_.max[i] = std::max(bounds_.max[i], after.bounds_.max[i]);
    }
    if (after.moved_) {
        moved_ = true;
        last_ = after.last_;
        last_x_ = after.last_x_;
        last_y_ = after.last_y_;
    }
}

std::size_t Toolpath::MovesUpTo(int line) const {
    const auto after = std::upper_bound(moves_.begin(), moves_.end(), line,
                                        [](int l, const ToolpathMove& move) { return l < move.line(); });
    return static_cast<std::size_t>(after - moves_.begin());
}

} // namespace tamo
