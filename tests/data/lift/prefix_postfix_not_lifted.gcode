; Travels outside the printing chapter are never lifted, though the draws there are collected
; tool 0 draws its perimeter at X10 (Y-5..5, Z1) in the prefix; tool 1's travel X0 -> X20 across it is copied there
; the travel back in the main G-code is lifted (deadline 0.400625 from (20, 0): X11.9875, Z1.5); in the postfix it is copied
; *** G-code Prefix
T0
G1 Z1 F1000
G1 X10 Y-6 F9000
; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X10 Y-5 E0.1 F1800
G1 X10 Y5 E0.5
T1
G1 X0 Y0 F9000
G1 X20 Y0 F9000
; *** Main G-code
G1 X0 Y0 F9000
; *** G-code Postfix
G1 X20 Y0 F9000
