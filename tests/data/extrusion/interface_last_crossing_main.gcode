; Support interface of tool 1 whose first draw is two tool-0 layers up (thickness 0.25, not 0.4), crossing a perimeter then main support: plain up to the perimeter, boosted x3.2 at 0.625 of the feed rate to the end, then the line's feed rate back
; *** Main G-code
; 'Perimeter Path', 1.0 [feed mm/s], 40.0 [head mm/s]
G1 X2 Y-2 Z0.2 F6000
G1 X2 Y-1 E0.05 F1200
G1 X2 Y1 E0.1
; 'Support (may Stack) Path', 1.0 [feed mm/s], 40.0 [head mm/s]
G1 X4 Y1 E0.1
G1 X4 Y-1 E0.1
T1
G1 X0 Y0 Z0.4 F6000
; 'Support Interface Path', 1.0 [feed mm/s], 40.0 [head mm/s]
G1 X10 Y0 E1 F1200
G1 X10 Y1 E0.1
