(expect 2 letter-twice error)
G01 X10 Y5 X20 F100
