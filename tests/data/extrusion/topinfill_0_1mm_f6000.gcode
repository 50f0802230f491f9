; Sparse infill at 0.1 mm and F6000 crossing sparse, stacked, then sparse infill below: plain stretches at 0.24 of the feed rate, E x1.25 at 0.12 of it over stacked infill, then the line's feed rate back before the next draw
; *** Main G-code
; 'Sparse Infill Path', 3.2 [feed mm/s], 55.2 [head mm/s]
G1 X2 Y-2 Z0.1 F9000
G1 X2 Y-1 E0.05 F6000
G1 X2 Y1 E0.1
G1 X7 Y1 E0.25
G1 X7 Y-1 E0.1
; 'Stacked Sparse Infill Path', 3.2 [feed mm/s], 55.2 [head mm/s]
G1 X5 Y-1 E0.1
G1 X5 Y1 E0.1
G1 X0 Y1 E0.25
G1 X0 Y0 Z0.2 F9000
; 'Sparse Infill Path', 3.2 [feed mm/s], 55.2 [head mm/s]
G1 X10 Y0 E1 F6000
G1 X10 Y1 E0.1
