#include "platform/io_record.h"

#include "platform/clock.h"
#include "platform/port.h"

namespace tamo {

void IoRecord::Write(std::uint16_t address, std::int16_t value) {
    events_.push_back({Kind::Write, clock_.NowNs(), address, value});
}

void IoRecord::Read(std::uint16_t address, std::int16_t value) {
    events_.push_back({Kind::Read, clock_.NowNs(), address, value});
}

void IoRecord::Wait(std::uint64_t iterations, std::int64_t ns) {
    events_.push_back({Kind::Wait, clock_.NowNs() - ns, 0, 0, iterations, ns});
}

void IoRecord::Hold(std::int64_t began_ns, std::int64_t ns, std::int64_t late_ns) {
    events_.push_back({Kind::Hold, began_ns, 0, 0, 0, ns, late_ns});
}

void IoRecord::Period(std::uint64_t iterations) {
    events_.push_back({Kind::Period, clock_.NowNs(), 0, 0, iterations});
}

void IoRecord::Yield() {
    events_.push_back({Kind::Yield, clock_.NowNs()});
}

std::vector<std::int64_t> IoRecord::RisingEdges(int mask) const {
    std::vector<std::int64_t> edges;
    int lines = 0;
    for (const Event& e : events_) {
        if (e.kind != Kind::Write || e.address != kDataRegister) {
            continue;
        }
        if ((e.value & mask) != 0 && (lines & mask) == 0) {
            edges.push_back(e.at_ns);
        }
        lines = e.value;
    }
    return edges;
}

} // namespace tamo
