#pragma once

#include "interpreter/program_buffer.h"
#include "interpreter/value.h"

#include <string>

namespace tamo {

// The machine and program state: one record shared by every procedure, each field under its own
// name and with its start-up value. Lengths are in the unit chosen in the settings.
struct MachineState {
    // Positions: program and machine coordinates, both advanced by every step.
    double ProgPosX = 0, ProgPosY = 0, ProgPosZ = 0;
    double MachPosX = 0, MachPosY = 0, MachPosZ = 0;
    // The current block's end point and start point (the previous end point).
    double TargetX = 0, TargetY = 0, TargetZ = 0;
    double StartX = 0, StartY = 0, StartZ = 0;

    // Resume record: the move that a stop ended.
    bool ResumeMove = false;
    bool ResumePending = false; // a stopped move waits in the record: Start resumes it
    double ResumePosX = 0, ResumePosY = 0, ResumePosZ = 0;
    double ResumeTargetX = 0, ResumeTargetY = 0, ResumeTargetZ = 0;
    std::string ResumeGCode;
    int ResumeDrawWidth = 1;

    // Return point: where the run stopped part-way (Pause, a key, the limit switch, the end of a
    // single step or of a tool-change line, the end of "Move machine to end of line"). A jog,
    // homing or point move may take the machine away from it; Start brings the machine back there
    // before the program goes on, so that the program's coordinates never shift.
    bool ReturnPending = false;
    double ReturnPosX = 0, ReturnPosY = 0, ReturnPosZ = 0; // program coordinates

    // Program buffer.
    ProgramBuffer PrgBuf;
    int PrgLineCount = 0;
    int PrgLineNo = 0;
    std::string PrgLine;
    int PreviewLine = 0;
    std::string AppPath;

    // Block state, written by the line parser.
    std::string GCode;
    std::string HeldGCode;
    std::string XWord, YWord, ZWord, FWord, IWord, JWord, TWord;
    std::string QWord, RWord, AWord;
    Value MWord = 0.0;   // the M word's text, or the number 0 when the line has none
    double ProgFeed = 0; // length units per minute
    double ToolNo = 0;
    double MCode = 0;
    double ArcI = 0, ArcJ = 0;
    int ArcDir = 0;
    bool RapidMove = false;

    // Run and mode flags.
    bool StopRequest = false;
    bool SingleStep = false;
    bool ContinueAfterStep = false;
    bool ContinueRun = false;
    bool Previewing = false;
    bool SpeedTestRunning = false;
    bool Offline = false;
    bool LoadingConfig = false;

    // Settings derived from the configuration.
    double UnitsPerStepX = 0, UnitsPerStepY = 0, UnitsPerStepZ = 0; // length units per step
    int StepMaskX = 0, StepMaskY = 0, StepMaskZ = 0;                // 0: the signal is not driven
    int DirMaskX = 0, DirMaskY = 0, DirMaskZ = 0;
    int DirSignX = 0, DirSignY = 0, DirSignZ = 0;
    // Busy-loop iterations times length units per minute: a feed F runs at LoopCal / F iterations
    // per tick. The stored pair is one per unit, whole numbers.
    double LoopCal = 0;
    double LoopCalIn = 0, LoopCalMm = 0;

    // The configuration's staging fields: the file's values as read.
    Value StepsPerTurnX, StepsPerTurnY, StepsPerTurnZ;
    Value StepPinX, StepPinY, StepPinZ;
    Value DirPinX, DirPinY, DirPinZ;
    Value ToolChangePosX, ToolChangePosY, ToolChangePosZ;
    Value JogFastX, JogFastY, JogFastZ; // jog rates: length units per minute
    Value JogMediumX, JogMediumY, JogMediumZ;
    Value JogSlowX, JogSlowY, JogSlowZ;
    Value HomePinX, HomePinY, HomePinZ;
    Value LimitPin;
    Value LeadX, LeadY, LeadZ;
    Value ReverseX, ReverseY, ReverseZ;
    Value UnitIsMm, UnitIsInch;
    Value PulseWidth; // busy-loop iterations the step lines stay high
    Value HomeSwitchEnabled, LimitSwitchEnabled;
    Value ZMoveHomingMode, ZMoveToLineMode, ToolChangeMode;
    Value ZMoveHomingDist, ZMoveToLineDist;
    Value HomeUsingSwitches, HomeUsingProgramZero, HomeUsingMachineZero;
    Value HomeMoveType, HomeFeedRate; // homing feed: length units per minute

    // Feed and timing.
    double FeedRate = 0; // length units per minute
    double FeedFactor = 0;
    double StepDelay = 0; // busy-loop iterations after each tick (floor + 1 run)
    // How far each axis travels per tick of the move in progress at most (length units; 0 outside
    // a move): the feed computation holds every axis to its fast jog rate with it.
    double TickTravelX = 0, TickTravelY = 0, TickTravelZ = 0;

    // Linear interpolation.
    int StepDirX = 0, StepDirY = 0, StepDirZ = 0;
    double DeltaX = 0, DeltaY = 0, DeltaZ = 0;
    double StepsX = 0, StepsY = 0, StepsZ = 0;
    double StepsMax = 0;
    double StepsLeftX = 0, StepsLeftY = 0, StepsLeftZ = 0;
    double DdaAccX = 0, DdaAccY = 0, DdaAccZ = 0;
    int TicksLeft = 0;                         // ticks
    double RampUpAngle = 0, RampDownAngle = 0; // degrees of the sine ramp
    double RampFeed = 0;                       // length units per minute
    int RampStep = 0;                          // degrees per tick
    int RampTicks = 50;                        // ticks left where deceleration begins
    bool RampEnabled = false;

    // Step output.
    int PortByte = 0;
    int DirByte = 0;

    // Limit switch: one line for every axis. When it trips, the step directions of the tick that
    // ran into it are kept until it reads idle again: moves in those directions stop at once and
    // jogs in them are refused, while moves away from it go on, so that the operator can back off.
    bool LimitTripped = false;
    int LimitDirX = 0, LimitDirY = 0, LimitDirZ = 0;

    // The machine's travel and outputs. Homed: homed on the switches in this session, so that the
    // machine coordinates mean the travel. OutputBits are or-ed into every write of the data
    // register; ControlByte is what the control register holds (pins 1, 14, 17 inverted).
    bool Homed = false;
    bool SpindleOn = false, SpindleCcw = false, FloodOn = false, MistOn = false;
    // What the program's M words have switched on up to the line reached: a full run's outputs
    // there. A stop or a tool change switches the outputs off but leaves these, so that the program
    // never goes on (resumed, continued, run from a line) without what it switched on.
    bool ProgSpindleOn = false, ProgSpindleCcw = false, ProgFloodOn = false, ProgMistOn = false;
    int OutputBits = 0;
    int ControlByte = 0;

    // Circular interpolation.
    double ArcCenterX = 0, ArcCenterY = 0, ArcRadius = 0;
    double ArcEndDX = 0, ArcEndDY = 0;
    double ArcStartRaw = 0, ArcEndRaw = 0;
    double ArcStartAngle = 0, ArcEndAngle = 0;         // radians, as are the raw angles
    double ArcSweep = 0, ArcAngleStep = 0, ArcPos = 0; // radians
    double ArcStartZ = 0, ArcEndZ = 0;                 // length units: a helix's Z at both ends

    // Toolpath view.
    double ViewMinX = 0, ViewMinY = 0, ViewMaxX = 0, ViewMaxY = 0;
    double ViewCentreX = 0, ViewCentreY = 0;
    double PlotStep = 0, PlotTravel = 0; // length units
};

} // namespace tamo
