; In absolute extrusion a rewritten draw is written between M83 and M82, with the amounts of its relative twin, then G92 E and the line's own E word as written, so the printer stands where the line would have left it
; the relative twin is topinfill_0_1mm_f6000: the same draws, E as running positions from firmware_type 2 (Kisslicer writes no M82),
; and G92 E0 before the second layer as Kisslicer 2 writes it; the sparse infill draw from E0 to E1 pushes 1 mm, as the twin's E1 does
; *** Printer Settings
; firmware_type = 2
; *** Main G-code
; 'Sparse Infill Path', 3.2 [feed mm/s], 55.2 [head mm/s]
G1 X2 Y-2 Z0.1 F9000
G1 X2 Y-1 E0.05 F6000
G1 X2 Y1 E0.15
G1 X7 Y1 E0.4
G1 X7 Y-1 E0.5
; 'Stacked Sparse Infill Path', 3.2 [feed mm/s], 55.2 [head mm/s]
G1 X5 Y-1 E0.6
G1 X5 Y1 E0.7
G1 X0 Y1 E0.95
G1 X0 Y0 Z0.2 F9000
G92 E0
; 'Sparse Infill Path', 3.2 [feed mm/s], 55.2 [head mm/s]
G1 X10 Y0 E1 F6000
G1 X10 Y1 E1.1
