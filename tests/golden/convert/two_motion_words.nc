(expect 4 G00 X1 Y2 Z0)
(expect 5 not-converted because two motion words on one line)
(Two motion words on one line: a standard controller refuses the line.)
G0 X1 Y2
G0 G1 X3 Y3
