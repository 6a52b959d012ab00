// Timings through the real windows on Qt's offscreen platform: the frame with its view, the Qt
// drawing surface and the Qt operator (scripted, so no dialog opens, but with its real yield), on
// a controller that runs offline on a simulated port with the steady clock.
//
// (a) File > Open of a generated CAM program (two blocks in five are arcs), a million lines unless
//     told otherwise, from the menu action to the painted view (the top view, then the 3-D view)
//     and on to the program check and the time-left estimate, which finish in the background: the
//     stages as `tamocnc --timing` reports them, the longest the window kept its events waiting
//     meanwhile, and the memory added per line.
// (b) Turning the 3-D view of that program with the mouse: frames a second while it turns, and the
//     whole picture once the button is let go.
// (c) The live trace's tick: a long G01 move with every wait at zero, so that what is timed is the
//     tick itself with its dot, the repaint request and the event processing of the yield.
//     Budget: 5 microseconds a tick on average.
//
// A plain executable that prints a report; it is not a test and CTest never runs it. Run it from an
// optimised build; the machine it runs on should be otherwise idle, or run it more than once.

#include "adaptive_program.h"
#include "cam_program.h"
#include "interpreter/cnc.h"
#include "platform/clock.h"
#include "platform/sim_port.h"
#include "ui/main_window.h"
#include "ui/qt_operator.h"
#include "ui/qt_surface.h"
#include "ui/velmor_view.h"
#include "ui/view_3d.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QMouseEvent>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Steady = std::chrono::steady_clock;

constexpr std::size_t kProgramLines = 1'000'000; // the default; the command line can change it
constexpr int kOpenRepeats = 2;
constexpr std::int64_t kMoveTicks = 200'000;
constexpr double kTickBudgetMicroseconds = 5.0;

// The frame as the program first opens it on a 1920 x 1080 screen: three quarters of it.
constexpr int kStartWidthPixels = 1440;
constexpr int kStartHeightPixels = 810;
constexpr int kOrbitFrames = 30;
constexpr int kDrawRepeats = 5;

double SecondsSince(Steady::time_point start) {
    return std::chrono::duration<double>(Steady::now() - start).count();
}

// Processor time of the whole process, every thread: on a shared machine the wall-clock figures
// also hold the time the threads waited for a processor; these do not.
double ProcessCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double Megabytes(std::int64_t bytes) {
    return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

// ---------------------------------------------------------------------------------------------
// Memory of the process, from /proc/self/status.

struct Memory {
    std::int64_t rss = 0;    // VmRSS, bytes
    std::int64_t in_use = 0; // what the allocator has handed out and not had back, bytes
};

Memory ReadMemory() {
    Memory memory;
    std::ifstream status("/proc/self/status");
    std::string line;
    auto field = [&line](std::string_view name, std::int64_t& out) {
        if (line.rfind(name, 0) == 0) {
            out = std::atoll(line.c_str() + name.size()) * 1024;
        }
    };
    while (std::getline(status, line)) {
        field("VmRSS:", memory.rss);
    }
    // The resident size also holds what the allocator keeps after a free, which depends on the
    // order of earlier allocations; the bytes in use do not.
    const struct mallinfo2 heap = mallinfo2();
    memory.in_use = static_cast<std::int64_t>(heap.uordblks + heap.hblkhd);
    return memory;
}

// ---------------------------------------------------------------------------------------------
// The tick times: the moment of every OnTick, which StepPulse calls at the end of its tick. The
// time between two of them is one whole tick: the yield of the first, then the interpolation and
// StepPulse of the second. Preallocated: recording a tick never allocates.

class TickTimes final : public tamo::TickObserver {
public:
    explicit TickTimes(std::size_t capacity) : stamps_(capacity) {}

    void OnTick(const tamo::Cnc& /*cnc*/) override {
        if (count_ < stamps_.size()) {
            stamps_[count_++] = Steady::now();
        }
    }

    void Clear() { count_ = 0; }
    [[nodiscard]] std::size_t count() const { return count_; }

    // Tick durations in microseconds.
    [[nodiscard]] std::vector<double> Durations() const {
        std::vector<double> us;
        us.reserve(count_);
        for (std::size_t i = 1; i < count_; ++i) {
            us.push_back(std::chrono::duration<double, std::micro>(stamps_[i] - stamps_[i - 1]).count());
        }
        return us;
    }

private:
    std::vector<Steady::time_point> stamps_;
    std::size_t count_ = 0;
};

struct Summary {
    double mean = 0;
    double median = 0;
    double p99 = 0;
    double max = 0;
};

Summary Summarise(std::vector<double> values) {
    Summary s;
    if (values.empty()) {
        return s;
    }
    double sum = 0;
    for (double v : values) {
        sum += v;
    }
    s.mean = sum / static_cast<double>(values.size());
    std::sort(values.begin(), values.end());
    s.median = values[values.size() / 2];
    const auto p99 = static_cast<std::size_t>(std::ceil(0.99 * static_cast<double>(values.size())));
    s.p99 = values[std::min(values.size(), std::max<std::size_t>(p99, 1)) - 1];
    s.max = values.back();
    return s;
}

// ---------------------------------------------------------------------------------------------
// The controller with its windows, as the program builds them.

// Counts the view's paint events, to show that the timed span did paint it.
class PaintCounter final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints_;
        }
        return QObject::eventFilter(watched, event);
    }
    [[nodiscard]] std::uint64_t paints() const { return paints_; }

