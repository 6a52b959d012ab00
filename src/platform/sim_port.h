#pragma once

#include "platform/port.h"

#include <cstdint>
#include <vector>

namespace tamo {

class IoRecord;

// A port without hardware: it keeps every write and answers reads of the status register with
// a settable byte. 127 is what an idle port with no switch closed reads.
class SimulatedPort final : public Port {
public:
    struct Write {
        std::uint16_t address;
        std::int16_t value;
        bool operator==(const Write&) const = default;
    };

    void Out32(std::uint16_t address, std::int16_t value) override;
    [[nodiscard]] std::int16_t Inp32(std::uint16_t address) override;

    void set_status(std::int16_t status) { status_ = status; }
    // Off: writes are counted but not kept, for long runs where only the totals matter.
    void set_recording(bool on) { recording_ = on; }
    // Every write and read also goes into this record, in order with the clock's waits.
    void set_record(IoRecord* record) { record_ = record; }

    [[nodiscard]] const std::vector<Write>& writes() const { return writes_; }
    [[nodiscard]] std::uint64_t write_count() const { return write_count_; }
    [[nodiscard]] std::uint64_t read_count() const { return read_count_; }
    [[nodiscard]] std::int16_t data() const { return data_; }
    void clear() {
        writes_.clear();
        write_count_ = 0;
        read_count_ = 0;
    }

private:
    std::vector<Write> writes_;
    IoRecord* record_ = nullptr;
    std::uint64_t write_count_ = 0;
    std::uint64_t read_count_ = 0;
    std::int16_t status_ = 127;
    std::int16_t data_ = 0;
    bool recording_ = true;
};

} // namespace tamo
