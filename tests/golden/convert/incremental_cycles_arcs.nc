(expect 18 G00 X2 Y3 Z7)
(expect 19 G00 X6 Y1 Z7)
(expect 19 G00 X6 Y1 Z2)
(expect 19 G01 X6 Y1 Z-1 F120)
(expect 19 G00 X6 Y1 Z2)
(expect 19 G00 X10 Y-1 Z2)
(expect 19 G01 X10 Y-1 Z-1)
(expect 19 G00 X10 Y-1 Z2)
(expect 19 G00 X14 Y-3 Z2)
(expect 19 G01 X14 Y-3 Z-1)
(expect 19 G00 X14 Y-3 Z2)
(expect 21 G01 X14 Y-3 Z-1)
(expect 22 G03 X10 Y1 Z-1 about X10 Y-3)
(expect 23 G02 X16 Y1 Z-1 about X13 Y1)
(expect 24 G00 X16 Y1 Z6)
(G91 throughout: the cycle's R from where the tool stands, Z from R, X and Y added)
(on every repeat of L; arcs end by their increments, I and J from the start. Absolute.)
G0 X2 Y3 Z7
G91 G99 G81 X4 Y-2 Z-3 R-5 L3 F120
G90 G80
G91 G1 Z-3 F120
G3 X-4 Y4 I-4 J0
G2 X6 Y0 I3 J0
G90 G0 Z6
