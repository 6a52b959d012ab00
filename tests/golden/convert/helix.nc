(expect 8 G00 X5 Y0 Z1)
(expect 9 G03 X-5 Y0 Z0 about X0 Y0)
(expect 10 G03 X-5 Y0 Z-1 about X0 Y0)
(expect 10 G03 X-5 Y0 Z-2 about X0 Y0)
(expect 11 G02 X0 Y5 Z-2.5 about X0 Y0)
(A helical arc is written with its Z: the machine moves Z in proportion to the angle)
(turned. A helix of P turns is written a whole turn at a time, Z shared out by the angle.)
G0 X5 Y0 Z1
G3 X-5 Y0 Z0 I-5 J0 F200
G3 X-5 Y0 Z-2 I5 J0 P2
G2 X0 Y5 Z-2.5 I5 J0
