(expect 9 G00 X10 Y10 Z0)
(expect 10 G01 X15 Y8 Z0 F100)
(expect 11 G01 X15 Y8 Z-1)
(expect 12 G03 X10 Y13 Z-1 about X10 Y8)
(expect 13 G00 X10 Y13 Z5)
(expect 14 G00 X0 Y0 Z5)
(G91 moves by its coordinates, arcs too - I and J stay relative to the start;)
(G90 goes back to positions. Written absolute.)
G0 X10 Y10
G91 G1 X5 Y-2 F100
Z-1
G3 X-5 Y5 I-5 J0
G90 G0 Z5
X0 Y0
