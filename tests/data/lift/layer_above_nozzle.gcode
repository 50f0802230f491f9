; Every layer above the nozzle is examined, however high, and lifts by 0.5 plus its height above the nozzle
; tool 0's perimeters at X10 on Z1.3 (Y-5..5) and on Z50 (Y15..25); tool 1 travels 20 mm at Z1, crossings at lambda 0.5
; Z1.3: clearance 1 - 1.3 = -0.29999995 (float), lift 0.79999995 -> Z1.8; Z50: clearance -49, lift 49.5 -> Z50.5
; a negative clearance excuses nothing; deadline 0.400625 (X8.0125) both times
; *** Main G-code
T0
G1 Z1.3 F1000
G1 X10 Y-6 F9000
; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]
G1 X10 Y-5 E0.1 F1800
G1 X10 Y5 E0.5
G1 Z50 F1000
G1 X10 Y14 F9000
G1 X10 Y15 E0.1 F1800
G1 X10 Y25 E0.5
G1 Z1 F1000
T1
G1 X0 Y0 F9000
G1 X20 Y0 F9000
G1 X0 Y20 F9000
G1 X20 Y20 F9000
