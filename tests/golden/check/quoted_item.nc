(expect 2 quoted-item error)
"G01 X10 F100" Y5
