(expect 5 non-motion-g warning)
(expect 6 no-motion error)
(expect 7 carried-target error)
G01 X5 F100
G17
X10
G01
