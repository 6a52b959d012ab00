#include "interpreter/cnc.h"

namespace tamo {

void Cnc::ZeroPrg() {}
void Cnc::ZeroMachine() {}
void Cnc::SetPrg() {}
void Cnc::SetMachine() {}
void Cnc::CoordFieldLeft(int) {}
void Cnc::CoordZero(int) {}
void Cnc::CoordZeroAll() {}
void Cnc::CoordOk() {}
void Cnc::CoordCancel() {}

} // namespace tamo
