#include "interpreter/cnc.h"

namespace tamo {

Cnc::FrameLayout Cnc::LayoutForFrameHeight(double) const {
    return {};
}
void Cnc::FrameResized() {}
void Cnc::RedrawToolpath() {}
void Cnc::ExitProgram() {}

} // namespace tamo
