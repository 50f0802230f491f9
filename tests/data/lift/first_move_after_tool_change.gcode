; The first G1 line after a tool change is never lifted, whatever it crosses; an F-only G1 line is such a first line [--classic-lift: the lift as it was; it now lifts such travels, see lift_after_tool_change]
; tool 0's perimeter at X10 (Y-5..5, Z1); tool 1's first move G1 X20 Y0 crosses it at lambda 0.5 and is copied
; tool 1's next travel, back to X0, is lifted: deadline 0.400625 from (20, 0) -> X 20*(1 - 0.400625) = 11.9875, Z1.5
; tool 2's first G1 line only sets F, so its travel X0 -> X20 is lifted as the worked example (X8.0125)
; *** Main G-code
T0
G1 Z1 F1000
G1 X10 Y-6 F9000
; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X10 Y-5 E0.1 F1800
G1 X10 Y5 E0.5
G1 X0 Y0 F9000
T1
G1 X20 Y0 F9000
G1 X0 Y0 F9000
T2
G1 F9000
G1 X20 Y0 F9000
