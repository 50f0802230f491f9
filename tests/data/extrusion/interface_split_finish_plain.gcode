; Support interface of tool 1 at 0.2 mm crossing main support then a perimeter: boosted x4 at half speed up to the perimeter, the rest plain at the line's own feed rate, so no feed-rate line follows
; *** Main G-code
; 'Support (may Stack) Path', 1.0 [feed mm/s], 40.0 [head mm/s]
G1 X3 Y-2 Z0.2 F6000
G1 X3 Y-1 E0.05 F1200
G1 X3 Y1 E0.1
; 'Perimeter Path', 1.0 [feed mm/s], 40.0 [head mm/s]
G1 X6 Y1 E0.15
G1 X6 Y-1 E0.1
T1
G1 X1 Y-1 F6000
G1 X0 Y-1 E0.05 F1200
G1 X0 Y0 Z0.4 F6000
; 'Support Interface Path', 1.0 [feed mm/s], 40.0 [head mm/s]
G1 X10 Y0 E1 F1200
G1 X10 Y1 E0.1
