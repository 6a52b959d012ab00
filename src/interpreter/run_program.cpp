#include "interpreter/cnc.h"

namespace tamo {

void Cnc::RunProgram() {}
void Cnc::DispatchMove() {}
void Cnc::ResetPositions() {}

} // namespace tamo
