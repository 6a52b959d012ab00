#pragma once

#include <cstdint>
#include <vector>

namespace tamo {

class Clock;

// One ordered record of everything that reaches the outside during the ticks: port writes and
// reads, busy waits with their iteration counts, the holds for a step's due time, the periods the
// ticks ask for, and the yields. The simulated port, a clock and the scripted operator write into
// it as it happens, each entry stamped with the clock's time, so that a test or the headless
// tool's value change dump sees the sequence the drivers would see.
class IoRecord {
public:
    enum class Kind : std::uint8_t {
        Write,  // address, value
        Read,   // address, value (what the read returned)
        Wait,   // a plain busy wait: iterations, ns (its length)
        Hold,   // a tick waited for its step's due time: ns (how long), late_ns (after the due time)
        Period, // the next step is due this many iterations after the one just written
        Yield,  // the operator's events were let in
    };
    struct Event {
        Kind kind;
        std::int64_t at_ns = 0; // the clock when it began
        std::uint16_t address = 0;
        std::int16_t value = 0;
        std::uint64_t iterations = 0;
        std::int64_t ns = 0;
        std::int64_t late_ns = 0;
    };

    explicit IoRecord(Clock& clock) : clock_(clock) {}

    void Write(std::uint16_t address, std::int16_t value);
    void Read(std::uint16_t address, std::int16_t value);
    void Wait(std::uint64_t iterations, std::int64_t ns);
    void Hold(std::int64_t began_ns, std::int64_t ns, std::int64_t late_ns);
    void Period(std::uint64_t iterations);
    void Yield();

    [[nodiscard]] const std::vector<Event>& events() const { return events_; }
    void clear() { events_.clear(); }

    // The times of the writes that raised a line of mask, in order: the step edges of the axis
    // whose step pin is mask.
    [[nodiscard]] std::vector<std::int64_t> RisingEdges(int mask) const;

private:
    Clock& clock_;
    std::vector<Event> events_;
};

} // namespace tamo
