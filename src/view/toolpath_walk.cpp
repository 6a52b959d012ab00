// The redraw's walk: every line of the program parsed in order into the toolpath record.
//
// A long program is walked in two halves at once. The machine state at the middle line is known
// only to a walk that reaches it, so the second half starts from a guess: a second machine parses
// the last line before the middle that carries each word letter (the tool, the feed, the depth set
// a hundred thousand lines earlier), then the few hundred lines before the middle, and walks on
// from there. When the first half arrives at the middle, every field the walk writes is compared
// between the two machines, bit for bit; only if all agree, and both records stand at the same
// point, are the second half's moves put after the first half's. Otherwise the second half is
// walked again here, as one walk would. Either way the record, the extents and the state left
// behind are exactly those of a walk from the first line to the last.

#include "interpreter/cnc.h"
#include "interpreter/line_words.h"
#include "platform/clock.h"
#include "platform/recording_surface.h"
#include "platform/scripted_operator.h"
#include "platform/sim_port.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <thread>
#include <vector>

namespace tamo {
namespace {

// Lines the second machine walks before the middle: enough to pass an arc or two, which leave the
// centre offsets and the arc's angles behind.
constexpr int kLeadInLines = 256;

// The letters whose words set something a later line keeps (N sets nothing).
constexpr std::string_view kKeptLetters = "TMGXYZAIJRFQ";

bool Same(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

template <typename T> bool Same(const T& a, const T& b) {
    return a == b;
}

// The seeds are looked for within bounds, so that a file of one endless line of items costs no
// more than any other: a line whose start lies further back than this is not looked into, and a
// letter met more often than this in lines the parser skips is given up. A letter given up only
// makes the guess less likely to hold.
constexpr std::size_t kLookBackBytes = std::size_t{1} << 16;
constexpr int kLooksPerLetter = 64;

// The item of the program that holds byte `p`: it starts on p's line, after the items before it.
// False when p's line starts too far back.
bool ItemHolding(const ProgramBuffer& buf, std::size_t p, std::size_t& start, std::string_view& text) {
    const std::string_view bytes = buf.bytes();
    const std::size_t floor = p > kLookBackBytes ? p - kLookBackBytes : 0;
    auto line_starts_at = [&](std::size_t at) {
        return at == 0 || bytes[at - 1] == '\n' || bytes[at - 1] == '\r';
    };
    std::size_t at = p;
    while (at > floor && !line_starts_at(at)) {
        --at;
    }
    if (!line_starts_at(at)) {
        return false;
    }
    for (std::size_t next = buf.ItemEnd(at); next <= p && next > at; next = buf.ItemEnd(at)) {
        at = next;
    }
    start = at;
    text = buf.ItemTextAt(at);
    return true;
}

// For each word letter, the last item that starts before byte `limit` and that the parser reads
// the letter's word from; in the order of the program, each item once.
std::vector<std::string_view> LastItemsWithEachWord(const ProgramBuffer& buf, std::size_t limit) {
    const std::string_view bytes = buf.bytes();
    struct Found {
        std::size_t start;
        std::string_view text;
    };
    std::vector<Found> found;
    for (const char letter : kKeptLetters) {
        std::size_t end = std::min(limit, bytes.size());
        for (int look = 0; end > 0 && look < kLooksPerLetter; ++look) {
            const void* hit = memrchr(bytes.data(), letter, end);
            if (hit == nullptr) {
                break;
            }
            const auto p = static_cast<std::size_t>(static_cast<const char*>(hit) - bytes.data());
            std::size_t start = 0;
            std::string_view text;
            if (!ItemHolding(buf, p, start, text)) {
                break;
            }
            const std::string_view trimmed = TrimSpaces(text);
            if (!SkipsLine(trimmed) && trimmed.find(letter) != std::string_view::npos) {
                found.push_back({start, text});
                break;
            }
            end = start;
        }
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.start < b.start; });
    std::vector<std::string_view> items;
    std::size_t last = std::string_view::npos;
    for (const Found& f : found) {
        if (f.start != last) {
            items.push_back(f.text);
            last = f.start;
        }
    }
    return items;
}

} // namespace

// A second machine on seams of its own, a copy of the walking one as its walk begins, that walks
// the second half of the program on a thread of its own.
struct Cnc::HalfWalk {
    SimulatedPort port;
    FakeClock clock;
    ScriptedOperator op;
    NullSurface surface;
    Cnc cnc;
    // The second machine as it stood at the middle line.
    MachineState at_middle;
    std::string text2_at_middle;
    std::string text3_at_middle;
    Toolpath lead_in_end{false}; // where the lead-in's moves ended

    explicit HalfWalk(const Cnc& live) : cnc(port, clock, op, surface) {
        port.set_recording(false);
        cnc.st = live.st;
        cnc.main = live.main;
        cnc.settings = live.settings;
        cnc.scale = live.scale;
        cnc.setup = live.setup;
        cnc.walk_scale_ = live.walk_scale_;
        cnc.KeepToolpathMoves = live.KeepToolpathMoves;
    }

