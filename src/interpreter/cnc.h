#pragma once

#include "config/machine_settings.h"
#include "interpreter/line_words.h"
#include "interpreter/machine_state.h"
#include "interpreter/models.h"
#include "interpreter/run_estimate.h"
#include "motion/feed_memo.h"
#include "motion/planned_motion.h"
#include "platform/clock.h"
#include "platform/operator.h"
#include "platform/port.h"
#include "platform/surface.h"
#include "view/frame_layout.h"
#include "view/message_log.h"
#include "view/toolpath.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tamo {

inline constexpr const char* kAppTitle = "TamoCNC";
// Why a move was refused on a port that is online without a calibration.
inline constexpr const char* kUncalibratedText =
    "The machine is not calibrated: run the speed test first (Setup > Speedtest).";

class Cnc;

// Told about every tick after it was emitted, with the step directions still set: the headless
// tool's trace. Null in the program.
class TickObserver {
public:
    virtual ~TickObserver() = default;
    virtual void OnTick(const Cnc& cnc) = 0;
    // The spindle or coolant was switched, at the line in PrgLineNo.
    virtual void OnOutputs(const Cnc& /*cnc*/) {}
};

// The controller: the one machine state, the models of the windows' controls and the seams to
// the outside. Its procedures take no parameters; they work on the state and the models, and are
// defined one file per part, in the folder of their subsystem.
class Cnc {
public:
    Cnc(Port& port, Clock& clock, Operator& op, Surface& view);

    MachineState st;
    MainWindowModel main;
    SettingsModel settings;
    ScaleModel scale;
    CoordinateModel coord;
    StatusModel status;
    ManualDataModel manual;
    MachinePageModel machine_page;
    MachineSetup setup; // derived from machine_page in the unit of tamo.cfg
    // view/message_log.cpp: what happened, for the windows' log and its file.
    MessageLog log;

    // Where tamo.cfg lives. Empty: there is no file, and the start-up values are used.
    std::filesystem::path ConfigPath;
    // Read the file but never write, rename or back it up (the headless tool's --config).
    bool ConfigReadOnly = false;
    // Why the last ReadConfig could not use the file; empty when it could (or there was none).
    std::string ConfigProblem;
    // Where File > Open starts: the folder of the last program chosen while it exists, else the
    // sample programs (empty: the gcodes folder beside the settings file).
    std::filesystem::path LastProgramFolder;
    std::filesystem::path SamplesFolder;
    // Why the last Open could not read the program chosen (the operator has been told); empty when
    // it was read whole, or nothing was chosen.
    std::string OpenProblem;
    // The lines of the last file read that load but that no wiring or machine can mean, each with
    // why; the operator is told of them once, at start-up.
    std::vector<std::string> ConfigSuspect;
    // Where the machine's own settings live (machine.cfg beside tamo.cfg); empty: none, nothing of
    // them in use. Read-only with ConfigReadOnly. MachineProblem: why the last read could not use it.
    std::filesystem::path MachinePath;
    std::string MachineProblem;
    // This controller's port is the one the signal handlers switch off when the process ends
    // (the program's one machine; never a copy, a test's or the headless tool's).
    bool GuardsPortOnExit = false;
    // Outer width of the toolpath view in twips, which sets the live-trace spacing.
    double ViewWidthTwips = 7170;
    // False while the windows show the 3-D view in the top view's place: a redraw then walks the
    // program and scales the view but leaves the toolpath's lines undrawn, and the windows redraw
    // the top view when they show it again.
    bool TopViewShown = true;
    // Told as each stage of File > Open ends: "chosen" (the dialog has answered), "read" (the file
    // is in the buffer), "walk" (every line parsed into the toolpath), "draw" (the top view drawn).
    // For the windows' timing report; empty when nobody asks.
    std::function<void(std::string_view stage)> OpenStageEnded;

    Cnc(const Cnc&) = delete;
    Cnc& operator=(const Cnc&) = delete;

    void set_port(Port& port) { port_ = &port; }
    [[nodiscard]] Port& port() { return *port_; }
    [[nodiscard]] Clock& clock() { return *clock_; }
    [[nodiscard]] Operator& op() { return *op_; }
    [[nodiscard]] Surface& view() { return *view_; }

