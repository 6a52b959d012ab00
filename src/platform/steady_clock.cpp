#include "platform/clock.h"

#include <chrono>

namespace tamo {

std::uint32_t SteadyClock::GetTickCount() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    // Wraps like the 32-bit counter it stands for; callers use differences only.
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

} // namespace tamo
