// Any bytes as tamo.cfg. The file is edited by hand and written by older versions, so reading it
// must never crash; a file that is refused must change nothing; and a file that is taken must be
// written back in a form that reads back to itself, text and meaning, or every start (which
// writes the file back) would drift the settings.

#include "fuzz_machine.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

using tamo::fuzz::Require;

constexpr std::size_t kConfigLines = 48;

// The writer's form: 48 lines, each ended by CR LF, with no other line end inside a value.
void CheckWrittenForm(const std::string& text) {
    std::size_t lines = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            Require(i + 1 < text.size() && text[i + 1] == '\n', "a CR only before an LF");
        } else if (text[i] == '\n') {
            Require(i > 0 && text[i - 1] == '\r', "an LF only after a CR");
            ++lines;
        }
    }
    Require(lines == kConfigLines && text.ends_with("\r\n"), "48 lines, each ended by CR LF");
}

// What the machine works with after a read: the staged values as numbers, and what is derived.
// The option flags are left out: their groups settle them into the controls (two selected
// options leave one), and the controls are in the written text.
std::vector<double> WorkingValues(const tamo::MachineState& s) {
    using tamo::NumberOf;
    std::vector<double> values{NumberOf(s.StepsPerTurnX),
                               NumberOf(s.StepsPerTurnY),
                               NumberOf(s.StepsPerTurnZ),
                               NumberOf(s.StepPinX),
                               NumberOf(s.StepPinY),
                               NumberOf(s.StepPinZ),
                               NumberOf(s.DirPinX),
                               NumberOf(s.DirPinY),
                               NumberOf(s.DirPinZ),
                               NumberOf(s.ToolChangePosX),
                               NumberOf(s.ToolChangePosY),
                               NumberOf(s.ToolChangePosZ),
                               NumberOf(s.JogFastX),
                               NumberOf(s.JogFastY),
                               NumberOf(s.JogFastZ),
                               NumberOf(s.JogMediumX),
                               NumberOf(s.JogMediumY),
                               NumberOf(s.JogMediumZ),
                               NumberOf(s.JogSlowX),
                               NumberOf(s.JogSlowY),
                               NumberOf(s.JogSlowZ),
                               NumberOf(s.HomePinX),
                               NumberOf(s.HomePinY),
                               NumberOf(s.HomePinZ),
                               NumberOf(s.LimitPin),
                               NumberOf(s.LeadX),
                               NumberOf(s.LeadY),
                               NumberOf(s.LeadZ),
                               NumberOf(s.ReverseX),
                               NumberOf(s.ReverseY),
                               NumberOf(s.ReverseZ),
                               NumberOf(s.PulseWidth),
                               NumberOf(s.HomeSwitchEnabled),
                               NumberOf(s.LimitSwitchEnabled),
                               NumberOf(s.ZMoveHomingDist),
                               NumberOf(s.ZMoveToLineDist),
                               NumberOf(s.HomeFeedRate)};
    values.insert(values.end(), {s.UnitsPerStepX, s.UnitsPerStepY, s.UnitsPerStepZ, s.LoopCal, s.LoopCalIn, s.LoopCalMm,
                                 s.FeedRate, s.StepDelay});
    for (int v : {s.StepMaskX, s.StepMaskY, s.StepMaskZ, s.DirMaskX, s.DirMaskY, s.DirMaskZ, s.DirSignX, s.DirSignY,
                  s.DirSignZ}) {
        values.push_back(v);
    }
    return values;
}

bool SameValues(const std::vector<double>& a, const std::vector<double>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const bool both_nan = a[i] != a[i] && b[i] != b[i];
        if (a[i] != b[i] && !both_nan) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tamo::fuzz::FuzzMachine& machine = tamo::fuzz::Machine();
    machine.Reset();
    tamo::Cnc& cnc = machine.cnc;

    const std::string before = cnc.ConfigText();
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    if (!cnc.LoadConfigText(file)) {
        Require(!cnc.ConfigProblem.empty(), "a refused file says why");
        Require(cnc.ConfigText() == before, "a refused file changes no setting");
        return 0;
    }

    const std::string written = cnc.ConfigText();
    const std::vector<double> working = WorkingValues(cnc.st);
    CheckWrittenForm(written);
    Require(cnc.LoadConfigText(written), "what was written from a file that was taken is taken");
    Require(cnc.ConfigText() == written, "a written file reads back to itself");
    Require(SameValues(WorkingValues(cnc.st), working), "a written file means what the file it came from meant");
    return 0;
}
