(expect 3 arc-turns error)
G00 X5 Y0
G03 X5 Y0 Z-2 I-5 J0 P2 F100
