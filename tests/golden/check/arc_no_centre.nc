(expect 3 arc-no-centre error)
G01 X10 F100
G02 X20 Y0 I0 J0
X30 Y10 I5
