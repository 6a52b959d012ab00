#include "interpreter/cnc.h"

namespace tamo {

void Cnc::JogPressed(int, int) {}
void Cnc::JogReleased(int, int) {}
void Cnc::SelectJogSpeed(int) {}

} // namespace tamo
