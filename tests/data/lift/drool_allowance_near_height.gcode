; The drool allowance holds at any depth below the nozzle: a path 0.01 mm below is excused within the first 20 * 0.01 = 0.2 mm
; tool 0's perimeter on Z1 at X0.1 (Y-2..2); tool 1 travels X0 -> X20 at Z1.01: clearance 0.01, drool lambda
; (20/20) * 0.01 = 0.01; the crossing at lambda 0.1/20 = 0.005 lies within it: no lift, copied
; *** Main G-code
T0
G1 Z1 F1000
G1 X0.1 Y-3 F9000
; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X0.1 Y-2 E0.1 F1800
G1 X0.1 Y2 E0.2
G1 Z1.01 F1000
T1
G1 X0 Y0 F9000
G1 X20 Y0 F9000
