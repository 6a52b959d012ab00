#include "interpreter/cnc.h"

namespace tamo {

void Cnc::Spdtest() {}

} // namespace tamo
