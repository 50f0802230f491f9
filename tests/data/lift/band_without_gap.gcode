; A band of adjacent other-tool perimeters at the start of a travel with no gap after it: the travel is not lifted [--classic-lift: the lift as it was; it now rises straight up, see band_to_the_end]
; tool 0's perimeters at X1, X2 and X3.5 (Y-2..2, Z1); tool 1 travels X0 -> X20: lambdas 0.05, 0.1, 0.175
; every step (0.05, 0.05, 0.075) is within 0.35/20 + 1.275/20 = 0.08125: the band runs to the last crossing, copied
; (the paths are drawn from the far end: gathered as 0.175, 0.1, 0.05, the crossings must be sorted to see the band)
; *** Main G-code
T0
G1 Z1 F1000
G1 X3.5 Y-3 F9000
; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X3.5 Y-2 E0.1 F1800
G1 X3.5 Y2 E0.2
G1 X2 Y3 F9000
G1 X2 Y2 E0.1 F1800
G1 X2 Y-2 E0.2
G1 X1 Y-3 F9000
G1 X1 Y-2 E0.1 F1800
G1 X1 Y2 E0.2
T1
G1 X0 Y0 F9000
G1 X20 Y0 F9000
