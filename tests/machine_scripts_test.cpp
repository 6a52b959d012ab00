// The core as the panel drives it, from the scripts in tests/golden/machine: one step a row, on a
// machine started online and calibrated unless a "start" row says otherwise. The verbs:
//   start | offline | uncalibrated   a fresh machine, started offline and/or with no calibration (else
//                                    the first row starts one online and calibrated)
//   machine | TEXT [| REFUSAL]       the machine settings hold TEXT, their page confirmed; or TEXT is
//                                    refused for REFUSAL (REFUSAL... its beginning)
//   open | TEXT                      the program TEXT, chosen in File > Open
//   parse | LINE                     LINE read as the run loop reads it, nothing moved
//   set | FIELD | VALUE              a field of the panel or the machine; "switches" is the status byte
//   type | LINE                      LINE run from the Point page ("answer" then reads its answer there)
//   answer | yes or no               the answer to the next question
//   do | ACTION | ARG...             a panel action, with its arguments
//   at | N | VERB | ...              the step at the N-th yield from now, as a press during a move
//   tick | N | VERB | ...            the step after the N-th tick of the motors from now
//   on_message | PREFIX | VERB | ... the step whenever a message that begins with PREFIX is shown
//   clear                            forget the port's writes, the operator's messages and the drawing
//   mark                             the field "seconds" counts from now
//   live                             from now on the readouts are brought up to date at every yield, as
//                                    the frame's timer does ("live_updates" counts the updates)
//   expect | FIELD | VALUE [| TOL]   the field reads VALUE; a number within TOL (1e-9), "> V" or "< V"
//   steps | X Y Z                    the step pulses since the last clear, summed per axis
//   pulses | X Y Z                   the pulses since the last clear, counted per axis either way; "*": any
//   held | BITS                      every write since the last clear has BITS high
//   lifts | Z0 | HEIGHT              from Z0, Z rises to HEIGHT and X and Y step only at that height
//   phases | TEXT                    which axes moved in turn since the last clear ("XY Z XY")
//   dones | N                        the runs that reported their end
//   message | N | TEXT [| TITLE]     the N-th message since the last clear, and its title; TEXT... its
//                                    beginning
//   messages | N                     the messages since the last clear
//   told | TEXT                      a message since the last clear holds TEXT
//   logged | TEXT                    the log holds TEXT
//   first | FIELD | PREFIX | TEXT    from now on, the first reading at a yield that begins with PREFIX
//                                    is TEXT, checked at the script's end
// An unknown verb, field or action fails the script. Fields of several values ("scale", "axis")
// are written with commas between them.

#include "golden_rows.h"
#include "interpreter/motion_word.h"
#include "motor_steps.h"
#include "test_machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <type_traits>

