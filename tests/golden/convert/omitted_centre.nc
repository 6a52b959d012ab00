(expect 7 G00 X10 Y0 Z0)
(expect 8 G03 X-10 Y0 Z0 about X0 Y0)
(expect 9 G03 X10 Y0 Z0 about X0 Y0)
(expect 10 G02 X10 Y20 Z0 about X10 Y10)
(An arc's omitted I or J is 0; both are written, as the machine keeps what)
(the last arc left in them.)
G0 X10 Y0
G3 X-10 Y0 I-10 F100
G3 X10 Y0 I10
G2 X10 Y20 J10