    // interpreter/start_up.cpp
    // Start-up of the core, after the safety agreement: configuration read and written back,
    // empty view 0..200, positions zero.
    void StartUp(bool offline);
    // File > Exit, closing the view or the frame: the settings are saved; the caller then ends.
    void ExitProgram();
    // Before ExitProgram: true when nothing is at stake, or the operator answered Yes to leaving a
    // program part-way, the tool below program Z0 (in the stock) or the spindle or coolant on.
    [[nodiscard]] bool ExitConfirmed();

    void set_tick_observer(TickObserver* observer) { tick_observer_ = observer; }

    // interpreter/program_loading.cpp
    [[nodiscard]] std::string ReadProgramItems(const std::string& path);
    // File > Open: choose a program, read it, reset the positions, redraw the toolpath.
    void Open_Menu();

    // interpreter/run_program.cpp
    void RunProgram();
    // PrgLine parsed and carried out as the run loop carries out a program line. A line that
    // carries no word of its own never repeats a modal arc.
    void ExecuteLine();
    void DispatchMove();
    void ResetPositions();
    // True while the run loop or a panel move (move to a line's end, homing, a jog, the speed
    // test) is in progress, nested handlers included: Start, Open, Reset Program and the step
    // controls wait for it to end, so that two procedures never drive one block.
    [[nodiscard]] bool Running() const { return run_active_; }

    // interpreter/run_estimate.cpp
    // The run time of the loaded program line by line, and the first line Start refuses, worked
    // out as a fresh Start would run the program, on a scratch copy of the machine and without a
    // tick: nothing of the live machine changes. A million lines take a few tenths of a second.
    [[nodiscard]] RunEstimate EstimateRun() const;
    // The same worked out in this machine's own state, which it changes: only ever on a copy (the
    // windows estimate on one of their own, on a thread beside the check).
    // `with_times` false: only the refused line and the refusal, without the lines' times.
    [[nodiscard]] RunEstimate EstimateOnThisCopy(bool with_times = true);
    // The estimate of the program as it stands, worked out again only when the program, a setting
    // it depends on, a scale factor, the override or "Constant contour on" has changed since.
    [[nodiscard]] const RunEstimate& Estimate();
    // The kept estimate when it still holds for the program and settings as they stand, without
    // working anything out; null when there is none (nothing was estimated since the last change).
    [[nodiscard]] const RunEstimate* KeptEstimate() const;
    // What an estimate depends on, as it stands now; and an estimate worked out elsewhere (by a
    // thread of the windows, on a copy taken together with these inputs) to be kept.
    [[nodiscard]] RunEstimateInputs EstimateInputs() const;
    void KeepEstimate(RunEstimate estimate, RunEstimateInputs inputs);
    // Start's check: true, after telling the operator which line and why, when a line of the
    // program has a move that would never end or take more than a day at its feed, or one whose
    // numbers are beyond any a move can be computed from (it would be skipped without a word).
    [[nodiscard]] bool RefuseUnrunnableProgram();
    // The same refusals for the "Point" page, worked out from the machine as it stands: why a typed
    // line, or the moves to a point at a feed, cannot be run (a message for the operator); empty
    // when they can.
    [[nodiscard]] std::string TypedLineProblem(const std::string& line) const;
    [[nodiscard]] std::string PointMoveProblem(const std::array<double, 3>& point, double feed) const;

