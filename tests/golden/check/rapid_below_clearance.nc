(expect 9 rapid-below-clearance warning)
G00 X4 Y-3 Z6
G01 Z-1 F100
G01 X9 Y-3
G00 Z2
G00 X-5 Y7
G01 Z-2
G01 X-8 Y7
G00 X3 Y8
G00 X6 Y8
G00 Z6
G00 X1 Y-9
