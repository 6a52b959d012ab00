#include "platform/sim_port.h"

#include "platform/io_record.h"

namespace tamo {

void SimulatedPort::Out32(std::uint16_t address, std::int16_t value) {
    ++write_count_;
    if (address == kDataRegister) {
        data_ = value;
    }
    if (recording_) {
        writes_.push_back({address, value});
    }
    if (record_ != nullptr) {
        record_->Write(address, value);
    }
}

std::int16_t SimulatedPort::Inp32(std::uint16_t address) {
    ++read_count_;
    std::int16_t value = 255; // a floating bus reads all ones
    if (address == kStatusRegister) {
        value = status_;
    } else if (address == kDataRegister) {
        value = data_;
    }
    if (record_ != nullptr) {
        record_->Read(address, value);
    }
    return value;
}

} // namespace tamo
