; A travel of exactly 2.0 mm is never lifted, one of 2.01 mm is; all cross tool 0's perimeter at X1.8 (Z0.3)
; 2.0 mm: 2*2 = 4 is not above 4 -> copied, though its crossing (lambda 0.9) is a gap beyond 0.35/2 + 1.275/2 = 0.8125
; 2.01 mm: lambda 3.6/4.02 = 0.895522 is a gap beyond (0.35 + 1.275)/2.01 = 0.808458
; deadline 0.895522 - 1.275/2.01 - 0.7125/2.01 < 0 -> 0: the nozzle rises straight up at X0 Y0 to Z 0.3 + 0.5 = 0.8
; *** Main G-code
T0
G1 Z0.3 F1000
G1 X1.8 Y-2 F9000
; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X1.8 Y-1 E0.1 F1800
G1 X1.8 Y1 E0.2
T1
G1 X0 Y0 F9000
G1 X2 Y0
G1 X0 Y0
G1 X2.01 Y0