    // interpreter/run_controls.cpp: the panel's run and step controls.
    void Start();                // "Execute Program"
    void Pause();                // "Pause"
    void SelectStepMode();       // "Step"
    void SelectContinuousMode(); // "Continous"
    void ResetProgram();         // "Reset Program"
    void StepForward();          // "Step forward in program", and every Timer1 tick
    void StepForwardPressed();   // mouse-down: arms the auto-repeat
    void StepForwardReleased();  // mouse-up: disarms it
    void Timer1Tick();
    void StepBack();          // "Step back in program"
    void StepReset();         // "Reset"
    void MoveToEndOfLine();   // "Move machine to end of line"
    void ShowPage(int index); // the tab buttons Command4(index)
    // interpreter/run_from_line.cpp: "Run from here" on a line of the listing.
    void RunFromLine(int line);
    void ViewKeyPress(); // any key in the toolpath view requests a stop
    // Online without a calibration every delay comes out 0 and the machine would run at the top
    // speed of the loop. True, after telling the operator to run the speed test first, when the
    // port is online and LoopCal is not above 0: Start, jogging, homing, "Move machine to end of
    // line" and every other command that moves the machine then do nothing.
    [[nodiscard]] bool RefuseUncalibratedMove();
    // The height "Move machine to end of line" crosses at: the settings' "Z-axis move (To line)",
    // or 10 mm in the current unit when it is empty or 0. Program coordinates.
    [[nodiscard]] double LineLiftHeight() const;

    // interpreter/line_parser.cpp
    // `known`: numbers of the line read already (the program check's other reading).
    void ParseLine(const ReadNumbers* known = nullptr);
    // Where the words of the line that ParseLine read last stand in PrgLine as it was before the
    // parse cut off what stood before its first word; only valid when it did not skip the line.
    [[nodiscard]] const LineWords& ParsedWords() const { return parsed_words_; }
    void ToolChangePrompt();
    // For a copy that only reads lines and never moves (the program check's): from now on ParseLine
    // takes the scale factors as they stand now, works out no feed and keeps no word texts but T's.
    void ReadLinesOnly();

    // motion/feed_timing.cpp
    void ComputeFeedDelay();
    void OverideTyped(const std::string& text);  // typing in the override box
    void OverideChosen(const std::string& text); // a choice from its list
    void Text3Typed(const std::string& text);    // typing in the programmed-feed box
    void FasterSlower(int index);                // Command8(0) "Faster", Command8(1) "Slower"
    void FasterSlowerReleased();                 // mouse-up on either

    // motion/speed_test.cpp: Setup > Speedtest, the loop calibration.
    void Spdtest();
    // Gives the clock the duration of an iteration under LoopCal, wherever the calibration is
    // derived: none without a calibration (offline, the steps then come as fast as the ticks do).
    void CalibrateClock();

    // motion/linear_move.cpp
    void LinearMove();
    void InterpolateLine();
    void RampUp();
    void RampDown();

    // motion/arc_move.cpp
    void ArcMove();
    void ArcSteps();

    // motion/jogging.cpp: the jog buttons JogZ(1..6) and the speed options Option1(0..3).
    void JogPressed(int index, int button);
    void JogReleased(int index, int button);
    void SelectJogSpeed(int index);

    // motion/jog_increments.cpp: the increments JogStep(0..3) and the keyboard jog.
    void SelectJogIncrement(int index);
    // The distance of increment index in the current unit.
    [[nodiscard]] double JogIncrementDistance(int index) const;
    void SetKeyboardJog(bool on);
    // A jog key pressed (index as JogZ's), with Shift for the fast rate: false, and nothing moves,
    // unless "Keyboard jog" is on and the machine is still. Its release is JogReleased's.
    bool JogKeyPressed(int index, bool fast);

    // motion/step_output.cpp
    void StepPulse();
    [[nodiscard]] static int PinMask(const Value& pin);
    // Real-time scheduling for the length of a run or a panel move (BusyScope asks for it); the
    // first refusal goes into status.Notice.
    void EnterRealtime();
    void LeaveRealtime();

    // motion/switches.cpp
    void CheckSwitches();
    // One read of the status register outside a tick: whether the limit switch reads active now.
    // Reading idle forgets the trip (LimitTripped and its directions).
    [[nodiscard]] bool LimitReadsActive();
    // True, after showing "Limit Zone" once, when the limit switch reads active: Start, homing and
    // the moves of the "Point" and "Go To end of Line" pages wait until a jog has backed off it.
    [[nodiscard]] bool RefuseAtLimit();

