(expect 7 far-move warning)
G00 X0 Y0
G01 X10 Y0 F100
X10 Y6
X0 Y6 Z-2
X0 Y0
X1000 Y0
X0 Y0
