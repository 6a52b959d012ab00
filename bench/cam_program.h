#pragma once

// A program as a CAM post writes one for a 3D clearing pass: rows of S-bends along X, each bend a
// half circle (G03 down, G02 up) between short feed moves with a varying Z, so that two blocks in
// five are arcs; each pass begins with its comment, a retract, a rapid to the start and a helical
// plunge (a G02 whose Z changes), and the rows are joined by a step over in Y.

#include "surface_finish_program.h"

#include <cmath>
#include <cstddef>
#include <ostream>

namespace bench {

inline std::size_t WriteCamProgram(std::ostream& file, std::size_t lines) {
    constexpr int kCells = 20;        // S-bends a row, each 5 mm along X
    constexpr int kRows = 60;         // rows a pass
    constexpr double kStepOver = 1.5; // mm between rows
    constexpr double kPassDepth = 0.5;

    ProgramWriter out(file, lines);
    out.Line("%%");
    out.Line("(Adaptive clear 100 x 90 - flat end mill 4 mm)");
    out.Line("G21 G90 G17");
    out.Line("M06 T2");
    out.Line("M03 S15000");
    for (int pass = 1; !out.Full(); ++pass) {
        const double depth = -kPassDepth * pass;
        out.Line("(pass %.0f depth %.3f)", pass, depth);
        out.Line("G00 Z5.000");
        out.Line("G00 X-1.000 Y0.000");
        // The helix down to the pass: one turn about (0, 0) from its left point, clockwise.
        out.Line("G02 X-1.000 Y0.000 Z%.3f I1.000 J0.000 F300", depth);
        out.Line("G01 X0.000 Y0.000 F1200");
        for (int row = 0; row < kRows && !out.Full(); ++row) {
            const double y = row * kStepOver;
            const bool forward = row % 2 == 0;
            const double dir = forward ? 1 : -1;
            const double x0 = forward ? 0 : 5.0 * kCells;
            for (int cell = 0; cell < kCells && !out.Full(); ++cell) {
                const double x = x0 + dir * 5.0 * cell;
                const double z = depth + 0.3 * std::sin(x * 0.09) * std::cos(y * 0.05);
                out.Line("G01 X%.3f Y%.3f Z%.3f", x + dir * 1.0, y, z);
                out.Line(forward ? "G03 X%.3f Y%.3f I%.3f J0.000" : "G02 X%.3f Y%.3f I%.3f J0.000", x + dir * 2.0, y,
                         dir * 0.5);
                out.Line("G01 X%.3f Y%.3f", x + dir * 3.0, y);
                out.Line(forward ? "G02 X%.3f Y%.3f I%.3f J0.000" : "G03 X%.3f Y%.3f I%.3f J0.000", x + dir * 4.0, y,
                         dir * 0.5);
                out.Line("G01 X%.3f Y%.3f Z%.3f", x + dir * 5.0, y, z);
            }
            out.Line("G01 Y%.3f", y + kStepOver);
        }
    }
    return out.Finish();
}

} // namespace bench
