; A lift that starts at the travel's start writes no XY line first; the rise follows a diagonal move crossing at an angle
; tool 0's perimeter along Y12 (X0..X20, Z1); tool 1 travels from X2 Y4 to X14 Y20 (length 20, direction (0.6, 0.8))
; crossing at lambda 0.5 with dotProduct 0.6: angle factor 1/sqrt(1 - 0.36) = 1.25; deadline 0.5 - 0.06375 - 1.25*0.035625
; = 0.39171875; the crossing is a gap (0.5 > 1.25*0.35/20 + 0.06375), no band, liftLambda 0; rise to the point at 0.39171875:
; X = 2*(1 - t) + 14*t in float = 1.2165625 + 5.4840622 = 6.7006245 -> X6.70062 (exactly 6.700625 would print 6.70063)
; Y = 4*(1 - t) + 20*t = 2.433125 + 7.834375 = 10.2675; Z1.5
; *** Main G-code
T0
G1 Z1 F1000
G1 X0 Y11 F9000
; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X0 Y12 E0.1 F1800
G1 X20 Y12 E1
T1
G1 X2 Y4 F9000
G1 X14 Y20 F9000
