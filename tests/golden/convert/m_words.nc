(expect 14 words M6 T2)
(expect 15 words M3)
(expect 15 words M8)
(expect 16 words M9)
(expect 16 G00 X1 Y1 Z0)
(expect 17 G01 X2 Y1 Z0 F50)
(expect 17 words M0)
(expect 18 words M5)
(expect 18 words M9)
(expect 19 words M30)
(M words each on a line of their own, in the order a standard controller takes)
(them: M6 with the tool, spindle and coolant before the line's move, stops after it. S is)
(a comment. A standard controller reads nothing after M30: those lines are left out.)
T2 M6
S1000 M3 M8
G0 X1 Y1 M9
G1 X2 F50 M0
M5 M9
M30
G0 X0 Y0
