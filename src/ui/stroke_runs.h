#pragma once

// How the top view's surface draws a batch of strokes: gathered into runs of one pen, each run one
// polyline, then drawn band by band, so that several threads can share one picture.

#include "ui/qt_surface.h"

#include <QImage>
#include <QRect>
#include <QSize>

namespace tamo::ui {

// The strokes [first, end) as runs into `out` (cleared first).
void GatherRuns(const QtSurface::Stroke* first, const QtSurface::Stroke* end, QtSurface::Gathered& out);

// The runs that reach into the rows of `band`, the parts one after the other, drawn in order
// through a painter of their own on an image over the given bits, clipped to the band's rows when
// `clip`.
void DrawBand(uchar* bits, QSize size, qsizetype bytes_per_line, const QtSurface::Gathered* parts, int part_count,
              QRect band, bool clip);

} // namespace tamo::ui
