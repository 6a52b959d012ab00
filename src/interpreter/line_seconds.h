#pragma once

// The run estimate's seconds, line by line, in about four bytes a line: a long program's estimate
// is held as long as the program is open.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tamo {

// Cumulative seconds, one entry a line, as a list of doubles would hold them, to within a few
// microseconds: each stretch of lines keeps the exact figure of its first line, and every line its
// difference from it as a float. A stretch ends after kStretchLines lines or once a line lies
// kStretchSeconds past its start, so no difference is larger and its rounding stays below 4 us
// (2^-24 of 64 s). The last entry, the program's total, is exact, and so is the one before it,
// which becomes the last when a line is taken back.
class LineSeconds {
public:
    static constexpr std::size_t kStretchLines = 256;
    static constexpr double kStretchSeconds = 64;

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

    std::vector<float> offsets_;               // each entry less its stretch's first
    std::vector<std::uint32_t> stretch_first_; // where each stretch starts
    std::vector<double> stretch_base_;         // its first entry, exactly
    double last_ = 0;
    double before_last_ = 0;
};

} // namespace tamo
