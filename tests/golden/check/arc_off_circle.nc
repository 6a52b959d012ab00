(expect 2 arc-off-circle error)
G02 X10 Y1 I5 J0 F100
