// The program check's reading of a program: every entry through the run's own parser and
// dispatcher on a scratch controller, beside the same text as a standard controller reads it,
// handed to the families of findings.
//
// The scratch controller is a copy of the live one on null seams, offline, started afresh as
// "Execute Program" starts a loaded program, and it takes the entries one by one as the run loop's
// pass does (RunProgram). Which G words move, and how, is the dispatcher's own MotionOf. Of an
// arc's dispatch the check keeps what a later parse reads: the centre and radius as ArcMove works
// them out (CentreOf) and I and J rewritten as it leaves them; its walk comes to no step here and
// changes nothing a later line reads. Straight moves need no dispatch: nothing they change is read
// by a later parse.

#include "check/check_item.h"
#include "check/standard_reading.h"
#include "interpreter/cnc.h"
#include "interpreter/motion_word.h"
#include "interpreter/start_refusal_walk.h"
#include "motion/arc_geometry.h"
#include "platform/clock.h"
#include "platform/recording_surface.h"
#include "platform/scripted_operator.h"
#include "platform/sim_port.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <optional>
#include <string_view>

namespace tamo::check {
namespace {

constexpr double kEndlessStep = std::numeric_limits<double>::infinity();

// The words of a line the parser skips.
const LineWords& NoWords() {
    static const LineWords none;
    return none;
}
// How often a long check looks for a request to stop.
constexpr int kStopPollEntries = 4096;

struct ScratchMachine {
    SimulatedPort port;
    FakeClock clock;
    ScriptedOperator op;
    NullSurface view;
    Cnc cnc{port, clock, op, view};

    ScratchMachine() { port.set_recording(false); }

    void MakeStepsEndless() { cnc.st.UnitsPerStepX = cnc.st.UnitsPerStepY = cnc.st.UnitsPerStepZ = kEndlessStep; }
};

// Whether the converter, where it converts the line, makes the machine cut what the finding says a
// standard controller means. It cannot where the machine itself falls short: a feed below its
// slowest, a stop or a tool change it does not make, an end point off the circle, a stray move.
bool ConvertFixes(std::string_view code) {
    for (const std::string_view kept : {"feed-floor", "program-stop", "tool-change", "far-move", "arc-off-circle",
                                        "beyond-travel", "rapid-below-clearance", "start-refused"}) {
        if (code == kept) {
            return false;
        }
    }
    return true;
}

bool MayNameNonFinite(std::string_view text) {
    return !text.empty() && (std::memchr(text.data(), 'n', text.size()) != nullptr ||
                             std::memchr(text.data(), 'N', text.size()) != nullptr);
}

// What the dispatcher does with a motion word.
MoveKind RunKind(std::string_view gcode) {
    switch (MotionOf(gcode)) {
    case Motion::Rapid:
        return MoveKind::Rapid;
    case Motion::Feed:
        return MoveKind::Feed;
    case Motion::ArcClockwise:
        return MoveKind::Cw;
    case Motion::ArcCounterClockwise:
        return MoveKind::Ccw;
    case Motion::None:
        break;
    }
    return MoveKind::None;
}

void Snap(const MachineState& st, Block& b) {
    b.gcode.assign(st.GCode);
    b.start_x = st.StartX;
    b.start_y = st.StartY;
    b.start_z = st.StartZ;
    b.x = st.TargetX;
    b.y = st.TargetY;
    b.z = st.TargetZ;
    b.feed = st.ProgFeed;
}

// An arc's dispatch, for what a later line and the families read of it: its direction, its centre
// and radius as ArcMove works them out, and I and J rewritten as it leaves them. The walk itself
// moves nothing a later parse reads (the scratch controller's steps are endless, so it comes to no
// step); Start's refusal walk and the arc family count and check it with the machine's own steps.
void LeaveWhatTheArcLeaves(MachineState& st, MoveKind run) {
    st.ArcDir = run == MoveKind::Cw ? 1 : -1;
    const ArcCentre centre =
        CentreOf({st.StartX, st.StartY, st.StartZ, st.TargetX, st.TargetY, st.TargetZ, st.ArcI, st.ArcJ, st.ArcDir});
    st.ArcCenterX = centre.x;
    st.ArcCenterY = centre.y;
    st.ArcRadius = centre.radius;
    LeaveCentreOffsets(st.ArcI, st.ArcJ);
}

// As the Start of a loaded program that begins afresh: from the origin, at line 1, nothing written
// to a port, and no tool-change prompt that waits for anyone.
void StartAfresh(Cnc& cnc) {
    MachineState& st = cnc.st;
    st.StartX = st.StartY = st.StartZ = 0;
    st.TargetX = st.TargetY = st.TargetZ = 0;
    st.MachPosX = st.MachPosY = st.MachPosZ = 0;
    st.ProgPosX = st.ProgPosY = st.ProgPosZ = 0;
    st.PrgLineNo = 0;
    st.StepsZ = 0;
    st.Previewing = false;
    st.Offline = true;
    st.StopRequest = false;
    st.ResumeMove = false;
    st.ContinueRun = false;
    st.SpeedTestRunning = false;
    st.MWord = 0.0;
}

// Where the reading of the file has come: the text line of the item being read.
class FileLines {
public:
    FileLines() = default;
    explicit FileLines(std::string_view bytes) : bytes_(bytes) {}

