(expect 14 G00 X5 Y5 Z3)
(expect 15 G00 X5 Y5 Z1)
(expect 15 G01 X5 Y5 Z-2 F80)
(expect 15 G00 X5 Y5 Z1)
(expect 15 G00 X5 Y5 Z-1.746)
(expect 15 G01 X5 Y5 Z-5)
(expect 15 G00 X5 Y5 Z1)
(expect 15 G00 X5 Y5 Z-4.746)
(expect 15 G01 X5 Y5 Z-7)
(expect 15 G00 X5 Y5 Z3)
(G83 pecks: down by Q at the feed, up to R at rapid, down at rapid to 0.254 mm)
(above the depth reached, on by Q, until the last peck reaches Z; then up. A cycle)
(line with Z alone drills where the tool stands.)
G0 X5 Y5 Z3
G98 G83 Z-7 R1 Q3 F80
G80
