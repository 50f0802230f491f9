; Another tool's loop paths are no obstacle: a travel across them at the nozzle's height is copied, though it drags across them [--classic-lift: the lift as it was; every kind is now an obstacle, see sparse_infill_obstacle]
; tool 0's loop path at X10 (Y-5..5) on Z1, the worked example's perimeter as a loop; tool 1's travel from (0, 0) to
; (20, 0) crosses it at lambda 0.5 and is copied
M83
; *** Main G-code
T0
G1 Z1 F1000
G1 X10 Y-6 F9000
; 'Loop Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X10 Y-5 E0.1 F1800
G1 X10 Y5 E0.5
T1
G1 X0 Y0 F9000
G1 X20 Y0 F9000