    // The item read from `begin` up to `end`, which lies past its delimiter.
    void Next(std::size_t begin, std::size_t end) {
        const bool starts_line = line_ended_;
        const char last = bytes_[end - 1];
        const bool delimited = last == ',' || last == '\n' || last == '\r';
        line_ended_ = end >= bytes_.size() || last == '\n' || last == '\r';
        std::size_t content_end = end;
        if (delimited) {
            content_end -= (last == '\n' && end - 1 > begin && bytes_[end - 2] == '\r') ? 2 : 1;
        }
        if (starts_line) {
            ++number_;
            line_start_ = begin;
            // No item holds a line end: an item cut off by one ends where its line does.
            const std::size_t stop = last == '\n' || last == '\r' ? content_end : LineEnd(begin);
            line_ = bytes_.substr(begin, stop - begin);
            first_ = true;
        } else {
            first_ = false;
        }
        std::size_t content_begin = begin;
        while (content_begin < content_end && bytes_[content_begin] == ' ') {
            ++content_begin;
        }
        raw_at_ = content_begin - line_start_;
        raw_end_ = content_end - line_start_;
    }

    [[nodiscard]] int number() const { return number_; }
    [[nodiscard]] std::string_view line() const { return line_; }
    [[nodiscard]] bool first() const { return first_; }
    [[nodiscard]] std::size_t raw_at() const { return raw_at_; }
    [[nodiscard]] std::size_t raw_end() const { return raw_end_; }

private:
    // Where the text line from `begin` ends: at its first CR or LF, or at the end of the bytes.
    [[nodiscard]] std::size_t LineEnd(std::size_t begin) const {
        const char* from = bytes_.data() + begin;
        const std::size_t left = bytes_.size() - begin;
        const void* lf = left > 0 ? std::memchr(from, '\n', left) : nullptr;
        const std::size_t lf_at = lf != nullptr ? static_cast<std::size_t>(static_cast<const char*>(lf) - from) : left;
        const void* cr = lf_at > 0 ? std::memchr(from, '\r', lf_at) : nullptr;
        return begin + (cr != nullptr ? static_cast<std::size_t>(static_cast<const char*>(cr) - from) : lf_at);
    }

