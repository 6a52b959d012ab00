#include "interpreter/cnc.h"

namespace tamo {

void Cnc::LinearMove() {}
void Cnc::InterpolateLine() {}
void Cnc::RampUp() {}
void Cnc::RampDown() {}

} // namespace tamo
