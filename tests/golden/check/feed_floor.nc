(expect 2 feed-floor error)
G01 X10 F0.5
