; When the deadline ends at 0 the nozzle rises straight up: the rising line has the start point's X and Y
; tool 0's perimeter at X6.8 (Y1..5, Z1); tool 1 travels from X5 Y3 to X25 Y3: lambda 4*1.8/80 = 0.09 (float 0.090000011)
; deadline max(0.09 - 0.06375 - 0.035625, 0) = 0; the crossing is a gap (0.09 > 0.08125), no band: rise at X5 Y3 to Z1.5
; *** Main G-code
T0
G1 Z1 F1000
G1 X6.8 Y0 F9000
; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X6.8 Y1 E0.1 F1800
G1 X6.8 Y5 E0.2
T1
G1 X5 Y3 F9000
G1 X25 Y3 F9000