    // motion/safe_approach.cpp: the way to a point off the program's path. Z rises first, to the
    // highest of where it stands, where it goes and lift_z; then X and Y move (over program X0 Y0
    // first when via_program_zero); then Z comes down. X and Y never move together with Z, so the
    // tool never crosses the stock sideways below the height it is going to. The return to a stopped
    // run, "Move machine to end of line" and "Move to point" all go this way.
    struct Approach {
        double x = 0, y = 0, z = 0;                               // where it ends, program coordinates
        double lift_z = -std::numeric_limits<double>::infinity(); // the least height to cross at
        const char* across = "G00";                               // motion word of the rise and the moves across
        const char* down = "G00";                                 // of the descent
        bool via_program_zero = false;
        // Above 0: the program's outputs are switched on before the descent (RestoreProgramOutputs),
        // for the line of that number that follows: the tool never goes down to a cut without them.
        int outputs_for_line = 0;
    };
    // False when a stop ended it on the way (Pause, a key, the limit switch). The block state
    // (GCode, the start point, the targets) and the program's stopped move end as they were; the
    // positions, the feed and the ramps as the moves leave them.
    [[nodiscard]] bool ApproachSafely(const Approach& to);
    // interpreter/run_estimate.cpp: why the approach's legs cannot be run (Start's time rule), a
    // message for the operator; empty when they can.
    [[nodiscard]] std::string ApproachProblem(const Approach& to) const;
    // motion/motion_bounds.cpp: the same rule for the probing, the homing search (each axis'
    // bound) and a jog by the chosen increment.
    [[nodiscard]] std::string ProbeTimeProblem() const;
    [[nodiscard]] std::string HomingTimeProblem(const std::array<double, 3>& search) const;
    [[nodiscard]] std::string JogIncrementTimeProblem(std::size_t axis) const;

    // motion/port_failure.cpp
    // The port failed under a tick (its device went away): the move stops, the operator is told
    // why, and the machine goes offline for the rest of the session.
    void PortFailed();

    // config/config_file.cpp
    void ReadConfig();
    // False when the file could not be written; the operator has been told why and the old file
    // is whole.
    bool WriteConfig();
    // The 48 lines that WriteConfig writes, from the controls and the two calibrations.
    [[nodiscard]] std::string ConfigText() const;
    // ReadConfig's reading of a file's text: false, with ConfigProblem set and nothing changed,
    // when the text cannot be used.
    bool LoadConfigText(std::string_view text);

    // config/machine_settings.cpp: the machine's travel, homing, outputs and probe, and the
    // "Machine" page of the settings. "Ok" refuses (false, naming the field) what cannot serve.
    void ReadMachineSettings();
    bool WriteMachineSettings();
    [[nodiscard]] std::string MachineSettingsText() const;
    [[nodiscard]] std::string LoadMachineSettingsText(std::string_view text);
    void DeriveMachineSetup();
    void ShowMachinePage();
    bool MachinePageOk();
    void MachinePageCancel();

    // motion/outputs.cpp: spindle and coolant on their pins.
    // The M word of the line just parsed: M3/M4 spindle on (then the spin-up), M5 off, M7 mist,
    // M8 flood, M9 coolant off, M2/M30 everything off. Nothing for outputs that are not wired.
    void ApplyOutputWords();
    // The program's outputs (ProgSpindleOn, ...) as a full run has them at the end of `line`, worked
    // out from the M words of lines 1 to `line`; 0: none on. Nothing is switched.
    void ProgramOutputsAt(int line);
    // The outputs brought to the program's (ProgSpindleOn, ...) before the program goes on: what it
    // has on and they have not is switched on with the spin-up, what it has off is switched off,
    // and the status bar and the log say so. What the M word of `next_line` (0: none) switches
    // itself is left to it. False when a stop ended the spin-up (the stop request then stands).
    [[nodiscard]] bool RestoreProgramOutputs(int next_line);
    // Spindle and coolant off (the end of the program, Reset Program, a stop key, the limit switch,
    // a port failure, Exit).
    void OutputsOff();
    [[nodiscard]] bool AnyOutputOn() const { return st.SpindleOn || st.FloodOn || st.MistOn; }
    // What the process writes on its way out, however it ends (platform/outputs_off.h).
    void ArmOutputsOffOnExit();

