; A crossing 0.2 mm below the nozzle is excused within the first 20 * 0.2 = 4 mm of a travel and lifts by 0.5 - 0.2 = 0.3 beyond
; tool 0's perimeters on Z0.2 at X4 (Y8..12) and X10 (Y-2..2); tool 1 travels 20 mm at Z0.4: clearance 0.4 - 0.2 = 0.2 exactly
; drool lambda (20/20)*0.2 = 0.2; along Y10 the X4 crossing is at lambda 16/80 = 0.2, not beyond 0.2: no lift, copied
; along Y0 the X10 crossing at lambda 0.5 counts: lift 0.5 - 0.2 = 0.3 to Z 0.4 + 0.3 = 0.7, deadline 0.400625 (X8.0125)
; *** Main G-code
T0
G1 Z0.2 F1000
G1 X4 Y7 F9000
; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X4 Y8 E0.1 F1800
G1 X4 Y12 E0.2
G1 X10 Y-3 F9000
G1 X10 Y-2 E0.1 F1800
G1 X10 Y2 E0.2
G1 Z0.4 F1000
T1
G1 X0 Y10 F9000
G1 X20 Y10 F9000
G1 X0 Y0 F9000
G1 X20 Y0 F9000
