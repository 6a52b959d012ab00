#pragma once

#include "ui/qt_surface.h"

#include <QRgb>

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tamo::ui {

// The strokes already in the toolpath view's image, so that a stroke drawn again exactly as before
// is left out: a program that cuts one outline at several depths draws each pass over the last in
// the top view, and a million-line program of such passes then costs the painting of one.
//
// Leaving out a repeat changes no pixel. Without antialiasing a pixel shows the colour of the last
// stroke that covered it, so a repeat matters only where a stroke of another colour may have
// covered part of the first since: such a repeat is drawn (its box widened by both pens and a
// pixel of rounding against every stroke of another colour drawn after it). Anything else drawn
// into the image (text, a dot, a moved or resized picture) empties the record.
//
// Bounded: at most kKept strokes are recorded, past which the record starts afresh, and the
// comparisons cost at most kScansPerStroke strokes for every stroke offered; a repeat whose
// comparison would cost more is drawn. When fewer than one in eight of kKept strokes repeated (or
// of the first kFirstLook), nothing more is recorded until the image is cleared.
class DrawnStrokes {
public:
    // Whether `stroke` is in the image as it stands; if not, it is recorded as drawn now.
    [[nodiscard]] bool Repeats(const QtSurface::Stroke& stroke);
    // Something else was drawn into the image. Cheap, so that the live trace's tick may call it;
    // the record is emptied at the next stroke.
    void Forget() { forgotten_ = true; }
    // Nothing is being recorded, nor will be until the image is cleared: every stroke is drawn.
    [[nodiscard]] bool Idle() const { return idle_ && !forgotten_; }

    static constexpr std::size_t kKept = 65536;
    static constexpr std::size_t kFirstLook = 16384;
    static constexpr std::size_t kScansPerStroke = 16;

private:
    struct Hash {
        std::size_t operator()(const QtSurface::Stroke& s) const;
    };
    struct Same {
        bool operator()(const QtSurface::Stroke& a, const QtSurface::Stroke& b) const;
    };
    // The strokes of one colour: each with the number of its drawing, and all in the order drawn.
    struct OfColour {
        QRgb rgb = 0;
        std::unordered_map<QtSurface::Stroke, std::uint32_t, Hash, Same> kept;
        std::vector<std::pair<std::uint32_t, QtSurface::Stroke>> drawn;
    };
    OfColour& Colour(QRgb rgb);
    // Whether a stroke of another colour drawn after drawing number `since` may cover `stroke`.
    bool CoveredSince(const QtSurface::Stroke& stroke, std::uint32_t since);
    void Empty();

    std::vector<OfColour> colours_;
    std::uint32_t drawings_ = 0;
    std::size_t recorded_ = 0; // strokes drawn since the record was emptied
    std::size_t repeats_ = 0;  // and left out
    bool idle_ = false;        // recording paid too little: none until the image is cleared
    std::size_t scan_allowance_ = 0;
    bool forgotten_ = false;
};

} // namespace tamo::ui
