(expect 5 refused)
(More than a thousand times the program in lines: refused, nothing written.)
G0 Z5
G91
G83 X1 Y0 Z-99.9 R1 Q0.001 L100 F100
G80