namespace tamo {
namespace {

using namespace test;

struct Field {
    std::function<std::string()> get;
    std::function<void(const std::string&)> set = [](const std::string&) {
        FAIL() << "the field is read only";
    };
    bool number = false;
};

// A field that is only read, or only written (it then reads as empty).
Field Read(std::function<std::string()> get) {
    return {std::move(get)};
}
Field Write(std::function<void(const std::string&)> set) {
    return {[] { return std::string(); }, std::move(set)};
}
std::string YesNo(bool v) {
    return v ? "true" : "false";
}

template <class T> Field Bind(T& v) {
    if constexpr (std::is_same_v<T, std::string>) {
        return {[&v] { return v; },
                [&v](const std::string& s) {
                    v = s;
                }};
    } else if constexpr (std::is_same_v<T, bool>) {
        return {[&v] { return YesNo(v); },
                [&v](const std::string& s) {
                    v = s == "true";
                }};
    } else if constexpr (std::is_same_v<T, double>) {
        return {[&v] { return (std::ostringstream() << v).str(); }, [&v](const std::string& s) { v = std::stod(s); },
                true};
    } else if constexpr (std::is_same_v<T, int>) {
        return {[&v] { return std::to_string(v); },
                [&v](const std::string& s) {
                    v = std::stoi(s);
                }};
    } else { // an array of texts
        return {[&v] {
                    std::string text;
                    for (const std::string& s : v) {
                        text += (text.empty() && &s == &v[0] ? "" : ",") + s;
                    }
                    return text;
                },
                [&v](const std::string& s) {
                    std::istringstream in(s);
                    for (std::string& item : v) {
                        std::getline(in, item, ',');
                    }
                }};
    }
}

class MachineScript : public ::testing::TestWithParam<std::string> {
protected:
    std::optional<TestMachine> machine_;
    std::int64_t mark_ns_ = 0; // where "seconds" counts from
    int live_updates_ = 0;     // the readouts' live updates at the yields since "live"
    bool live_ = false;
    // Counts the ticks and runs the steps due at a tick. Watches them as the motors and the spindle
    // see them: the feed ticks (G01-G03) and those whose step went out with the spindle's pin 8 low,
    // the ticks of each program line, the spindle's switches by line; and since the last clear, the
    // highest machine Z and how far X went from where it stood.
    struct Ticks : TickObserver {
        std::size_t count = 0;
        std::function<void(std::size_t)> after;
        Cnc* cnc = nullptr;
        const SimulatedPort* port = nullptr;
        int feeds = 0, dry = 0;
        std::map<int, int> per_line;
        std::string switched;
        double top_z = -1e300, x0 = 0, reach_x = 0;
        void OnTick(const Cnc& c) override {
            const Motion m = MotionOf(c.st.GCode);
            if ((c.st.StepDirX != 0 || c.st.StepDirY != 0 || c.st.StepDirZ != 0) && m != Motion::Rapid &&
                m != Motion::None) {
                // The write that raised this tick's step lines, before a stop in the tick's switch check.
                const auto& w = port->writes();
                const int steps = c.st.StepMaskX | c.st.StepMaskY | c.st.StepMaskZ;
                const auto raised = std::find_if(w.rbegin(), w.rend(), [steps](const auto& write) {
                    return write.address == kDataRegister && (write.value & steps) != 0;
                });
                ++feeds;
                dry += raised == w.rend() || (raised->value & 64) == 0;
            }
            ++per_line[c.st.PrgLineNo];
            top_z = std::max(top_z, c.st.MachPosZ);
            reach_x = std::max(reach_x, std::fabs(c.st.MachPosX - x0));
            if (after) {
                after(++count);
            }
            if (count > 100000) { // a release ramp that never ends fails the script instead of hanging it
                cnc->st.RampDownAngle = 0;
            }
        }
        void OnOutputs(const Cnc& c) override {
            switched += (switched.empty() ? "" : ",") + std::to_string(c.st.PrgLineNo) + ":" +
                        (c.st.SpindleOn ? (c.st.SpindleCcw ? "ccw" : "cw") : "off");
        }
    } ticks_;
    std::map<std::uint64_t, std::vector<Row>> at_tick_;             // steps due at a tick
    std::map<std::uint64_t, std::vector<Row>> at_;                  // steps due at a yield
    std::vector<std::pair<Row, std::optional<std::string>>> first_; // "first" rows, what each saw

    // What the operator was told, asked and the log kept, machine by machine: the script's .log golden.
    std::string transcript_;
    std::uint64_t logged_ = 0;
    std::size_t asked_ = 0;
    std::vector<std::string> opened_; // the programs' files, written "PROGRAM" there
    void Transcribe() {
        if (!machine_) {
            return;
        }
        const auto line = [this](const char* what, std::string text) {
            for (const std::string& file : opened_) {
                for (auto at = text.find(file); at != std::string::npos; at = text.find(file)) {
                    text.replace(at, file.size(), "PROGRAM");
                }
            }
            transcript_ += what + text + "\n";
        };
        for (const auto& m : machine_->op.messages()) {
            line("told: ", m.text);
        }
        for (; asked_ < machine_->op.questions().size(); ++asked_) {
            line("asked: ", machine_->op.questions()[asked_].text);
        }
        for (const auto& e : machine_->cnc.log.entries()) {
            if (e.number > logged_) {
                line("log: ", e.text);
            }
        }
        logged_ = machine_->cnc.log.added();
    }

