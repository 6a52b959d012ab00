(expect 10 G00 X0 Y0 Z5)
(expect 11 G01 X0 Y0 Z-1)
(expect 12 G01 X20 Y0 Z-1)
(expect 14 G01 X20 Y20 Z-1)
(expect 15 G01 X0 Y20 Z-1)
(Comments go on lines of their own, made harmless: a comma would split the line,)
(a quote would cut it short, and their letters would be read as words. Words after a)
(comment are read; a line that begins with a tab or a comment is read too.)
(SQUARE, 20 MM, FROM THE ORIGIN)
G0 X0 Y0 Z5 (SAFE HEIGHT)
G1 Z-1 F100 ; plunge, slowly
X20 ("FIRST" SIDE) Y0
(G0 X100 Y100)
(TURN) Y20
	X0 (A TAB FIRST)
