// Timings of the procedures that run for every line and for every tick.
//
// ParseLine runs once per line of a run and twice per line of every preview redraw, so a redraw
// of a long program waits on it: the budget is 200 ns a line (five million lines a second).
// StepPulse is the innermost loop of every move; with both waits at zero what is left is the cost
// of the code itself, which comes out of the step timing of every tick.
//
// Run from an optimised build (`make bench` uses the dev preset); the figures of a debug or
// sanitizer build say nothing about these budgets.

#include "interpreter/cnc.h"
#include "platform/clock.h"
#include "platform/recording_surface.h"
#include "platform/scripted_operator.h"
#include "platform/sim_port.h"

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// The headless machine as tamocnc-sim builds it, on the start-up settings: no file is read or
// written.
struct BenchMachine {
    tamo::SimulatedPort port;
    tamo::FakeClock clock;
    tamo::ScriptedOperator op;
    tamo::NullSurface view;
    tamo::Cnc cnc{port, clock, op, view};

    BenchMachine() {
        port.set_recording(false);
        cnc.StartUp(false);
        // A preview pass: a tool change shows no prompt, so the timing is the parser's alone.
        cnc.st.Previewing = true;
    }
};

// A pocket as a CAM post writes it, in the proportions of a real file: mostly feed moves and
// arcs, some rapids, numbered blocks, comments, blank lines, a tool change and the long
// coordinates that a post with too many decimals puts out.
const std::vector<std::string>& PocketProgram() {
    static const std::vector<std::string> lines{
        "%",
        "(Pocket 40 x 25 x 3, end mill 3 mm, 3 passes)",
        "N10 G21 G90 G17",
        "N20 M06 T2",
        "N30 G00 Z5.000",
        "N40 G00 X10.000 Y10.000",
        "G01 Z-1.000 F120",
        "G01 X50.000 Y10.000 F300",
        "G01 X50.000 Y35.000",
        "G01 X10.000 Y35.000",
        "G01 X10.000 Y10.000",
        "G02 X20.000 Y20.000 I10.000 J0.000",
        "G03 X30.000 Y10.000 I0.000 J-10.000 F250",
        "",
        "(pass 2)",
        "G01 Z-2.000 F120",
        "G01 X12.345678901234 Y-98.765432109876 Z-2.000000000001 F1234.5678901",
        "N1250 G01 X0.000123456 Y123456.789012 F300.000",
        "G01 X50 Y10",
        "G02 X45.5 Y14.5 I-4.5 J0",
        "G03 X40.25 Y19.75 I0 J5.25",
        "  G01 X10.000 Y35.000  ",
        "G00 Z5.000 (retract)",
        "",
        "N2000 G00 X0 Y0",
        "M06 T3",
        "G01 X1.5 Y2.5 Z-0.5 F90",
        "G02 X3.000 Y4.000 I1.500 J0.000 F180",
        "G01 X-12.3456 Y-7.8901",
        "G00 Z15",
        "M05",
        "M30",
    };
    return lines;
}

// The whole mix, one line per iteration.
void BM_ParseLineMix(benchmark::State& state) {
    BenchMachine machine;
    tamo::Cnc& cnc = machine.cnc;
    const std::vector<std::string>& lines = PocketProgram();
    std::size_t next = 0;
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string& line = lines[next];
        next = next + 1 == lines.size() ? 0 : next + 1;
        cnc.st.PrgLine.assign(line);
        cnc.ParseLine();
        bytes += line.size();
    }
    benchmark::DoNotOptimize(cnc.st.TargetX);
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_ParseLineMix);

