#include "platform/outputs_off.h"

#include <array>
#include <atomic>
#include <csignal>

namespace tamo {
namespace {

// Lock-free atomics are the only shared state a signal handler may read.
std::atomic<Port*> g_port{nullptr};
std::atomic<int> g_data{0};
std::atomic<int> g_control{-1};
std::atomic<bool> g_offline{true};

constexpr std::array<int, 8> kSignals{SIGTERM, SIGINT, SIGHUP, SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL};

void OnSignal(int signal) {
    WriteExitBytes();
    // The default action, as if we had never been here: the parent sees the signal that ended us.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

} // namespace

void WriteExitBytes() noexcept {
    Port* port = g_port.load();
    if (port == nullptr || g_offline.load()) {
        return;
    }
    port->OutOnSignal(kDataRegister, static_cast<std::uint8_t>(g_data.load()));
    if (const int control = g_control.load(); control >= 0) {
        port->OutOnSignal(kControlRegister, static_cast<std::uint8_t>(control));
    }
}

void WatchOutputsOnExit(Port* port) {
    static_assert(std::atomic<Port*>::is_always_lock_free && std::atomic<int>::is_always_lock_free);
    g_port.store(port);
    static bool installed = false;
    if (installed) {
        return;
    }
    installed = true;
    for (const int signal : kSignals) {
        struct sigaction action {};
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND; // a second fault inside the handler ends the process at once
        sigaction(signal, &action, nullptr);
    }
}

void SetExitBytes(int data, int control, bool offline) {
    g_data.store(data);
    g_control.store(control);
    g_offline.store(offline);
}

} // namespace tamo
