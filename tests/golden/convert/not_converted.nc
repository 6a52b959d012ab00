(expect 28 not-converted)
(expect 29 G00 X1 Y1 Z5)
(expect 30 not-converted)
(expect 32 G00 X10 Y10 Z5)
(expect 33 not-converted)
(expect 34 not-converted)
(expect 35 G01 X30 Y10 Z5 F100)
(expect 36 not-converted)
(expect 37 not-converted)
(expect 38 not-converted)
(expect 39 not-converted)
(expect 40 not-converted)
(expect 41 not-converted)
(expect 42 not-converted)
(expect 43 not-converted)
(expect 44 G01 X30 Y10 Z-1)
(expect 45 not-converted)
(expect 46 not-converted)
(expect 48 not-converted)
(expect 49 not-converted)
(expect 50 not-converted)
(expect 51 not-converted)
(expect 52 not-converted)
(What a standard controller takes from what it keeps itself, or what the)
(converter does not follow, is listed with the reason and stays a comment. An axis such a)
(line names is not known until a line sets it again; moves meanwhile leave it where it)
(stands, and an incremental move from it is not converted either.)
G1 X5
G0 X1 Y1 Z5
G28 G91 Z0
G90
G0 X10 Y10
G43 Z15 H1
G41 D1 G1 X20 F100
G1 X30 F100
G30
G92 X0 Y0
G55
G53 G0 Z0
o100 sub
#1 = 5
M98 P100
G91 G1 Z-1
G90 G1 Z-1
G1 A10
G84 X1 Y1 Z-1 R1
G0 X30 Y10
G2 X40 Y10 I3 J0
G1 X10 Y5 X20
G2 I3 J0
M99999999999999
G5 X1 Y1 I1 J0 P1 Q1