    // motion/soft_limits.cpp: the travel, once the machine was homed on its switches.
    [[nodiscard]] bool SoftLimitsApply() const { return st.Homed && setup.AnyTravel(); }
    // Why the block as ParseLine left it would leave the travel ("X would reach ..."), with the
    // machine at offset (machine minus program coordinates); empty when it stays inside.
    [[nodiscard]] std::string BlockTravelProblem(const std::array<double, 3>& offset) const;
    // Why a point (program coordinates) lies outside the travel; empty when inside.
    [[nodiscard]] std::string PointTravelProblem(const std::array<double, 3>& point) const;
    // Machine minus program coordinates, axis by axis.
    [[nodiscard]] std::array<double, 3> TravelOffset() const {
        return {st.MachPosX - st.ProgPosX, st.MachPosY - st.ProgPosY, st.MachPosZ - st.ProgPosZ};
    }
    // Whole steps left before the axis reaches its travel limit in a direction; -1 when unbounded.
    [[nodiscard]] double StepsToTravelLimit(int axis, int direction) const;
    // "Soft limits on", "Soft limits: not homed" or "Soft limits off", then the spindle and coolant.
    [[nodiscard]] std::string MachineStatus() const;

    // motion/homing_cycle.cpp: "Home the Machine" with "Using Home Switchs".
    void HomeOnSwitches();

    // motion/probe.cpp: "Probe Z" of the "Point" page.
    void ProbeZ();

    // config/unit_conversion.cpp: the unit options behave as one option group.
    void SetOptionmm(bool selected);
    void SetOptionIn(bool selected);

    // motion/homing.cpp: the "Home" group.
    // The main window's homing move type: enables the homing feed unless it is "Rapid".
    void SetHomeMoveType(const std::string& text);
    // The homing method options, one option group.
    void SetHomeOption(int index, bool selected);
    void HomeTheMachine(); // "Home the Machine"

    // view/toolpath_preview.cpp
    void TegnUd();
    void Cordinate();
    void UpdatePlotStep();
    // The toolpath as the last redraw walked it; never null. A new walk makes a new record, so one
    // taken from here may be read on any thread for as long as it is held.
    [[nodiscard]] const std::shared_ptr<const Toolpath>& toolpath() const { return toolpath_; }
    // False for a tool that never draws (the headless check): a redraw then keeps the toolpath's
    // bounds but not its moves, which take more memory than the program's own text.
    bool KeepToolpathMoves = true;
    // A program of this many lines or more is walked in two halves on two threads; the record and
    // the state left behind are those of one walk. Whether the last redraw's halves could be joined.
    int WalkInTwoFromLines = 1 << 16;
    [[nodiscard]] bool WalkedInTwo() const { return walked_in_two_; }

    // view/readouts.cpp
    void UpdateReadouts();

    // view/coordinate_setting.cpp: the coordinate bar's buttons and the Set_Prg_cord dialog.
    void ZeroPrg();             // "Zero", program side
    void ZeroMachine();         // Command12 "Zero", machine side
    void SetPrg();              // "Set", program side
    void SetMachine();          // Command11 "Set", machine side
    void CoordFieldLeft(int i); // Combo1(i) loses the focus
    void CoordZero(int i);      // "Zero X" / "Zero Y" / "Zero Z"
    void CoordZeroAll();        // "Zero all"
    void CoordOk();             // "OK"
    void CoordCancel();         // "Cancel"
    // Where the program origin now lies, in machine coordinates, told in the status bar and the
    // log: "Program origin set at machine X.. Y.. Z..". Every command that moves the origin says so.
    void TellOrigin();

    // config/settings_values.cpp: "Settings" menu, "Ok" and "Cancel". "Cancel" puts back what the
    // dialog showed when it was opened.
    void ShowSettings();
    // Refuses (false, with a message naming the field, nothing written) a value that would corrupt
    // the file or cannot serve; otherwise writes the file, reads it back and hides the dialog.
    bool SettingsOk();
    void SettingsCancel();

