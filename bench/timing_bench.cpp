// Step timing on this PC as the operator gets it: the real clock, a port that stamps every X step
// edge with the monotonic clock, the speed test's calibration in tamo.cfg, then X moves out and back
// at F100, F500 and F1000 with constant contour (no ramps). Every figure is against the programmed
// feed, never against what the PC happened to run:
//   - feed: the mm/min a move really made (its steps over the time from its first edge to its
//     last) against F, median and worst of the moves;
//   - lateness: every step interval less the programmed period 60 x mm per step / F; an interval
//     shorter than its period is counted apart;
//   - CPU: the share of a core the thread used while cutting, and the page faults it took.
//
// Scenarios (each in a process of its own, the calibration in a fresh folder):
//   idle         calibrated and cut in one process, the PC left alone
//   load-after   the same, a CPU load started after the calibration
//   load-before  calibrated under the load, cut with the PC idle
//   fresh        calibrated in one process, then cut in --starts fresh processes that each read
//                the stored tamo.cfg, as the operator's next starts do; the worst start is reported
//
//   timing_bench [--repeat N] [--seconds S] [--scenario NAME|all] [--starts N] [--no-realtime]
//                [--load-command "stress-ng --cpu 2"] [--loop-cal N]
//
// --loop-cal: the calibration to cut on when the speed test says this PC does not keep up (three
// tries), as a tamo.cfg brought from elsewhere would give it.
//
// The load is one spinning thread per CPU at normal priority, or the given command (killed with its
// process group when the scenario ends). Real-time priority is used for the moves where the
// process may take it, unless --no-realtime. The harness uses only what the controller offered
// before the calibration fixed the periods, so that the same file builds against an older tree
// for a before-and-after comparison.

#include "interpreter/cnc.h"
#include "platform/clock.h"
#include "platform/realtime.h"
#include "platform/recording_surface.h"
#include "platform/scripted_operator.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sched.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kXStepMask = 2; // pin 3 at the start-up settings
constexpr int kXDirMask = 1;  // pin 2
constexpr double kStepMm = 0.0075;
constexpr double kFeeds[] = {100, 500, 1000};

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

// The calling thread at normal priority, whatever it inherited.
void NormalPriority() {
    sched_param param{};
    (void)sched_setscheduler(0, SCHED_OTHER, &param);
}

