// The program check of a long program, headless, as `tamocnc-sim check` does it: File > Open of a
// generated program of a million lines (read and drawn on a null surface), the copy the check
// takes of the controller, and the check itself. Budget: two seconds for the three together.
// In the windows only the copy runs on the thread of the windows (after the drawing); the check
// runs beside it.
//
// A plain executable that prints a report; CTest never runs it. Run it from an optimised build on
// an otherwise idle machine, or more than once. Argument: the number of lines (a million).

#include "check/check.h"
#include "interpreter/cnc.h"
#include "platform/clock.h"
#include "platform/recording_surface.h"
#include "platform/scripted_operator.h"
#include "platform/sim_port.h"
#include "surface_finish_program.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;

constexpr std::size_t kProgramLines = 1'000'000;
constexpr int kRepeats = 3;
constexpr double kBudgetSeconds = 2.0;

double SecondsSince(Steady::time_point start) {
    return std::chrono::duration<double>(Steady::now() - start).count();
}

// Processor time of this thread: on a machine shared with other work the wall-clock figures
// wait for the processor; these do not.
double CpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

struct Times {
    double open = 0;
    double copy = 0;
    double check = 0;
    double cpu = 0;       // processor time of the three
    double check_cpu = 0; // processor time of the check alone
    [[nodiscard]] double total() const { return open + copy + check; }
};

} // namespace

int main(int argc, char** argv) {
    const std::size_t lines = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : kProgramLines;
    const fs::path folder = fs::temp_directory_path() / ("tamo-check-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const fs::path program = folder / "surface_finish.txt";
    {
        std::ofstream out(program, std::ios::binary);
        bench::WriteSurfaceFinishProgram(out, lines);
    }

    std::vector<Times> runs;
    std::string summary;
    for (int k = 0; k < kRepeats; ++k) {
        tamo::SimulatedPort port;
        tamo::FakeClock clock;
        tamo::ScriptedOperator op;
        tamo::NullSurface view;
        tamo::Cnc cnc{port, clock, op, view};
        cnc.StartUp(true);
        Times t;
        const double cpu_start = CpuSeconds();
        auto start = Steady::now();
        op.QueueFile(program.string());
        cnc.Open_Menu();
        t.open = SecondsSince(start);
        start = Steady::now();
        tamo::check::CheckInput input = tamo::check::CopyForCheck(cnc);
        t.copy = SecondsSince(start);
        start = Steady::now();
        const double check_start = CpuSeconds();
        const tamo::check::Report report = tamo::check::CheckProgram(std::move(input));
        t.check = SecondsSince(start);
        t.check_cpu = CpuSeconds() - check_start;
        t.cpu = CpuSeconds() - cpu_start;
        summary = report.Summary() + " in " + std::to_string(report.lines) + " lines";
        runs.push_back(t);
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);

    std::sort(runs.begin(), runs.end(), [](const Times& a, const Times& b) { return a.total() < b.total(); });
    const Times& best = runs.front();
    const Times& median = runs[runs.size() / 2];
    std::printf("program check of %zu lines (%s)\n", lines, summary.c_str());
    for (const auto& [name, t] : {std::pair{"best:  ", best}, std::pair{"median:", median}}) {
        std::printf("  %s open %.3f s, copy %.3f s, check %.3f s, total %.3f s (processor: %.3f s, the check %.3f s)\n",
                    name, t.open, t.copy, t.check, t.total(), t.cpu, t.check_cpu);
    }
    const bool within = median.total() <= kBudgetSeconds;
    std::printf("  budget %.1f s: %s\n", kBudgetSeconds, within ? "met" : "MISSED");
    return within ? 0 : 1;
}