private:
    std::uint64_t paints_ = 0;
};

struct Machine {
    tamo::SimulatedPort port;
    tamo::SteadyClock clock;
    tamo::ui::QtOperator op;
    tamo::ui::QtSurface surface;
    tamo::Cnc cnc{port, clock, op, surface};
    std::optional<tamo::ui::MainWindow> window;
    QAction* open_menu = nullptr;
    PaintCounter view_paints;

    Machine() {
        port.set_recording(false);
        op.set_scripted(true);
        // No configuration file: the start-up values, and nothing is written.
        cnc.StartUp(true);
        window.emplace(cnc, op, surface);
        window->set_end_process([] {});
        window->resize(kStartWidthPixels, kStartHeightPixels);
        window->show();
        QCoreApplication::processEvents();
        open_menu = window->findChild<QAction*>(QStringLiteral("Open_Menu"));
        window->view()->installEventFilter(&view_paints);
    }
    ~Machine() {
        if (window) {
            window->view()->removeEventFilter(&view_paints);
        }
    }
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    // File > Open of `path` as the operator chooses it, and the painting of the view.
    bool Open(const fs::path& path) {
        op.set_next_files({path.string()});
        open_menu->trigger();
        QCoreApplication::processEvents();
        return op.messages().empty();
    }
};

bool WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    return static_cast<bool>(out);
}

// ---------------------------------------------------------------------------------------------
// (a) File > Open of a CAM program, as the window times it for `tamocnc --timing`.

// The longest the windows' event loop kept a 5 ms timer waiting past its time: how long the
// window did not answer.
class Responsiveness final : public QObject {
public:
    Responsiveness() {
        timer_.setInterval(5);
        connect(&timer_, &QTimer::timeout, this, [this] {
            const double now = SecondsSince(start_);
            worst_ = std::max(worst_, now - last_ - 0.005);
            last_ = now;
        });
    }
    void Start() {
        start_ = Steady::now();
        last_ = 0;
        worst_ = 0;
        timer_.start();
    }
    // From the first turn of the event loop after the drawing on: the Open itself holds it.
    void Restart() {
        last_ = SecondsSince(start_);
        worst_ = 0;
    }
    double Stop() {
        timer_.stop();
        return worst_;
    }

private:
    QTimer timer_;
    Steady::time_point start_;
    double last_ = 0;
    double worst_ = 0;
};

struct Program {
    fs::path path;
    std::size_t lines = 0;
    std::int64_t bytes = 0;
    bool adaptive = false;
};

