(expect 6 non-motion-g warning)
(expect 6 no-motion error)
(expect 7 comment-word error)
(expect 7 carried-target error)
(expect 7 motion-differs error)
G82 X10 Y-6 Z-1 R1 F100
X20 (G00 RAPID)
