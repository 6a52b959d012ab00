#pragma once

#include "config/machine_settings.h"
#include "interpreter/machine_state.h"
#include "interpreter/models.h"
#include "interpreter/run_estimate.h"

#include <stop_token>
#include <string>
#include <vector>

namespace tamo {
class Cnc;
}

namespace tamo::check {

// The program check: reads the loaded program as a fresh Start would run it and tells, line by
// line, where that reading differs from what an author who wrote for a standard controller meant.
// It never changes how a program runs: it works on a copy of the controller.

enum class Severity {
    Warning, // worth knowing; the machine does what the text says, or nothing it could do otherwise
    Error,   // the machine moves differently from the text, or not at all where the text moves it
};

struct Finding {
    int line = 0;      // the program buffer's entry, as the program listing numbers it
    int file_line = 0; // the text line of the file it came from (differs after a comma split)
    std::string code;  // stable: what kind of finding, for tools and tests
    Severity severity = Severity::Warning;
    std::string message; // one sentence for the operator
    std::string text;    // the entry's text
    // The converter writes the line so that the machine cuts what a standard controller would:
    // the message ends with "Convert fixes this."
    bool convert_fixes = false;
};

struct Report {
    // In line order. Of one code only the first kMaxFindingsPerCode are kept; the counts below
    // count them all.
    std::vector<Finding> findings;
    long errors = 0;
    long warnings = 0;
    long left_out = 0; // findings counted but not kept
    int lines = 0;     // entries checked
    bool complete = true;

    // "2 errors, 3 warnings", "no findings".
    [[nodiscard]] std::string Summary() const;
};

inline constexpr int kMaxFindingsPerCode = 200;

[[nodiscard]] const char* SeverityName(Severity severity);

// What the check reads from the live controller: its state (the program buffer with it) and the
// models whose values the run reads (scale factors, units, override). A copy, taken on the
// thread that owns the controller, so that the check can run anywhere.
struct CheckInput {
    MachineState st;
    MainWindowModel main;
    SettingsModel settings;
    ScaleModel scale;
    MachineSetup setup;
};

[[nodiscard]] CheckInput CopyForCheck(const Cnc& live);

// Checks the first PrgLineCount entries. A stop request ends it early with complete = false.
[[nodiscard]] Report CheckProgram(CheckInput input, const std::stop_token& stop = {});

// What the check says of one line typed on the "Point" page, read in the live machine's modal
// state as a program's next line (its positions from the origin, as a Start's): the message of its
// first error, else of its first warning.
[[nodiscard]] TypedLineReading ReadTypedLine(const Cnc& live, const std::string& line);

// The run-time estimate of the copy's program (Cnc::EstimateRun), on the caller's thread: the
// windows work it out beside the check, after an Open.
[[nodiscard]] RunEstimate EstimateProgram(CheckInput input);

} // namespace tamo::check
