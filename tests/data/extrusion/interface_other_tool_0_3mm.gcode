; Support interface of tool 1 at 0.3 mm over main support of tool 0: factor 0.8/0.3 at 0.75 of the feed rate
; *** Main G-code
; 'Support (may Stack) Path', 1.0 [feed mm/s], 40.0 [head mm/s]
G1 X4 Y-2 Z0.3 F6000
G1 X4 Y-1 E0.05 F1200
G1 X4 Y1 E0.1
T1
G1 X1 Y-1 F6000
; 'Perimeter Path', 1.0 [feed mm/s], 40.0 [head mm/s]
G1 X0 Y-1 E0.05 F1200
G1 X0 Y0 Z0.6 F6000
; 'Support Interface Path', 1.0 [feed mm/s], 40.0 [head mm/s]
G1 X10 Y0 E1 F1200