    std::string_view bytes_;
    std::string_view line_;
    std::size_t line_start_ = 0;
    std::size_t raw_at_ = 0;
    std::size_t raw_end_ = 0;
    int number_ = 0;
    bool line_ended_ = true;
    bool first_ = true;
};

// Where the entry's item, which the reading of the bytes meets at `begin`, ends: just past its
// delimiter. An unquoted item's entry tells where its text stands, and the delimiter follows it at
// once; an item stored as a number, or one in quotes, is read again from the bytes. `text`: the
// entry's text.
std::size_t ItemEndOf(const ProgramBuffer& buffer, std::size_t entry, std::string_view text, std::size_t begin) {
    const std::string_view bytes = buffer.bytes();
    const std::size_t start = buffer.ItemStart(entry);
    if (start == std::string_view::npos || start < begin) {
        return buffer.ItemEnd(begin);
    }
    for (std::size_t k = begin; k < start; ++k) {
        if (bytes[k] != ' ') {
            return buffer.ItemEnd(begin); // a quote, or an entry that is not this item
        }
    }
    const std::size_t end = start + text.size();
    if (end >= bytes.size()) {
        return bytes.size();
    }
    const char delimiter = bytes[end];
    if (delimiter == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') {
        return end + 2;
    }
    if (delimiter == ',' || delimiter == '\n' || delimiter == '\r') {
        return end + 1;
    }
    return buffer.ItemEnd(begin);
}

// One reading of the program: the scratch controller, the families, and the state that carries
// from one entry to the next.
class Reading {
public:
    explicit Reading(CheckInput input) {
        Cnc& cnc = m_.cnc;
        cnc.st = std::move(input.st);
        cnc.main = std::move(input.main);
        cnc.settings = std::move(input.settings);
        cnc.scale = std::move(input.scale);
        cnc.setup = input.setup;
        MachineState& st = cnc.st;
        count_ = st.PrgLineCount > 0 && st.PrgBuf.allocated() ? st.PrgLineCount : 0;

        context_.inch = cnc.settings.OptionIn && !cnc.settings.optionmm;
        context_.unit = context_.inch ? "in" : "mm";
        context_.step_x = st.UnitsPerStepX;
        context_.step_y = st.UnitsPerStepY;
        context_.step_z = st.UnitsPerStepZ;
        context_.travel = cnc.setup.travel;
        // Machine minus program coordinates as they stand: where Start would begin the program.
        context_.origin = cnc.TravelOffset();
        context_.entries = static_cast<std::size_t>(count_);
        context_.file_line_of = [this](int entry) {
            if (entry < 1 || entry > read_) {
                return entry;
            }
            // Every entry but those after a comma began a text line.
            const auto split = std::upper_bound(after_comma_.begin(), after_comma_.end(), entry) - after_comma_.begin();
            return entry - static_cast<int>(split);
        };
        context_.place_of = [this](int entry, int file_line) {
            return Place{entry, file_line, std::string(m_.cnc.st.PrgBuf.Text(static_cast<std::size_t>(entry)))};
        };
        families_ = {MakeItemChecks(context_),     MakeWordChecks(context_),   MakeMotionChecks(context_),
                     MakeModeChecks(context_),     MakeArcChecks(context_),    MakeFeedChecks(context_),
                     MakeMWordChecks(context_),    MakeExtentChecks(context_), MakeTravelChecks(context_),
                     MakeClearanceChecks(context_)};

        standard_reader_ = StandardReader(context_.inch, ArcTolerance(context_.inch, context_.step_x, context_.step_y));
        standard_reader_.LeaveOutArcSweeps();
        // What Start would refuse, counted beside this reading's parse of every line.
        start_.emplace(cnc);
        StartAfresh(cnc);
        m_.MakeStepsEndless();
        // Nothing here reads the feed of a line, and nothing changes the scale factors.
        cnc.ReadLinesOnly();
        lines_ = FileLines(st.PrgBuf.bytes());
        Snap(st, Before());
    }

