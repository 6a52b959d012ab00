(expect 3 feed-zero error)
(expect 4 comma-split error)
G01 X10,5 Y2 F100
