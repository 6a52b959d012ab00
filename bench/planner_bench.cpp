// The motion planner on two programs: a 20,000-line 3-D raster of 0.1 to 0.3 mm segments and a
// 2-D contour of lines and arcs.
//
// BM_Plan* put the blocks through the planner's look-ahead and profiles as a run does, block by
// block: the CPU time per block must stay far below the time a block takes to run (at a 40 kHz step
// rate a 0.1 mm segment of 200 steps/mm runs in 0.5 ms). The counter planned_s is the run time the
// plan gives.
//
// BM_RunTime* work the whole program out as Start would run it (the run estimate, which times the
// moves as the run does) on a mill of 200 steps/mm, 3000 mm/min fast on X and Y, 600 on Z: with the
// sine ramps ("Constant contour on" unticked), with "Constant contour on" ticked, and with the
// planner at 500/500/200 mm/s^2 and a junction deviation of 0.01 mm. The counter run_s is the run
// time.
//
// BM_RunTimeFile works out the program named by TAMO_BENCH_PROGRAM with the planner, once.
//
// Run from an optimised build (`make bench` uses the dev preset).

#include "interpreter/cnc.h"
#include "motion/plan_blocks.h"
#include "motion/planner/planner.h"
#include "platform/clock.h"
#include "platform/recording_surface.h"
#include "platform/scripted_operator.h"
#include "platform/sim_port.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Rows across X of 0.1 to 0.3 mm segments over a wavy surface, stepping over in Y.
std::string RasterProgram(int lines) {
    std::string text = "G00 Z1\nG00 X0 Y0\nG01 Z0 F600\nG01 F1800\n";
    double x = 0;
    double y = 0;
    int dir = 1;
    char line[96];
    for (int i = 0; i < lines; ++i) {
        const double seg = 0.1 + 0.2 * ((i * 7919) % 100) / 100.0;
        x += dir * seg;
        if (x > 40 || x < 0) {
            dir = -dir;
            x += 2 * dir * seg;
            y += 0.2;
        }
        const double z = 0.8 * std::sin(x * 0.4) * std::cos(y * 0.3);
        std::snprintf(line, sizeof line, "G01 X%.4f Y%.4f Z%.4f\n", x, y, z);
        text += line;
    }
    return text;
}

// A 2-D pocket contour: rounded rectangles of lines and quarter arcs, stepping inward.
std::string ContourProgram() {
    std::string text = "G00 Z1\nG00 X5 Y0\nG01 Z-1 F300\nG01 F1500\n";
    char line[128];
    for (int pass = 0; pass < 40; ++pass) {
        const double in = 0.5 * pass;
        const double r = 5;
        const double x0 = in, y0 = in, x1 = 80 - in, y1 = 50 - in;
        std::snprintf(line, sizeof line, "G01 X%.3f Y%.3f\n", x0 + r, y0);
        text += line;
        std::snprintf(line, sizeof line, "G01 X%.3f Y%.3f\nG03 X%.3f Y%.3f I0 J%.3f\n", x1 - r, y0, x1, y0 + r, r);
        text += line;
        std::snprintf(line, sizeof line, "G01 X%.3f Y%.3f\nG03 X%.3f Y%.3f I%.3f J0\n", x1, y1 - r, x1 - r, y1, -r);
        text += line;
        std::snprintf(line, sizeof line, "G01 X%.3f Y%.3f\nG03 X%.3f Y%.3f I0 J%.3f\n", x0 + r, y1, x0, y1 - r, -r);
        text += line;
        std::snprintf(line, sizeof line, "G01 X%.3f Y%.3f\nG03 X%.3f Y%.3f I%.3f J0\n", x0, y0 + r, x0 + r, y0, r);
        text += line;
    }
    return text;
}

struct Mill {
    tamo::SimulatedPort port;
    tamo::FakeClock clock;
    tamo::ScriptedOperator op;
    tamo::NullSurface view;
    tamo::Cnc cnc{port, clock, op, view};

    Mill(const std::string& program, bool contour, bool planner) {
        port.set_recording(false);
        cnc.StartUp(false);
        cnc.st.UnitsPerStepX = cnc.st.UnitsPerStepY = cnc.st.UnitsPerStepZ = 0.005;
        cnc.st.JogFastX = 3000.0;
        cnc.st.JogFastY = 3000.0;
        cnc.st.JogFastZ = 600.0;
        cnc.st.LoopCal = 6e7;
        cnc.main.Check1 = contour ? tamo::kChecked : tamo::kUnchecked;
        if (planner) {
            cnc.machine_page.Acceleration = {"500", "500", "200"};
            cnc.machine_page.JunctionDeviation = "0.01";
        }
        cnc.DeriveMachineSetup();
        const std::string path =
            std::filesystem::temp_directory_path() / ("tamo-planner-bench-" + std::to_string(::getpid()) + ".nc");
        std::ofstream(path) << program;
        op.QueueFile(path);
        cnc.Open_Menu();
        std::filesystem::remove(path);
    }
};

