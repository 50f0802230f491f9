; Outside the printing chapter layer thicknesses stay 0, and sparse infill has no floor: its window is empty, so a draw over stacked infill is copied unchanged
; *** G-code Postfix
; 'Stacked Sparse Infill Path', 3.2 [feed mm/s], 55.2 [head mm/s]
G1 X5 Y-2 Z0.2 F6000
G1 X5 Y-1 E0.05 F3000
G1 X5 Y1 E0.1
G1 X0 Y0 Z0.4 F6000
; 'Sparse Infill Path', 3.2 [feed mm/s], 55.2 [head mm/s]
G1 X10 Y0 E1 F3000
