#include "platform/sim_port.h"

namespace tamo {

void SimulatedPort::Out32(std::uint16_t address, std::int16_t value) {
    ++write_count_;
    if (address == kDataRegister) {
        data_ = value;
    }
    if (recording_) {
        writes_.push_back({address, value});
    }
}

std::int16_t SimulatedPort::Inp32(std::uint16_t address) {
    ++read_count_;
    if (address == kStatusRegister) {
        return status_;
    }
    if (address == kDataRegister) {
        return data_;
    }
    return 255; // a floating bus reads all ones
}

} // namespace tamo
