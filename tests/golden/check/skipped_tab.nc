(expect 2 skipped-line error)
	G01 X10 F100
