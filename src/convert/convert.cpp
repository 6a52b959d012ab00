// The converter's pass over a program: every text line through the standard reading, then written
// in the machine's dialect. What the reading cannot follow stays in the converted program as a
// comment and is listed with the reason, a whole line or word by word; nothing is guessed.
//
// What each line becomes:
//   comments                      lines of their own, made harmless
//   "%" lines                     left out
//   "$" lines (console commands)  comments
//   S words                       comments: the machine sets no spindle speed
//   T, M6, M3 to M9               kept, each on a line of its own, before the line's moves, also on
//                                 a line whose moves are not converted
//   the moves                     absolute, in the machine's unit: G00 and G01, arcs as G02 and
//                                 G03 with I and J (helical ones with Z), arcs of the XZ and YZ
//                                 planes as straight segments, drilling cycles as their moves
//   retracts (G53 Z, G28, G30)    a move up to the clearance height: the highest Z the program
//                                 reaches, or the one given
//   M0, M1, M2, M30               kept, after the moves
//   modes (G17, G21, G90, ...)    gone; on a line of nothing else, a comment
//   lines after M2 or M30         left out, as a standard controller never reads them
// Words the machine cannot honour (a tool length offset, a dwell) are listed one by one, and the
// rest of their line is converted. A program with cutter compensation, or one whose converted
// program would be more than kMostGrowth times as long, is refused whole: nothing is written.

#include "convert/convert.h"

#include "check/standard_reading.h"
#include "convert/dialect_writer.h"
#include "interpreter/numbers.h"
#include "interpreter/program_buffer.h"
#include "platform/file_io.h"

#include <algorithm>
#include <cmath>
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

// The line's words but those of the letters given, as read: "G55 X10".
std::string WordsExcept(const check::StandardLine& line, std::string_view letters) {
    std::string words;
    for (const check::Token& t : line.tokens) {
        if (letters.find(t.letter) == std::string_view::npos) {
            words += (words.empty() ? "" : " ") + std::string(1, t.letter) + std::string(t.number);
        }
    }
    return words;
}

// Calls `read` with every text line of the program and its line end's length.
template <class Read> void EachLine(std::string_view program, Read read) {
    std::size_t at = 0;
    while (at < program.size()) {
        std::size_t end = program.find_first_of("\r\n", at);
        if (end == std::string_view::npos) {
            end = program.size();
        }
        const std::string_view text = program.substr(at, end - at);
        at = end + (program.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        if (!read(text)) {
            return;
        }
    }
}

class Writer {
public:
    Writer(DialectWriter& out, const std::string& written) : out_(out), written_(written) {}

    // The line's T and the M words that come before its moves.
    void Before(const check::StandardLine& line) {
        if (!line.spindle.empty()) {
            out_.Comment("S" + std::string(line.spindle));
        }
        const std::string tool = line.tool >= 0 ? "T" + FormatNumber(line.tool) : std::string();
        bool tool_written = false;
        for (const int m : line.m_before) {
            if (m == 6) {
                out_.Words("M6" + (tool.empty() ? "" : " " + tool));
                tool_written = true;
            } else {
                out_.Words("M" + std::to_string(m));
            }
        }
        if (!tool.empty() && !tool_written) {
            out_.Words(tool);
        }
    }

    void After(const check::StandardLine& line) {
        for (const int m : line.m_after) {
            out_.Words("M" + std::to_string(m));
        }
    }

    void Line(const check::StandardLine& line) {
        const std::size_t before = written_.size();
        Before(line);
        for (const check::StandardMove& move : line.moves) {
            out_.Move(move);
        }
        After(line);
        const bool only_numbering = std::all_of(line.tokens.begin(), line.tokens.end(), [](const check::Token& t) {
            return t.letter == 'N' || t.letter == 'O';
        });
        if (written_.size() == before && !only_numbering && line.left_out.empty()) {
            out_.Comment(WithoutComments(line)); // modes the machine does not keep, or a move of no length
        }
    }

private:
    DialectWriter& out_;
    const std::string& written_;
};

void Refuse(Conversion& result, const check::StandardLine& line, std::string why) {
    result.refused = "line " + std::to_string(line.file_line) + ": " + std::move(why);
    result.refused_line = line.file_line;
    result.refused_text = std::string(line.text);
    result.text.clear();
    result.unconverted.clear();
}

std::string Count(double n) {
    return FormatNumber(n);
}

} // namespace

