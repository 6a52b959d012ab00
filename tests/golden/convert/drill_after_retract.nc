(expect 18 G00 X5 Y-2 Z8)
(expect 19 G01 X5 Y-2 Z-1 F70)
(expect 20 G00 X5 Y-2 Z8)
(expect 21 words M6 T3)
(expect 22 not-converted G43 H3)
(expect 22 G00 X5 Y-2 Z7)
(expect 23 G00 X-3 Y4 Z7)
(expect 23 G00 X-3 Y4 Z1.5)
(expect 23 G01 X-3 Y4 Z-2.5)
(expect 23 G00 X-3 Y4 Z7)
(expect 24 G00 X6 Y9 Z7)
(expect 24 G00 X6 Y9 Z1.5)
(expect 24 G01 X6 Y9 Z-2.5)
(expect 24 G00 X6 Y9 Z7)
(expect 26 words M30)
(Drilling after a retract and a tool length line: Z is known, and G98 returns to Z7,)
(where the cycles began.)
G0 X5 Y-2 Z8
G1 Z-1 F70
G53 G0 Z0
T3 M6
G43 Z7 H3
G81 X-3 Y4 Z-2.5 R1.5
X6 Y9
G80
M30
