; Bambu Studio: an arc draws as its steps, and a travel across another colour's arc-drawn outer wall is lifted from the new colour's first draw on, not within the material change M620 S<n>A to M621 S<n>A; T255 and T1000 are no tools, and no fan line is added [--classic-lift: the lift as it was, which waits for the new colour's first draw]
; BambuStudio 01.07.06.92
; tool 0 draws half a circle of radius 5 around (10, 0), from (10, -5) through (15, 0) to (10, 5), as an outer wall on
; Z0.2; tool 1's travel from (0, 1) to (20, 1) crosses it near X14.9 (lambda about 0.745) and rises 0.5 to Z0.7 before it
M83
M620 S0A
T0
T1000
M621 S0A
; CHANGE_LAYER
G1 Z0.2 F600
; FEATURE: Outer wall
G1 X10 Y-5 F9000
G3 X10 Y5 I0 J5 E1.5 F1800
M620 S1A
T1
T255
G1 X0 Y1 F9000
G1 X20 Y1 F9000
M621 S1A
; FEATURE: Inner wall
G1 X0 Y2 E0.1 F1800
G1 X0 Y1 F9000
G1 X20 Y1 F9000
; FEATURE: Custom
G1 X0 Y1 F9000
