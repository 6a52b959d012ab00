(expect 21 G00 X0 Y0 Z10)
(expect 22 G00 X10 Y10 Z10)
(expect 22 G00 X10 Y10 Z2)
(expect 22 G01 X10 Y10 Z-5 F100)
(expect 22 G00 X10 Y10 Z10)
(expect 23 G00 X20 Y10 Z10)
(expect 23 G00 X20 Y10 Z2)
(expect 23 G01 X20 Y10 Z-5)
(expect 23 G00 X20 Y10 Z10)
(expect 24 G00 X30 Y10 Z10)
(expect 24 G00 X30 Y10 Z2)
(expect 24 G01 X30 Y10 Z-5)
(expect 24 G00 X30 Y10 Z2)
(expect 25 G00 X40 Y10 Z2)
(expect 25 G01 X40 Y10 Z-8)
(expect 25 G00 X40 Y10 Z2)
(expect 27 G00 X40 Y10 Z10)
(G81: at rapid over the hole and down to R, to Z at the feed, and back up at)
(rapid: after G98 to the height where the cycles began, after G99 to R. R and Z are kept)
(from line to line; a line with a coordinate drills another hole.)
G0 Z10
G98 G81 X10 Y10 Z-5 R2 F100
X20
G99 X30
X40 Z-8
G80
G0 Z10
