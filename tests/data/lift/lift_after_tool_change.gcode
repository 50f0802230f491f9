; The travels from a tool change to the new tool's first move are lifted like any other, Kisslicer's first move included
; tool 0's perimeter at X10 (Y-5..5, Z1); tool 1's first move G1 X20 Y0 from (0, 0) crosses it at lambda 0.5 and is lifted
; as the worked example: up by lambda 0.400625 (X8.0125) at Z1 + 0.5 = 1.5, rising from where the travel starts
; *** Main G-code
T0
G1 Z1 F1000
G1 X10 Y-6 F9000
; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X10 Y-5 E0.1 F1800
G1 X10 Y5 E0.5
G1 X0 Y0 F9000
T1
G1 X20 Y0 F9000
