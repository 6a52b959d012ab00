(expect 3 lower-case error)
G00 X0 Y0
g01 x10 F100
