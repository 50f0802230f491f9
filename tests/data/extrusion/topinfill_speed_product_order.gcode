; Sparse infill at 0.1 mm and F2245 over stacked infill only: the feed-rate factor is (1.25 x thickness factor squared) x feed factor, giving F100.801, where 1.25 x (squared x feed factor) would give F100.8
; *** Main G-code
; 'Stacked Sparse Infill Path', 3.2 [feed mm/s], 55.2 [head mm/s]
G1 X4 Y-2 Z0.1 F6000
G1 X4 Y-1 E0.05 F2245
G1 X4 Y1 E0.1
G1 X0 Y1 E0.2
G1 X0 Y0 Z0.2 F6000
; 'Sparse Infill Path', 3.2 [feed mm/s], 55.2 [head mm/s]
G1 X10 Y0 E1 F2245
