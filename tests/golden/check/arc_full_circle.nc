(expect 3 arc-full-circle error)
G00 X10 Y0
G03 X10 Y0.005 I-10 J0 F100
