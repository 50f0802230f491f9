; A travel that crosses only the travelling tool's own paths is not lifted
; tool 1 draws a perimeter at X10 and a solid at X14 (Y-5..5, Z1) and travels X0 -> X20 across both: copied
; tool 0 then travels the same way: perimeter at lambda 0.5 (lift 0.5), the solid at 0.7 is later and not used
; crossings 0.5, 0.7: the first is a gap, no band; as the worked example: X8.0125 at Z1.5
; *** Main G-code
T1
G1 Z1 F1000
G1 X10 Y-6 F9000
; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X10 Y-5 E0.1 F1800
G1 X10 Y5 E0.5
G1 X14 Y-6 F9000
; 'Solid Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X14 Y-5 E0.1 F1800
G1 X14 Y5 E0.5
G1 X0 Y0 F9000
G1 X20 Y0 F9000
T0
G1 X20 Y10 F9000
G1 X0 Y10 F9000
G1 X0 Y0 F9000
G1 X20 Y0 F9000
