(expect 3 drill-cycle error)
(expect 5 non-motion-g warning)
G81 X12 Y-7 Z-3 R2 F100
X20
G80
