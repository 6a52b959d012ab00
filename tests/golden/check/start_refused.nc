(expect 3 start-refused error)
G00 X0
G01 X100000 F1
G01 X0
