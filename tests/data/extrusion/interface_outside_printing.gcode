; Outside the printing chapter layer thicknesses stay 0, which support interface raises to 0.05 mm: tool 1 over main support 0.05 below is boosted x16 at 1/8 of the feed rate; main support 0.1 below is outside the window
; *** G-code Postfix
; 'Support (may Stack) Path', 1.0 [feed mm/s], 40.0 [head mm/s]
G1 X5 Y-2 Z0.2 F6000
G1 X5 Y-1 E0.05 F1200
G1 X5 Y1 E0.1
T1
G1 X0 Y0 Z0.25 F6000
; 'Support Interface Path', 1.0 [feed mm/s], 40.0 [head mm/s]
G1 X10 Y0 E1 F1200
G1 X10 Y0.5 Z0.3 F6000
G1 X0 Y0.5 E1 F1200
