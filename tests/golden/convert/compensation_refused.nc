(expect 7 refused)
(Cutter compensation needs the diameter of the tool: the whole program is refused, and)
(nothing is written, rather than a cut a radius off the line.)
G20 G90
G0 X-1 Y-1 Z0.1
G1 Z-0.1 F10
G41 D1 X0.25
Y2
M30
