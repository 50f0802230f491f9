; Support interface of tool 1 at 1 mm (its first draw a whole tool-0 layer up) over main support of tool 0: factor 0.8 extrudes less, and the feed rate is never raised
; *** Main G-code
; 'Support (may Stack) Path', 1.0 [feed mm/s], 40.0 [head mm/s]
G1 X5 Y-2 Z1 F6000
G1 X5 Y-1 E0.05 F1200
G1 X5 Y1 E0.1
T1
G1 X0 Y0 Z2 F6000
; 'Support Interface Path', 1.0 [feed mm/s], 40.0 [head mm/s]
G1 X10 Y0 E1 F1200
