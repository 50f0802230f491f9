; A prime pillar laid by any tool is wipable for every tool: the rise starts after the pillar crossing
; tool 2's prime pillar at X4 and tool 0's perimeter at X10 (Y-2..2, Z1); tools 1 and 3 travel X0 -> X20
; last wipable lambda 16/80 = 0.2 (below the obstacle at 0.5); the pillar itself is no obstacle
; deadline 0.400625; the obstacle is a gap after 0.2 (0.3 > 0.08125), no band: travel to X4, rise to X8.0125 at Z1.5
; *** Main G-code
T0
G1 Z1 F1000
G1 X10 Y-3 F9000
; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X10 Y-2 E0.1 F1800
G1 X10 Y2 E0.2
T2
G1 X4 Y-3 F9000
; 'Prime Pillar Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X4 Y-2 E0.1 F1800
G1 X4 Y2 E0.2
T1
G1 X0 Y0 F9000
G1 X20 Y0 F9000
T3
G1 X20 Y10 F9000
G1 X0 Y10 F9000
G1 X0 Y0 F9000
G1 X20 Y0 F9000
