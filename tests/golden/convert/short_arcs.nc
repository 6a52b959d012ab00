(expect 7 G00 X10 Y0 Z0)
(expect 8 G01 X10 Y0.005 Z0 F100)
(expect 9 G03 X10 Y0.005 Z0 about X0 Y0)
(An arc shorter than a step is a straight line: the machine cuts an end within)
(a step of the start as the whole circle. An end exactly on the start is the whole circle)
(for both.)
G0 X10 Y0
G3 X10 Y0.005 I-10 J0 F100
G3 X10 Y0.005 I-10 J-0.005
