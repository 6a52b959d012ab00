(expect 20 G00 X12 Y7 Z5)
(expect 21 words M3)
(expect 22 G01 X12 Y7 Z-1.5 F100)
(expect 23 G00 X12 Y7 Z3)
(expect 24 words M5)
(expect 24 G00 X12 Y7 Z10)
(expect 25 words M6 T2)
(expect 26 words M3)
(expect 27 G00 X-4 Y9 Z10)
(expect 28 not-converted G43 H2)
(expect 28 G00 X-4 Y9 Z6)
(expect 29 G01 X-4 Y9 Z-2.5 F100)
(expect 30 G01 X16 Y9 Z-2.5)
(expect 31 G00 X16 Y9 Z10)
(expect 32 words M30)
(A retract in machine coordinates goes up to the clearance height: the highest Z the)
(program reaches, Z10 on its last move, never down; the M5 on its line stops the spindle)
(before it. G43 is listed: Z is the tip of the tool as touched off, and its Z move is kept.)
G21 G90
G0 X12 Y7 Z5
M3 S1000
G1 Z-1.5 F100
G0 Z3
G53 G0 Z0 M5
M6 T2
M3
G0 X-4 Y9
G43 Z6 H2
G1 Z-2.5 F100
X16
G0 Z10
M30
