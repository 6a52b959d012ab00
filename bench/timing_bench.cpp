// Step timing on this PC: calibrate with the speed test on the real clock, then time X moves at
// F100, F500 and F1000 on a port that stamps every step edge with the monotonic clock. Three
// scenarios: the PC idle throughout; a CPU load (one spinning thread per CPU) started after the
// calibration; the same load during the calibration only. Reports, per feed, the error of the move
// time against the programmed feed (median and worst of the moves), and for the F1000 moves the
// lateness of every tick against its programmed period (the step interval minus the period).
//
//   timing_bench [--repeat N] [--seconds S] [--scenario idle|load-after|load-before|all]
//
// Real-time priority is used where the process may take it (root, or RLIMIT_RTPRIO); run it under
// `setpriv --inh-caps=-sys_nice --bounding-set=-sys_nice` to see the PC without it. The harness uses
// only what the controller offered before step timing went onto deadlines, so that the same file
// builds against an older tree for a before-and-after comparison.

#include "interpreter/cnc.h"
#include "platform/clock.h"
#include "platform/recording_surface.h"
#include "platform/scripted_operator.h"

#if __has_include("platform/realtime.h")
#include "platform/realtime.h"
#define TAMO_BENCH_REALTIME 1
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kXStepMask = 2; // pin 3 at the start-up settings
constexpr int kXDirMask = 1;  // pin 2
constexpr double kStepMm = 0.0075;

std::int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A port that keeps the time and direction of every X step edge, in memory reserved beforehand.
class TimedPort final : public tamo::Port {
public:
    TimedPort() {
        edges_.reserve(4'000'000);
        directions_.reserve(4'000'000);
    }
    void Out32(std::uint16_t, std::int16_t value) override {
        if ((value & kXStepMask) != 0 && (last_ & kXStepMask) == 0 && edges_.size() < edges_.capacity()) {
            edges_.push_back(NowNs());
            directions_.push_back(static_cast<std::uint8_t>(value & kXDirMask));
        }
        last_ = value;
    }
    std::int16_t Inp32(std::uint16_t) override { return 127; }
    void clear() {
        edges_.clear();
        directions_.clear();
    }
    const std::vector<std::int64_t>& edges() const { return edges_; }
    const std::vector<std::uint8_t>& directions() const { return directions_; }

private:
    std::vector<std::int64_t> edges_;
    std::vector<std::uint8_t> directions_;
    std::int16_t last_ = 0;
};

// One spinning thread per CPU at normal priority, until stopped.
class CpuLoad {
public:
    void Start() {
        running_ = true;
        const unsigned cpus = std::max(1u, std::thread::hardware_concurrency());
        for (unsigned i = 0; i < cpus; ++i) {
            threads_.emplace_back([this] {
                volatile std::uint64_t n = 0;
                while (running_.load(std::memory_order_relaxed)) {
                    n = n + 1;
                }
            });
        }
    }
    void Stop() {
        running_ = false;
        for (auto& t : threads_) {
            t.join();
        }
        threads_.clear();
    }
    ~CpuLoad() { Stop(); }

private:
    std::atomic<bool> running_{false};
    std::vector<std::thread> threads_;
};

double Percentile(std::vector<double> values, double share) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(std::ceil(share * static_cast<double>(values.size()))) - 1;
    return values[std::min(index, values.size() - 1)];
}

struct Bench {
    TimedPort port;
    tamo::SteadyClock clock;
    tamo::ScriptedOperator op;
    tamo::NullSurface view;
    tamo::Cnc cnc{port, clock, op, view};
#ifdef TAMO_BENCH_REALTIME
    tamo::LinuxSchedulingCalls calls;
    tamo::RealtimeRequest realtime{calls};
#endif
    std::filesystem::path folder;

