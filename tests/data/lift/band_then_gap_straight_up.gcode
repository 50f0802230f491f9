; A band of adjacent other-colour paths where the rise would begin, then a gap: the nozzle rises straight up where the band begins, not dragging across it
; tool 0's perimeters at X1, X2 and X10 (Y-2..2, Z1); tool 1 travels X0 -> X20: lambdas 0.05, 0.1, 0.5; the band
; 0.05, 0.1 lies at the start of the rise window (0, no own-colour wipe), so the rise is at 0: G1 X0 Y0 Z1.5
; *** Main G-code
T0
G1 Z1 F1000
G1 X10 Y-3 F9000
; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X10 Y-2 E0.1 F1800
G1 X10 Y2 E0.2
G1 X2 Y3 F9000
G1 X2 Y2 E0.1 F1800
G1 X2 Y-2 E0.2
G1 X1 Y-3 F9000
G1 X1 Y-2 E0.1 F1800
G1 X1 Y2 E0.2
T1
G1 X0 Y0 F9000
G1 X20 Y0 F9000
