(expect 2 tool-change warning)
M06 T2
