; A travel line with Z and E words: E is not repeated, and the lifted travel rises from and returns to the line's new Z
; tool 0's perimeter at X10 (Y-5..5) on Z1; tool 1 is at Z0.8 and travels G1 X20 Y0 Z1 E-0.5 F9000 (E not positive)
; after the line currentZ is 1: lift 0.5 to Z1.5 by X8.0125 as the worked example, back down to Z1 (not 0.8)
; *** Main G-code
T0
G1 Z1 F1000
G1 X10 Y-6 F9000
; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X10 Y-5 E0.1 F1800
G1 X10 Y5 E0.5
G1 X0 Y0 F9000
T1
G1 Z0.8 F1000
G1 X20 Y0 Z1 E-0.5 F9000
