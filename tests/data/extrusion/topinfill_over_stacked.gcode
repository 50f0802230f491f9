; Sparse infill at 0.25 mm and F3000 that crosses only stacked infill below: E x1.25 at 0.375 of the feed rate, then the line's feed rate back
; *** Main G-code
; 'Stacked Sparse Infill Path', 3.2 [feed mm/s], 55.2 [head mm/s]
G1 X4 Y-2 Z0.25 F6000
G1 X4 Y-1 E0.05 F3000
G1 X4 Y1 E0.1
G1 X7 Y1 E0.15
G1 X7 Y-1 E0.1
G1 X0 Y-1 E0.35
G1 X0 Y0 Z0.5 F6000
; 'Sparse Infill Path', 3.2 [feed mm/s], 55.2 [head mm/s]
G1 X10 Y0 E1 F3000
