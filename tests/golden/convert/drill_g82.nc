(expect 16 G00 X0 Y0 Z5)
(expect 17 not-converted P0.5)
(expect 17 G00 X10 Y0 Z5)
(expect 17 G00 X10 Y0 Z2)
(expect 17 G01 X10 Y0 Z-2 F50)
(expect 17 G00 X10 Y0 Z2)
(expect 17 G00 X20 Y0 Z2)
(expect 17 G01 X20 Y0 Z-2)
(expect 17 G00 X20 Y0 Z2)
(expect 17 G00 X30 Y0 Z2)
(expect 17 G01 X30 Y0 Z-2)
(expect 17 G00 X30 Y0 Z2)
(G82 is G81 with a dwell at the bottom; the machine has no dwell, and its P is listed.)
(In incremental mode R is measured from where the tool stands and Z from R,)
(and L repeats the hole, adding X and Y each time.)
G0 Z5
G91 G99 G82 X10 Y0 Z-4 R-3 P0.5 L3 F50
G90 G80
