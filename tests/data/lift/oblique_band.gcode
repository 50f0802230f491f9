; The rise past a band is delayed by the last band crossing's angle factor (1/sine), at most 2 [--classic-lift: the lift as it was, which delays the rise past a band]
; tool 0's perimeters, Z1: along Y0 two slanted ones, direction (0.8, 0.6), crossing at X1 and X2, and one at X10;
; along Y40 one upright at X1, one slanted (2.4, 0.7) crossing at X2 (cosine 0.96), and one at X10; tool 1 travels 20 mm along each
; Y0: factor 1/sqrt(1 - 0.64) = 1.6667, steps 0.05 within 0.0175*1.6667 + 0.06375; gap at 0.5: max(0.5 - 0.06375, 0.1) = 0.43625
; rise from 1.6667*0.035625 + 0.1 = 0.159375 (X3.1875), up by 0.43625 (X8.725)
; Y40: factor 1/0.28 = 3.57 is capped at 2: rise from 2*0.035625 + 0.1 = 0.17125 (X3.425), up by 0.43625 (X8.725)
; *** Main G-code
T0
G1 Z1 F1000
G1 X-1 Y-1.6 F9000
; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X-1 Y-1.5 E0.1 F1800
G1 X3 Y1.5 E0.4
G1 X0 Y-1.6 F9000
G1 X0 Y-1.5 E0.1 F1800
G1 X4 Y1.5 E0.4
G1 X10 Y-3 F9000
G1 X10 Y-2 E0.1 F1800
G1 X10 Y2 E0.2
G1 X1 Y38 F9000
G1 X1 Y38.5 E0.1 F1800
G1 X1 Y41.5 E0.2
G1 X0.8 Y39.5 F9000
G1 X0.8 Y39.65 E0.1 F1800
G1 X3.2 Y40.35 E0.2
G1 X10 Y37 F9000
G1 X10 Y38 E0.1 F1800
G1 X10 Y42 E0.2
T1
G1 X0 Y0 F9000
G1 X20 Y0 F9000
G1 X0 Y40 F9000
G1 X20 Y40 F9000
