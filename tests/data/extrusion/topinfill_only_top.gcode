; Sparse infill at 0.25 mm and F3000 that crosses only sparse infill below: no pieces, the finish with factor 1 at 0.3 of the feed rate, then the line's feed rate back
; *** Main G-code
; 'Sparse Infill Path', 3.2 [feed mm/s], 55.2 [head mm/s]
G1 X3 Y-2 Z0.25 F6000
G1 X3 Y-1 E0.05 F3000
G1 X3 Y1 E0.1
G1 X0 Y1 E0.15
G1 X0 Y0 Z0.5 F6000
G1 X10 Y0 E1 F3000
