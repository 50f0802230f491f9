; A level travel that moves the extruder is copied, not lifted: a lift's lines carry no E, and the retraction would be lost
; tool 0's perimeter at X10 (Y-5..5) on Z1; tool 1 travels G1 X20 Y0 E-0.5 F9000 across it at Z1: copied as it is
; *** Main G-code
T0
G1 Z1 F1000
G1 X10 Y-6 F9000
; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X10 Y-5 E0.1 F1800
G1 X10 Y5 E0.5
G1 X0 Y0 F9000
T1
G1 X0 Y0 F9000
G1 X20 Y0 E-0.5 F9000
