; Support interface of tool 1 at 0.25 mm with E 2.903 over main support then a perimeter at X5.9: the boosted E is (E x length fraction) x factor, 5.48087, where E x (fraction x factor) would give 5.48086
; *** Main G-code
; 'Support (may Stack) Path', 1.0 [feed mm/s], 40.0 [head mm/s]
G1 X2 Y-2 Z0.2 F6000
G1 X2 Y-1 E0.05 F1200
G1 X2 Y1 E0.1
; 'Perimeter Path', 1.0 [feed mm/s], 40.0 [head mm/s]
G1 X5.9 Y1 E0.2
G1 X5.9 Y-1 E0.1
T1
G1 X0 Y0 Z0.4 F6000
; 'Support Interface Path', 1.0 [feed mm/s], 40.0 [head mm/s]
G1 X10 Y0 E2.903 F1200
