; A solid crossed after the first perimeter changes neither the lift nor the deadline, though it would need a larger lift [--classic-lift: the lift as it was; every kind is now an obstacle alike]
; tool 0: perimeter at X10 on Z0.2, solid at X14 on Z0.4 (both Y-2..2); tool 1 travels X0 -> X20 at Z0.4
; perimeter: lambda 0.5, lift 0.5 - 0.2 = 0.3; solid: lambda 0.7 (lift 0.5) is not before 0.5 and is not used
; lift 0.3 to Z0.7, deadline 0.400625 (X8.0125); crossings 0.5, 0.7: the first is a gap, no band
; *** Main G-code
T0
G1 Z0.2 F1000
G1 X10 Y-3 F9000
; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X10 Y-2 E0.1 F1800
G1 X10 Y2 E0.2
G1 Z0.4 F1000
G1 X14 Y-3 F9000
; 'Solid Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X14 Y-2 E0.1 F1800
G1 X14 Y2 E0.2
T1
G1 X0 Y0 F9000
G1 X20 Y0 F9000
