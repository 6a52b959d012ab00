(expect 6 G00 X1 Y2 Z0)
(expect 7 G01 X3 Y2 Z0)
(Modes that change no cut here - G17, G21 in millimetres, G40, G49, G54, G61, G64,)
(G80, G90, G94 - are left out; a line of nothing else becomes a comment.)
G17 G21 G40 G49 G54 G64 G80 G90 G94
G0 G90 G54 X1 Y2
G61 G1 X3 F100
