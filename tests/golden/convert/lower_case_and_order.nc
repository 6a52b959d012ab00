(expect 7 G00 X10 Y5 Z0)
(expect 8 G01 X20 Y15 Z0 F150)
(expect 9 G01 X20 Y15 Z-1)
(expect 10 G03 X20 Y25 Z-1 about X20 Y20)
(Words in lower case are read, and words in any order: written in upper)
(case, in the order the machine reads.)
g0 x10 y5
f150 y15 g1 x20
z-1 G01
x20 y25 g03 j5 i0
