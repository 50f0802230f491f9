; A layer exactly 0.5 mm below the nozzle is not examined (clearance 1 - 0.5 = 0.5 is not below 0.5); one 0.25 mm below is
; tool 0's perimeters at X1 on Z0.5 (Y-2..2), at X10 on Z1 (Y-5..5) and at X10 on Z0.75 (Y15..25); tool 1 travels 20 mm at Z1
; along Y0 the Z0.5 crossing (lambda 0.05) is not even gathered: were it, it would form a band before the Z1 crossing
; and move the rise; so the lift is the worked example's: X8.0125 at Z1.5
; along Y20 it crosses the Z0.75 path at lambda 0.5, beyond the allowance 1*0.25: lift 0.5 - 0.25 = 0.25 to Z1.25 by X8.0125
; *** Main G-code
T0
G1 Z0.5 F1000
G1 X1 Y-3 F9000
; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X1 Y-2 E0.1 F1800
G1 X1 Y2 E0.2
G1 Z0.75 F1000
G1 X10 Y14 F9000
G1 X10 Y15 E0.1 F1800
G1 X10 Y25 E0.5
G1 Z1 F1000
G1 X10 Y-6 F9000
G1 X10 Y-5 E0.1 F1800
G1 X10 Y5 E0.5
T1
G1 X0 Y0 F9000
G1 X20 Y0 F9000
G1 X0 Y20 F9000
G1 X20 Y20 F9000
