; A band of adjacent other-colour paths that runs to the travel's end: the nozzle rises straight up where the band begins
; tool 0's perimeters at X1, X2 and X3.5 (Y-2..2, Z1); tool 1 travels X0 -> X20: lambdas 0.05, 0.1, 0.175, every step
; within 0.35/20 + 1.275/20 = 0.08125, so no gap follows the band; the rise window opens at 0 (no own-colour wipe):
; G1 X0 Y0 Z1.5 at the start, then the travel at Z1.5 and down at X20
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
