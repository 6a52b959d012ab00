(expect 6 not-finite error)
(expect 6 start-refused error)
(expect 7 not-finite error)
(expect 8 not-finite error)
G00 X0 Y0
G01 X10 Y-inf F100
G01 ZInfinity
G01 XNAN
G01 X1.5e-1 Y.5
