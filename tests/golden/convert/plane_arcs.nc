(expect 10 G00 X10 Y0 Z0)
(expect 11 segments X30 Y0 Z0 about X20 Z0 via X20 Z-10)
(expect 12 segments X30 Y10 Z10 about Y0 Z10 via Y7.0711 Z2.9289)
(expect 13 G02 X40 Y10 Z10 about X35 Y10)
(expect 14 segments X40 Y10 Z10 about X45 Z10 via X50 Z10)
(Arcs of the XZ plane - G18 - and the YZ plane - G19 - become straight moves along)
(them, each within half the arc tolerance. Counter-clockwise is as seen from the positive)
(end of the axis across the plane: G18 turns Z toward X, G19 Y toward Z. G17 brings arcs)
(back. An end on the start is a whole turn.)
G0 X10 Y0
G18 G2 X30 Z0 I10 K0 F100
G19 G3 Y10 Z10 J0 K10
G17 G2 X40 Y10 I5 J0
G18 G2 X40 Z10 I5 K0
