(expect 2 no-motion error)
X10 Y10
