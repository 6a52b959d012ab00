#pragma once

// The run estimate's seconds, line by line, in about two bytes a line: a long program's estimate
// is held as long as the program is open.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tamo {

// Cumulative seconds, one entry a line, as a list of doubles would hold them, to within 31
// microseconds, in two bytes a line: each stretch of lines keeps the exact figure of its first
// line, and every line its difference from it in steps of 1/16384 s. A stretch ends after
// kStretchLines lines or before a line that lies four seconds or more past its start, so that a
// difference always fits: lines of 15 ms or less (a long program's) share a stretch 256 at a time,
// and only lines of some seconds each, which no long program is made of, take more than four
// bytes a line. The last entry, the program's total, is exact, and so is the one before it, which
// becomes the last when a line is taken back.
class LineSeconds {
public:
    static constexpr std::size_t kStretchLines = 256;
    static constexpr double kStepsPerSecond = 16384;

    [[nodiscard]] std::size_t size() const { return offsets_.size(); }
    [[nodiscard]] bool empty() const { return offsets_.empty(); }
    [[nodiscard]] double operator[](std::size_t n) const;
    [[nodiscard]] double back() const { return last_; }

    void reserve(std::size_t n) { offsets_.reserve(n); }
    void clear();
    void assign(std::size_t n, double seconds);
    void push_back(double seconds);
    void pop_back();
    // The last entry replaced.
    void set_back(double seconds);

private:
    [[nodiscard]] double Rebuilt(std::size_t n) const;

    std::vector<std::uint16_t> offsets_;       // each entry less its stretch's first, in steps
    std::vector<std::uint32_t> stretch_first_; // where each stretch starts
    std::vector<double> stretch_base_;         // its first entry, exactly
    double last_ = 0;
    double before_last_ = 0;
};

} // namespace tamo
