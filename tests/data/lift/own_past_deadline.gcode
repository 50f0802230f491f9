; Own-colour crossings beyond the deadline with every counted crossing at one lambda: not lifted, the line is copied [--classic-lift: the lift as it was; it now rises straight up at the deadline, see wipe_cut_at_deadline]
; tool 0's perimeter at X10 and tool 1's own at X9 (Y-2..2, Z1); tool 1 travels X0 -> X20 along Y0
; closest = furthest = 0.5, deadline 0.400625, last wipable 36/80 = 0.45 > 0.400625: skipped at once; the debug console says
; line:<n> min > max!! min - skipping!0.45 mx 0.400625 furthest lambda 0.5 move len 20
; along Y10 a second tool 0 perimeter at X14 lies beyond (furthest 0.7): the band from 0.45 takes in 0.5 (step 0.05),
; 0.7 is a gap at max(0.7 - 0.06375, 0.5) = 0.63625; rise from 0.035625 + 0.5 = 0.535625 (X10.7125), up by 0.63625 (X12.725)
; *** Main G-code
T0
G1 Z1 F1000
G1 X10 Y-3 F9000
; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X10 Y-2 E0.1 F1800
G1 X10 Y2 E0.2
G1 X10 Y7 F9000
G1 X10 Y8 E0.1 F1800
G1 X10 Y12 E0.2
G1 X14 Y13 F9000
G1 X14 Y12 E0.1 F1800
G1 X14 Y8 E0.2
T1
G1 X9 Y-3 F9000
G1 X9 Y-2 E0.1 F1800
G1 X9 Y2 E0.2
G1 X9 Y7 F9000
G1 X9 Y8 E0.1 F1800
G1 X9 Y12 E0.2
G1 X0 Y0 F9000
G1 X20 Y0 F9000
G1 X0 Y10 F9000
G1 X20 Y10 F9000
