(expect 2 feed-zero error)
G01 X10