    // TEXT, or TEXT... for its beginning.
    static void Matches(const std::string& text, const std::string& want) {
        const bool start = want.ends_with("...");
        EXPECT_EQ(start ? text.substr(0, want.size() - 3) : text, start ? want.substr(0, want.size() - 3) : want);
    }

    void CheckFirsts() const {
        for (const auto& [row, seen] : first_) {
            EXPECT_EQ(seen.value_or("(never)"), row[3]) << row[1] << " beginning " << row[2];
        }
    }

    void Observe() {
        ticks_ = Ticks{};
        ticks_.after = [this](std::size_t count) {
            if (const auto due = at_tick_.find(count); due != at_tick_.end()) {
                for (const Row& step : std::vector<Row>(due->second)) {
                    Step(step);
                }
            }
        };
        ticks_.cnc = &machine_->cnc;
        ticks_.port = &machine_->port;
        machine_->cnc.set_tick_observer(&ticks_);
    }

    // Runs the steps due and reads the watched fields at every yield of the operator.
    void Hook() {
        if (!at_.empty() || !first_.empty() || live_) {
            return;
        }
        M().op.OnYield([this](std::uint64_t count) {
            live_updates_ += live_ && M().cnc.LiveUpdate() ? 1 : 0;
            for (auto& [row, seen] : first_) {
                M().cnc.UpdateStatus();
                if (const std::string got = FieldNamed(row[1]).get(); !seen && got.starts_with(row[2])) {
                    seen = got;
                }
            }
            if (const auto due = at_.find(count); due != at_.end()) {
                for (const Row& step : std::vector<Row>(due->second)) {
                    Step(step);
                }
            }
        });
    }

    TestMachine& M() {
        if (!machine_) {
            machine_.emplace();
            Observe();
        }
        return *machine_;
    }