// `adaptive`: the program that never repeats an outline; else the S-bends repeated at every depth.
std::optional<Program> WriteProgram(const fs::path& folder, std::size_t lines, bool adaptive) {
    Program program{folder / ("cam" + std::to_string(lines) + ".txt"), lines, 0, adaptive};
    std::ofstream out(program.path, std::ios::binary);
    program.bytes = static_cast<std::int64_t>(adaptive ? bench::WriteAdaptiveProgram(out, lines)
                                                       : bench::WriteCamProgram(out, lines));
    out.close();
    if (!out) {
        std::printf("cannot write %s\n", program.path.c_str());
        return std::nullopt;
    }
    return program;
}

// File > Open, to the painted top view, or with View > 3-D on to the painted 3-D view.
bool BenchOpen(Machine& m, const fs::path& folder, const Program& program, bool three_d) {
    const fs::path small = folder / "one_line.txt";
    // Longer than a short string's inline room, so that its buffer replaces the big program's
    // rather than being copied into it.
    if (!WriteFile(small, "G01 X1.000 Y1.000 F300\n")) {
        std::printf("cannot write the programs into %s\n", folder.c_str());
        return false;
    }
    auto* view_3d = m.window->findChild<QAction*>(QStringLiteral("View_3D"));
    if (view_3d->isChecked() != three_d) {
        view_3d->trigger();
    }
    const std::size_t lines = program.lines;
    std::printf("(a) File > Open of a CAM program (%s; two blocks in five are arcs) to the painted %s view, "
                "stages as --timing reports them\n",
                program.adaptive ? "adaptive, never repeating an outline" : "passes, one outline at every depth",
                three_d ? "3-D" : "top");
    std::printf("    %zu lines, %lld bytes (%.1f MB, %.1f bytes a line)\n", lines,
                static_cast<long long>(program.bytes), Megabytes(program.bytes),
                static_cast<double>(program.bytes) / static_cast<double>(lines));

    std::string timing;
    m.window->ReportOpenTiming([&timing](const std::string& line) { timing = line; });
    Responsiveness answers;
    const int repeats = lines > 2'000'000 ? 1 : kOpenRepeats;
    double worst_paint = 0;
    for (int run = 1; run <= repeats; ++run) {
        // The previous big program goes before the next is timed, as it would when the
        // operator opens another file in between.
        if (!m.Open(small)) {
            std::printf("    the small program did not open\n");
            return false;
        }
        // The small program's check and estimate are out of the way before the clock starts.
        while ((!m.cnc.status.Check.starts_with("Program check: ") || m.cnc.KeptEstimate() == nullptr)) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        timing.clear();
        const Memory before = ReadMemory();
        m.op.set_next_files({program.path.string()});
        const Steady::time_point start = Steady::now();
        const double cpu_start = ProcessCpuSeconds();
        answers.Start();
        m.open_menu->trigger();
        const double opened = SecondsSince(start);
        const double opened_cpu = ProcessCpuSeconds() - cpu_start;
        answers.Restart();
        while (timing.empty()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        const double longest_wait = answers.Stop();
        const Memory after = ReadMemory();
        if (!m.op.messages().empty() || m.cnc.st.PrgLineCount != static_cast<int>(lines)) {
            std::printf("    the program did not load: %d lines\n", m.cnc.st.PrgLineCount);
            return false;
        }
        const double paint = std::atof(timing.c_str() + timing.find("paint ") + 6);
        worst_paint = std::max(worst_paint, paint);
        std::printf("    %s\n", timing.c_str());
        std::printf(
            "        Open_Menu %.3f s (processor %.3f s, all threads); afterwards the window waited at most %.0f ms; "
            "RSS %+.1f MB = %.1f bytes a line, allocated %+.1f MB = %.1f bytes a line\n",
            opened, opened_cpu, 1000 * longest_wait, Megabytes(after.rss - before.rss),
            static_cast<double>(after.rss - before.rss) / static_cast<double>(lines),
            Megabytes(after.in_use - before.in_use),
            static_cast<double>(after.in_use - before.in_use) / static_cast<double>(lines));
    }
    std::printf("    to the painted view: worst %.3f s\n", worst_paint);
    return true;
}

// ---------------------------------------------------------------------------------------------
// (b) Turning the 3-D view of the program last opened, as a drag of the left button does: frames
// a second, each to its painted picture, and the time one takes on the thread that draws it.

bool BenchOrbit(Machine& m) {
    auto* view_3d = m.window->findChild<QAction*>(QStringLiteral("View_3D"));
    if (!view_3d->isChecked()) {
        view_3d->trigger();
    }
    tamo::ui::View3D& view = *m.window->view_3d();
    view.Settle();
    const QPointF from(view.width() / 2.0, view.height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, from, view.mapToGlobal(from), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&view, &press);
    const Steady::time_point start = Steady::now();
    for (int frame = 1; frame <= kOrbitFrames; ++frame) {
        const QPointF to = from + QPointF(6.0 * frame, 2.0 * frame);
        QMouseEvent move(QEvent::MouseMove, to, view.mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&view, &move);
        view.Settle();
    }
    const double seconds = SecondsSince(start);
    QMouseEvent release(QEvent::MouseButtonRelease, from, view.mapToGlobal(from), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    const Steady::time_point let_go = Steady::now();
    QCoreApplication::sendEvent(&view, &release);
    view.Settle();
    const double whole = SecondsSince(let_go);
    std::printf("(b) turning the 3-D view of %d lines (%zu moves), %d x %d px: %.1f frames a second (%.0f ms a frame); "
                "the whole toolpath after the button is let go %.0f ms\n",
                m.cnc.st.PrgLineCount, m.cnc.toolpath()->moves().size(), view.width(), view.height(),
                kOrbitFrames / seconds, 1000 * seconds / kOrbitFrames, 1000 * whole);
    view_3d->trigger(); // the top view again, for what follows
    return true;
}

// ---------------------------------------------------------------------------------------------
// (d) The top view's drawing alone: the record of the program last opened, drawn again onto the
// cleared view as a redraw draws it (grid and axes, then every move), to the finished image.
// Repeated; the median and the spread.

// The calls the redraw makes for the record, move by move, in parts that the surface may draw on
// threads of its own.
void DrawRecord(const tamo::Toolpath& path, tamo::Surface& view) {
    const std::vector<tamo::ToolpathMove>& moves = path.moves();
    std::vector<std::uint32_t> arcs_before(moves.size() + 1, 0);
    for (std::size_t i = 0; i < moves.size(); ++i) {
        arcs_before[i + 1] = arcs_before[i] + (moves[i].arc() ? 1 : 0);
    }
    view.DrawMany(moves.size(), [&](std::size_t first, std::size_t end, tamo::StrokeSink& into) {
        double x = first > 0 ? moves[first - 1].x : 0;
        double y = first > 0 ? moves[first - 1].y : 0;
        std::size_t arc = arcs_before[first];
        for (std::size_t i = first; i < end; ++i) {
            const tamo::ToolpathMove& move = moves[i];
            if (move.kind() == tamo::MoveKind::Rapid) {
                into.Line(x, y, move.x, move.y, tamo::kGreen, tamo::LineStyle::Dash);
            } else if (move.kind() == tamo::MoveKind::Feed) {
                into.Line(x, y, move.x, move.y, tamo::kBlack, tamo::LineStyle::Solid);
            } else if (move.arc()) {
                const tamo::ToolpathArc& c = path.arcs()[arc++];
                into.Arc(c.cx, c.cy, c.r, c.from, c.to, tamo::kBlack);
            }
            x = move.x;
            y = move.y;
        }
    });
}

bool BenchDraw(Machine& m, std::size_t lines) {
    // The program check and the estimate that the Open started are let finish first, so that the
    // drawing has the processors to itself and its processor time is its own.
    const Steady::time_point waiting = Steady::now();
    while (m.cnc.KeptEstimate() == nullptr && SecondsSince(waiting) < 60) {
        QCoreApplication::processEvents();
        usleep(2000);
    }
    const std::size_t moves = m.cnc.toolpath()->moves().size();
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int run = 0; run < kDrawRepeats; ++run) {
        const Steady::time_point start = Steady::now();
        const double cpu_start = ProcessCpuSeconds();
        m.cnc.view().Clear();
        m.cnc.Cordinate();
        DrawRecord(*m.cnc.toolpath(), m.surface);
        (void)m.surface.image();
        wall.push_back(SecondsSince(start));
        cpu.push_back(ProcessCpuSeconds() - cpu_start);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("(d) the top view's drawing of %zu lines (%zu moves), %d x %d px, %d times: median %.3f s (%.3f to "
                "%.3f), processor median %.3f s (%.3f to %.3f)\n",
                lines, moves, m.window->view()->width(), m.window->view()->height(), kDrawRepeats,
                wall[wall.size() / 2], wall.front(), wall.back(), cpu[cpu.size() / 2], cpu.front(), cpu.back());
    return true;
}

// ---------------------------------------------------------------------------------------------
// (c) The live trace's tick.

// One diagonal move of kMoveTicks ticks from where the machine is to (x, y), its dots every
// `plot_step` of travel, timed tick by tick.
Summary TimeMove(Machine& m, TickTimes& times, double x, double y, double plot_step, std::uint64_t& yields,
                 std::uint64_t& paints) {
    tamo::MachineState& st = m.cnc.st;
    st.GCode = "G01";
    st.ProgFeed = 300;
    st.TargetX = x;
    st.TargetY = y;
    st.TargetZ = st.ProgPosZ;
    st.StopRequest = false;
    st.PlotStep = plot_step;
    st.PlotTravel = 0;
    times.Clear();
    const std::uint64_t yields_before = m.op.yields();
    const std::uint64_t paints_before = m.view_paints.paints();
    m.cnc.LinearMove();
    yields = m.op.yields() - yields_before;
    paints = m.view_paints.paints() - paints_before;
    return Summarise(times.Durations());
}

bool BenchTick(Machine& m, const fs::path& folder) {
    tamo::MachineState& st = m.cnc.st;
    const double far_x = static_cast<double>(kMoveTicks) * st.UnitsPerStepX;
    const double far_y = static_cast<double>(kMoveTicks) * st.UnitsPerStepY;

    // The move as a one-line program, so that the view is mapped to it and the dots land across
    // the whole view, as they do in a run of it.
    const fs::path program = folder / "diagonal.txt";
    char line[96];
    std::snprintf(line, sizeof line, "G01 X%.6f Y%.6f F300\n", far_x, far_y);
    if (!WriteFile(program, line) || !m.Open(program)) {
        std::printf("the diagonal program did not open\n");
        return false;
    }
    // As a run starts: pen width 2. Every wait at zero: a loop calibration of 0 makes every feed
    // and ramp delay 0, and the pulse width is 0.
    m.cnc.view().SetDrawWidth(2);
    st.LoopCal = 0;
    st.PulseWidth = 0.0;
    const double as_it_comes = st.PlotStep;

    TickTimes times(static_cast<std::size_t>(kMoveTicks) + 16);
    m.cnc.set_tick_observer(&times);
    std::printf("(b) live trace tick: G01 diagonal of %lld ticks, LoopCal 0, pulse width 0, offline, view %d px\n",
                static_cast<long long>(kMoveTicks), m.window->view()->width());
    std::printf("    %-28s %8s %8s %8s %8s %8s  (microseconds a tick)\n", "dots", "paints", "mean", "median", "p99",
                "max");

    struct Case {
        const char* name;
        double plot_step;
    };
    char comes[64];
    std::snprintf(comes, sizeof comes, "every %.0f ticks (as it comes)", as_it_comes / st.UnitsPerStepX);
    const Case cases[] = {
        {"every tick", 0.5 * st.UnitsPerStepX},
        {"every 3 ticks", 2.5 * st.UnitsPerStepX},
        {comes, as_it_comes},
    };
    bool toward_far = true;
    double worst_mean = 0;
    bool all_ticks = true;
    for (const Case& c : cases) {
        std::uint64_t yields = 0;
        std::uint64_t paints = 0;
        const Summary s =
            TimeMove(m, times, toward_far ? far_x : 0.0, toward_far ? far_y : 0.0, c.plot_step, yields, paints);
        toward_far = !toward_far;
        std::printf("    %-28s %8llu %8.3f %8.3f %8.3f %8.1f\n", c.name, static_cast<unsigned long long>(paints),
                    s.mean, s.median, s.p99, s.max);
        all_ticks = all_ticks && times.count() == static_cast<std::size_t>(kMoveTicks) &&
                    yields == static_cast<std::uint64_t>(kMoveTicks);
        worst_mean = std::max(worst_mean, s.mean);
    }
    m.cnc.set_tick_observer(nullptr);
    if (!all_ticks) {
        std::printf("    a move did not run all its ticks\n");
        return false;
    }
    std::printf("    budget mean %.1f us: %s (worst mean %.3f us)\n", kTickBudgetMicroseconds,
                worst_mean <= kTickBudgetMicroseconds ? "met" : "MISSED", worst_mean);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    // Programs use the point as decimal separator whatever the locale, as in the program itself.
    std::setlocale(LC_NUMERIC, "C");

    // gui_bench [open|open3d|orbit|draw|tick|all] [lines,lines,...] [passes|adaptive]: one part only, other
    // sizes, the program of passes repeated at every depth (the default) or the one that never
    // repeats an outline.
    const QStringList args = QCoreApplication::arguments();
    const QString part = args.size() > 1 ? args[1] : QStringLiteral("all");
    std::vector<std::size_t> sizes{kProgramLines};
    const char* const usage =
        "usage: gui_bench [open|open3d|orbit|draw|tick|all] [lines,... each 16 to 20000000] [passes|adaptive]\n";
    const bool adaptive = args.size() > 3 && args[3] == QStringLiteral("adaptive");
    if (args.size() > 3 && !adaptive && args[3] != QStringLiteral("passes")) {
        std::fprintf(stderr, "%s", usage);
        return 2;
    }
    if (args.size() > 2) {
        sizes.clear();
        for (const QString& size : args[2].split(QLatin1Char(','))) {
            bool number = false;
            const qulonglong wanted = size.toULongLong(&number);
            if (!number || wanted < 16 || wanted > 20'000'000) {
                std::fprintf(stderr, "%s", usage);
                return 2;
            }
            sizes.push_back(static_cast<std::size_t>(wanted));
        }
    }
    const QStringList parts{QStringLiteral("open"), QStringLiteral("open3d"), QStringLiteral("orbit"),
                            QStringLiteral("draw"), QStringLiteral("tick")};
    if (part != QStringLiteral("all") && !parts.contains(part)) {
        std::fprintf(stderr, "%s", usage);
        return 2;
    }
    auto runs = [&part](const char* name) {
        return part == QStringLiteral("all") || part == QLatin1String(name);
    };

    const fs::path folder = fs::temp_directory_path() / ("tamo-gui-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    bool ok = true;
    {
        Machine machine;
        std::printf("gui_bench: the frame at %d x %d px on the %s platform, view %d x %d px\n", machine.window->width(),
                    machine.window->height(), qPrintable(QGuiApplication::platformName()),
                    machine.window->view()->width(), machine.window->view()->height());
        for (const std::size_t lines : sizes) {
            const std::optional<Program> program = WriteProgram(folder, lines, adaptive);
            ok = ok && program.has_value();
            if (ok && runs("open")) {
                ok = BenchOpen(machine, folder, *program, false);
            }
            if (ok && runs("open3d")) {
                ok = BenchOpen(machine, folder, *program, true);
            }
            if (ok && runs("orbit")) {
                ok = (runs("open3d") || machine.Open(program->path)) && BenchOrbit(machine);
            }
            if (ok && runs("draw")) {
                auto* view_3d = machine.window->findChild<QAction*>(QStringLiteral("View_3D"));
                if (view_3d->isChecked()) {
                    view_3d->trigger();
                }
                ok = (runs("open") || machine.Open(program->path)) && BenchDraw(machine, lines);
            }
            if (program) {
                fs::remove(program->path);
            }
        }
        if (ok && runs("tick")) {
            ok = BenchTick(machine, folder);
        }
    }

    std::error_code ignored;
    fs::remove_all(folder, ignored);
    return ok ? 0 : 2;
}
