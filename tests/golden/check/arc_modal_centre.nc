(expect 4 arc-modal-centre error)
G00 X10 Y0
G03 X-10 Y0 I-10 J0 F100
G03 X10 Y0 I10
