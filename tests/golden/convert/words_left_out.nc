(expect 13 G00 X3 Y-8 Z9)
(expect 14 not-converted G43 H1)
(expect 14 G00 X3 Y-8 Z4)
(expect 15 G01 X7 Y-8 Z4 F200)
(expect 16 G00 X7 Y-8 Z11)
(expect 17 not-converted G4 P1.5)
(expect 18 not-converted G28.1)
(expect 19 not-converted M19)
(expect 19 G00 X-2 Y-8 Z11)
(expect 20 words M30)
(A line is not dropped for a word the machine cannot honour: the axis words of G43, G40 and)
(G49 lines move; a tool length offset, a dwell, a stored position, an unknown M are listed.)
G0 X3 Y-8 Z9
G43 Z4 H1
G40 G1 X7 F200
G49 G0 Z11
G4 P1.5
G28.1 X1 Y2
M19 G0 X-2
M30