// One kind of line at a time, to tell which kind costs what.
void BM_ParseLineKind(benchmark::State& state, const char* text) {
    BenchMachine machine;
    tamo::Cnc& cnc = machine.cnc;
    const std::string line = text;
    for (auto _ : state) {
        cnc.st.PrgLine.assign(line);
        cnc.ParseLine();
    }
    benchmark::DoNotOptimize(cnc.st.TargetX);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK_CAPTURE(BM_ParseLineKind, blank, "");
BENCHMARK_CAPTURE(BM_ParseLineKind, comment, "(Pocket 40 x 25 x 3, end mill 3 mm, 3 passes)");
BENCHMARK_CAPTURE(BM_ParseLineKind, rapid_xyz, "G00 X10.000 Y20.000 Z5.000");
BENCHMARK_CAPTURE(BM_ParseLineKind, feed_xy_f, "G01 X50.000 Y10.000 F300");
BENCHMARK_CAPTURE(BM_ParseLineKind, feed_xy, "G01 X50.000 Y35.000");
BENCHMARK_CAPTURE(BM_ParseLineKind, arc_ij, "G02 X20.000 Y20.000 I10.000 J0.000");
BENCHMARK_CAPTURE(BM_ParseLineKind, numbered, "N1250 G01 X12.5 Y20");
BENCHMARK_CAPTURE(BM_ParseLineKind, tool_change, "M06 T2");
BENCHMARK_CAPTURE(BM_ParseLineKind, long_digits,
                  "G01 X12.345678901234 Y-98.765432109876 Z-2.000000000001 F1234.5678901");

// One tick offline with both waits at zero, the step directions reversing on every tick.
void BM_StepPulse(benchmark::State& state) {
    BenchMachine machine;
    tamo::Cnc& cnc = machine.cnc;
    tamo::MachineState& st = cnc.st;
    st.Offline = true;
    st.StepDelay = 0;
    st.PulseWidth = 0.0;
    int dir = 1;
    for (auto _ : state) {
        st.StepDirX = dir;
        st.StepDirY = dir;
        st.StepDirZ = dir;
        cnc.StepPulse();
        dir = -dir;
    }
    benchmark::DoNotOptimize(st.ProgPosX);
    state.SetItemsProcessed(state.iterations());
    // Time per tick, shown with its unit ("10.2ns").
    state.counters["time_per_tick"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_StepPulse);

// A whole tick as a program runs it: a long G01 move offline through LinearMove, with the
// interpolation, the ramps, the real (empty) busy waits, the switch read and the yield.
void BM_LinearMoveTick(benchmark::State& state) {
    tamo::SimulatedPort port;
    tamo::SteadyClock clock;
    tamo::ScriptedOperator op;
    tamo::NullSurface view;
    tamo::Cnc cnc{port, clock, op, view};
    port.set_recording(false);
    cnc.StartUp(true);
    tamo::MachineState& st = cnc.st;
    st.PulseWidth = 0.0;
    st.LoopCal = 0; // every delay comes out 0
    st.GCode = "G01";
    st.ProgFeed = 300;
    constexpr double kTicks = 100'000;
    double target = 0;
    for (auto _ : state) {
        target = target == 0 ? kTicks * st.UnitsPerStepX : 0;
        st.TargetX = target;
        st.TargetY = target / 3;
        cnc.LinearMove();
    }
    benchmark::DoNotOptimize(st.ProgPosX);
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kTicks));
    state.counters["time_per_tick"] = benchmark::Counter(static_cast<double>(state.iterations()) * kTicks,
                                                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LinearMoveTick)->Unit(benchmark::kMillisecond);

// The run-time estimate of a million-line program, which the windows show as time remaining and
// Start checks for endless moves: worked out at the first Start after an Open or a change of the
// scale or settings, so it must stay within a few tenths of a second. The pocket's mix, calibrated,
// with ramps on every move.
void BM_EstimateMillionLines(benchmark::State& state) {
    BenchMachine machine;
    tamo::Cnc& cnc = machine.cnc;
    cnc.st.Previewing = false;
    cnc.st.LoopCal = 4.5e6;
    std::string program;
    for (std::size_t n = 0; n < 1'000'000; ++n) {
        program += PocketProgram()[n % PocketProgram().size()];
        program += "\r\n";
    }
    const std::string path = "/tmp/tamo-bench-million-" + std::to_string(::getpid()) + ".txt";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(program.data(), 1, program.size(), file);
    std::fclose(file);
    const std::string problem = cnc.ReadProgramItems(path);
    std::remove(path.c_str());
    if (!problem.empty()) {
        state.SkipWithError(problem.c_str());
        return;
    }
    for (auto _ : state) {
        tamo::RunEstimate estimate = cnc.EstimateRun();
        benchmark::DoNotOptimize(estimate);
    }
    state.SetItemsProcessed(state.iterations() * cnc.st.PrgLineCount);
}
BENCHMARK(BM_EstimateMillionLines)->Unit(benchmark::kMillisecond);

} // namespace