// A CPU load at normal priority, until stopped: a command in a process group of its own, or one
// spinning thread per CPU.
class CpuLoad {
public:
    explicit CpuLoad(std::string command) : command_(std::move(command)) {}
    void Start() {
        if (!command_.empty()) {
            child_ = fork();
            if (child_ == 0) {
                setpgid(0, 0);
                NormalPriority(); // under chrt the command would inherit the bench's priority

                execl("/bin/sh", "sh", "-c", ("exec " + command_).c_str(), static_cast<char*>(nullptr));
                _exit(127);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(300)); // let it spread over the CPUs
            return;
        }
        running_ = true;
        const unsigned cpus = std::max(1u, std::thread::hardware_concurrency());
        for (unsigned i = 0; i < cpus; ++i) {
            threads_.emplace_back([this] {
                NormalPriority();
                volatile std::uint64_t n = 0;
                while (running_.load(std::memory_order_relaxed)) {
                    n = n + 1;
                }
            });
        }
    }
    void Stop() {
        if (child_ > 0) {
            // The command's own workers share its process group; whatever outlives a second of
            // SIGTERM is killed.
            kill(-child_, SIGTERM);
            for (int i = 0; i < 100 && waitpid(child_, nullptr, WNOHANG) == 0; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            kill(-child_, SIGKILL);
            waitpid(child_, nullptr, 0);
            child_ = 0;
        }
        running_ = false;
        for (auto& t : threads_) {
            t.join();
        }
        threads_.clear();
    }
    ~CpuLoad() { Stop(); }

private:
    std::string command_;
    pid_t child_ = 0;
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

double Worst(const std::vector<double>& values) {
    double worst = 0;
    for (const double v : values) {
        worst = std::fabs(v) > std::fabs(worst) ? v : worst;
    }
    return worst;
}

struct Options {
    int repeat = 3;
    double seconds = 3;
    int starts = 3;
    bool realtime = true;
    std::string load_command;
    std::string scenario = "all";
    std::string cut_folder; // --cut: a fresh start on the tamo.cfg in this folder
    double loop_cal = 0;    // --loop-cal: cut on this calibration when the speed test gives none
};

// The figures of one feed: feed errors of the moves in percent, lateness of every interval in us.
struct FeedFigures {
    double feed = 0;
    std::vector<double> feed_errors;
    std::vector<double> lateness_us;
    double cpu_share = 0;
    long faults = 0;

    void Print(const char* prefix) const {
        const auto shorter = std::count_if(lateness_us.begin(), lateness_us.end(), [](double l) { return l < 0; });
        const double period_us = 60e6 * kStepMm / feed;
        const double median_us = Percentile(lateness_us, 0.5);
        std::printf("%sF%-5.0f feed: median %+.3f %%, worst %+.3f %% (%zu moves), at the median interval %+.3f %%; "
                    "lateness us: median %.1f, p99 %.1f, p99.9 %.1f, max %.1f; shortest %+.3f us, %td of %zu "
                    "intervals shorter than the period; CPU %.0f %%, %ld page faults\n",
                    prefix, feed, Percentile(feed_errors, 0.5), Worst(feed_errors), feed_errors.size(),
                    (period_us / (period_us + median_us) - 1) * 100, median_us, Percentile(lateness_us, 0.99),
                    Percentile(lateness_us, 0.999), Percentile(lateness_us, 1.0),
                    lateness_us.empty() ? 0.0 : *std::min_element(lateness_us.begin(), lateness_us.end()), shorter,
                    lateness_us.size(), cpu_share * 100, faults);
    }
};

double ThreadCpuSeconds(long& faults) {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    faults = usage.ru_minflt + usage.ru_majflt;
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Bench {
    TimedPort port;
    tamo::SteadyClock clock;
    tamo::ScriptedOperator op;
    tamo::NullSurface view;
    tamo::Cnc cnc{port, clock, op, view};
    tamo::LinuxSchedulingCalls calls;
    tamo::RealtimeRequest realtime{calls};
    std::filesystem::path folder;

    // Starts as the program starts, on the tamo.cfg in the folder (none yet: a first start).
    Bench(std::filesystem::path in, bool use_realtime) : folder(std::move(in)) {
        if (use_realtime) {
            clock.set_realtime(&realtime);
        }
        cnc.ConfigPath = folder / "tamo.cfg";
        cnc.StartUp(false);
        cnc.main.Check1 = tamo::kChecked; // constant contour: every tick of a feed move at one period
    }

    // The speed test, tried again (three times in all) while this PC does not keep up with the goal;
    // then the given calibration, if any, as a tamo.cfg from elsewhere would bring it.
    bool Calibrate(double fallback = 0) {
        cnc.settings.Combo3[0] = "1000"; // X fast jog rate: the goal of the speed test, the top feed
        (void)cnc.WriteConfig();
        cnc.ReadConfig();
        for (int attempt = 0; attempt < 3 && !(cnc.st.LoopCal > 0); ++attempt) {
            cnc.Spdtest();
            std::printf("  calibration: LoopCal %.0f (%s, %s)\n", cnc.st.LoopCal, op.messages().back().text.c_str(),
                        cnc.main.Text4.c_str());
            op.clear_messages();
        }
        if (!(cnc.st.LoopCal > 0) && fallback > 0) {
            cnc.st.LoopCalMm = fallback;
            cnc.st.LoopCalIn = std::round(fallback / 25.4);
            (void)cnc.WriteConfig();
            cnc.ReadConfig();
            std::printf("  calibration: LoopCal %.0f given\n", cnc.st.LoopCal);
        }
        return cnc.st.LoopCal > 0;
    }

    // Moves of X out and back at the feed, each lasting `seconds` at that feed.
    FeedFigures Cut(double feed, int repeat, double seconds) {
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
        FeedFigures figures;
        figures.feed = feed;
        long faults_before = 0;
        const double cpu_before = ThreadCpuSeconds(faults_before);
        const std::int64_t began = NowNs();
        cnc.Start();
        const double wall = static_cast<double>(NowNs() - began) / 1e9;
        const double cpu = ThreadCpuSeconds(figures.faults) - cpu_before;
        figures.faults -= faults_before;
        figures.cpu_share = cpu / wall;
        op.clear_messages();

        const double period_ns = 60e9 * kStepMm / feed;
        const auto& edges = port.edges();
        const auto& dirs = port.directions();
        std::size_t first = 0;
        for (std::size_t i = 1; i <= edges.size(); ++i) {
            if (i < edges.size() && dirs[i] == dirs[first]) {
                figures.lateness_us.push_back((static_cast<double>(edges[i] - edges[i - 1]) - period_ns) / 1000);
                continue;
            }
            const double steps = static_cast<double>(i - 1 - first);
            const double mm_per_min = steps * kStepMm / static_cast<double>(edges[i - 1] - edges[first]) * 60e9;
            figures.feed_errors.push_back((mm_per_min / feed - 1) * 100);
            first = i;
        }
        return figures;
    }
};

std::filesystem::path FreshFolder(const char* name) {
    static int count = 0;
    auto folder = std::filesystem::temp_directory_path() /
                  ("tamo-timing-bench-" + std::to_string(::getpid()) + "-" + name + std::to_string(++count));
    std::filesystem::create_directories(folder);
    return folder;
}

void PrintNotice(const Bench& bench) {
    if (!bench.cnc.status.Notice.empty()) {
        std::printf("  notice: %s\n", bench.cnc.status.Notice.c_str());
    }
}

void Scenario(const char* name, bool load_during_calibration, bool load_during_moves, const Options& options) {
    std::printf("%s\n", name);
    const auto folder = FreshFolder("scenario");
    {
        Bench bench(folder, options.realtime);
        CpuLoad load(options.load_command);
        if (load_during_calibration) {
            load.Start();
        }
        if (bench.Calibrate(options.loop_cal)) {
            if (load_during_calibration != load_during_moves) {
                load_during_moves ? load.Start() : load.Stop();
            }
            for (const double feed : kFeeds) {
                bench.Cut(feed, options.repeat, options.seconds).Print("  ");
            }
        }
        PrintNotice(bench);
    }
    std::filesystem::remove_all(folder);
}

// A fresh start on a stored tamo.cfg: one machine-readable line per feed, for the process that
// started it.
int CutFresh(const Options& options) {
    Bench bench(options.cut_folder, options.realtime);
    for (const double feed : kFeeds) {
        const FeedFigures f = bench.Cut(feed, options.repeat, options.seconds);
        std::printf("feed %.0f %d %.0f %ld", feed, static_cast<int>(f.feed_errors.size()), f.cpu_share * 1e6, f.faults);
        for (const double e : f.feed_errors) {
            std::printf(" %.6f", e);
        }
        std::printf(" |");
        for (const double l : f.lateness_us) {
            std::printf(" %.3f", l);
        }
        std::printf("\n");
    }
    return 0;
}

void FreshStarts(const Options& options, const char* self) {
    std::printf("Calibrated in one process, cut in %d fresh processes on the stored tamo.cfg\n", options.starts);
    const auto folder = FreshFolder("fresh");
    bool calibrated = false;
    {
        Bench bench(folder, options.realtime);
        calibrated = bench.Calibrate(options.loop_cal);
    }
    if (!calibrated) {
        std::filesystem::remove_all(folder);
        return;
    }
    std::vector<FeedFigures> all(std::size(kFeeds));
    std::vector<double> worst_by_start;
    std::string first_intervals; // each start's first interval, against its period and the median
    for (int start = 0; start < options.starts; ++start) {
        const std::string command = std::string(self) + " --cut " + folder.string() + " --repeat " +
                                    std::to_string(options.repeat) + " --seconds " + std::to_string(options.seconds) +
                                    (options.realtime ? "" : " --no-realtime");
        std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
        double worst = 0;
        char word[64];
        for (std::size_t f = 0; pipe && f < all.size(); ++f) {
            double feed = 0;
            int moves = 0;
            double cpu = 0;
            long faults = 0;
            if (std::fscanf(pipe.get(), " feed %lf %d %lf %ld", &feed, &moves, &cpu, &faults) != 4) {
                break;
            }
            FeedFigures& figures = all[f];
            figures.feed = feed;
            figures.cpu_share = std::max(figures.cpu_share, cpu / 1e6);
            figures.faults = std::max(figures.faults, faults);
            for (int i = 0; i < moves; ++i) {
                double e = 0;
                (void)std::fscanf(pipe.get(), " %lf", &e);
                figures.feed_errors.push_back(e);
                worst = std::fabs(e) > std::fabs(worst) ? e : worst;
            }
            (void)std::fscanf(pipe.get(), " %63s", word); // the bar
            std::vector<double> lateness_us;
            double l = 0;
            while (std::fscanf(pipe.get(), " %lf", &l) == 1) {
                lateness_us.push_back(l);
            }
            if (f == 0 && !lateness_us.empty()) { // the first interval of the process
                char text[64];
                std::snprintf(text, sizeof text, " %+.2f/%+.2f", lateness_us[0],
                              lateness_us[0] - Percentile(lateness_us, 0.5));
                first_intervals += text;
            }
            figures.lateness_us.insert(figures.lateness_us.end(), lateness_us.begin(), lateness_us.end());
        }
        worst_by_start.push_back(worst);
    }
    std::printf("  worst feed error of each start:");
    for (const double w : worst_by_start) {
        std::printf(" %+.3f %%", w);
    }
    std::printf("\n  first interval of each start, us against its period / against the median interval:%s\n",
                first_intervals.c_str());
    for (const FeedFigures& figures : all) {
        figures.Print("  all starts, ");
    }
    std::filesystem::remove_all(folder);
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const bool has_value = i + 1 < argc;
        if (option == "--no-realtime") {
            options.realtime = false;
        } else if (option == "--repeat" && has_value) {
            options.repeat = std::max(1, std::atoi(argv[++i]));
        } else if (option == "--seconds" && has_value) {
            options.seconds = std::max(0.1, std::atof(argv[++i]));
        } else if (option == "--starts" && has_value) {
            options.starts = std::max(1, std::atoi(argv[++i]));
        } else if (option == "--scenario" && has_value) {
            options.scenario = argv[++i];
        } else if (option == "--load-command" && has_value) {
            options.load_command = argv[++i];
        } else if (option == "--loop-cal" && has_value) {
            options.loop_cal = std::atof(argv[++i]);
        } else if (option == "--cut" && has_value) {
            options.cut_folder = argv[++i];
        }
    }
    if (!options.cut_folder.empty()) {
        return CutFresh(options);
    }
    std::printf("Real-time priority %s; load: %s\n", options.realtime ? "where allowed" : "not used",
                options.load_command.empty() ? "one spinning thread per CPU" : options.load_command.c_str());
    const auto wanted = [&](const char* name) {
        return options.scenario == "all" || options.scenario == name;
    };
    if (wanted("idle")) {
        Scenario("Calibrated and cut in one process, idle", false, false, options);
    }
    if (wanted("load-after")) {
        Scenario("Calibrated idle, cut under a load started after the calibration", false, true, options);
    }
    if (wanted("load-before")) {
        Scenario("Calibrated under a load, cut idle", true, false, options);
    }
    if (wanted("fresh")) {
        FreshStarts(options, std::filesystem::read_symlink("/proc/self/exe").c_str());
    }
    return 0;
}
