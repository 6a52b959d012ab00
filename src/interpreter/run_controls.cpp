#include "interpreter/cnc.h"

namespace tamo {

void Cnc::Start() {}
void Cnc::Pause() {}
void Cnc::SelectStepMode() {}
void Cnc::SelectContinuousMode() {}
void Cnc::ResetProgram() {}
void Cnc::StepForward() {}
void Cnc::StepForwardPressed() {}
void Cnc::StepForwardReleased() {}
void Cnc::Timer1Tick() {}
void Cnc::StepBack() {}
void Cnc::StepReset() {}
void Cnc::MoveToEndOfLine() {}
void Cnc::ShowPage(int) {}
void Cnc::ViewKeyPress() {}

} // namespace tamo
