(expect 8 G00 X5 Y5 Z0)
(expect 9 G01 X10 Y5 Z0)
(N words, O program numbers and "%" lines are left out; a "$" line - a)
(command for a controller's console - becomes a comment.)
%
O1234 (PART)
$H
N10 G0 X5 Y5
N20 G1 X10 F100
%
