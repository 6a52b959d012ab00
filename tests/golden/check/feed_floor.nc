(expect 3 feed-floor error)
(expect 6 feed-floor error)
G01 X10 F0.5
G01 X20
(a new F word begins a finding of its own)
G01 X30 F0.2