    Field FieldNamed(const std::string& name) {
        Cnc& c = M().cnc;
        MachineState& st = c.st;
        const std::map<std::string, Field> fields{
            {"ProgPosX", Bind(st.ProgPosX)},
            {"ProgPosY", Bind(st.ProgPosY)},
            {"ProgPosZ", Bind(st.ProgPosZ)},
            {"MachPosX", Bind(st.MachPosX)},
            {"MachPosY", Bind(st.MachPosY)},
            {"MachPosZ", Bind(st.MachPosZ)},
            {"ProgFeed", Bind(st.ProgFeed)},
            {"StartZ", Bind(st.StartZ)},
            {"TargetZ", Bind(st.TargetZ)},
            {"LoopCal", Bind(st.LoopCal)},
            {"LoopCalMm", Bind(st.LoopCalMm)},
            {"PrgLineNo", Bind(st.PrgLineNo)},
            {"PrgLineCount", Bind(st.PrgLineCount)},
            {"GCode", Bind(st.GCode)},
            {"ContinueRun", Bind(st.ContinueRun)},
            {"StopRequest", Bind(st.StopRequest)},
            {"SingleStep", Bind(st.SingleStep)},
            {"Text1", Bind(c.main.Text1)},
            {"Text2", Bind(c.main.Text2)},
            {"Overide", Bind(c.main.Overide)},
            {"Check1", Bind(c.main.Check1)},
            {"StepLineNo", Bind(c.main.StepLineNo)},
            {"VisiblePage", Bind(c.main.VisiblePage)},
            {"Timer1Enabled", Bind(c.main.Timer1Enabled)},
            {"Timer1Interval", Bind(c.main.Timer1Interval)},
            {"PrgOutlbl", Bind(c.main.PrgOutlbl)},
            {"MachOutLl", Bind(c.main.MachOutLl)},
            {"HomeSwitch", Bind(c.settings.Check1[0])},
            {"scale", Bind(c.scale.Combo1)},
            {"axis", Bind(c.manual.Axis)},
            {"feed", Bind(c.manual.Feed)},
            {"line", Bind(c.manual.Line)},
            {"Refused", Bind(c.manual.Refused)},
            {"status.Left", Bind(c.status.Left)},
            {"status.Line", Bind(c.status.Line)},
            {"status.Time", Bind(c.status.Time)},
            {"status.Notice", Bind(c.status.Notice)},
            {"status.Machine", Bind(c.status.Machine)},
            {"listing", Read([&c] { return std::to_string(c.ListingLine()); })},
            {"running", Read([&c] { return YesNo(c.Running()); })},
            {"resumes", Read([&c] { return YesNo(c.StartResumes()); })},
            {"ArcDir", Bind(st.ArcDir)},
            {"ArcCenterX", Bind(st.ArcCenterX)},
            {"ArcCenterY", Bind(st.ArcCenterY)},
            {"ZMoveToLineDist", Write([&st](const std::string& v) { st.ZMoveToLineDist = v; })},
            {"UnitIsInch", Write([&st](const std::string& v) { st.UnitIsInch = v == "true"; })},
            {"dots", {[this] {
                 std::ostringstream dots;
                 for (const auto& d : M().view.ops_of(RecordingSurface::Kind::Dot)) {
                     dots << (dots.tellp() > 0 ? " / " : "") << d.a << " " << d.b << " " << int(d.colour.r) << ","
                          << int(d.colour.g) << "," << int(d.colour.b) << " " << d.width;
                 }
                 return dots.str();
             }}},
            {"StepDelay", Bind(st.StepDelay)},
            {"FeedRate", Bind(st.FeedRate)},
            {"JogSlowX", Write([&st](const std::string& v) { st.JogSlowX = std::stod(v); })},
            {"advance_ms", Write([this](const std::string& v) { M().clock.Advance(std::stoull(v)); })},
            {"live_updates", Read([this] { return std::to_string(live_updates_); })},
            {"ns_per_iteration", Write([this](const std::string& v) { M().clock.set_ns_per_iteration(std::stod(v)); })},
            {"ticks", Read([this] { return std::to_string(ticks_.count); })},
            {"feed_ticks", {[this] { return std::to_string(ticks_.feeds); }, {}, true}},
            {"dry_ticks", Read([this] { return std::to_string(ticks_.dry); })},
            {"line_ticks", Read([this] {
                 std::string text;
                 for (const auto& [line, n] : ticks_.per_line) {
                     text += (text.empty() ? "" : ",") + std::to_string(line) + ":" + std::to_string(n);
                 }
                 return text;
             })},
            {"switched", Read([this] { return ticks_.switched; })},
            {"top_z", {[this] { return (std::ostringstream() << ticks_.top_z).str(); }, {}, true}},
            {"reach_x", {[this] { return (std::ostringstream() << ticks_.reach_x).str(); }, {}, true}},
            {"focus_handovers", Read([this] { return std::to_string(M().op.focus_handovers()); })},
            {"writes", {[this] { return std::to_string(M().port.write_count()); }, {}, true}},
            {"port_digest", {[this] { // the writes since the last clear (FNV-1a), and the clock's iterations
                 std::uint64_t h = 14695981039346656037ULL;
                 for (const auto& w : M().port.writes()) {
                     h = (h ^ (std::uint64_t{w.address} << 16 | static_cast<std::uint16_t>(w.value))) *
                         1099511628211ULL;
                 }
                 return std::to_string(h) + " " + std::to_string(M().clock.iterations());
             }}},
            {"Command7Enabled", Bind(c.main.Command7Enabled)},
            {"ConfigPath",
             {[&c] { return c.ConfigPath.string(); },
              [&c](const std::string& v) {
                  c.ConfigPath = v;
              }}},
            {"dialog_dir", Read([this] { return M().op.last_dialog_dir(); })},
            {"exit_confirmed", Read([&c] { return YesNo(c.ExitConfirmed()); })},
            {"questions", Read([this] { return std::to_string(M().op.questions().size()); })},
            {"yields", Read([this] { return std::to_string(M().op.yields()); })},
            {"Homed", Bind(st.Homed)},
            {"Previewing", Bind(st.Previewing)},
            {"run_log", {[&c] {
                 std::string runs;
                 for (const auto& entry : c.log.entries()) {
                     runs += entry.text.starts_with("Run ") ? (runs.empty() ? "" : " / ") + entry.text : "";
                 }
                 return runs;
             }}},
            {"trace_width", {[this] {
                 const auto points = M().view.ops_of(RecordingSurface::Kind::Point);
                 return points.empty() ? std::string("none") : std::to_string(points.front().width);
             }}},
            {"busy", Read([this] { return YesNo(M().op.busy()); })},
            {"status.State", Bind(c.status.State)},
            {"answer", Read([&c] { return c.manual.History.empty() ? "" : c.manual.History.back().Answer; })},
            {"question", Read([this] { return M().op.questions().empty() ? "" : M().op.questions().back().text; })},
            {"data", Read([this] { return std::to_string(M().Data()); })},
            {"control", Read([this] { return std::to_string(M().Control()); })},
            {"outputs", Read([&c] { return std::string(c.AnyOutputOn() ? "on" : "off"); })},
            {"switches",
             Write([this](const std::string& v) { M().port.set_status(static_cast<std::int16_t>(std::stoi(v))); })},
            {"seconds",
             {[this] { return std::to_string(static_cast<double>(M().clock.NowNs() - mark_ns_) / 1e9); }, {}, true}},
        };
        const auto f = fields.find(name);
        EXPECT_NE(f, fields.end()) << "no field " << name;
        return f == fields.end() ? Field{[] {
            return std::string();
        }}
                                 : f->second;
    }

