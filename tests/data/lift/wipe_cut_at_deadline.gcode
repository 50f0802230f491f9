; An own-colour wipe that runs past the point where the nozzle must be up ends there: the nozzle rises straight up at that point
; tool 0's perimeter at X10 and tool 1's own at X9 (Y-2..2, Z1); tool 1 travels X0 -> X20: the obstacle at lambda 0.5
; sets the deadline 0.5 - 0.06375 - 0.035625 = 0.400625 (X8.0125); the wipe over its own path would run to 0.45 (X9):
; it stops at X8.0125, where the nozzle rises straight up to Z1.5
; *** Main G-code
T0
G1 Z1 F1000
G1 X10 Y-3 F9000
; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X10 Y-2 E0.1 F1800
G1 X10 Y2 E0.2
T1
G1 X9 Y-3 F9000
G1 X9 Y-2 E0.1 F1800
G1 X9 Y2 E0.2
G1 X0 Y0 F9000
G1 X20 Y0 F9000
