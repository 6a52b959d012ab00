(expect 13 G00 X10 Y0 Z0)
(expect 14 G02 X0 Y-10 Z0 about X0 Y0)
(expect 15 G02 X-10 Y0 Z0 about X-10 Y-10)
(expect 16 G03 X0 Y10 Z0 about X-10 Y10)
(expect 17 G03 X10 Y10 Z0 about X5 Y10)
(expect 18 G02 X20 Y10 Z0 about X15 Y10)
(expect 19 not-converted)
(An R arc has its centre on the perpendicular bisector of the chord, at)
(the square root of R^2 - chord^2/4 from its middle: for G2 with R above 0 on the right of the way)
(from start to end, for G3 on the left, and the other side for R below 0 - more than half a)
(circle. An R a rounding short of half the chord is a half circle; one shorter than that)
(by more than the arc tolerance has no circle and is not converted.)
G0 X10 Y0
G2 X0 Y-10 R10 F100
G2 X-10 Y0 R-10
G3 X0 Y10 R10
G3 X10 Y10 R5
G2 X20 Y10 R4.998
G2 X40 Y10 R5
