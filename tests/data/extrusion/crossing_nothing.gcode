; Support-interface and sparse-infill draws that cross nothing that counts in the window below (no main support there, main support only at the draw's own height or deeper, stacked infill only at the draw's own height, nothing at all) are copied unchanged
; *** Main G-code
; 'Support (may Stack) Path', 1.0 [feed mm/s], 40.0 [head mm/s]
G1 X2 Y-2 Z0.2 F6000
G1 X2 Y-1 E0.05 F1200
G1 X2 Y1 E0.1
G1 Z0.4 F1000
; 'Support Interface Path', 1.0 [feed mm/s], 40.0 [head mm/s]
G1 X4 Y1 E0.1 F1200
G1 X4 Y-1 E0.1
; 'Perimeter Path', 1.0 [feed mm/s], 40.0 [head mm/s]
G1 X6 Y-1 E0.1
G1 X6 Y1 E0.1
G1 Z0.6 F1000
G1 X0 Y0 F6000
; 'Support Interface Path', 1.0 [feed mm/s], 40.0 [head mm/s]
G1 X10 Y0 E1 F1200
; 'Support (may Stack) Path', 1.0 [feed mm/s], 40.0 [head mm/s]
G1 X8 Y1 E0.1
G1 X8 Y-1 E0.1
G1 X9 Y0 F6000
; 'Support Interface Path', 1.0 [feed mm/s], 40.0 [head mm/s]
G1 X0 Y0.5 E1 F1200
; 'Stacked Sparse Infill Path', 3.2 [feed mm/s], 55.2 [head mm/s]
G1 X0 Y2 E0.1
G1 X10 Y2 E0.5
; 'Sparse Infill Path', 3.2 [feed mm/s], 55.2 [head mm/s]
G1 X5 Y3 E0.2 F3000
G1 X5 Y1 E0.1
