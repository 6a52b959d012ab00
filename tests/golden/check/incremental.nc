(expect 4 non-motion-g warning)
(expect 4 incremental error)
(expect 7 non-motion-g warning)
G91
G00 X10
X10
G90