    // Guesses the state at line `middle` from the lines before `lead_in` (starting at byte `limit`)
    // and the lines from lead_in to middle, then walks lines middle + 1 to `last` into a record of
    // its own.
    void Run(int lead_in, std::size_t limit, int middle, int last) {
        Cnc& c = cnc;
        c.walking_ = std::make_shared<Toolpath>(false); // the lead-in draws nothing
        for (const std::string_view item : LastItemsWithEachWord(c.st.PrgBuf, limit)) {
            c.st.PrgLine.assign(item);
            c.ParseLine();
            c.GrowExtents();
            c.DrawMove();
        }
        c.st.PreviewLine = lead_in - 1;
        c.WalkLines(middle);
        at_middle = c.st;
        text2_at_middle = c.main.Text2;
        text3_at_middle = c.main.Text3;
        lead_in_end.ContinueAfter(*c.walking_);

        auto record = std::make_shared<Toolpath>(c.KeepToolpathMoves);
        record->KeepInParts();
        record->ContinueAfter(*c.walking_);
        c.walking_ = std::move(record);
        c.st.ViewMinX = c.st.ViewMinY = c.st.ViewMaxX = c.st.ViewMaxY = 0;
        c.WalkLines(last);
    }

    // Whether the walk here, arrived at the middle, stands exactly as the guess did: every field a
    // line writes (and so every field a later line may read), and the record's last point.
    [[nodiscard]] bool Agrees(const Cnc& first) const {
        const MachineState& a = first.st;
        const MachineState& b = at_middle;
        return first.walking_->EndsWhere(lead_in_end) && Same(a.PreviewLine, b.PreviewLine) &&
               Same(a.TargetX, b.TargetX) && Same(a.TargetY, b.TargetY) && Same(a.TargetZ, b.TargetZ) &&
               Same(a.StartX, b.StartX) && Same(a.StartY, b.StartY) && Same(a.StartZ, b.StartZ) &&
               Same(a.ArcI, b.ArcI) && Same(a.ArcJ, b.ArcJ) && Same(a.GCode, b.GCode) && Same(a.XWord, b.XWord) &&
               Same(a.YWord, b.YWord) && Same(a.ZWord, b.ZWord) && Same(a.FWord, b.FWord) && Same(a.IWord, b.IWord) &&
               Same(a.JWord, b.JWord) && Same(a.TWord, b.TWord) && Same(a.QWord, b.QWord) && Same(a.RWord, b.RWord) &&
               Same(a.AWord, b.AWord) && Same(a.ProgFeed, b.ProgFeed) && Same(a.ToolNo, b.ToolNo) &&
               Same(a.MCode, b.MCode) && Same(a.MWord, b.MWord) && Same(a.PrgLine, b.PrgLine) &&
               Same(a.StopRequest, b.StopRequest) && Same(a.SingleStep, b.SingleStep) &&
               Same(a.RapidMove, b.RapidMove) && Same(a.FeedFactor, b.FeedFactor) && Same(a.FeedRate, b.FeedRate) &&
               Same(a.StepDelay, b.StepDelay) && Same(a.RampUpAngle, b.RampUpAngle) &&
               Same(a.RampDownAngle, b.RampDownAngle) && Same(a.ArcDir, b.ArcDir) && Same(a.ArcEndDX, b.ArcEndDX) &&
               Same(a.ArcEndDY, b.ArcEndDY) && Same(a.ArcEndAngle, b.ArcEndAngle) &&
               Same(a.ArcStartAngle, b.ArcStartAngle) && Same(first.main.Text2, text2_at_middle) &&
               Same(first.main.Text3, text3_at_middle);
    }
};

// Lines PreviewLine + 1 to `last`, each parsed, widening the extents and adding its move.
void Cnc::WalkLines(int last) {
    while (st.PreviewLine < last) {
        ++st.PreviewLine;
        st.PrgLine.assign(st.PrgBuf.Text(static_cast<std::size_t>(st.PreviewLine)));
        ParseLine();
        GrowExtents();
        DrawMove();
    }
}

void Cnc::WalkToolpath() {
    walked_in_two_ = false;
    const int last = st.PrgLineCount;
    // A walk that may stop for a tool change (not a preview) asks the operator in line order.
    if (last < WalkInTwoFromLines || last < 2 || !st.Previewing) {
        WalkLines(last);
        return;
    }
    const int middle = last / 2;
    // The lead-in starts on an item with a place in the file: the items before it are looked up there.
    int lead_in = std::max(1, middle - kLeadInLines + 1);
    std::size_t limit = st.PrgBuf.ItemStart(static_cast<std::size_t>(lead_in));
    while (limit == std::string_view::npos && lead_in > 1) {
        --lead_in;
        limit = st.PrgBuf.ItemStart(static_cast<std::size_t>(lead_in));
    }
    if (limit == std::string_view::npos) {
        WalkLines(last);
        return;
    }
    HalfWalk half(*this);
    {
        const std::jthread second([&half, lead_in, limit, middle, last] { half.Run(lead_in, limit, middle, last); });
        WalkLines(middle);
    }
    if (!half.Agrees(*this)) {
        WalkLines(last);
        return;
    }
    walking_->Append(*half.cnc.walking_);
    const double min_x = st.ViewMinX;
    const double min_y = st.ViewMinY;
    const double max_x = st.ViewMaxX;
    const double max_y = st.ViewMaxY;
    ProgramBuffer kept = std::move(st.PrgBuf);
    st = std::move(half.cnc.st);
    st.PrgBuf = std::move(kept);
    // The extents are widened as GrowExtents widens them, so that a NaN never enters.
    if (!(st.ViewMinX < min_x)) {
        st.ViewMinX = min_x;
    }
    if (!(st.ViewMinY < min_y)) {
        st.ViewMinY = min_y;
    }
    if (!(st.ViewMaxX > max_x)) {
        st.ViewMaxX = max_x;
    }
    if (!(st.ViewMaxY > max_y)) {
        st.ViewMaxY = max_y;
    }
    main.Text2 = std::move(half.cnc.main.Text2);
    main.Text3 = std::move(half.cnc.main.Text3);
    walked_in_two_ = true;
}

} // namespace tamo
