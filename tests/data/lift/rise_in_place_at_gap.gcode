; When the rise may start only where it must be complete, the rising line moves in Z only (same X and Y as the line before) [--classic-lift: the lift as it was, which delays the rise past a band]
; tool 0's perimeters at X1, X2 and X3.8 (Y-2..2, Z1); tool 1 travels X0 -> X20: lambdas 0.05, 0.1, 0.19
; band 0.05, 0.1 (steps within 0.08125); 0.19 is a gap (step 0.09): first gap max(0.19 - 0.06375, 0.1) = 0.12625
; rise after the band from min(0.035625 + 0.1, 0.12625) = 0.12625; deadline max(0, 0.12625) = 0.12625: both at X2.525
; *** Main G-code
T0
G1 Z1 F1000
G1 X1 Y-3 F9000
; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X1 Y-2 E0.1 F1800
G1 X1 Y2 E0.2
G1 X2 Y3 F9000
G1 X2 Y2 E0.1 F1800
G1 X2 Y-2 E0.2
G1 X3.8 Y-3 F9000
G1 X3.8 Y-2 E0.1 F1800
G1 X3.8 Y2 E0.2
T1
G1 X3.8 Y10 F9000
G1 X0 Y10 F9000
G1 X0 Y0 F9000
G1 X20 Y0 F9000
