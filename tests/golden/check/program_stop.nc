(expect 3 program-stop warning)
G00 X10
M00
G00 X0
