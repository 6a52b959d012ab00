#pragma once

// The converter: a program written for a standard controller (RS274/NGC and the common CAM posts)
// rewritten in the machine's own dialect, so that the machine cuts the toolpath a standard
// controller would. It reads the program with the program check's standard reading and writes
// text; it never moves anything, and never changes the original.

#include <filesystem>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace tamo::convert {

struct Options {
    bool inch = false;      // the machine's unit: every length and feed is written in it
    double step_x = 0.0075; // length units per step, as the settings give them
    double step_y = 0.0075;
    double step_z = 0.0075;
    std::string source_name; // named on the first line of the converted program
    // The height retracts (G53 on Z, G28, G30) go up to, in the machine's unit; NaN: the highest Z
    // the program reaches.
    double clearance = std::numeric_limits<double>::quiet_NaN();
};

// What of a line could not be converted: it stands in the converted program as a comment.
struct Unconverted {
    int file_line = 0;
    std::string text;  // the line as written, without its line end
    std::string words; // the words left out while the rest of the line is converted; empty: the line
    std::string reason;
};

// How long a converted program may grow: more than this many times its lines, or than
// kMostConvertedLines, and it is refused.
inline constexpr long kMostGrowth = 1000;
inline constexpr long kMostConvertedLines = 50'000'000;

struct Conversion {
    std::string text; // the converted program; empty when refused
    std::vector<Unconverted> unconverted;
    int lines = 0;          // text lines read
    int left_after_end = 0; // lines after M2 or M30, which a standard controller never reads
    double clearance = 0;   // the height retracts went up to
    int retracts = 0;       // lines written as a move up to it
    // Why no converted program is written at all (cutter compensation, or it would be too long),
    // naming the line; empty when it is.
    std::string refused;
    int refused_line = 0;
    std::string refused_text;
};

[[nodiscard]] Conversion ConvertProgram(std::string_view program, const Options& options);

// Where a converted program goes unless the operator says otherwise: NAME.tamo.nc beside the
// original NAME.EXT.
[[nodiscard]] std::filesystem::path ConvertedPath(const std::filesystem::path& original);

// Writes a converted program, whole or not at all, never over the original. Empty on success;
// otherwise why not, for a message.
[[nodiscard]] std::string WriteConverted(const std::filesystem::path& original, const std::filesystem::path& path,
                                         std::string_view text);

} // namespace tamo::convert
