(expect 30 not-converted)
(expect 31 G00 X1 Y1 Z5)
(expect 32 not-converted because G92 sets a coordinate offset)
(expect 33 G00 X10 Y10 Z5)
(expect 34 not-converted G55 because G55 selects a work offset stored in the controller)
(expect 34 words M8)
(expect 35 G01 X30 Y10 Z5 F100)
(expect 36 not-converted)
(expect 37 not-converted)
(expect 38 not-converted)
(expect 39 not-converted)
(expect 40 G01 X30 Y10 Z-1)
(expect 41 not-converted)
(expect 42 G00 X30 Y10 Z3)
(expect 43 not-converted)
(expect 44 not-converted)
(expect 45 not-converted)
(expect 46 not-converted M99999999999999)
(expect 46 words M7)
(expect 47 not-converted)
(expect 48 not-converted E5)
(expect 48 not-converted H2)
(expect 48 G01 X12 Y-4 Z3)
(What a standard controller takes from what it keeps itself, or what the converter does)
(not follow, is listed with the reason and stays a comment; the M and T words of such a line)
(are written all the same, unless the line changes the flow of the program. An axis such a)
(line names is not known until a line sets it again; moves meanwhile leave it where it)
(stands, and an incremental move from it is not converted either. Words the converter does)
(not know are listed one by one, and the rest of their line is converted.)
G1 X5
G0 X1 Y1 Z5
G92 X0 Y0 Z2
G0 X10 Y10
G55 M8
G1 X30 F100
o100 sub
#1 = 5
M98 P100 M9
G91 G1 Z-1
G90 G1 Z-1
G1 A10
G0 X30 Y10 Z3
G2 X40 Y10 I3 J0
G1 X10 Y5 X20
G2 I3 J0
M99999999999999 M7
G5 X1 Y1 I1 J0 P1 Q1
G1 X12 Y-4 E5 H2
