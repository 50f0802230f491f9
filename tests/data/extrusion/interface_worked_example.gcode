; Support interface of tool 1 at 0.2 mm over main support of tool 0, crossing main, main, interface, interface, main: boosted x4 at half speed over main, plain between, boosted to the end, then the line's feed rate back
; *** Main G-code
; 'Support (may Stack) Path', 1.0 [feed mm/s], 40.0 [head mm/s]
G1 X1 Y-2 Z0.2 F6000
G1 X1 Y-1 E0.05 F1200
G1 X1 Y1 E0.1
G1 X3 Y1 E0.1
G1 X3 Y-1 E0.1
G1 X8 Y-1 E0.25
G1 X8 Y1 E0.1
T1
G1 X9 Y-2 F6000
G1 X5 Y-2 F6000
; 'Support Interface Path', 1.0 [feed mm/s], 40.0 [head mm/s]
G1 X5 Y-1 E0.05 F1200
G1 X5 Y1 E0.1
G1 X6 Y1 E0.05
G1 X6 Y-1 E0.1
G1 X0 Y-1 E0.3
G1 X0 Y0 Z0.4 F6000
G1 X10 Y0 E1 F1200
