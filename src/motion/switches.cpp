// Limit and home switches on the printer port's status register.

#include "interpreter/cnc.h"

#include <array>
#include <cstdint>

namespace tamo {
namespace {

enum SwitchBit : std::uint8_t { kLimit = 1, kHomeX = 2, kHomeY = 4, kHomeZ = 8 };

// The status bytes in which each switch reads active. They are compared whole, as the wiring
// has always been read: only bytes whose low four bits are all 1 match, and in the limit, Y home
// and Z home sets the byte with all four lines active is 142, not 15.
constexpr std::array<std::uint8_t, 256> MakeSwitchTable() {
    std::array<std::uint8_t, 256> table{};
    for (int v : {31, 47, 63, 142, 143, 159, 175, 191}) {
        table[static_cast<std::size_t>(v)] |= kLimit;
    }
    for (int v : {143, 175, 159, 191, 207, 223, 239, 255}) {
        table[static_cast<std::size_t>(v)] |= kHomeX;
    }
    for (int v : {31, 79, 95, 142, 143, 159, 207, 223}) {
        table[static_cast<std::size_t>(v)] |= kHomeY;
    }
    for (int v : {47, 79, 111, 142, 143, 175, 207, 239}) {
        table[static_cast<std::size_t>(v)] |= kHomeZ;
    }
    return table;
}
constexpr std::array<std::uint8_t, 256> kSwitchesAt = MakeSwitchTable();

} // namespace

// Reads the status register once. Changes: StopRequest (limit), MachPosX/Y/Z (home). The limit
// message is modal: the tick does not go on until the operator has confirmed it.
void Cnc::CheckSwitches() {
    const int status_byte = port_->Inp32(kStatusRegister);
    if (status_byte < 0 || status_byte > 255) {
        return;
    }
    const std::uint8_t active = kSwitchesAt[static_cast<std::size_t>(status_byte)];
    if (active == 0) {
        return;
    }
    if (active & kLimit) {
        st.StopRequest = true;
        op_->ShowMessage("Limit Zone", kAppTitle);
    }
    if (active & kHomeX) {
        st.MachPosX = 0;
    }
    if (active & kHomeY) {
        st.MachPosY = 0;
    }
    if (active & kHomeZ) {
        st.MachPosZ = 0;
    }
}

} // namespace tamo