Conversion ConvertProgram(std::string_view program, const Options& options) {
    Conversion result;
    const double tolerance = check::ArcTolerance(options.inch, options.step_x, options.step_y);
    // The height retracts go up to: given, or the highest the program reaches, read once before.
    double clearance = options.clearance;
    if (std::isnan(clearance)) {
        check::StandardReader first(options.inch, tolerance);
        int line = 0;
        EachLine(program, [&](std::string_view text) {
            static_cast<void>(first.Read(text, ++line));
            return true;
        });
        clearance = first.highest();
    }
    result.clearance = clearance;
    long input_lines = 0;
    EachLine(program, [&](std::string_view) { return ++input_lines > 0; });
    const long most_lines = std::min(kMostConvertedLines, kMostGrowth * std::max(input_lines, 1L));
    const std::string too_long =
        "the converted program would be longer than " +
        (most_lines == kMostConvertedLines
             ? Count(static_cast<double>(most_lines)) + " lines"
             : Count(static_cast<double>(kMostGrowth)) + " times the program's " +
                   Count(static_cast<double>(input_lines)) + (input_lines == 1 ? " line" : " lines"));

    const std::string_view line_end = program.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
    DialectWriter out(options, result.text, line_end);
    Writer writer(out, result.text);
    out.Comment("converted by TamoCNC from " + options.source_name + " for a machine in " +
                (options.inch ? "inches" : "mm"));
    check::StandardReader reader(options.inch, tolerance);
    reader.set_clearance(clearance);
    EachLine(program, [&](std::string_view text) {
        const auto room = static_cast<double>(most_lines - out.lines());
        reader.set_most_moves(std::min(check::kMostLineMoves, room));
        const check::StandardLine& line = reader.Read(text, ++result.lines);
        if (line.after_end) {
            ++result.left_after_end;
            return true;
        }
        if (line.program_mark) {
            return true;
        }
        if (!line.refusal.empty()) {
            Refuse(result, line, line.refusal);
            return false;
        }
        if (line.too_many_moves > 0) {
            Refuse(result, line,
                   "its drilling cycle alone would make " + Count(line.too_many_moves) + " moves: " +
                       (line.too_many_moves > room
                            ? too_long
                            : "more than the " + Count(check::kMostLineMoves) + " a line may make"));
            return false;
        }
        for (const check::Span& span : line.comments) {
            out.Comment(Inside(text, span));
        }
        if (line.console) {
            out.Comment(Trim(text));
        } else if (!line.problems.empty()) {
            out.Comment("not converted: " + WithoutComments(line) + " - " + line.Problems());
            std::string words;
            if (!line.flow) {
                writer.Before(line);
                writer.After(line);
                if (line.tool >= 0 || !line.m_before.empty() || !line.m_after.empty()) {
                    words = WordsExcept(line, "NMT"); // the rest of the line; its M and T were written
                }
            }
            result.unconverted.push_back({line.file_line, std::string(text), words, line.Problems()});
        } else {
            for (const check::LeftOut& left : line.left_out) {
                out.Comment("not converted: " + left.words + " - " + left.reason);
                result.unconverted.push_back({line.file_line, std::string(text), left.words, left.reason});
            }
            if (line.retract) {
                out.Comment("retract: up to the clearance height Z" + out.Length(clearance));
                ++result.retracts;
            }
            writer.Line(line);
        }
        if (out.lines() > most_lines) {
            Refuse(result, line, too_long);
            return false;
        }
        if (result.text.size() > kMaxProgramBytes) {
            Refuse(result, line,
                   "the converted program would be larger than the " +
                       Count(static_cast<double>(kMaxProgramBytes >> 20)) + " MB a program may have");
            return false;
        }
        return true;
    });
    if (!result.refused.empty()) {
        return result;
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