    void Do(const std::string& action, const std::vector<std::string>& arg) {
        const auto n = [&arg](std::size_t i) {
            return std::stoi(arg.at(i));
        };
        Cnc& c = M().cnc;
        const std::map<std::string, void (Cnc::*)()> plain{
            {"Start", &Cnc::Start},
            {"Pause", &Cnc::Pause},
            {"StepForward", &Cnc::StepForward},
            {"StepForwardPressed", &Cnc::StepForwardPressed},
            {"StepForwardReleased", &Cnc::StepForwardReleased},
            {"Timer1Tick", &Cnc::Timer1Tick},
            {"StepBack", &Cnc::StepBack},
            {"StepReset", &Cnc::StepReset},
            {"MoveToEndOfLine", &Cnc::MoveToEndOfLine},
            {"ResetProgram", &Cnc::ResetProgram},
            {"SelectStepMode", &Cnc::SelectStepMode},
            {"SelectContinuousMode", &Cnc::SelectContinuousMode},
            {"Open_Menu", &Cnc::Open_Menu}, // with no file chosen: cancelled
            {"ViewKeyPress", &Cnc::ViewKeyPress},
            {"HomeTheMachine", &Cnc::HomeTheMachine},
            {"DispatchMove", &Cnc::DispatchMove},
            {"ProbeZ", &Cnc::ProbeZ},
            {"FasterSlowerReleased", &Cnc::FasterSlowerReleased},
            {"ExitProgram", &Cnc::ExitProgram},
            {"MoveToPoint", &Cnc::MoveToPoint},
            {"UpdateStatus", &Cnc::UpdateStatus},
            {"UpdateReadouts", &Cnc::UpdateReadouts},
            {"ZeroPrg", &Cnc::ZeroPrg},
            {"Spdtest", &Cnc::Spdtest},
        };
        if (const auto a = plain.find(action); a != plain.end()) {
            (c.*a->second)();
        } else if (action == "RunManualLine") {
            c.RunManualLine();
        } else if (action == "Estimate") {
            (void)c.Estimate();
        } else if (action == "SetHomeOption") {
            c.SetHomeOption(n(0), true);
        } else if (action == "SelectJogSpeed") {
            c.SelectJogSpeed(n(0));
        } else if (action == "JogPressed") {
            c.JogPressed(n(0), n(1));
        } else if (action == "JogReleased") {
            c.JogReleased(n(0), n(1));
        } else if (action == "OverideTyped") {
            c.OverideTyped(arg.at(0));
        } else if (action == "OverideChosen") {
            c.OverideChosen(arg.at(0));
        } else if (action == "Text3Typed") {
            c.Text3Typed(arg.at(0));
        } else if (action == "FasterSlower") {
            c.FasterSlower(n(0));
        } else if (action == "SelectJogIncrement") {
            c.SelectJogIncrement(n(0));
        } else if (action == "RunFromLine") {
            c.RunFromLine(n(0));
        } else if (action == "ShowPage") {
            c.ShowPage(n(0));
        } else {
            FAIL() << "no action " << action;
        }
    }

