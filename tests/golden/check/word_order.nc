(expect 2 word-order warning)
G01 F100 X10
