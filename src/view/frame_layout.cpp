// The frame's resize rule and the redraw of the view that follows it.
//
// A resize can come inside the yield of a run or a panel move. Its redraw parses the whole program
// through the block state that the running move works with, so it waits until the move has ended
// (BusyScope does it then). And because a redraw between runs would rewrite what the next
// "Execute Program" decides on (a stop to resume, a tool change to continue after, the start point
// and the modal feed of the next line), the frame's redraw puts that state back afterwards: a
// resize changes the picture and nothing else.

#include "interpreter/cnc.h"

#include <array>
#include <cstddef>
#include <string>

namespace tamo {
namespace {

// Heights and widths of the frame's fixed parts, in twips.
constexpr double kCoordinateBarHeight = 975; // Picture2, docked along the bottom
constexpr double kPanelWidth = 3000;         // Picture1, docked along the right
constexpr double kFrameChromeHeight = 750;   // caption, menu bar and borders
constexpr double kFrameChromeWidth = 200;

// The part of the block state that a later Start or the next line reads and a redraw's parsing
// rewrites: the start point of the next line is the last target, I and J and the feed are modal.
// GCode needs no keeping: TegnUd puts it back itself.
constexpr std::array<double MachineState::*, 14> kKeptNumbers{
    &MachineState::StartX,      &MachineState::StartY,       &MachineState::StartZ,   &MachineState::TargetX,
    &MachineState::TargetY,     &MachineState::TargetZ,      &MachineState::ArcI,     &MachineState::ArcJ,
    &MachineState::ProgFeed,    &MachineState::FeedFactor,   &MachineState::FeedRate, &MachineState::StepDelay,
    &MachineState::RampUpAngle, &MachineState::RampDownAngle};

class BlockContext {
public:
    BlockContext(const MachineState& st, const MainWindowModel& main)
        : stop_request_(st.StopRequest), m_word_(st.MWord), text2_(main.Text2), text3_(main.Text3) {
        for (std::size_t i = 0; i < kKeptNumbers.size(); ++i) {
            numbers_[i] = st.*kKeptNumbers[i];
        }
    }
    void PutBack(MachineState& st, MainWindowModel& main) const {
        for (std::size_t i = 0; i < kKeptNumbers.size(); ++i) {
            st.*kKeptNumbers[i] = numbers_[i];
        }
        // A stop to resume and an M word to continue after decide what the next Start does.
        st.StopRequest = stop_request_;
        st.MWord = m_word_;
        main.Text2 = text2_; // the feeds shown belong to the kept feed
        main.Text3 = text3_;
    }

private:
    std::array<double, kKeptNumbers.size()> numbers_{};
    bool stop_request_;
    Value m_word_;
    std::string text2_, text3_;
};

} // namespace

// The view takes the height that the frame's fixed parts leave and is square; the frame's width
// follows from it, so that a change of the width alone is undone. A height that leaves no room
// keeps the view at its present size (ViewWidthTwips, which the view keeps current) and the frame
// is laid out around it.
Cnc::FrameLayout Cnc::LayoutForFrameHeight(double frame_outer_height) const {
    FrameLayout layout;
    const double view_height = frame_outer_height - kCoordinateBarHeight - kFrameChromeHeight;
    layout.view_resized = view_height > 0;
    layout.view_side = layout.view_resized ? view_height : ViewWidthTwips;
    layout.frame_height = layout.view_side + kFrameChromeHeight + kCoordinateBarHeight;
    layout.frame_width = kPanelWidth + layout.view_side + kFrameChromeWidth;
    return layout;
}

// After the window has applied the layout. Changes: PlotStep, PlotTravel; unless a run or a panel
// move is in progress also the pen width, PreviewLine and the view's extents and drawing (see
// FrameRedraw); during one redraw_pending_, and the drawing follows when it has ended.
void Cnc::FrameResized() {
    UpdatePlotStep();
    if (Running()) {
        redraw_pending_ = true;
        return;
    }
    FrameRedraw();
}

// The grid at the new size, and the toolpath when more than one line is loaded, drawn at pen
// width 1. Changes: the pen width, PreviewLine (0), the view's extents and centre, PlotStep,
// PlotTravel, redraw_pending_; the block state is as it was before.
void Cnc::FrameRedraw() {
    redraw_pending_ = false;
    view().SetDrawWidth(1);
    view().Clear();
    Cordinate();
    if (st.PrgLineCount > 1) {
        const BlockContext before(st, main);
        RedrawToolpath();
        before.PutBack(st, main);
        op().ModelsChanged();
    }
    st.PreviewLine = 0;
    UpdatePlotStep();
}

// Redraws the loaded program with Previewing set, so that no line raises the tool-change prompt.
// During a run or a panel move it only marks the redraw pending. Changes: Previewing (for the
// length of the redraw), what TegnUd changes, MWord (0: a program-ending M word of the last line
// must not make the next Start a continuation), redraw_pending_.
void Cnc::RedrawToolpath() {
    if (Running()) {
        redraw_pending_ = true;
        return;
    }
    st.Previewing = true;
    TegnUd();
    st.Previewing = false;
    st.MWord = 0.0;
    redraw_pending_ = false;
}

} // namespace tamo
