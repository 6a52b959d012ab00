(expect 10 G00 X25.4 Y12.7 Z0)
(expect 11 G01 X25.4 Y12.7 Z-2.54 F254)
(expect 12 G01 X50.8 Y12.7 Z-2.54)
(expect 13 G02 X76.2 Y38.1 Z-2.54 about X50.8 Y38.1)
(expect 15 G00 X10 Y38.1 Z-2.54)
(expect 16 words M30)
(A program in inches is written in millimetres: every coordinate and feed)
(times 25.4. G21 goes back to millimetres as they stand.)
G20 G90
G0 X1 Y0.5
G1 Z-0.1 F10
X2
G2 X3 Y1.5 I0 J1
G21
G0 X10
M30
