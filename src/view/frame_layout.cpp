// How the frame's client area is shared, and the redraw of the view that follows a resize.
//
// A resize can come inside the yield of a run or a panel move. Its redraw parses the whole program
// through the block state that the running move works with, so it waits until the move has ended
// (BusyScope does it then). And because a redraw between runs would rewrite what the next
// "Execute Program" decides on (a stop to resume, a tool change to continue after, the start point
// and the modal feed of the next line), the frame's redraw puts that state back afterwards: a
// resize changes the picture and nothing else.

#include "view/frame_layout.h"

#include "interpreter/cnc.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>

namespace tamo {
namespace {

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

// The readout bar takes the least height its readouts need, the panel its width at the right, the
// listing the width it was given (narrowed to its least, and never below it, where the view would
// fall below its own least), and the view all the rest: the toolpath gets most of the screen.
FrameLayout LayoutFrame(int width, int height, const FrameParts& parts) {
    const int top = std::max(0, height - parts.bar_height);
    const int left = std::max(0, width - parts.panel_width);
    int listing = 0;
    if (parts.listing_width > 0) {
        listing = std::min(parts.listing_width, left - parts.view_least);
        listing = std::min(std::max(listing, parts.listing_least), left);
    }
    FrameLayout layout;
    layout.view = {0, 0, left - listing, top};
    layout.listing = {left - listing, 0, listing, top};
    layout.panel = {left, 0, width - left, top};
    layout.bar = {0, top, width, height - top};
    return layout;
}

Box MinimumFrame(const FrameParts& parts) {
    const int listing = parts.listing_width > 0 ? parts.listing_least : 0;
    const int top_width = parts.panel_width + parts.view_least + listing;
    return {0, 0, std::max(top_width, parts.bar_width), parts.panel_height + parts.bar_height};
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
        // The redraw's parsing clears the stop that says whether the last line was run whole.
        const bool stopped_in_line = st.StopRequest;
        RedrawToolpath();
        DrawCutPart(stopped_in_line ? st.PrgLineNo - 1 : st.PrgLineNo, stopped_in_line);
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

int Cnc::LinesCut() const {
    const bool in_line = (Running() && activity_ == Activity::Run) || st.StopRequest;
    return std::clamp(in_line ? st.PrgLineNo - 1 : st.PrgLineNo, 0, st.PrgLineCount);
}

// The toolpath of the lines the program has run, drawn again in the cut colour from the record of
// the last walk, as the live trace drew them: a redraw between runs must not make the part already
// cut look like the part still to cut. Of a straight feed move a stop ended, the part from its start
// to the tool is drawn too. Changes: the colour (black after) and the pen width (1 after).
void Cnc::DrawCutPart(int lines, bool and_part_of_next) {
    const int done = std::min(lines, st.PrgLineCount);
    const bool part = and_part_of_next && done < st.PrgLineCount;
    if ((done < 1 && !part) || !TopViewShown) {
        return;
    }
    view().SetForeColor(kCut);
    view().SetDrawWidth(2); // as wide as the live trace
    const std::vector<ToolpathMove>& moves = toolpath_->moves();
    const std::size_t cut = toolpath_->MovesUpTo(std::max(done, 0));
    DrawToolpath(cut, kCut);
    if (part) {
        // The stopped line's feed move, from where it starts (after a jump, if it has one).
        std::size_t i = cut;
        double x = i > 0 ? moves[i - 1].x : 0;
        double y = i > 0 ? moves[i - 1].y : 0;
        if (i < moves.size() && moves[i].line() == done + 1 && moves[i].kind() == MoveKind::Jump) {
            x = moves[i].x;
            y = moves[i].y;
            ++i;
        }
        if (i < moves.size() && moves[i].line() == done + 1 && moves[i].kind() == MoveKind::Feed) {
            view().Line(x, y, st.ProgPosX, st.ProgPosY, kCut, LineStyle::Solid);
        }
    }
    view().SetForeColor(kBlack);
    view().SetDrawWidth(1);
}

} // namespace tamo
