(expect 3 drill-cycle error)
(expect 5 non-motion-g warning)
G81 X10 Y10 Z-3 R2 F100
X20
G80
