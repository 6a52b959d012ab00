(expect 4 comma-split error)
G00 X0 Y0
(SQUARE, FROM THE ORIGIN)
