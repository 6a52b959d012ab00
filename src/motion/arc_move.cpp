#include "interpreter/cnc.h"

namespace tamo {

void Cnc::ArcMove() {}
void Cnc::ArcSteps() {}

} // namespace tamo
