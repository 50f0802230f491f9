; Support interface of tool 1 crossed by main support and an interface path at the very same point: main support, found first, stays first, so the boosted piece ends there and the rest is plain
; *** Main G-code
; 'Support (may Stack) Path', 1.0 [feed mm/s], 40.0 [head mm/s]
G1 X5 Y-2 Z0.2 F6000
G1 X5 Y-1 E0.05 F1200
G1 X5 Y1 E0.1
T1
G1 X5 Y3 F6000
; 'Support Interface Path', 1.0 [feed mm/s], 40.0 [head mm/s]
G1 X5 Y2 E0.05 F1200
G1 X5 Y-2 E0.2
G1 X1 Y-1 E0.2
G1 X0 Y0 Z0.4 F6000
G1 X10 Y0 E1 F1200
