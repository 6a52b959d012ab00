(expect 3 comment-word error)
(expect 3 feed-zero error)
G01 X10 (FINISH PASS)
