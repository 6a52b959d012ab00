#include "interpreter/cnc.h"

namespace tamo {

void Cnc::UpdateReadouts() {}

} // namespace tamo
