(expect 3 non-motion-g warning)
(expect 3 arc-centre-mode error)
G90.1
G00 X10 Y0
G03 X0 Y10 I-10 J0 F100