    // config/scale_factors.cpp: the scale dialog.
    void ShowScale();
    void ScaleActivated(); // the dialog became the active window: its texts are saved
    void ScaleDefault();   // "Default"
    void ScaleInToMm();    // "Converts all from   In to mm"
    void ScaleMmToIn();    // "Converts all from mm to In"
    void ScaleCancel();    // "Cancel"
    // Refuses (false, with a message naming the field) a factor that does not read as a number;
    // otherwise hides the dialog, resets the positions and redraws the toolpath.
    bool ScaleOk();

    // view/frame_layout.cpp (the layout itself: view/frame_layout.h).
    // After the frame was laid out: live-trace spacing, grid, and the toolpath redrawn when more
    // than one line is loaded. During a run or a panel move the drawing waits until it has ended,
    // so that the redraw's parsing never rewrites the running block.
    void FrameResized();
    // Every redraw of the loaded program outside Open: Previewing around TegnUd.
    void RedrawToolpath();
    // The program lines cut whole: up to PrgLineNo, but not the line in progress during a run, nor
    // the line a stop ended part-way.
    [[nodiscard]] int LinesCut() const;

    // view/operator_status.cpp: what the operator sees at a glance while the machine works.
    // What the machine is busy with, for the status bar.
    enum class Activity { Idle, Run, Manual, Jog, Home, SpeedTest, Return };
    // True when "Execute Program" would go on with a stopped move of the program: what "Pause"
    // shows.
    [[nodiscard]] bool StartResumes() const;
    // The program line the operator follows: the running one, or the one the step controls show.
    [[nodiscard]] int ListingLine() const;
    // The status texts from the state. Changes: status.State, Line, Time and Unit.
    void UpdateStatus();
    // Called at every yield by the windows, outside the tick: once 50 ms have passed since the
    // last time, the readouts and the status texts are brought up to date and the result is true;
    // otherwise nothing is done. Costs one read of the tick counter when nothing is due.
    [[nodiscard]] bool LiveUpdate();

    // interpreter/manual_data.cpp: the "Point" page. Both are refused, with a message, while the
    // machine moves or a program is part-way; they move under the same stop and switch rules as
    // a run, and leave no stop behind that the next Start would resume.
    void MoveToPoint(); // to manual.Axis at manual.Feed, in program coordinates
    // manual.Line, through the parser and the moves of a program line; its answer, worded with
    // what the check says of the line, joins manual.History and the log.
    void RunManualLine(const TypedLineReading& reading = {});

private:
    // interpreter/line_parser.cpp: the factor of scale field index, read afresh at every word.
    [[nodiscard]] double ScaleFactor(int index) const;

    // config/unit_conversion.cpp
    void OptionInSelected();
    void OptionmmSelected();

    // config/config_file.cpp
    void ApplyConfigValues(const std::array<std::string, 48>& lines);
    void DeriveConfigValues();
    void ConfigFileUnusable(const std::string& problem);
    bool config_write_blocked_ = false; // an unusable file could not be set aside
    bool config_read_before_ = false;   // suspect settings are told at the first read only

    // interpreter/run_program.cpp: no stopped move and no return point wait any more, so that
    // Start can never replay a move that was finished or abandoned.
    void ClearResumeRecord();

    // interpreter/run_controls.cpp
    // Start's first step when the run stopped part-way: the machine back on the return point when
    // a jog, homing or point move took it away. False when a stop ended the way back.
    [[nodiscard]] bool ReturnToStopPoint();

    // interpreter/program_loading.cpp, interpreter/run_estimate.cpp: the kept estimate and what
    // it was worked out from.
    struct Scratch;                        // a copy of the machine on seams of its own, to work things out on
    std::uint64_t program_generation_ = 0; // counts the programs read
    std::optional<RunEstimateInputs> estimate_inputs_;
    RunEstimate estimate_;

    // motion/step_output.cpp: holds the tick's step for its due time, letting the events in while
    // the period runs beyond one wait; false when a stop request came in meanwhile.
    [[nodiscard]] bool HoldForStep();

    // motion/linear_move.cpp
    void Tick();
    void SaveResumeRecord();

