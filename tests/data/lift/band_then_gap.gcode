; A band of adjacent other-tool perimeters where the rise would begin, then a gap: the rise moves past the band [--classic-lift: the lift as it was; it now rises straight up where the band begins, see band_then_gap_straight_up]
; tool 0's perimeters at X1, X2 and X10 (Y-2..2, Z1); tool 1 travels X0 -> X20: lambdas 0.05, 0.1, 0.5
; deadline max(0.05 - 0.06375 - 0.035625, 0) = 0; steps 0.05, 0.05 are within 0.35/20 + 0.06375 = 0.08125, 0.4 is a gap
; band ends at 0.1, first gap max(0.5 - 0.06375, 0.1) = 0.43625; rise from 1*0.035625 + 0.1 = 0.135625 (X2.7125)
; and be up by max(0, 0.43625) = 0.43625 (X8.725), Z1.5; the paths are drawn from the far end, so the crossings are
; gathered as 0.5, 0.1, 0.05 and only sorting them finds the band
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
