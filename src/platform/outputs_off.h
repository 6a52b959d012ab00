#pragma once

// Every output off when the process ends, however it ends: a signal that ends it (SIGTERM,
// SIGINT, SIGHUP) or a crash (SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL) first writes the idle
// byte to the data lines and, when the control lines carry outputs, their off byte to the control
// register, then ends the process as the signal would have. A stepper driver left with a step
// line high, or a spindle left running, is what this prevents.
//
// The handler runs in whatever state the signal caught the program: it only reads what was set
// here beforehand and makes the port's system calls (Port::OutOnSignal). That is the one place
// in TamoCNC with state of the process as a whole: a signal handler has no other way to reach it.

#include "platform/port.h"

namespace tamo {

// Installs the handlers and names the port they write to; null takes the port away (it is about
// to be destroyed). Before a port is named, or with null, the handlers only end the process.
void WatchOutputsOnExit(Port* port);
// The bytes written on the way out: the data register's, and the control register's (-1: the
// control register carries no output and is left as it is). Offline: nothing is written.
void SetExitBytes(int data, int control, bool offline);
// What the handlers do, callable from anywhere: async-signal-safe.
void WriteExitBytes() noexcept;

} // namespace tamo
