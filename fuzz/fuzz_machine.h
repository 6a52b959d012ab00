#pragma once

// What the fuzz targets share: the headless machine, put back to its start-up state before every
// input so that a crash replays from its input alone, and the check that stops the run when a
// promise of the core is broken.

#include "interpreter/cnc.h"
#include "platform/clock.h"
#include "platform/recording_surface.h"
#include "platform/scripted_operator.h"
#include "platform/sim_port.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace tamo::fuzz {

// libFuzzer takes an abort as a finding and keeps the input; the message says which promise.
inline void Require(bool holds, const char* promise) {
    if (!holds) {
        std::fprintf(stderr, "broken: %s\n", promise);
        std::abort();
    }
}

// The machine of tamocnc-sim on the start-up settings. Built once: a start-up per input would
// cost more than most inputs.
class FuzzMachine {
public:
    FuzzMachine() {
        port.set_recording(false);
        cnc.ConfigReadOnly = true;
        cnc.StartUp(false);
        start_ = std::make_unique<Models>(Models{cnc.st, cnc.main, cnc.settings, cnc.scale, cnc.coord, cnc.status,
                                                 cnc.manual, cnc.machine_page, cnc.setup});
    }

    void Reset() {
        cnc.st = start_->st;
        cnc.main = start_->main;
        cnc.settings = start_->settings;
        cnc.scale = start_->scale;
        cnc.coord = start_->coord;
        cnc.status = start_->status;
        cnc.manual = start_->manual;
        cnc.machine_page = start_->machine_page;
        cnc.setup = start_->setup;
        op.clear_messages();
        port.clear();
    }

    SimulatedPort port;
    FakeClock clock;
    ScriptedOperator op;
    NullSurface view;
    Cnc cnc{port, clock, op, view};

private:
    // The state and the models after start-up: a controller is not copied (it owns its log).
    struct Models {
        MachineState st;
        MainWindowModel main;
        SettingsModel settings;
        ScaleModel scale;
        CoordinateModel coord;
        StatusModel status;
        ManualDataModel manual;
        MachinePageModel machine_page;
        MachineSetup setup;
    };
    std::unique_ptr<Models> start_;
};

inline FuzzMachine& Machine() {
    static FuzzMachine machine;
    return machine;
}

} // namespace tamo::fuzz