    Bench() {
        folder = std::filesystem::temp_directory_path() / ("tamo-timing-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
#ifdef TAMO_BENCH_REALTIME
        clock.set_realtime(&realtime);
#endif
        cnc.ConfigPath = folder / "tamo.cfg";
        cnc.StartUp(false);
        cnc.settings.Combo3[0] = "1000"; // X fast jog rate: the goal of the speed test, the top feed
        (void)cnc.WriteConfig();
        cnc.ReadConfig();
        cnc.main.Check1 = tamo::kChecked; // constant contour: every tick of a feed move at one period
    }
    ~Bench() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    void Calibrate() {
        cnc.Spdtest();
        std::printf("  calibration: %.0f (%s)\n", cnc.st.LoopCal, op.messages().back().text.c_str());
        op.clear_messages();
    }

    // Moves of X out and back at the feed, each lasting `seconds` at that feed; returns the move-time
    // errors in percent and adds the tick lateness of every step interval in microseconds.
    std::vector<double> Moves(double feed, int repeat, double seconds, std::vector<double>& lateness_us,
                              double& period_us) {
        const double distance = std::round(feed * seconds / 60 / kStepMm) * kStepMm;
        std::string program;
        for (int i = 0; i < repeat; ++i) {
            char line[96];
            std::snprintf(line, sizeof line, "G01 X%.4f F%.0f\r\nG01 X0\r\n", distance, feed);
            program += line;
        }
        const std::filesystem::path file = folder / "moves.txt";
        std::ofstream(file, std::ios::binary) << program;
        op.QueueFile(file.string());
        cnc.Open_Menu();
        port.clear();
        cnc.Start();
        op.clear_messages();

        // The move time against the feed; the ticks against the period the calibration programmed,
        // which is what most of them run at: the median interval of all the moves.
        const double tick_ns = 60e9 * kStepMm / feed;
        std::vector<double> errors;
        std::vector<double> intervals;
        const auto& edges = port.edges();
        const auto& dirs = port.directions();
        std::size_t first = 0;
        for (std::size_t i = 1; i <= edges.size(); ++i) {
            if (i < edges.size() && dirs[i] == dirs[first]) {
                intervals.push_back(static_cast<double>(edges[i] - edges[i - 1]));
                continue;
            }
            const double ticks = static_cast<double>(i - 1 - first);
            errors.push_back((static_cast<double>(edges[i - 1] - edges[first]) / (ticks * tick_ns) - 1) * 100);
            first = i;
        }
        const double period_ns = Percentile(intervals, 0.5);
        period_us = period_ns / 1000;
        for (const double interval : intervals) {
            lateness_us.push_back((interval - period_ns) / 1000);
        }
        return errors;
    }
};

void Scenario(const char* name, bool load_during_calibration, bool load_during_moves, int repeat, double seconds) {
    std::printf("%s\n", name);
    Bench bench;
    CpuLoad load;
    if (load_during_calibration) {
        load.Start();
    }
    bench.Calibrate();
    if (load_during_calibration != load_during_moves) {
        load_during_moves ? load.Start() : load.Stop();
    }
    for (const double feed : {100.0, 500.0, 1000.0}) {
        std::vector<double> lateness_us;
        double period_us = 0;
        const std::vector<double> errors = bench.Moves(feed, repeat, seconds, lateness_us, period_us);
        const double worst = *std::max_element(errors.begin(), errors.end(),
                                               [](double a, double b) { return std::fabs(a) < std::fabs(b); });
        std::printf("  F%-5.0f move time: median %+.2f %%, worst %+.2f %% (%zu moves)\n", feed, Percentile(errors, 0.5),
                    worst, errors.size());
        if (feed == 1000.0) {
            const auto shorter = std::count_if(lateness_us.begin(), lateness_us.end(), [](double l) { return l < -1; });
            std::printf("  F1000 ticks (%.0f us at the feed, median %.2f us), lateness against the median in us: "
                        "p99 %.1f, p99.9 %.1f, max %.1f, shortest %+.2f; %td of %zu ticks more than 1 us short\n",
                        60e6 * kStepMm / feed, period_us, Percentile(lateness_us, 0.99), Percentile(lateness_us, 0.999),
                        Percentile(lateness_us, 1.0), *std::min_element(lateness_us.begin(), lateness_us.end()),
                        shorter, lateness_us.size());
        }
    }
    if (!bench.cnc.status.Notice.empty()) {
        std::printf("  notice: %s\n", bench.cnc.status.Notice.c_str());
    }
}

} // namespace

int main(int argc, char** argv) {
    int repeat = 3;
    double seconds = 3;
    std::string scenario = "all";
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--repeat") {
            repeat = std::max(1, std::atoi(argv[i + 1]));
        } else if (option == "--seconds") {
            seconds = std::max(0.1, std::atof(argv[i + 1]));
        } else if (option == "--scenario") {
            scenario = argv[i + 1];
        }
    }
    if (scenario == "all" || scenario == "idle") {
        Scenario("Calibrated idle, moves idle", false, false, repeat, seconds);
    }
    if (scenario == "all" || scenario == "load-after") {
        Scenario("Calibrated idle, moves under a CPU load started after the calibration", false, true, repeat, seconds);
    }
    if (scenario == "all" || scenario == "load-before") {
        Scenario("Calibrated under a CPU load, moves idle", true, false, repeat, seconds);
    }
    return 0;
}
