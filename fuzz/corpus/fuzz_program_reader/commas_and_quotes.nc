"(Drill plate, 4 holes)",G00 Z5
G00 X10 Y10,G01 Z-2 F80,G00 Z5
"G00 X30 Y10" trailing text dropped,G01 Z-2
  12.50, -0.0001 ,1e5,+3,.5,1E20,&H10
"unterminated quote
M30