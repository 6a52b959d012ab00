(expect 3 g-word-text warning)
(expect 3 no-motion error)
G01 S500 X10 F100
