; Support interface of the main support's own tool at 0.2 mm, the main support below not a first layer (the layer under it at exactly 0.4): factor 1.25 at 0.8 of the feed rate; paths two layers down are outside the window
; *** Main G-code
; 'Support (may Stack) Path', 1.0 [feed mm/s], 40.0 [head mm/s]
G1 X2 Y-2 Z0.2 F6000
G1 X2 Y-1 E0.05 F1200
G1 X2 Y1 E0.1
; 'Support Interface Path', 1.0 [feed mm/s], 40.0 [head mm/s]
G1 X5 Y1 E0.15
G1 X5 Y-1 E0.1
G1 Z0.4 F1000
; 'Support (may Stack) Path', 1.0 [feed mm/s], 40.0 [head mm/s]
G1 X3 Y-1 E0.1 F1200
G1 X3 Y1 E0.1
G1 X7 Y1 E0.2
G1 X7 Y-1 E0.1
G1 X0 Y-1 E0.35
G1 X0 Y0 F6000
G1 Z0.6 F1000
; 'Support Interface Path', 1.0 [feed mm/s], 40.0 [head mm/s]
G1 X10 Y0 E1 F1200
