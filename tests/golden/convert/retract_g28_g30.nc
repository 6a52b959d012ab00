(option clearance 12)
(expect 17 G00 X6 Y-3 Z4)
(expect 18 G01 X6 Y-3 Z-2 F150)
(expect 19 G01 X9 Y-3 Z-2)
(expect 20 G00 X9 Y-3 Z12)
(expect 21 G00 X-5 Y8 Z12)
(expect 22 G01 X-5 Y8 Z-1)
(expect 23 not-converted X2 Y1)
(expect 23 G00 X-5 Y8 Z12)
(expect 24 G00 X-5 Y8 Z3)
(expect 25 G00 X7 Y-6 Z3)
(expect 26 not-converted G28)
(expect 26 G00 X7 Y-6 Z12)
(expect 27 words M30)
(G28 and G30, also in G91, go up to the clearance height - given here: 12 -; where they take)
(X and Y is stored in the controller: listed, and X and Y stay where they are.)
G90 G0 X6 Y-3 Z4
G1 Z-2 F150
X9
G28 G91 Z0
G90 G0 X-5 Y8
G1 Z-1 F150
G30 X2 Y1
G0 Z3
G0 X7 Y-6
G28
M30
