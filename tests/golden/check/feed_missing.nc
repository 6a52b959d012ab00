(expect 2 feed-missing warning)
G01 X10
G01 X20 F100
