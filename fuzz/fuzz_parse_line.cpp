// Any bytes as one program line. A program file is whatever the operator opens, so the parser must
// take any line without reading outside it, and leave the block state as the run loop expects.
//
// The first byte sets the mode: bit 0 a preview pass (no tool-change prompt), bit 1 scale factors
// from the input, which is then "feed\nX\nY\nZ\nline" (without four line feeds, all of it is the line),
// bit 2 the program check's way: each comma-separated piece of the line parsed with the numbers its
// standard reading has read, which must give the block the parse's own reading gives, to the bit.

#include "check/standard_reading.h"
#include "fuzz_machine.h"
#include "interpreter/line_words.h"
#include "interpreter/numbers.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

using tamo::fuzz::Require;

constexpr std::uint8_t kPreview = 1;
constexpr std::uint8_t kScale = 2;
constexpr std::uint8_t kShared = 4;

// Takes the four scale texts off the front of the input, as the scale dialog would hold them.
std::string_view TakeScale(std::string_view input, tamo::ScaleModel& scale) {
    std::array<std::string_view, 4> fields;
    for (auto& field : fields) {
        const std::size_t end = input.find('\n');
        if (end == std::string_view::npos) {
            return input;
        }
        field = input.substr(0, end);
        input.remove_prefix(end + 1);
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        scale.Combo1[i].assign(fields[i]);
    }
    return input;
}

std::string_view TrimSpaces(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// A line with a block keeps only what stood before its first word (a line number, say); a line
// without one (blank, a comment, a leading digit or sign) is left as it is, trimmed.
void CheckLineLeft(std::string_view trimmed, const std::string& left) {
    const bool has_block = !trimmed.empty() && static_cast<unsigned char>(trimmed[0]) >= '@';
    if (!has_block) {
        Require(left == trimmed, "a line without a block is left as it was, trimmed");
        return;
    }
    Require(trimmed.substr(0, left.size()) == left, "what is left of the line is its beginning");
    Require(left.find_first_of("QFRJIAZYXGTM") == std::string::npos, "no word is left in the line");
}

void CheckBlock(const tamo::MachineState& st) {
    Require(st.GCode.empty() || st.GCode[0] == 'G', "the motion word keeps its letter");
    // The scan's promise: no infinity and no NaN, whatever the word holds.
    for (const std::string* word : {&st.XWord, &st.YWord, &st.ZWord, &st.FWord, &st.IWord, &st.JWord, &st.TWord}) {
        Require(std::isfinite(tamo::ScanNumber(*word)), "a word scans as a finite number");
    }
    Require(std::isfinite(st.MCode), "the M word reads as a finite number");
}

// What a parse leaves of a piece: the block's numbers to the bit, the word texts, where the words
// stood and what is left of the line.
struct Parsed {
    std::array<std::uint64_t, 8> numbers{};
    std::array<std::string, 7> words;
    tamo::LineWords located;
    std::string left;

    bool operator==(const Parsed& other) const {
        return numbers == other.numbers && words == other.words && located.at == other.located.at &&
               located.end == other.located.end && located.first_word == other.located.first_word && left == other.left;
    }
};

Parsed Parse(tamo::fuzz::FuzzMachine& machine, bool preview, std::string_view piece, const tamo::ReadNumbers* known) {
    machine.Reset();
    tamo::Cnc& cnc = machine.cnc;
    const tamo::MachineState& st = cnc.st;
    cnc.st.Previewing = preview;
    cnc.st.PrgLine.assign(piece);
    cnc.ParseLine(known);
    Parsed p;
    p.numbers = {std::bit_cast<std::uint64_t>(st.TargetX), std::bit_cast<std::uint64_t>(st.TargetY),
                 std::bit_cast<std::uint64_t>(st.TargetZ), std::bit_cast<std::uint64_t>(st.ArcI),
                 std::bit_cast<std::uint64_t>(st.ArcJ),    std::bit_cast<std::uint64_t>(st.ProgFeed),
                 std::bit_cast<std::uint64_t>(st.ToolNo),  std::bit_cast<std::uint64_t>(st.MCode)};
    p.words = {st.XWord, st.YWord, st.ZWord, st.IWord, st.JWord, st.FWord, st.TWord};
    p.located = cnc.ParsedWords();
    p.left = st.PrgLine;
    return p;
}

// The check reads a line once in the standard way and hands each of its comma-separated pieces to
// the parse with the numbers read there.
void CheckSharedReading(tamo::fuzz::FuzzMachine& machine, bool preview, std::string_view line) {
    std::vector<tamo::check::Span> comments;
    std::vector<tamo::check::Token> tokens;
    tamo::check::FindComments(line, comments);
    bool blanks_only = false;
    tamo::check::ReadTokens(line, 0, line.size(), comments, tokens, &blanks_only);
    std::vector<tamo::check::Token> plain;
    bool plain_blanks_only = false;
    const bool one_pass = tamo::check::ReadPlainTokens(line, plain, &plain_blanks_only);
    Require(one_pass == comments.empty(), "the one-pass reading gives up exactly on a line with a comment");
    Require(!one_pass || (plain_blanks_only == blanks_only && plain.size() == tokens.size() &&
                          std::equal(plain.begin(), plain.end(), tokens.begin(),
                                     [](const tamo::check::Token& a, const tamo::check::Token& b) {
                                         return a.at == b.at && a.letter == b.letter && a.number == b.number;
                                     })),
            "a line without comments reads the same in one pass");
    std::size_t begin = 0;
    while (begin <= line.size()) {
        std::size_t end = line.find(',', begin);
        if (end == std::string_view::npos) {
            end = line.size();
        }
        const std::string_view piece = line.substr(begin, end - begin);
        tamo::ReadNumbers known;
        tamo::check::NumbersRead(piece, line, tokens, blanks_only && comments.empty(), known);
        const Parsed own = Parse(machine, preview, piece, nullptr);
        Require(Parse(machine, preview, piece, &known) == own,
                "the parse reads a piece the same with the standard reading's numbers as without");
        begin = end + 1;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    tamo::fuzz::FuzzMachine& machine = tamo::fuzz::Machine();
    machine.Reset();
    tamo::Cnc& cnc = machine.cnc;

    const std::uint8_t mode = data[0];
    std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    cnc.st.Previewing = (mode & kPreview) != 0;
    if (mode & kScale) {
        input = TakeScale(input, cnc.scale);
    }

    if (mode & kShared) {
        CheckSharedReading(machine, (mode & kPreview) != 0, input);
        return 0;
    }

    cnc.st.PrgLine.assign(input);
    cnc.ParseLine();

    CheckLineLeft(TrimSpaces(input), cnc.st.PrgLine);
    CheckBlock(cnc.st);
    return 0;
}