    Report Run(const std::stop_token& stop) {
        // The entries were read at Open; the walk beside them in the bytes finds where each stood.
        const ProgramBuffer& buffer = m_.cnc.st.PrgBuf;
        const std::size_t size = buffer.bytes().size();
        std::size_t at = 0;
        int checked = 0;
        for (int entry = 1; entry <= count_; ++entry) {
            if (entry % kStopPollEntries == 0 && stop.stop_requested()) {
                break;
            }
            if (at >= size) {
                break;
            }
            const std::size_t begin = at;
            const std::string_view text = buffer.Text(static_cast<std::size_t>(entry));
            at = ItemEndOf(buffer, static_cast<std::size_t>(entry), text, begin);
            lines_.Next(begin, at);
            read_ = entry;
            if (!lines_.first()) {
                after_comma_.push_back(entry);
            }
            if (lines_.first()) {
                // The text line as the converter reads it: its comments and words serve the items
                // split from it too.
                standard_ = &standard_reader_.Read(lines_.line(), lines_.number());
                converts_.push_back(standard_->problems.empty());
            }
            const MoveKind run = Pass(entry, text);
            // The parse has just located the words in the same trimmed text; a line it skips has none.
            Item item(SkipsLine(TrimSpaces(text)) ? NoWords() : m_.cnc.ParsedWords());
            item.run = run;
            if (entry == count_) {
                start_->End();
            }
            Describe(entry, text, item);
            for (auto& family : families_) {
                family->Check(item, findings_);
            }
            if (entry == start_->refused_line()) {
                findings_.Add(item, "start-refused", Severity::Error, start_->refusal());
            }
            m_.op.clear_messages();
            after_at_ ^= 1;
            checked = entry;
        }
        for (auto& family : families_) {
            family->Finish(findings_);
        }
        Report report = findings_.Take(checked, checked == count_);
        for (Finding& f : report.findings) {
            if (ConvertFixes(f.code) && f.file_line >= 1 && f.file_line <= static_cast<int>(converts_.size()) &&
                converts_[static_cast<std::size_t>(f.file_line - 1)]) {
                f.convert_fixes = true;
                f.message += " Convert fixes this.";
            }
        }
        return report;
    }

private:
    // The run loop's pass over one entry (its text in the buffer, which stays put): the parse, and
    // the dispatch of an arc. Returns what the dispatch does with the entry.
    MoveKind Pass(int entry, std::string_view text) {
        Cnc& cnc = m_.cnc;
        MachineState& st = cnc.st;
        st.PrgLineNo = entry;
        st.PrgLine.assign(text);
        const bool may_arc = CarriesArcWord(text);
        NumbersRead(text, lines_.line(), standard_->tokens, standard_->words_only, known_);
        // Read once for the refusal and the finding, in the buffer's text, which stays put. A NaN
        // or an infinity is written with an n: a line without one has none. Nor has a text of words
        // and blanks only: after each letter stand a sign, digits and a point.
        non_finite_ = !known_.located && MayNameNonFinite(text) ? NonFiniteWord(text) : NonFiniteNumber{};
        start_->BeforeParse(entry, non_finite_);
        cnc.ParseLine(&known_);
        start_->Parsed(entry, st, may_arc);
        // The walk ends by taking its start from the position it reached, which no tick moves
        // here: the block starts where the parse put it.
        const double start_x = st.StartX;
        const double start_y = st.StartY;
        const double start_z = st.StartZ;
        MoveKind run = RunKind(st.GCode);
        if (run != MoveKind::None && context_.AnyTravel()) {
            // Before the dispatch rewrites I and J, and with the machine's own steps: the scratch
            // controller's endless ones make every arc a whole circle.
            reach_ = BlockReach(st, {start_x, start_y, start_z}, context_.step_x, context_.step_z);
        }
        if (run == MoveKind::Cw || run == MoveKind::Ccw) {
            if (may_arc) {
                LeaveWhatTheArcLeaves(st, run);
            } else {
                run = MoveKind::None;
            }
        }
        Block& after = After();
        Snap(st, after);
        after.start_x = start_x;
        after.start_y = start_y;
        after.start_z = start_z;
        return run;
    }

    // The entry as the families see it, after its pass.
    void Describe(int entry, std::string_view text, Item& item) {
        const MachineState& st = m_.cnc.st;
        const auto index = static_cast<std::size_t>(entry);
        item.entry = entry;
        item.file_line = lines_.number();
        item.text = text;
        item.non_finite = non_finite_;
        item.line = lines_.line();
        item.raw_at = lines_.raw_at();
        item.raw_end = lines_.raw_end();
        item.number = st.PrgBuf.IsNumber(index);
        item.quoted = !item.number && item.raw_at < item.raw_end && item.line[item.raw_at] == '"';
        item.first_in_line = lines_.first();
        item.comments = standard_->comments;
        // The line's words that stand in this item: a number never runs past a comma or a quote.
        const std::vector<Token>& words = standard_->tokens;
        // Most items are their whole line: its first word stands in them, and so does its last.
        auto first = words.begin();
        auto last = words.end();
        if (first != last && first->at < item.raw_at) {
            first = std::partition_point(first, last, [&item](const Token& t) { return t.at < item.raw_at; });
        }
        if (first != last && std::prev(last)->at >= item.raw_end) {
            last = std::partition_point(first, last, [&item](const Token& t) { return t.at < item.raw_end; });
        }
        item.tokens = std::span<const Token>(first, last);
        item.meant = standard_motion_.Apply(item.tokens);

        item.trimmed = TrimSpaces(item.text);
        item.skipped = SkipsLine(item.trimmed);
        item.trimmed_at = item.raw_at;
        if (!item.number) {
            item.trimmed_at += (item.quoted ? 1 : 0) + static_cast<std::size_t>(item.trimmed.data() - item.text.data());
        }
        item.after = &After();
        if (item.run == MoveKind::Cw || item.run == MoveKind::Ccw) {
            item.centre_x = st.ArcCenterX;
            item.centre_y = st.ArcCenterY;
            item.radius = st.ArcRadius;
        }
        if (!m_.op.messages().empty()) {
            item.prompt = m_.op.messages().back().text;
        }
        if (!item.skipped) {
            // Which line set the motion word in force: one with a G word, or one whose arc word the
            // parser turned into "G01" for want of I and J.
            std::string_view g = Before().gcode;
            if (item.words.Has(kG)) {
                const std::size_t at = item.words.at[kG];
                g = TrimSpaces(item.trimmed.substr(at, item.words.end[kG] - at));
            }
            item.converted = (g == "G02" || g == "G03") && After().gcode == "G01";
            if (item.words.Has(kG) || item.converted) {
                gcode_from_ = entry;
            }
        }
        item.gcode_from = gcode_from_;
        item.reach = reach_;

        const bool arc =
            item.run == MoveKind::Cw || item.run == MoveKind::Ccw ||
            ((item.meant == MoveKind::Cw || item.meant == MoveKind::Ccw) && (item.words.Has(kI) || item.words.Has(kJ)));
        const Block& b = After();
        item.moves = !item.skipped &&
                     (b.x != b.start_x || b.y != b.start_y || b.z != b.start_z || arc || item.meant == MoveKind::Home);
    }

