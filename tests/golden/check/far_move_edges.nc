(expect 9 far-move warning)
(expect 10 far-move warning)
G01 X0 Y0 F100
X10 Y0
X10 Y10
X0 Y10
X0 Y0
X0 Y60
X0 Y0 Z-50.1
X60.1 Y0 Z0
X0
