(expect 2 arc-radius-word error)
G02 X10 Y0 R5 F100
