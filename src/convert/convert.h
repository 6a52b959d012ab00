#pragma once

// The converter: a program written for a standard controller (RS274/NGC and the common CAM posts)
// rewritten in the machine's own dialect, so that the machine cuts the toolpath a standard
// controller would. It reads the program with the program check's standard reading and writes
// text; it never moves anything, and never changes the original.

#include <filesystem>
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
};

// A line that could not be converted: it stands in the converted program as a comment.
struct Unconverted {
    int file_line = 0;
    std::string text; // the line as written, without its line end
    std::string reason;
};

struct Conversion {
    std::string text; // the converted program
    std::vector<Unconverted> unconverted;
    int lines = 0;          // text lines read
    int left_after_end = 0; // lines after M2 or M30, which a standard controller never reads
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
