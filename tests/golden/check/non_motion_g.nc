(expect 3 non-motion-g warning)
(expect 4 no-motion error)
G17
X10 Y10