    // motion/planned_motion.cpp: the moves timed by the planner when the accelerations are set.
    // A block begins (the ramps time it when no acceleration is set); each tick asks for its
    // delay; after a tick with a stop request, true while the machine still brakes to rest (a
    // Pause or a stop key; the limit switch and a port failure stop at once); the block ends.
    void BeginPlannedBlock(planner::Block block, double ticks, bool closes_arc);
    void PlannedDelay();
    [[nodiscard]] bool BrakesOn();
    void EndPlannedBlock();
    void FeedScaleChanged();
    [[nodiscard]] planner::Limits MotionLimits() const;
    [[nodiscard]] double FeedScale() const;
    [[nodiscard]] bool HoldGoesOn() const { return motion_.holding && motion_.speed > 0; }
    // interpreter/run_estimate.cpp: the run reads the program ahead of the machine into the
    // planner, from a copy of the machine as it stands before the move in progress.
    void ReadAheadFromHere();
    void ReadAhead();
    PlannedMotion motion_;

    // motion/soft_limits.cpp: true when the jog has stopped at its travel.
    bool JogMeetsTravel(int axis, int direction);
    // motion/jogging.cpp: the jog's deceleration, at most that many steps; the ramp's last angle.
    void RampToStop(double most_steps);
    static constexpr double kLastRampAngle = 5;

    // motion/jogging.cpp
    bool jog_held_ = false;        // from the press that began a jog to its release
    bool jog_release_due_ = false; // a deferred jog's early mouse-up, delivered at its first yield
    bool jog_stepping_ = false;    // a "Step" click holds its one step for its due time
    // motion/jog_increments.cpp: one press, one increment along the axis. The carry is what the
    // presses before asked for but whole steps could not give, kept while the axis stands where the
    // last press left it (machine coordinates in jog_carry_at_).
    void JogByIncrement(std::size_t axis, int direction);
    std::array<double, 3> jog_carry_{};
    std::array<double, 3> jog_carry_at_{};

    // interpreter/run_controls.cpp: a jog or homing pressed while the run loop or a panel move
    // drives the machine. The press stops that move as Pause does; the jog or homing follows when
    // it has ended, so that nothing the stopped move holds is rewritten under it.
    struct PanelPress {
        enum class Kind { None, Jog, Home };
        Kind kind = Kind::None;
        int index = 0;
        int button = 0;
        bool released = false; // the jog's mouse-up came before the jog could begin
        int clicks = 1;        // "Step" clicks of the one button, a step each
    };
    void DeferPanelMove(const PanelPress& press);
    void RunDeferredPanelMove();
    PanelPress deferred_press_;

    // The resume record as a whole: what the next Start needs to finish a stopped move.
    struct ResumeRecord {
        bool pending = false;
        double pos_x = 0, pos_y = 0, pos_z = 0, target_x = 0, target_y = 0, target_z = 0;
        std::string gcode;
        int draw_width = 1;
    };
    [[nodiscard]] ResumeRecord KeptResumeRecord() const;
    void PutBack(const ResumeRecord& record); // into the record's fields

    // A panel move (a jog, homing, the safe approach) runs between two moves of the program: the
    // program's stopped move still waits for Start after it, whatever the panel move did on the
    // way, and a stop of the panel move itself leaves no record that Start would take for the
    // program's. Only the outermost one counts: panel moves do not nest.
    class ProgramStopKept {
    public:
        explicit ProgramStopKept(Cnc& cnc)
            : cnc_(cnc), record_(cnc.KeptResumeRecord()), paused_(cnc.st.StopRequest && cnc.st.ResumePending) {}
        ~ProgramStopKept() {
            cnc_.PutBack(record_);
            if (paused_) {
                cnc_.st.StopRequest = true; // Start resumes the program's move
            }
        }
        ProgramStopKept(const ProgramStopKept&) = delete;
        ProgramStopKept& operator=(const ProgramStopKept&) = delete;

    private:
        Cnc& cnc_;
        ResumeRecord record_;
        bool paused_;
    };

    // view/toolpath_walk.cpp
    struct HalfWalk; // the second half of a long walk, on a machine and a thread of its own
    void WalkToolpath();
    void WalkLines(int last);

