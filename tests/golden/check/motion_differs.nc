(expect 5 comment-word error)
(expect 5 motion-differs error)
(expect 5 feed-zero error)
G00 X0 Y5
X1 (G01 FAST)
X10
