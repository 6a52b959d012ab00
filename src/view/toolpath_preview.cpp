// The toolpath preview: extents, grid and the drawing of a program on the view's surface.

#include "interpreter/cnc.h"

namespace tamo {

// The live trace puts a dot every PlotStep of travel: about two dots per twip of view width.
// Changes: PlotStep, PlotTravel.
void Cnc::UpdatePlotStep() {
    st.PlotStep = ViewWidthTwips > 0 ? 2 * st.ViewMaxX / ViewWidthTwips : 0;
    st.PlotTravel = 0;
}

void Cnc::TegnUd() {}
void Cnc::Cordinate() {}
void Cnc::GrowExtents() {}
void Cnc::DrawMove() {}
void Cnc::DrawRapid() {}
void Cnc::DrawFeedLine() {}
void Cnc::DrawArc() {}
void Cnc::DrawArcCcw() {}

} // namespace tamo