    // view/toolpath_preview.cpp
    void GrowExtents();
    void DrawToolpath(std::size_t count, Colour colour);
    void DrawMove();
    void DrawRapid();
    void DrawFeedLine();
    void DrawStraight(MoveKind kind, Colour colour, LineStyle style);
    void DrawArc();
    void DrawArcCcw();

    // config/settings_checks.cpp: why the settings cannot be saved as they stand; empty if they can.
    // typed: the dialog's own check, which also keeps commas, quotes and line breaks out and refuses
    // what loads from a file but no wiring can mean (a pin outside the port, two outputs on a pin).
    [[nodiscard]] std::string SettingsProblem(bool typed) const;
    // The field whose problem SettingsProblem reports; null when there is none, or no field holds
    // the value (a calibration).
    [[nodiscard]] const std::string* SettingsProblemField(bool typed) const;

    // config/settings_values.cpp: the controls as the dialog showed them when it was opened.
    std::optional<SettingsModel> settings_shown_;
    // config/machine_settings.cpp
    std::optional<MachinePageModel> machine_shown_;
    bool machine_write_blocked_ = false;
    // motion/outputs.cpp: the pins as the outputs' state says, written where they are wired.
    void WriteOutputs();
    // The spin-up after the spindle started or turned round, on the step clock, letting the events
    // in; ended early when a stop switches the spindle off.
    void SpinUp();

    // view/operator_status.cpp
    void BusyBegins(Activity activity);
    void BusyEnds();
    void SetReadoutTexts();
    [[nodiscard]] bool RefuseManualMove();
    void AnswerTypedLine(const std::string& answer); // interpreter/manual_data.cpp
    Activity activity_ = Activity::Idle;
    std::uint32_t busy_since_ms_ = 0;  // tick counter when the present activity began
    std::uint32_t run_elapsed_ms_ = 0; // time spent running the program since its fresh start
    std::uint32_t live_shown_ms_ = 0;  // tick counter at the last live update

    // view/frame_layout.cpp: the view's part of a frame resize (grid, toolpath), which a resize
    // during a run or a panel move leaves to the end of it.
    void FrameRedraw();
    // The first `lines` lines of the program, drawn over the redrawn toolpath in the cut colour,
    // and the part of the next one up to the tool when a stop ended it.
    void DrawCutPart(int lines, bool and_part_of_next);

    // Holds run_active_ for the length of a run or a panel move, also over an early return. The
    // outermost scope says what the machine is busy with, does the frame redraw that a resize
    // left pending during it, then the jog or homing that was pressed during it.
    class BusyScope {
    public:
        explicit BusyScope(Cnc& cnc, Activity activity = Activity::Run) : cnc_(cnc), was_(cnc.run_active_) {
            cnc_.run_active_ = true;
            if (!was_) {
                cnc_.BusyBegins(activity);
                cnc_.EnterRealtime();
            }
        }
        ~BusyScope() {
            cnc_.run_active_ = was_;
            if (was_) {
                return;
            }
            cnc_.LeaveRealtime();
            cnc_.BusyEnds();
            if (cnc_.redraw_pending_) {
                cnc_.FrameRedraw();
            }
            cnc_.RunDeferredPanelMove();
        }
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        Cnc& cnc_;
        bool was_;
    };

    void StageEnded(std::string_view stage) const {
        if (OpenStageEnded) {
            OpenStageEnded(stage);
        }
    }

    std::shared_ptr<const Toolpath> toolpath_ = std::make_shared<const Toolpath>();
    std::shared_ptr<Toolpath> walking_;  // the record a redraw's walk is filling; null otherwise
    std::array<double, 4> walk_scale_{}; // the scale factors, read once for the walk
    bool lines_only_ = false;            // ReadLinesOnly
    LineWords parsed_words_;             // ParsedWords
    FeedMemo feed_memo_;                 // motion/feed_timing.cpp
    bool walked_in_two_ = false;

    TickObserver* tick_observer_ = nullptr;
    bool run_active_ = false;
    bool redraw_pending_ = false; // a frame resize during a run: redraw when it has ended

    Port* port_;
    Clock* clock_;
    LoggedOperator logged_op_; // the operator given, with the log on the way
    Operator* op_;
    Surface* view_;
};

} // namespace tamo
