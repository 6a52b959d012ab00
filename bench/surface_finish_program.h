#pragma once

// The program the benchmarks of a long program read: a 3D surface finish as a CAM post writes it.
// Zigzag rows of short feed moves with X, Y and a varying Z, the rows joined by half circles (G02
// at one end, G03 at the other) with I and J, passes at growing depth each with its comment,
// retract and plunge, every tenth block numbered, and the feed given where it changes.

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <ostream>
#include <string>

namespace bench {

class ProgramWriter {
public:
    ProgramWriter(std::ostream& out, std::size_t lines) : out_(out), limit_(lines) { chunk_.reserve(2 * kChunk); }

    [[nodiscard]] bool Full() const { return count_ >= limit_ - kTrailerLines; }

    // Blocks past the room left for the closing ones are dropped.
    void Line(const char* format, double a = 0, double b = 0, double c = 0, double d = 0) {
        if (Full() && !finishing_) {
            return;
        }
        char buffer[96];
        int length = 0;
        if (count_ % 10 == 0 && (format[0] == 'G' || format[0] == 'M')) {
            length = std::snprintf(buffer, sizeof buffer, "N%zu ", (count_ + 1) * 10);
        }
        length += std::snprintf(buffer + length, sizeof buffer - static_cast<std::size_t>(length), format, a, b, c, d);
        chunk_.append(buffer, static_cast<std::size_t>(length));
        chunk_ += '\n';
        ++count_;
        if (chunk_.size() >= kChunk) {
            Flush();
        }
    }

    // The post's closing blocks, which always fit. The bytes written.
    std::size_t Finish() {
        finishing_ = true;
        Line("G00 Z5.000");
        Line("M05");
        Line("M30");
        Flush();
        return bytes_;
    }

private:
    // Written in pieces: a buffer as large as the file, freed before the Open, would change how
    // the allocator places the program that the Open reads.
    static constexpr std::size_t kChunk = 1 << 16;
    static constexpr std::size_t kTrailerLines = 3;

    void Flush() {
        out_.write(chunk_.data(), static_cast<std::streamsize>(chunk_.size()));
        bytes_ += chunk_.size();
        chunk_.clear();
    }

    std::ostream& out_;
    std::size_t limit_;
    std::size_t count_ = 0;
    std::size_t bytes_ = 0;
    bool finishing_ = false;
    std::string chunk_;
};

inline std::size_t WriteSurfaceFinishProgram(std::ostream& file, std::size_t lines) {
    constexpr double kWidth = 100.0;   // mm along X
    constexpr double kSegment = 0.5;   // mm a feed move
    constexpr double kStepOver = 0.8;  // mm between rows
    constexpr int kRows = 100;         // rows a pass
    constexpr double kPassDepth = 0.4; // mm deeper each pass
    const int segments = static_cast<int>(kWidth / kSegment);

    ProgramWriter out(file, lines);
    out.Line("%%");
    out.Line("(Surface finish 100 x 80 - ball end mill 3 mm)");
    out.Line("G21 G90 G17");
    out.Line("M06 T1");
    out.Line("M03 S12000");
    for (int pass = 1; !out.Full(); ++pass) {
        const double depth = -kPassDepth * pass;
        out.Line("(pass %.0f depth %.3f)", pass, depth);
        out.Line("G00 Z5.000");
        out.Line("G00 X0.000 Y0.000");
        out.Line("G01 Z%.3f F120", depth);
        for (int row = 0; row < kRows && !out.Full(); ++row) {
            const double y = row * kStepOver;
            const bool forward = row % 2 == 0;
            for (int s = 1; s <= segments && !out.Full(); ++s) {
                const double x = forward ? s * kSegment : kWidth - s * kSegment;
                const double z = depth + 0.6 * std::sin(x * 0.11) * std::cos(y * 0.07);
                if (s == 1) {
                    out.Line("G01 X%.3f Y%.3f Z%.3f F900", x, y, z);
                } else {
                    out.Line("G01 X%.3f Y%.3f Z%.3f", x, y, z);
                }
            }
            if (out.Full()) {
                break;
            }
            // The half circle to the next row bulges outwards: anticlockwise at the right end,
            // clockwise at the left one.
            out.Line(forward ? "G03 X%.3f Y%.3f I0.000 J%.3f" : "G02 X%.3f Y%.3f I0.000 J%.3f", forward ? kWidth : 0.0,
                     y + kStepOver, kStepOver / 2);
        }
    }
    return out.Finish();
}

} // namespace bench
