; Support interface drawn by the main support's own tool over main support on its first layer: factor 1 and full speed, yet the line is still rewritten with its comments
; *** Main G-code
; 'Support (may Stack) Path', 1.0 [feed mm/s], 40.0 [head mm/s]
G1 X2 Y-2 Z0.2 F6000
G1 X2 Y-1 E0.05 F1200
G1 X2 Y1 E0.1
G1 X7 Y1 E0.25
G1 X7 Y-1 E0.1
G1 X0 Y-1 E0.35
G1 X0 Y0 Z0.4 F6000
; 'Support Interface Path', 1.0 [feed mm/s], 40.0 [head mm/s]
G1 X10 Y0 E1 F1200
