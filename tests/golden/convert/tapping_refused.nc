(expect 8 G00 X4 Y-6 Z5)
(expect 9 not-converted)
(expect 10 not-converted)
(expect 12 G00 X8 Y3 Z5)
(expect 13 words M30)
(Tapping turns the spindle with Z, which the machine cannot: its holes are listed, the)
(hole lines after it too, and X, Y and Z are not known until a line sets them.)
G0 X4 Y-6 Z5
G84 X4 Y-6 Z-3 R1 F100
X-7 Y2
G80
G0 X8 Y3
M30
