// The converter's pass over a program: every text line through the standard reading, then written
// in the machine's dialect. A line the reading cannot follow stays in the converted program as a
// comment, and is listed with the reason; nothing is guessed.
//
// What each line becomes:
//   comments                      lines of their own, made harmless
//   "%" lines                     left out
//   "$" lines (console commands)  comments
//   S words, dwells               comments: the machine has neither
//   T, M6, M3 to M9               kept, each on a line of its own, before the line's moves
//   the moves                     absolute, in the machine's unit: G00 and G01, arcs as G02 and
//                                 G03 with I and J (helical ones with Z), arcs of the XZ and YZ
//                                 planes as straight segments, drilling cycles as their moves
//   M0, M1, M2, M30               kept, after the moves
//   modes (G17, G21, G90, ...)    gone; on a line of nothing else, a comment
//   lines after M2 or M30         left out, as a standard controller never reads them

#include "convert/convert.h"

#include "check/standard_reading.h"
#include "convert/dialect_writer.h"
#include "interpreter/numbers.h"
#include "platform/file_io.h"

#include <algorithm>
#include <system_error>

namespace tamo::convert {
namespace {

std::string_view Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The text of a comment without its delimiters.
std::string_view Inside(std::string_view line, const check::Span& span) {
    std::string_view text = line.substr(span.begin + 1, span.end - span.begin - 1);
    if (!text.empty() && line[span.begin] == '(' && line[span.end - 1] == ')') {
        text.remove_suffix(1);
    }
    return Trim(text);
}

std::string WithoutComments(const check::StandardLine& line) {
    std::string text;
    std::size_t from = 0;
    for (const check::Span& span : line.comments) {
        text += line.text.substr(from, span.begin - from);
        text += ' ';
        from = span.end;
    }
    text += line.text.substr(std::min(from, line.text.size()));
    return std::string(Trim(text));
}

void Write(const check::StandardLine& line, DialectWriter& out, const std::string& written) {
    const std::size_t before = written.size();
    if (!line.spindle.empty()) {
        out.Comment("S" + std::string(line.spindle));
    }
    if (!line.dwell.empty()) {
        out.Comment("dwell P" + std::string(line.dwell));
    }
    const std::string tool = line.tool >= 0 ? "T" + FormatNumber(line.tool) : std::string();
    bool tool_written = false;
    for (const int m : line.m_before) {
        if (m == 6) {
            out.Words("M6" + (tool.empty() ? "" : " " + tool));
            tool_written = true;
        } else {
            out.Words("M" + std::to_string(m));
        }
    }
    if (!tool.empty() && !tool_written) {
        out.Words(tool);
    }
    for (const check::StandardMove& move : line.moves) {
        out.Move(move);
    }
    for (const int m : line.m_after) {
        out.Words("M" + std::to_string(m));
    }
    const bool only_numbering = std::all_of(line.tokens.begin(), line.tokens.end(),
                                            [](const check::Token& t) { return t.letter == 'N' || t.letter == 'O'; });
    if (written.size() == before && !only_numbering) {
        out.Comment(WithoutComments(line)); // modes the machine does not keep, or a move of no length
    }
}

} // namespace

Conversion ConvertProgram(std::string_view program, const Options& options) {
    Conversion result;
    const std::string_view line_end = program.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
    DialectWriter out(options, result.text, line_end);
    out.Comment("converted by TamoCNC from " + options.source_name + " for a machine in " +
                (options.inch ? "inches" : "mm"));
    check::StandardReader reader(options.inch, check::ArcTolerance(options.inch, options.step_x, options.step_y));
    std::size_t at = 0;
    while (at < program.size()) {
        std::size_t end = program.find_first_of("\r\n", at);
        if (end == std::string_view::npos) {
            end = program.size();
        }
        const std::string_view text = program.substr(at, end - at);
        at = end + (program.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        const check::StandardLine& line = reader.Read(text, ++result.lines);
        if (line.after_end) {
            ++result.left_after_end;
            continue;
        }
        if (line.program_mark) {
            continue;
        }
        for (const check::Span& span : line.comments) {
            out.Comment(Inside(text, span));
        }
        if (line.console) {
            out.Comment(Trim(text));
        } else if (!line.problems.empty()) {
            const std::string words = WithoutComments(line);
            out.Comment("not converted: " + words + " - " + line.Problems());
            result.unconverted.push_back({line.file_line, std::string(text), line.Problems()});
        } else {
            Write(line, out, result.text);
        }
    }
    if (result.left_after_end > 0) {
        out.Comment(std::to_string(result.left_after_end) +
                    " lines after the program's end were left out: a standard controller never reads them");
    }
    return result;
}

std::filesystem::path ConvertedPath(const std::filesystem::path& original) {
    return original.parent_path() / (original.stem().string() + ".tamo.nc");
}

std::string WriteConverted(const std::filesystem::path& original, const std::filesystem::path& path,
                           std::string_view text) {
    std::error_code error;
    if (std::filesystem::equivalent(original, path, error)) {
        return "the converted program would replace the original " + original.string();
    }
    return ReplaceFile(path.string(), text);
}

} // namespace tamo::convert
