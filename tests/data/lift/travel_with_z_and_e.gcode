; A travel that moves the extruder is copied, not lifted (a lift's lines carry no E: the retraction would be lost); one with a Z word alone is lifted from and back to its new Z
; tool 0's perimeter at X10 (Y-5..5) on Z1; tool 1 at Z0.8 travels G1 X20 Y0 Z1 E-0.5 F9000 across it: copied as it is
; back at Z0.8, tool 1 travels G1 X0 Y0 Z1 F9000 (no E): after the line currentZ is 1, so it rises 0.5 to Z1.5 by
; X11.9875 (the worked example from the other side: 20 - 8.0125) and comes back down to Z1, not 0.8
; *** Main G-code
T0
G1 Z1 F1000
G1 X10 Y-6 F9000
; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X10 Y-5 E0.1 F1800
G1 X10 Y5 E0.5
G1 X0 Y0 F9000
T1
G1 Z0.8 F1000
G1 X20 Y0 Z1 E-0.5 F9000
G1 Z0.8 F1000
G1 X0 Y0 Z1 F9000