    void Step(const Row& row) {
        const auto arg = [&row](std::size_t i) {
            return i < row.size() ? row[i] : std::string();
        };
        const auto axes = [&](bool either) { // "*" for an axis whose count is not told
            Steps sum{};
            for (const Steps& s : MotorSteps(M().port)) {
                for (std::size_t a = 0; a < 3; ++a) {
                    sum[a] += either ? std::abs(s[a]) : s[a];
                }
            }
            std::istringstream want(arg(1));
            std::string text, w;
            for (std::size_t a = 0; a < 3 && want >> w; ++a) {
                text += (a == 0 ? "" : " ") + (w == "*" ? w : std::to_string(sum[a]));
            }
            return text;
        };
        const std::string& verb = row[0];
        if (verb == "start") {
            for (std::size_t i = 1; i < row.size(); ++i) {
                ASSERT_TRUE(row[i] == "offline" || row[i] == "uncalibrated") << "no start " << row[i];
            }
            CheckFirsts();
            Transcribe();
            transcript_ += "-- start\n";
            logged_ = 0;
            asked_ = 0;
            at_.clear();
            mark_ns_ = 0;
            live_ = false;
            live_updates_ = 0;
            at_tick_.clear();
            first_.clear();
            machine_.reset();
            machine_.emplace(TestMachine::NotStarted{});
            machine_->st.LoopCalIn = arg(1) == "uncalibrated" || arg(2) == "uncalibrated" ? 0 : 2362;
            machine_->st.LoopCalMm = machine_->st.LoopCalIn == 0 ? 0 : 60000;
            machine_->cnc.StartUp(arg(1) == "offline");
            if (machine_->st.LoopCalMm != 0) {
                machine_->clock.set_ns_per_iteration(0); // as on every calibrated test machine
            }
            Observe();
        } else if (verb == "machine" && row.size() > 2) {
            Matches(M().cnc.LoadMachineSettingsText(arg(1)), arg(2));
        } else if (verb == "machine") {
            ASSERT_EQ(M().cnc.LoadMachineSettingsText(arg(1)), "");
            ASSERT_TRUE(M().cnc.MachinePageOk());
        } else if (verb == "open") {
            opened_.push_back(M().Load(arg(1)));
        } else if (verb == "parse") {
            M().Parse(arg(1));
        } else if (verb == "set") {
            FieldNamed(arg(1)).set(arg(2));
        } else if (verb == "do") {
            Do(arg(1), Row(row.begin() + 2, row.end()));
        } else if (verb == "at") {
            Hook();
            at_[M().op.yields() + std::stoull(arg(1))].emplace_back(row.begin() + 2, row.end());
        } else if (verb == "on_message") {
            M().op.OnMessage([this, prefix = arg(1), rest = Row(row.begin() + 2, row.end())](const auto& message) {
                if (message.text.starts_with(prefix)) {
                    Step(rest);
                }
            });
        } else if (verb == "tick") {
            at_tick_[ticks_.count + std::stoull(arg(1))].emplace_back(row.begin() + 2, row.end());
        } else if (verb == "first") {
            Hook();
            first_.push_back({row, std::nullopt});
        } else if (verb == "type") {
            M().cnc.manual.Line = arg(1);
            M().cnc.RunManualLine();
        } else if (verb == "answer") {
            M().op.QueueAnswer(arg(1) == "yes");
        } else if (verb == "live") {
            Hook();
            live_ = true;
        } else if (verb == "mark") {
            mark_ns_ = M().clock.NowNs();
        } else if (verb == "clear") {
            Transcribe();
            ticks_.top_z = -1e300;
            ticks_.x0 = M().st.MachPosX;
            ticks_.reach_x = 0;
            M().port.clear();
            M().view.clear_ops();
            M().op.clear_messages();
        } else if (verb == "expect") {
            const Field f = FieldNamed(arg(1));
            const std::string got = f.get();
            if (f.number && arg(2).starts_with("> ")) {
                EXPECT_GT(std::stod(got), std::stod(arg(2).substr(2))) << arg(1);
            } else if (f.number && arg(2).starts_with("< ")) {
                EXPECT_LT(std::stod(got), std::stod(arg(2).substr(2))) << arg(1);
            } else if (f.number) {
                EXPECT_NEAR(std::stod(got), std::stod(arg(2)), row.size() > 3 ? std::stod(arg(3)) : 1e-9) << arg(1);
            } else {
                EXPECT_EQ(got, arg(2)) << arg(1);
            }
        } else if (verb == "steps" || verb == "pulses") {
            EXPECT_EQ(axes(verb == "pulses"), arg(1)) << verb;
        } else if (verb == "held") {
            for (const auto& w : M().port.writes()) {
                EXPECT_EQ(w.value & std::stoi(arg(1)), std::stoi(arg(1))) << "a write of " << w.value;
            }
        } else if (verb == "lifts") {
            double z = std::stod(arg(1)), highest = z;
            const double height = std::stod(arg(2));
            for (const Steps& s : MotorSteps(M().port)) {
                z += s[2] * 0.0075;
                highest = std::max(highest, z);
                EXPECT_TRUE((s[0] == 0 && s[1] == 0) || z >= height - 0.0075) << z; // not a whole number of steps
            }
            EXPECT_NEAR(highest, height, 0.0075);
        } else if (verb == "phases") {
            EXPECT_EQ(Phases(MotorSteps(M().port)), arg(1));
        } else if (verb == "dones") {
            EXPECT_EQ(M().Dones(), std::stol(arg(1)));
        } else if (verb == "messages") {
            EXPECT_EQ(M().op.messages().size(), std::stoul(arg(1)));
        } else if (verb == "message") {
            const std::size_t n = std::stoul(arg(1));
            ASSERT_GE(M().op.messages().size(), n);
            Matches(M().op.messages()[n - 1].text, arg(2));
            if (row.size() > 3) {
                EXPECT_EQ(M().op.messages()[n - 1].title, arg(3));
            }
        } else if (verb == "told") {
            EXPECT_TRUE(M().Told(arg(1))) << arg(1);
        } else if (verb == "logged") {
            EXPECT_TRUE(M().Logged(arg(1))) << arg(1);
        } else {
            FAIL() << "no verb " << verb;
        }
    }
};

TEST_P(MachineScript, MovesAndTellsAsTheOperatorExpects) {
    std::size_t n = 0;
    for (const Row& row : GoldenRows("machine/" + GetParam() + ".txt")) {
        SCOPED_TRACE(testing::Message() << "step " << ++n << ": " << row[0] << " " << (row.size() > 1 ? row[1] : ""));
        Step(row);
        if (HasFatalFailure()) {
            return;
        }
    }
    CheckFirsts();
    Transcribe();
    const fs::path golden = fs::path(TAMO_SOURCE_DIR) / "tests/golden/machine" / (GetParam() + ".log");
    if (std::getenv("TAMO_UPDATE_GOLDEN") != nullptr) {
        std::ofstream(golden, std::ios::binary) << transcript_;
    }
    EXPECT_EQ(Slurp(golden), transcript_) << "differs from " << golden;
}

INSTANTIATE_TEST_SUITE_P(Golden, MachineScript, ::testing::ValuesIn(GoldenNames("machine", ".txt")),
                         [](const auto& test) { return test.param; });

} // namespace
} // namespace tamo
