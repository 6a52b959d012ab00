#pragma once

#include "interpreter/cnc.h"
#include "platform/clock.h"
#include "platform/recording_surface.h"
#include "platform/scripted_operator.h"
#include "platform/sim_port.h"

namespace tamo::test {

// A controller on fake seams, started as the program starts but without a configuration file.
struct TestMachine {
    SimulatedPort port;
    FakeClock clock;
    ScriptedOperator op;
    RecordingSurface view;
    Cnc cnc{port, clock, op, view};
    MachineState& st = cnc.st;

    explicit TestMachine(bool offline = false) { cnc.StartUp(offline); }

    // Parses one line as the run loop does.
    void Parse(const std::string& line) {
        st.PrgLine = line;
        cnc.ParseLine();
    }
};

} // namespace tamo::test
