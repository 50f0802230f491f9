; A travel under relative positioning (G91) is copied though it crosses another tool's fresh perimeter: a lifted travel is written in absolute coordinates
; the worked example's scene: tool 0's perimeter at X10 (Y-5..5) on Z1; tool 1 at (0, 0) travels G1 X20 Y0 F9000 under G91,
; that is to (20, 0) across it, and is copied; back under G90 its travel to (0, 0) is lifted by 0.5 to Z1.5 by X11.9875
M83
; *** Main G-code
T0
G1 Z1 F1000
G1 X10 Y-6 F9000
; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X10 Y-5 E0.1 F1800
G1 X10 Y5 E0.5
T1
G1 X0 Y0 F9000
G91
G1 X20 Y0 F9000
G90
G1 X0 Y0 F9000
