// Generated program lines, checked as the check window checks them and started as "Execute
// Program" starts them: whatever Start refuses (a move of more than a day, one that never ends, one
// whose numbers are beyond any), the check reports on the same line in the same words, and a
// program Start takes holds no such finding.
//
// The input is read as a few numbers and a shape: the lines that come out are the ones that reach
// the estimate's rules (long moves, slow feeds, huge arcs, words of hundreds of digits), which
// random bytes seldom write.

#include "check/check.h"
#include "fuzz_machine.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

using tamo::fuzz::Require;

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    [[nodiscard]] bool empty() const { return at_ >= size_; }
    std::uint8_t Next() { return at_ < size_ ? data_[at_++] : 0; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// A number a generated line may hold: ordinary, tiny, huge, or beyond any double.
std::string Number(Bytes& in) {
    const std::uint8_t shape = in.Next();
    const int mantissa = in.Next() % 100;
    const int exponent = in.Next() % 330;
    switch (shape % 8) {
    case 0:
        return std::to_string(mantissa);
    case 1:
        return "-" + std::to_string(mantissa) + "." + std::to_string(in.Next());
    case 2:
        return std::to_string(mantissa) + "e" + std::to_string(exponent);
    case 3:
        return std::to_string(mantissa) + "e-" + std::to_string(exponent);
    case 4:
        return std::string(static_cast<std::size_t>(in.Next()) * 4 + 1, '9');
    case 5:
        return "0.000" + std::to_string(mantissa);
    case 6:
        return std::to_string(mantissa * 10000);
    default:
        return "1e3" + std::to_string(mantissa % 10);
    }
}

std::string Line(Bytes& in) {
    static const char* const kWords[] = {"G00", "G01", "G02", "G03", "G1", "G0", ""};
    const std::uint8_t shape = in.Next();
    std::string line = kWords[shape % 7];
    const char* axes = "XYZIJF";
    for (int k = 0; k < 6; ++k) {
        if (((shape >> 1) & (1 << (k % 7))) != 0 || in.Next() % 3 == 0) {
            line += " ";
            line += axes[k];
            line += Number(in);
        }
    }
    return line;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tamo::fuzz::FuzzMachine& machine = tamo::fuzz::Machine();
    machine.Reset();
    tamo::Cnc& cnc = machine.cnc;
    Bytes in(data, size);
    std::string program;
    for (int n = 0; n < 8 && !in.empty(); ++n) {
        program += Line(in) + "\r\n";
    }
    tamo::MachineState& st = cnc.st;
    st.PrgBuf.Size(program);
    st.PrgLineCount = 0;
    while (st.PrgBuf.ReadNextItem()) {
        ++st.PrgLineCount;
    }

    const tamo::check::Report report = tamo::check::CheckProgram(tamo::check::CopyForCheck(cnc));
    // What Start's RefuseUnrunnableProgram shows, worked out afresh: its kept estimate is keyed
    // to the program an Open read, and these programs come without one.
    const tamo::RunEstimate start = cnc.EstimateRun();
    const bool refused = start.refused_line != 0;
    const tamo::check::Finding* told = nullptr;
    for (const tamo::check::Finding& finding : report.findings) {
        if (finding.code == "start-refused") {
            Require(told == nullptr, "the check reports Start's refusal once");
            told = &finding;
        }
    }
    if (!refused) {
        Require(told == nullptr, "the check refuses nothing Start takes");
        return 0;
    }
    Require(told != nullptr, "the check reports what Start refuses");
    Require(told->message == start.refusal && told->line == start.refused_line, "on Start's line, in its own words");
    return 0;
}
