; A travel that moves Z is judged at its own height: where it stands the lift height above a path it needs no lift
; tool 0's perimeter at X10 (Y-5..5, Z1); tool 1 descends from Z2 to Z1 along X0 -> X20: at the crossing (lambda 0.5) it
; stands at 1.5, 0.5 above the path: copied; from Z1.8 back to X0 at Z1 it stands at 1.4 there, 0.4 above: lifted as
; at its end height, by 0.5 - (1 - 1) to Z1.5, up by lambda 0.400625 from (20, 0): X11.9875, then down to Z1
; *** Main G-code
T0
G1 Z1 F1000
G1 X10 Y-6 F9000
; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X10 Y-5 E0.1 F1800
G1 X10 Y5 E0.5
T1
G1 X0 Y0 F9000
G1 Z2 F1000
G1 X20 Y0 Z1 F9000
G1 Z1.8 F1000
G1 X0 Y0 Z1 F9000
