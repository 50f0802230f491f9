; Every kind of another tool's path is an obstacle: a travel across its fresh sparse infill is lifted as across an outer wall
; tool 0's sparse infill line at X10 (Y-5..5, Z1), the worked example's perimeter as infill; tool 1 travels X0 -> X20
; across it at lambda 0.5: up by 0.400625 (X8.0125) at Z1.5, as the worked example
; *** Main G-code
T0
G1 Z1 F1000
G1 X10 Y-6 F9000
; 'Sparse Infill Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X10 Y-5 E0.1 F1800
G1 X10 Y5 E0.5
T1
G1 X0 Y0 F9000
G1 X20 Y0 F9000
