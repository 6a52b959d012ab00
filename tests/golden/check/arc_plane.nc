(expect 3 non-motion-g warning)
(expect 4 arc-plane error)
G18
G02 X10 Y0 I5 J0 F100
