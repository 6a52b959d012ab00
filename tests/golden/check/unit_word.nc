(expect 3 non-motion-g warning)
(expect 3 unit-word error)
G20
G00 X1 Y1
