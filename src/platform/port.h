#pragma once

#include <cstdint>
#include <string_view>

namespace tamo {

// The printer port as the machine sees it: the data register at 888 carries the step and
// direction lines, the status register at 889 the limit and home switches.
inline constexpr std::uint16_t kDataRegister = 888;
inline constexpr std::uint16_t kStatusRegister = 889;
// The control register: pins 1, 14, 16 and 17, for the spindle and coolant outputs.
inline constexpr std::uint16_t kControlRegister = 890;
// What the status register of an idle port reads: no switch active.
inline constexpr std::int16_t kIdleStatus = 127;

// Byte-wide port I/O. Out32 must not return before the byte is on the lines: the order and the
// spacing of the writes of a tick are what the stepper drivers see.
class Port {
public:
    virtual ~Port() = default;
    virtual void Out32(std::uint16_t address, std::int16_t value) = 0;
    [[nodiscard]] virtual std::int16_t Inp32(std::uint16_t address) = 0;
    // Empty while the port works. Once a write or a read has failed (the device went away), why,
    // naming the device; the port then stays failed, writes nothing and reads as idle (127).
    [[nodiscard]] virtual std::string_view failure() const { return {}; }
    // A write from a signal handler, on the way out of a process that was killed or crashed: no
    // allocation, no lock, no error handling, only the system call.
    virtual void OutOnSignal(std::uint16_t address, std::uint8_t value) noexcept { Out32(address, value); }
};

} // namespace tamo
