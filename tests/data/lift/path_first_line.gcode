; Every line another tool drew is an obstacle, a path's first line too: a travel across a path of one draw is lifted
; tool 0's perimeter is the single draw X10 Y-5 -> X10 Y5 (Z1), begun where the travel before it ended; tool 1 travels
; X0 -> X20 across it at lambda 0.5 and is lifted as the worked example: up by lambda 0.400625 (X8.0125) at Z1.5
; *** Main G-code
T0
G1 Z1 F1000
G1 X10 Y-5 F9000
; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X10 Y5 E0.5 F1800
T1
G1 X0 Y0 F9000
G1 X20 Y0 F9000
