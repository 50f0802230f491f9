; Sparse infill at 0.5 mm and F10000 crossing sparse, stacked, then sparse infill below: both speed factors are 1, only the extrusion over stacked infill is boosted, and no feed-rate line follows
; *** Main G-code
; 'Sparse Infill Path', 3.2 [feed mm/s], 55.2 [head mm/s]
G1 X2 Y-2 Z0.5 F12000
G1 X2 Y-1 E0.05 F10000
G1 X2 Y1 E0.1
G1 X6 Y1 E0.2
G1 X6 Y-1 E0.1
; 'Stacked Sparse Infill Path', 3.2 [feed mm/s], 55.2 [head mm/s]
G1 X4 Y-1 E0.1
G1 X4 Y1 E0.1
G1 X0 Y1 E0.2
G1 X0 Y0 Z1 F12000
; 'Sparse Infill Path', 3.2 [feed mm/s], 55.2 [head mm/s]
G1 X10 Y0 E1 F10000
