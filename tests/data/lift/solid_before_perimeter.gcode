; A solid crossed before every perimeter sets the deadline and can raise the lift
; tool 0: perimeter at X10 on Z0.2, solid at X6 on Z0.4 (both Y-2..2); tool 1 travels X0 -> X20 at Z0.4
; perimeter: lambda 0.5, beyond the drool allowance 0.2, lift 0.3; solid: lambda 24/80 = 0.3, lift 0.5, before 0.5
; lift max(0.3, 0.5) = 0.5 to Z0.9; deadline 0.3 - 0.06375 - 0.035625 = 0.200625 (X4.0125); crossings 0.3, 0.5: a gap first
; *** Main G-code
T0
G1 Z0.2 F1000
G1 X10 Y-3 F9000
; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X10 Y-2 E0.1 F1800
G1 X10 Y2 E0.2
G1 Z0.4 F1000
G1 X6 Y-3 F9000
; 'Solid Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X6 Y-2 E0.1 F1800
G1 X6 Y2 E0.2
T1
G1 X0 Y0 F9000
G1 X20 Y0 F9000
