(expect 3 program-end error)
G00 X10
M30
G00 X20