void RunTime(benchmark::State& state, const std::string& program) {
    const bool contour = state.range(0) != 0;
    const bool planner = state.range(1) != 0;
    Mill mill(program, contour, planner);
    double seconds = 0;
    for (auto _ : state) {
        seconds = mill.cnc.EstimateRun().total_seconds();
        benchmark::DoNotOptimize(seconds);
    }
    state.counters["run_s"] = seconds;
    state.SetLabel(planner ? "planner" : contour ? "constant contour" : "ramps");
}

// The blocks of a program, as the run reads them ahead (through the estimate's reading of the
// program would cost the parse as well; here the planner alone is timed).
std::vector<tamo::planner::Block> Blocks(const std::string& program) {
    std::vector<tamo::planner::Block> blocks;
    std::array<double, 3> at{};
    double feed = 1800;
    std::size_t start = 0;
    while (start < program.size()) {
        const std::size_t end = program.find('\n', start);
        const std::string line = program.substr(start, end - start);
        start = end == std::string::npos ? program.size() : end + 1;
        std::array<double, 3> to = at;
        double i = 0;
        double j = 0;
        for (std::size_t p = 0; p < line.size(); ++p) {
            const char c = line[p];
            const double v = std::atof(line.c_str() + p + 1);
            if (c == 'X') {
                to[0] = v;
            } else if (c == 'Y') {
                to[1] = v;
            } else if (c == 'Z') {
                to[2] = v;
            } else if (c == 'F') {
                feed = v;
            } else if (c == 'I') {
                i = v;
            } else if (c == 'J') {
                j = v;
            }
        }
        const bool arc = line.rfind("G03", 0) == 0 || line.rfind("G02", 0) == 0;
        tamo::planner::Block b;
        b.start = at;
        b.end = to;
        b.rapid = line.rfind("G00", 0) == 0;
        b.feed = tamo::BlockFeed(b.rapid, feed);
        if (arc) {
            b.arc = true;
            b.centre_x = at[0] + i;
            b.centre_y = at[1] + j;
            b.dir = line.rfind("G02", 0) == 0 ? 1 : -1;
            b.sweep = 2 * std::atan(1.0); // the contour's arcs are quarter circles
        }
        if (to != at) {
            blocks.push_back(b);
        }
        at = to;
    }
    return blocks;
}

void Plan(benchmark::State& state, const std::vector<tamo::planner::Block>& blocks) {
    tamo::planner::Limits limits;
    limits.accel = {500, 500, 200};
    limits.top_speed = {50, 50, 10};
    limits.junction_deviation = 0.01;
    double seconds = 0;
    for (auto _ : state) {
        tamo::planner::Planner plan;
        plan.set_limits(limits);
        double v = 0;
        seconds = 0;
        std::size_t next = 0;
        while (next < blocks.size() || plan.size() > 0) {
            while (next < blocks.size() && !plan.Full()) {
                (void)plan.Add(blocks[next++]);
            }
            plan.set_speed_now(v);
            const tamo::planner::Block& b = plan.Front();
            const tamo::planner::Profile p(v, b.top_speed, plan.ExitOfFront(), b.accel, b.length);
            seconds += p.Duration();
            v = p.SpeedAt(b.length);
            plan.Pop();
        }
        benchmark::DoNotOptimize(seconds);
    }
    state.counters["planned_s"] = seconds;
    state.counters["per_block"] =
        benchmark::Counter(static_cast<double>(blocks.size()),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

const std::string& Raster() {
    static const std::string text = RasterProgram(20000);
    return text;
}

const std::string& Contour() {
    static const std::string text = ContourProgram();
    return text;
}

void BM_PlanRaster(benchmark::State& state) {
    static const auto blocks = Blocks(Raster());
    Plan(state, blocks);
}
void BM_PlanContour(benchmark::State& state) {
    static const auto blocks = Blocks(Contour());
    Plan(state, blocks);
}
void BM_RunTimeRaster(benchmark::State& state) {
    RunTime(state, Raster());
}
void BM_RunTimeContour(benchmark::State& state) {
    RunTime(state, Contour());
}
// The program in TAMO_BENCH_PROGRAM (bench/write_program writes long ones), when it is set.
void BM_RunTimeFile(benchmark::State& state) {
    const char* path = std::getenv("TAMO_BENCH_PROGRAM");
    if (path == nullptr) {
        state.SkipWithError("TAMO_BENCH_PROGRAM names no program");
        return;
    }
    std::ifstream in(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    RunTime(state, text);
}

} // namespace

BENCHMARK(BM_PlanRaster)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlanContour)->Unit(benchmark::kMillisecond);
// {contour, planner}: ramps, "Constant contour on", the planner.
BENCHMARK(BM_RunTimeRaster)->Args({0, 0})->Args({1, 0})->Args({1, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunTimeContour)->Args({0, 0})->Args({1, 0})->Args({1, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunTimeFile)->Args({1, 1})->Unit(benchmark::kMillisecond)->Iterations(1);
