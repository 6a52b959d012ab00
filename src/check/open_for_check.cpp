#include "check/open_for_check.h"

#include "interpreter/cnc.h"
#include "interpreter/line_words.h"
#include "interpreter/motion_word.h"
#include "motion/arc_geometry.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace tamo::check {
namespace {

constexpr std::array<std::uint32_t, 256> MakeLetterBits() {
    std::array<std::uint32_t, 256> bits{};
    for (std::size_t slot = 0; slot < kWordSlots; ++slot) {
        bits[static_cast<unsigned char>(kWordLetter[slot])] = 1u << slot;
    }
    return bits;
}
constexpr std::array<std::uint32_t, 256> kLetterBits = MakeLetterBits();

// The word letters a line carries, one bit a slot; 0 for a line the parser skips. A scan back
// over a whole long program runs this on every line: one table look-up a byte.
std::uint32_t LettersOf(std::string_view text) {
    const std::string_view trimmed = TrimSpaces(text);
    if (SkipsLine(trimmed)) {
        return 0;
    }
    std::uint32_t letters = 0;
    for (const char c : trimmed) {
        letters |= kLetterBits[static_cast<unsigned char>(c)];
    }
    return letters;
}

// The last place before `end` in the bytes where one of the `wanted` letters stands; npos when
// none does. A letter the header alone writes (T, M) or one no line writes (Q, A) would otherwise
// take a scan back over every line of a long program. Each letter's place is searched for once and
// kept: a later ask with an end no further on needs no new search until it has passed that place,
// and a letter not found before an end is not found before an earlier one.
class LastOfLetters {
public:
    explicit LastOfLetters(std::string_view bytes) : bytes_(bytes) {}

    std::size_t Before(std::size_t end, std::uint32_t wanted) {
        std::size_t last = std::string_view::npos;
        for (std::size_t slot = 0; slot < kWordSlots; ++slot) {
            if ((wanted & (1u << slot)) == 0) {
                continue;
            }
            Place& place = places_[slot];
            if (end > place.searched_to || (place.at != std::string_view::npos && place.at >= end)) {
                const void* found = end == 0 ? nullptr : memrchr(bytes_.data(), kWordLetter[slot], end);
                place.at = found == nullptr ? std::string_view::npos
                                            : static_cast<std::size_t>(static_cast<const char*>(found) - bytes_.data());
                place.searched_to = end;
            }
            if (place.at != std::string_view::npos) {
                last = last == std::string_view::npos ? place.at : std::max(last, place.at);
            }
        }
        return last;
    }

private:
    struct Place {
        std::size_t at = std::string_view::npos; // the letter's last place before searched_to
        std::size_t searched_to = 0;             // nothing searched yet
    };
    std::string_view bytes_;
    std::array<Place, kWordSlots> places_{};
};

constexpr std::uint32_t Bit(WordSlot slot) {
    return 1u << slot;
}

// What sets the motion word, I and J whatever stood before: the line is read from here on.
constexpr std::uint32_t kRestart = Bit(kG) | Bit(kI) | Bit(kJ);
// The words whose last value the walk leaves and that a line before the restart may have set.
constexpr std::uint32_t kKept = Bit(kQ) | Bit(kF) | Bit(kR) | Bit(kA) | Bit(kZ) | Bit(kY) | Bit(kX) | Bit(kT) | Bit(kM);

// The redraw's step over one parsed line, for what it leaves in the block state: an arc that can
// be drawn rewrites I and J as the arc's walk does (the preview's DrawMove and DrawArc).
void LeaveWhatTheDrawingLeaves(MachineState& st) {
    const Motion motion = MotionOf(st.GCode);
    if (motion != Motion::ArcClockwise && motion != Motion::ArcCounterClockwise) {
        return;
    }
    st.ArcDir = motion == Motion::ArcClockwise ? -1 : 1;
    const ArcBlock block{
        st.StartX, st.StartY, st.StartZ, st.TargetX, st.TargetY, st.TargetZ, st.ArcI, st.ArcJ, st.ArcDir >= 0 ? -1 : 1};
    const ArcGeometry g = MakeArcGeometry(block, st.UnitsPerStepX, st.UnitsPerStepZ);
    if (!(g.radius > 0) || !std::isfinite(g.radius) || !std::isfinite(g.centre_x) || !std::isfinite(g.centre_y) ||
        std::isnan(g.end_raw)) {
        return;
    }
    LeaveCentreOffsets(st.ArcI, st.ArcJ);
}

void ParseEntry(Cnc& cnc, int entry) {
    MachineState& st = cnc.st;
    st.PreviewLine = entry;
    st.PrgLine.assign(st.PrgBuf.Text(static_cast<std::size_t>(entry)));
    cnc.ParseLine();
}

// TegnUd's walk, for the block state it leaves.
void LeaveWhatTheWalkLeaves(Cnc& cnc) {
    MachineState& st = cnc.st;
    st.HeldGCode = st.GCode;
    st.StartX = st.StartY = st.StartZ = 0;
    st.TargetX = st.TargetY = st.TargetZ = 0;
    st.ArcI = st.ArcJ = 0;
    const int count = st.PrgLineCount;

    // From the end back: the last restart line, then before it the last line of each kept letter.
    const ProgramBuffer& buffer = st.PrgBuf;
    int restart = 1;
    for (int entry = count; entry >= 1; --entry) {
        if ((LettersOf(buffer.Text(static_cast<std::size_t>(entry))) & kRestart) == kRestart) {
            restart = entry;
            break;
        }
    }
    std::vector<int> last_of_letters;
    std::uint32_t wanted = kKept;
    // No wanted letter stands in the bytes after `reach`: the items that start after it are passed.
    const std::string_view bytes = buffer.bytes();
    const std::size_t restart_at = buffer.ItemStart(static_cast<std::size_t>(restart));
    LastOfLetters letters_before(bytes);
    std::size_t reach = letters_before.Before(restart_at == std::string_view::npos ? bytes.size() : restart_at, wanted);
    for (int entry = restart - 1; entry >= 1 && wanted != 0 && reach != std::string_view::npos; --entry) {
        const std::size_t at = buffer.ItemStart(static_cast<std::size_t>(entry));
        if (at != std::string_view::npos && at > reach) {
            continue;
        }
        const std::uint32_t letters = LettersOf(buffer.Text(static_cast<std::size_t>(entry)));
        if ((letters & wanted) != 0) {
            last_of_letters.push_back(entry);
            wanted &= ~letters;
        }
        if (at != std::string_view::npos) {
            reach = letters_before.Before(at, wanted);
        }
    }
    std::reverse(last_of_letters.begin(), last_of_letters.end());
    for (const int entry : last_of_letters) {
        ParseEntry(cnc, entry);
    }
    for (int entry = restart; entry <= count; ++entry) {
        ParseEntry(cnc, entry);
        LeaveWhatTheDrawingLeaves(st);
    }
    st.PreviewLine = count;
    st.GCode = st.HeldGCode;
}

} // namespace

std::string OpenForCheck(Cnc& cnc, const std::string& path) {
    MachineState& st = cnc.st;
    st.Previewing = true;
    std::string problem = cnc.ReadProgramItems(path);
    if (!problem.empty()) {
        st.Previewing = false;
        return problem;
    }
    cnc.ResetPositions();
    st.StopRequest = false;
    st.ResumeMove = false;
    LeaveWhatTheWalkLeaves(cnc);
    st.MWord = 0.0;
    st.PrgLineNo = 0;
    st.ContinueRun = false;
    st.Previewing = false;
    return {};
}

} // namespace tamo::check
