(expect 7 non-motion-g warning)
(expect 7 incremental warning)
(expect 7 no-motion error)
(expect 8 non-motion-g warning)
(expect 9 carried-target error)
G00 X0 Y0 Z5
G28 G91 Z0.
G90
G00 X10 Y-3
