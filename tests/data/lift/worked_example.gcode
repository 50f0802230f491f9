; Worked example: tool 1 travels G1 X20 Y0 F9000 from (0, 0) at Z1 across tool 0's perimeter at X10 and is lifted by 0.5
; crossing lambda 10*10/200 = 0.5, dotProduct 0, angle factor 1; clearances 1.275/20 = 0.06375 and 0.7125/20 = 0.035625
; deadline 0.5 - 0.06375 - 0.035625 = 0.400625 -> X 20*0.400625 = 8.0125; Z 1 + 0.5 = 1.5
; no own-colour crossing, and the single crossing is a gap (0.5 > 0.35/20 + 0.06375): liftLambda 0, no XY line first
; *** G-code Prefix
M83
; *** Main G-code
; BEGIN_LAYER_OBJECT z=1.00
T0
G1 Z1 F1000
G1 X10 Y-6 F9000
; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X10 Y-5 E0.1 F1800
G1 X10 Y5 E0.5
T1
G1 X0 Y0 F9000
G1 X20 Y0 F9000
; *** G-code Postfix
M107