    ScratchMachine m_;
    Context context_;
    std::array<std::unique_ptr<Family>, 10> families_;
    Findings findings_;
    int count_ = 0;
    FileLines lines_;
    StandardMotion standard_motion_;
    // The block state before and after the entry being passed: one entry's after is the next one's
    // before, so the two trade places by index, not by copy.
    std::array<Block, 2> blocks_;
    std::size_t after_at_ = 1;
    Block& After() { return blocks_[after_at_]; }
    Block& Before() { return blocks_[after_at_ ^ 1]; }
    std::array<AxisReach, 3> reach_{}; // of the entry just passed
    NonFiniteNumber non_finite_;       // of the entry just passed
    ReadNumbers known_;                // of the entry being passed, as the standard reading read them
    int gcode_from_ = 0;
    int read_ = 0;                 // entries read so far
    std::vector<int> after_comma_; // the entries read so far that a comma split from their line
    // The converter's reading of every text line: whether it converts it.
    StandardReader standard_reader_;
    const StandardLine* standard_ = nullptr; // the text line being read
    std::vector<bool> converts_;
    std::optional<StartRefusalWalk> start_; // its refused line, when Start would refuse the program
};

} // namespace

CheckInput CopyForCheck(const Cnc& live) {
    return {live.st, live.main, live.settings, live.scale, live.setup};
}

Report CheckProgram(CheckInput input, const std::stop_token& stop) {
    return Reading(std::move(input)).Run(stop);
}

TypedLineReading ReadTypedLine(const Cnc& live, const std::string& line) {
    CheckInput input = CopyForCheck(live);
    input.st.PrgBuf.Size(line + "\n");
    while (input.st.PrgBuf.ReadNextItem()) {
    }
    input.st.PrgLineCount = static_cast<int>(input.st.PrgBuf.count());
    const Report report = CheckProgram(std::move(input));
    TypedLineReading reading;
    const Finding* told = nullptr;
    for (const Finding& finding : report.findings) {
        // The feed a typed line inherits is the machine's own, not one left from before a program.
        // A typed line is refused in the Point page's own words before it is read here.
        if (finding.code != "feed-missing" && finding.code != "start-refused" &&
            (told == nullptr || (finding.severity == Severity::Error && told->severity == Severity::Warning))) {
            told = &finding;
        }
    }
    if (told != nullptr) {
        // The converter works on program files, not on a typed line.
        constexpr std::string_view kConvert = " Convert fixes this.";
        reading.finding = told->message;
        if (reading.finding.ends_with(kConvert)) {
            reading.finding.resize(reading.finding.size() - kConvert.size());
        }
    }
    return reading;
}

RunEstimate EstimateProgram(CheckInput input) {
    ScratchMachine m;
    m.cnc.st = std::move(input.st);
    m.cnc.main = std::move(input.main);
    m.cnc.settings = std::move(input.settings);
    m.cnc.scale = std::move(input.scale);
    m.cnc.setup = input.setup;
    return m.cnc.EstimateOnThisCopy();
}

} // namespace tamo::check
