(expect 6 G00 X20 Y10 Z0)
(expect 7 G02 X10 Y20 Z0 about X10 Y10)
(expect 8 G03 X0 Y10 Z0 about X0 Y20)
(After G90.1 I and J are the position of the centre; G91.1 makes them)
(relative to the arc's start again. Written relative.)
G0 X20 Y10
G90.1 G2 X10 Y20 I10 J10 F100
G91.1 G3 X0 Y10 I-10 J0
