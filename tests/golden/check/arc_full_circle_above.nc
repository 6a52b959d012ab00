(expect 3 arc-full-circle error)
G00 X10 Y15
G03 X9.995 Y15 I0 J-10 F100
