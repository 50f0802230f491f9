; Vorlane's bundled example: a small two-colour cube (7 x 7 mm, with a ledge on
; support), cut to its first four 0.25 mm layers so that it reads line by line.
; Written for Vorlane in Kisslicer's dialect; `scripts/run` processes a copy.
;   tool 0, PLA (bed 60 C): the cube's body, the main support and the ledge
;   tool 1, PETG (bed 70 C): the cube's right-hand stripe and the support interface
; What Vorlane does with it:
; - prefix: M140 S60 and M190 S60 become S70, the hotter bed of the two materials.
; - after each tool change and each "Resume on Ext" marker, the next move is
;   preceded by M106 P<tool> with the part-fan speed the slicer set last.
; - layers 1 and 3: tool 1's travel from the prime pillar to its stripe crosses
;   tool 0's fresh walls and is lifted 0.5 mm.
; - layer 2: tool 1's interface lines cross only tool 0's main support of layer 1
;   and are boosted whole (more plastic, slower). Tool 1's travel to them starts
;   against tool 0's first-layer walls and solid fill, one unbroken band of
;   other-colour paths to its end: the nozzle rises straight up where it starts.
;   After the next tool change, tool 0's travel back to the prime pillar across
;   tool 1's fresh interface is lifted too. Tool 0's travel to its support
;   crosses only its own walls and is not lifted.
; - layer 3: tool 0's sparse infill over layer 2's stacked infill is boosted.
;   Tool 1's travel from its stripe to the interface starts against the body
;   wall beside the stripe: the nozzle rises straight up before it moves on.
;   Interface lines that cross both main support and layer 2's interface are
;   split: boosted over the support, plain elsewhere.
; - layer 4: tool 1's travel over tool 0's walls one layer down is lifted 0.25 mm.
;
; KISSlicer - PRO
; version 1.6.3 Release Win64
;
; Saved: 2024-05-18 10:42:07
; 'two_colour_cube.gcode'
;
; *** Printer Settings ***
;
; printer_name = Vorlane demo dual
; num_extruders = 2
; bed_size_x_mm = 220
; bed_size_y_mm = 220
; travel_speed_mm_per_s = 150
; nozzle_dia_1 = 0.4
; nozzle_dia_2 = 0.4
; support_ext = 2
; support_body_ext = 1
;
; *** Material Settings for Extruder 1 ***
;
; material_name = PLA white
; temperature_C = 210
; first_layer_C = 215
; bed_C = 60
; fan_Z_mm = 0.5
; destring_length = 1.6
; Z_lift_mm = 0
; wipe_mm = 0
;
; *** Material Settings for Extruder 2 ***
;
; material_name = PETG blue
; temperature_C = 240
; first_layer_C = 240
; bed_C = 70
; fan_Z_mm = 0.5
; destring_length = 1.6
; Z_lift_mm = 0
; wipe_mm = 0
;
; *** Style Settings ***
;
; style_name = 0.25mm two colour
; layer_thickness_mm = 0.25
; first_layer_thickness_mm = 0.25
; extrusion_width_mm = 0.45
; infill_extrusion_width = 0.55
; stacked_layers = 1
;
; *** Support Settings ***
;
; support_name = PLA body, PETG interface
; support_gap_mm = 0.5
; support_angle_deg = 50
; interface_angle_deg = 45
; interface_stride_mm = 1
;
; *** Actual Slicing Settings As Used ***
;
; layer_thickness_mm = 0.25
; extrusion_width = 0.45
; stacked_infill_layers = 1
; Perimeter Speed = 18.40
; Sparse Speed = 55.20
;
; *** G-code Prefix ***
;
; START SCRIPT START
G21 ; millimetres
G90 ; absolute positioning
M83 ; relative extrusion
M140 S60 ; set bed temp
M104 S215 T0 ; set extruder temps
M104 S200 T1
M190 S60 ; wait for bed temp
G28 ; home all axes
M109 S215 T0 ; wait for the first extruder
G1 Z5 F900
; START SCRIPT END
;
; *** Main G-code ***
;
; BEGIN_LAYER_OBJECT z=0.250 z_thickness=0.250
; *** Selecting and Warming Extruder 1 to 215 C ***
T0
M109 S215 T0
; 'Solid Path', 0.9 [feed mm/s], 20.0 [head mm/s]
G1 X105.1 Y105.1 Z0.75 E0 F9000
G1 X105.1 Y105.1 Z0.25 E0 F900
G1 E1.6 F3000
; *** Preheating Ext 2 to 240 C ***
M104 S240 T1
; *** Resume on Ext 1 to 215 C ***
M104 S215 T0
G1 X105.1 Y109.9 E0.22451 F1200
G1 X105.6 Y109.9 E0.02339
G1 X105.6 Y105.1 E0.22451
G1 X106.1 Y105.1 E0.02339
G1 X106.1 Y109.9 E0.22451
G1 X106.6 Y109.9 E0.02339
G1 X106.6 Y105.1 E0.22451
G1 X107.1 Y105.1 E0.02339
G1 X107.1 Y109.9 E0.22451
G1 X107.6 Y109.9 E0.02339
G1 X107.6 Y105.1 E0.22451
; 'Loop Path', 0.9 [feed mm/s], 20.0 [head mm/s]
G1 X104.65 Y104.65 E0 F9000
G1 X108.35 Y104.65 E0.17306 F1200
G1 X108.35 Y110.35 E0.2666
G1 X104.65 Y110.35 E0.17306
G1 X104.65 Y104.65 E0.2666
; 'Perimeter Path', 0.9 [feed mm/s], 20.0 [head mm/s]
G1 X104.2 Y104.2 E0 F9000
G1 X108.8 Y104.2 E0.21515 F1200
G1 X108.8 Y110.8 E0.3087
G1 X104.2 Y110.8 E0.21515
G1 X104.2 Y104.2 E0.3087
;
; 'Destring/Wipe/Jump Path', 0.0 [feed mm/s], 20.0 [head mm/s]
G1 E-1.6 F3000
; 'Support (may Stack) Path', 0.9 [feed mm/s], 20.0 [head mm/s]
G1 X102.5 Y106 E0 F9000
G1 E1.6 F3000
G1 X102.5 Y110 E0.18709 F1200
G1 X101 Y110 E0.07016
G1 X101 Y106 E0.18709
G1 X99.5 Y106 E0.07016
G1 X99.5 Y110 E0.18709
G1 X98 Y110 E0.07016
G1 X98 Y106 E0.18709
;
; 'Destring/Wipe/Jump Path', 0.0 [feed mm/s], 20.0 [head mm/s]
G1 E-1.6 F3000
; *** Cooling Extruder 1 to 170 C ***
M104 S170 T0
; *** Selecting and Warming Extruder 2 to 240 C ***
T1
M109 S240 T1
; 'Prime Pillar Path', 0.9 [feed mm/s], 20.0 [head mm/s]
G1 X97 Y102 E0 F9000
G1 E1.6 F3000
G1 X94 Y102 E0.14032 F1200
G1 X94 Y99 E0.14032
G1 X97 Y99 E0.14032
G1 X97 Y102 E0.14032
;
; 'Destring/Wipe/Jump Path', 0.0 [feed mm/s], 20.0 [head mm/s]
G1 E-1.6 F3000
; 'Solid Path', 0.9 [feed mm/s], 20.0 [head mm/s]
G1 X109.7 Y110.35 E0 F9000
G1 E1.6 F3000
G1 X109.7 Y104.65 E0.2666 F1200
G1 X110.3 Y104.65 E0.02806
G1 X110.3 Y110.35 E0.2666
; 'Perimeter Path', 0.9 [feed mm/s], 20.0 [head mm/s]
G1 X109.2 Y104.2 E0 F9000
G1 X110.8 Y104.2 E0.07484 F1200
G1 X110.8 Y110.8 E0.3087
G1 X109.2 Y110.8 E0.07484
G1 X109.2 Y104.2 E0.3087
;
; 'Destring/Wipe/Jump Path', 0.0 [feed mm/s], 20.0 [head mm/s]
G1 E-1.6 F3000
; Post-layer lift
G1 X109.2 Y104.2 Z0.5 E0 F900
; END_LAYER_OBJECT z=0.250
; BEGIN_LAYER_OBJECT z=0.500 z_thickness=0.250
; fan %*255
M106 S191
; 'Solid Path', 2.2 [feed mm/s], 46.0 [head mm/s]
G1 X109.7 Y110.35 E0 F9000
G1 E1.6 F3000
; *** Preheating Ext 1 to 210 C ***
M104 S210 T0
; *** Resume on Ext 2 to 240 C ***
M104 S240 T1
G1 X109.7 Y104.65 E0.2666 F2760
G1 X110.3 Y104.65 E0.02806
G1 X110.3 Y110.35 E0.2666
; 'Perimeter Path', 0.9 [feed mm/s], 18.4 [head mm/s]
G1 X109.2 Y104.2 E0 F9000
G1 X110.8 Y104.2 E0.07484 F1104
G1 X110.8 Y110.8 E0.3087
G1 X109.2 Y110.8 E0.07484
G1 X109.2 Y104.2 E0.3087
;
; 'Destring/Wipe/Jump Path', 0.0 [feed mm/s], 20.0 [head mm/s]
G1 E-1.6 F3000
; 'Support Interface Path', 1.4 [feed mm/s], 27.6 [head mm/s]
G1 X103.3 Y106.5 E0 F9000
G1 E1.6 F3000
G1 X100.2 Y106.5 E0.1611 F1656
G1 X100.2 Y107.5 E0.05197
G1 X103.3 Y107.5 E0.1611
G1 X103.3 Y108.5 E0.05197
G1 X100.2 Y108.5 E0.1611
G1 X100.2 Y109.5 E0.05197
G1 X103.3 Y109.5 E0.1611
;
; 'Destring/Wipe/Jump Path', 0.0 [feed mm/s], 20.0 [head mm/s]
G1 E-1.6 F3000
; *** Cooling Extruder 2 to 200 C ***
M104 S200 T1
; *** Selecting and Warming Extruder 1 to 210 C ***
T0
M109 S210 T0
; 'Prime Pillar Path', 0.9 [feed mm/s], 20.0 [head mm/s]
G1 X97 Y102 E0 F9000
G1 E1.6 F3000
G1 X94 Y102 E0.14032 F1200
G1 X94 Y99 E0.14032
G1 X97 Y99 E0.14032
G1 X97 Y102 E0.14032
;
; 'Destring/Wipe/Jump Path', 0.0 [feed mm/s], 20.0 [head mm/s]
G1 E-1.6 F3000
; 'Stacked Sparse Infill Path', 3.2 [feed mm/s], 55.2 [head mm/s]
G1 X105.6 Y105.1 E0 F9000
G1 E1.6 F3000
G1 X105.6 Y109.9 E0.2744 F3312
G1 X107.4 Y109.9 E0.1029
G1 X107.4 Y105.1 E0.2744
; 'Loop Path', 1.7 [feed mm/s], 36.8 [head mm/s]
G1 X108.35 Y110.35 E0 F9000
G1 X104.65 Y110.35 E0.17306 F2208
G1 X104.65 Y104.65 E0.2666
G1 X108.35 Y104.65 E0.17306
G1 X108.35 Y110.35 E0.2666
; 'Perimeter Path', 0.9 [feed mm/s], 18.4 [head mm/s]
G1 X108.8 Y110.8 E0 F9000
G1 X104.2 Y110.8 E0.21515 F1104
G1 X104.2 Y104.2 E0.3087
G1 X108.8 Y104.2 E0.21515
G1 X108.8 Y110.8 E0.3087
;
; 'Destring/Wipe/Jump Path', 0.0 [feed mm/s], 20.0 [head mm/s]
G1 E-1.6 F3000
; 'Support (may Stack) Path', 2.6 [feed mm/s], 55.2 [head mm/s]
G1 X99.5 Y110 E0 F9000
G1 E1.6 F3000
G1 X98 Y110 E0.07016 F3312
G1 X98 Y106 E0.18709
G1 X99.5 Y106 E0.07016
G1 X99.5 Y110 E0.18709
;
; 'Destring/Wipe/Jump Path', 0.0 [feed mm/s], 20.0 [head mm/s]
G1 E-1.6 F3000
; Post-layer lift
G1 X99.5 Y110 Z0.75 E0 F900
; END_LAYER_OBJECT z=0.500
; BEGIN_LAYER_OBJECT z=0.750 z_thickness=0.250
; fan %*255
M106 S230
; 'Sparse Infill Path', 3.2 [feed mm/s], 55.2 [head mm/s]
G1 X105.1 Y106 E0 F9000
G1 E1.6 F3000
; *** Preheating Ext 2 to 240 C ***
M104 S240 T1
; *** Resume on Ext 1 to 210 C ***
M104 S210 T0
G1 X107.9 Y106 E0.16006 F3312
G1 X107.9 Y107.8 E0.1029
G1 X105.1 Y107.8 E0.16006
G1 X105.1 Y109.6 E0.1029
G1 X107.9 Y109.6 E0.16006
; 'Loop Path', 1.7 [feed mm/s], 36.8 [head mm/s]
G1 X104.65 Y104.65 E0 F9000
G1 X108.35 Y104.65 E0.17306 F2208
G1 X108.35 Y110.35 E0.2666
G1 X104.65 Y110.35 E0.17306
G1 X104.65 Y104.65 E0.2666
; 'Perimeter Path', 0.9 [feed mm/s], 18.4 [head mm/s]
G1 X104.2 Y104.2 E0 F9000
G1 X108.8 Y104.2 E0.21515 F1104
G1 X108.8 Y110.8 E0.3087
G1 X104.2 Y110.8 E0.21515
G1 X104.2 Y104.2 E0.3087
;
; 'Destring/Wipe/Jump Path', 0.0 [feed mm/s], 20.0 [head mm/s]
G1 E-1.6 F3000
; *** Cooling Extruder 1 to 170 C ***
M104 S170 T0
; *** Selecting and Warming Extruder 2 to 240 C ***
T1
M109 S240 T1
; 'Prime Pillar Path', 0.9 [feed mm/s], 20.0 [head mm/s]
G1 X97 Y102 E0 F9000
G1 E1.6 F3000
G1 X94 Y102 E0.14032 F1200
G1 X94 Y99 E0.14032
G1 X97 Y99 E0.14032
G1 X97 Y102 E0.14032
;
; 'Destring/Wipe/Jump Path', 0.0 [feed mm/s], 20.0 [head mm/s]
G1 E-1.6 F3000
; 'Solid Path', 2.2 [feed mm/s], 46.0 [head mm/s]
G1 X109.7 Y110.35 E0 F9000
G1 E1.6 F3000
G1 X109.7 Y104.65 E0.2666 F2760
G1 X110.3 Y104.65 E0.02806
G1 X110.3 Y110.35 E0.2666
; 'Perimeter Path', 0.9 [feed mm/s], 18.4 [head mm/s]
G1 X109.2 Y104.2 E0 F9000
G1 X110.8 Y104.2 E0.07484 F1104
G1 X110.8 Y110.8 E0.3087
G1 X109.2 Y110.8 E0.07484
G1 X109.2 Y104.2 E0.3087
;
; 'Destring/Wipe/Jump Path', 0.0 [feed mm/s], 20.0 [head mm/s]
G1 E-1.6 F3000
; 'Support Interface Path', 1.4 [feed mm/s], 27.6 [head mm/s]
G1 X103.3 Y107.9 E0 F9000
G1 E1.6 F3000
G1 X101.6 Y106.2 E0.12494 F1656
G1 X100.1 Y106.2 E0.07795
G1 X103.3 Y109.4 E0.23518
G1 X102.2 Y109.8 E0.06083
G1 X98.6 Y106.2 E0.26458
G1 X97.7 Y106.8 E0.05621
G1 X100.7 Y109.8 E0.22049
G1 X99.2 Y109.8 E0.07795
G1 X97.7 Y108.3 E0.11024
;
; 'Destring/Wipe/Jump Path', 0.0 [feed mm/s], 20.0 [head mm/s]
G1 E-1.6 F3000
; Post-layer lift
G1 X97.7 Y108.3 Z1 E0 F900
; END_LAYER_OBJECT z=0.750
; BEGIN_LAYER_OBJECT z=1.000 z_thickness=0.250
; fan %*255
M106 S255
; 'Solid Path', 2.2 [feed mm/s], 46.0 [head mm/s]
G1 X109.7 Y110.35 E0 F9000
G1 E1.6 F3000
; *** Preheating Ext 1 to 210 C ***
M104 S210 T0
; *** Resume on Ext 2 to 240 C ***
M104 S240 T1
G1 X109.7 Y104.65 E0.2666 F2760
G1 X110.3 Y104.65 E0.02806
G1 X110.3 Y110.35 E0.2666
; 'Perimeter Path', 0.9 [feed mm/s], 18.4 [head mm/s]
G1 X109.2 Y104.2 E0 F9000
G1 X110.8 Y104.2 E0.07484 F1104
G1 X110.8 Y110.8 E0.3087
G1 X109.2 Y110.8 E0.07484
G1 X109.2 Y104.2 E0.3087
;
; 'Destring/Wipe/Jump Path', 0.0 [feed mm/s], 20.0 [head mm/s]
G1 E-1.6 F3000
; *** Cooling Extruder 2 to 200 C ***
M104 S200 T1
; *** Selecting and Warming Extruder 1 to 210 C ***
T0
M109 S210 T0
; 'Prime Pillar Path', 0.9 [feed mm/s], 20.0 [head mm/s]
G1 X97 Y102 E0 F9000
G1 E1.6 F3000
G1 X94 Y102 E0.14032 F1200
G1 X94 Y99 E0.14032
G1 X97 Y99 E0.14032
G1 X97 Y102 E0.14032
;
; 'Destring/Wipe/Jump Path', 0.0 [feed mm/s], 20.0 [head mm/s]
G1 E-1.6 F3000
; 'Solid Path', 2.2 [feed mm/s], 46.0 [head mm/s]
G1 X107.9 Y105.1 E0 F9000
G1 E1.6 F3000
G1 X105.1 Y105.1 E0.13096 F2760
G1 X105.1 Y105.65 E0.02572
G1 X107.9 Y105.65 E0.13096
G1 X107.9 Y106.2 E0.02572
G1 X105.1 Y106.2 E0.13096
G1 X105.1 Y106.75 E0.02572
G1 X107.9 Y106.75 E0.13096
G1 X107.9 Y107.3 E0.02572
G1 X98.6 Y107.3 E0.43498
G1 X98.6 Y107.85 E0.02572
G1 X107.9 Y107.85 E0.43498
G1 X107.9 Y108.4 E0.02572
G1 X98.6 Y108.4 E0.43498
G1 X98.6 Y108.95 E0.02572
G1 X107.9 Y108.95 E0.43498
G1 X107.9 Y109.5 E0.02572
G1 X105.1 Y109.5 E0.13096
; 'Loop Path', 1.7 [feed mm/s], 36.8 [head mm/s]
G1 X104.65 Y104.65 E0 F9000
G1 X108.35 Y104.65 E0.17306 F2208
G1 X108.35 Y110.35 E0.2666
G1 X104.65 Y110.35 E0.17306
G1 X104.65 Y109.45 E0.04209
G1 X98.15 Y109.45 E0.30402
G1 X98.15 Y106.55 E0.13564
G1 X104.65 Y106.55 E0.30402
G1 X104.65 Y104.65 E0.08887
; 'Perimeter Path', 0.9 [feed mm/s], 18.4 [head mm/s]
G1 X104.2 Y104.2 E0 F9000
G1 X108.8 Y104.2 E0.21515 F1104
G1 X108.8 Y110.8 E0.3087
G1 X104.2 Y110.8 E0.21515
G1 X104.2 Y109.9 E0.04209
G1 X97.7 Y109.9 E0.30402
G1 X97.7 Y106.1 E0.17773
G1 X104.2 Y106.1 E0.30402
G1 X104.2 Y104.2 E0.08887
;
; 'Destring/Wipe/Jump Path', 0.0 [feed mm/s], 20.0 [head mm/s]
G1 E-1.6 F3000
; Post-layer lift
G1 X104.2 Y104.2 Z1.5 E0 F900
; END_LAYER_OBJECT z=1.000
;
; *** Cooling Extruder 1 to 0 C and Retiring ***
M104 S0 T0
; *** Cooling Extruder 2 to 0 C and Retiring ***
M104 S0 T1
; fan off
M107
; *** G-code Postfix ***
;
; END SCRIPT START
M140 S0 ; bed off
G1 Z11.5 F900 ; lift clear of the print
G28 X0 ; park
M84 ; motors off
; END SCRIPT END
;
; Filament used per extruder:
;    Ext 1 =    16.92 mm  (0.041 cm^3)
;    Ext 2 =     8.46 mm  (0.020 cm^3)
; Total Filament Length Used: 25.39 mm
