; A crossing exactly one allowed step from the start of the rise window is still adjacent (strict gap test) [--classic-lift: the lift as it was, where a band to the end leaves the travel flat]
; tool 0's perimeters at X1.625 (Y-2..2) and X1.6250001 (Y29..31), Z1; tool 1 travels 20 mm along Y0 and along Y30
; allowed step 0.35/20 + 1.275/20 = 0.0175 + 0.06375 = 0.08125 (float 0.081249997); lambda 16.25/200 is that same float:
; along Y0 the crossing is adjacent, the band runs to the last crossing, no lift; along Y30 lambda 0.081250004 is a gap
; deadline max(0.08125 - 0.06375 - 0.035625, 0) = 0: rise straight up at X0 Y30 to Z1.5
; *** Main G-code
T0
G1 Z1 F1000
G1 X1.625 Y-3 F9000
; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X1.625 Y-2 E0.1 F1800
G1 X1.625 Y2 E0.2
G1 X1.6250001 Y28 F9000
G1 X1.6250001 Y29 E0.1 F1800
G1 X1.6250001 Y31 E0.2
T1
G1 X0 Y0 F9000
G1 X20 Y0 F9000
G1 X0 Y30 F9000
G1 X20 Y30 F9000
