(expect 14 G00 X3 Y-7 Z8)
(expect 15 G00 X3 Y-7 Z2)
(expect 15 G01 X3 Y-7 Z-4.5 F60)
(expect 15 G01 X3 Y-7 Z2)
(expect 15 G00 X3 Y-7 Z8)
(expect 16 not-converted P0.5)
(expect 16 G00 X-9 Y2 Z8)
(expect 16 G00 X-9 Y2 Z2)
(expect 16 G01 X-9 Y2 Z-4.5)
(expect 16 G01 X-9 Y2 Z2)
(expect 16 G00 X-9 Y2 Z8)
(G85 bores: down to Z and back up to R at the feed, then after G98 on up at rapid to where the)
(cycles began. G89 does the same with a dwell at the bottom, whose P is listed.)
G0 X3 Y-7 Z8
G98 G85 X3 Y-7 Z-4.5 R2 F60
G89 X-9 Y2 P0.5
G80
