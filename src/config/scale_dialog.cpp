#include "interpreter/cnc.h"

namespace tamo {

void Cnc::ShowScale() {}
void Cnc::ScaleActivated() {}
void Cnc::ScaleDefault() {}
void Cnc::ScaleInToMm() {}
void Cnc::ScaleMmToIn() {}
void Cnc::ScaleCancel() {}
bool Cnc::ScaleOk() {
    return false;
}

} // namespace tamo
