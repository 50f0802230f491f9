// The text around a generated print's layers, as templates: the settings
// header, the prefix and the postfix read as Kisslicer 1.6 writes them; and
// what the other slicers write in their place and within the layers.
//
// A template is G-code text with values in braces, `{name}`; the lines between
// `{each tool}` and `{end}` are written once for every tool of the print, with
// that tool's values, and elsewhere a tool's value is the first tool's.
#include "testing/corpus_detail.hpp"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace vorlane::test::corpus {
namespace {

// The layers follow some of these settings: travels at 150 mm/s, the first
// layer at 20 mm/s, the bed's centre at 100, 100, loops 0.45 mm wide, and
// the prefix leaves the head at the end of its purge line, retracted.
constexpr std::string_view PREAMBLE = R"(; KISSlicer - PRO
; Windows
; version 1.6.3 Release Win64
; Built: May  3 2018, 10:24:43
; Running on 8 cores
;
; Saved: 2018-09-30 16:02:30
; 'bench_corpus.gcode'
;
; Anti-shrink gain x=1.000000, y=1.000000, z=1.000000
;
; *** Printer Settings ***
;
; printer_name = Bench multi-tool
; profile_date = 2018-09-30 16:00:40
; bed_STL_filename = {nothing}
; extension = gcode
; cost_per_hour = 0
; g_code_prefix = {prefix in hex}
; g_code_postfix = {postfix in hex}
; g_code_N_layers = NULL
; post_process = NULL
; every_N_layers = 0
; num_extruders = {tools}
; firmware_type = 1
; add_comments = 1
; fan_on = M106
; fan_off = M107
; fan_pwm = 1
; z_speed_mm_per_s = 15
; bed_size_x_mm = 200
; bed_size_y_mm = 200
; bed_size_z_mm = 200
; bed_offset_x_mm = 100
; bed_offset_y_mm = 100
; bed_offset_z_mm = 0
; round_bed = 0
; travel_speed_mm_per_s = 150
; first_layer_speed_mm_per_s = 20
; xy_accel_mm_per_s_per_s = 3000
; hi_speed_perim_mm_per_s = 20
; hi_speed_loops_mm_per_s = 40
; hi_speed_solid_mm_per_s = 50
; hi_speed_sparse_mm_per_s = 60
{each tool}
; ext_gain_{n} = 1
; ext_{n}_mat_name = {material}
; nozzle_dia_{n} = 0.4
; drive_len_{n} = 450
{end}
; min_seg_len_mm = 0.0125
; z_step_mm = 0.0125
{each tool}
;
; *** Material Settings for Extruder {n} ***
;
; material_name = {material}
; profile_date = 2018-09-08 21:58:53
; g_code_matl = {material script in hex}
; g_code_matl_custom = NULL
; fan_Z_mm = 0.5
; fan_loops_percent = 100
; fan_inside_percent = 65
; temperature_C = {temperature}
; keep_warm_C = {keep warm}
; first_layer_C = {first layer}
; bed_C = {bed}
; chamber_C = 0
; destring_length = 1
; destring_speed_mm_per_s = 80
; Z_lift_mm = 0
; min_layer_time_s = 10
; wipe_mm = 5
; cost_per_cm3 = 0.04
; flowrate_tweak = 1
; fiber_dia_mm = 1.75
; purge_vol_mm3 = 42
; color = {t}
{end}
;
; *** Style Settings ***
;
; style_name = Bench 0.45mm
; layer_thickness_mm = {layer height}
; first_layer_thickness_mm = {layer height}
; extrusion_width_mm = 0.45
; num_loops = 2
; infill_extrusion_width = 0.55
; infill_density_denominator = 4
; stacked_layers = 1
; loops_insideout = 1
; travel_mode = 1
;
; *** Support Settings ***
;
; support_name = Fine support, pillar
; support_density = 2
; use_lower_interface = 1
; support_gap_mm = 0.5
; interface_gap_mm = -75
; support_angle_deg = 50
; support_z_max_mm = -1
; prime_pillar_mode = 1
; brim_mm = 0
; interface_band_mm = 2
; interface_stride_mm = 0.9
; interface_width_mm = 0.5
;
; *** Actual Slicing Settings As Used ***
;
; layer_thickness_mm = {layer height}
; first_layer_thickness_mm = {layer height}
; extrusion_width = 0.45
; num_ISOs = 2
; infill_style = 8
; support_style = 2
; use_lower_interface = 1
; stacked_infill_layers = 1
; model_support_gap_mm = 0.5
; support_Z_max_mm = 1e+020
; interface_band_mm = 2
; printer_z_step_mm = 0.0125
; Speed vs Quality = 0.16
; Perimeter Speed = 18.40
; Loops Speed = 36.80
; Solid Speed = 46.00
; Sparse Speed = 55.20
;
; *** G-code Prefix ***
;
{prefix}
;
; *** Main G-code ***
;
)";

constexpr std::string_view PREFIX_SCRIPT = R"(; START SCRIPT START
G21
G90
M80
M106 P0 S0  ; part cooling fan speed
M83  ; extruder relative mode
{each tool}
M104 S{first layer} T{t}; set extruder temp
{end}
M140 S{bed} ; set bed temp
M190 S{bed} ; wait for bed temp
M109 S{first layer} T0 ; wait for extruder temp
G28  ; home all axes
M116  ; wait all temps
M106 P1 S200  ; hot end fan speed
G1 Z5 F900
G1 X5 Y5 F9000
G1 Z0.3 F900
G1 X60 Y5 E3 F1200 ; purge line
G1 E-1 F4800
G1 Z2 F900
; START SCRIPT END
)";

constexpr std::string_view POSTFIX_SCRIPT = R"(; END SCRIPT START
G4 ; wait
{each tool}
M104 S0 T{t} ; turn off heater
{end}
M140 S0 ; turn off heatbed
G91     ;relative positioning
G1 E-3 F300 ;retract the filament a bit before lifting the nozzle to release some of the pressure
G90         ;absolute positioning
M107 ; turn off fan
G28 X0  ; home X axis
M84 ; disable motors
; END SCRIPT END
)";

constexpr std::string_view POSTFIX = R"(;
; *** Cooling Extruder {last tool} to 0 C and Retiring ***
; NONE
;
; fan off
M107
; *** G-code Postfix ***
;
{postfix}
;
;
;
; Estimated Build Time:   {build minutes} minutes
; Estimated Build Cost:   ${cost}
;
; Filament used per extruder:
{each tool}
;    Ext {n} = {filament} mm  ({filament volume} cm^3)
{end}
; Total Filament Length Used: {total filament} mm
; Total Filament Volume Used: {total volume} cm^3
;
; *** Extrusion Time Breakdown ***
; * estimated time in [s]
; * before possibly slowing down for 'cool'
; * not including Z-travel
{time table}
; Total estimated (pre-cool) minutes: {minutes}
)";

// clang-format off
// The path kinds' names in PathKind's order: Jump (none: travels are marked
// by no kind), Perimeter, Loop, Solid, SparseInfill, StackedInfill,
// SupportMain, SupportInterface, PrimePillar.
constexpr std::string_view PRUSA_KINDS[PATH_KIND_COUNT] = {
    {}, "External perimeter", "Perimeter", "Solid infill", "Internal infill", "Internal infill",
    "Support material", "Support material interface", "Wipe tower"};
constexpr std::string_view ORCA_KINDS[PATH_KIND_COUNT] = {
    {}, "Outer wall", "Inner wall", "Internal solid infill", "Sparse infill", "Sparse infill",
    "Support", "Support interface", "Prime tower"};
constexpr std::string_view CURA_KINDS[PATH_KIND_COUNT] = {
    {}, "WALL-OUTER", "WALL-INNER", "SKIN", "FILL", "FILL",
    "SUPPORT", "SUPPORT-INTERFACE", "PRIME-TOWER"};

// Per slicer: header; kind prefix, names, Custom; layer marker, numbered,
// height note, layer end; tool-change block start, end, numbered; fan after
// a tool change; absolute E; travel command.
constexpr SlicerText SLICER_TEXTS[] = {
    {CorpusSlicer::PrusaSlicer,
     "; generated by PrusaSlicer 2.9.0 on 2025-02-20 at 10:00:00 UTC\n\n; layer_height = {layer height}\n",
     ";TYPE:", PRUSA_KINDS, true, ";LAYER_CHANGE", false, ";Z:", {},
     "; CP TOOLCHANGE START", "; CP TOOLCHANGE END", false, false, false, "G1"},
    {CorpusSlicer::SuperSlicer,
     "; generated by SuperSlicer 2.5.59 on 2025-02-20 at 10:00:00 UTC\n\n; layer_height = {layer height}\n",
     ";TYPE:", PRUSA_KINDS, true, ";LAYER_CHANGE", false, ";Z:", {},
     "; CP TOOLCHANGE START", "; CP TOOLCHANGE END", false, false, false, "G1"},
    {CorpusSlicer::OrcaSlicer,
     "; HEADER_BLOCK_START\n; generated by OrcaSlicer 2.2.0 on 2025-02-20 at 10:00:00\n; HEADER_BLOCK_END\n",
     ";TYPE:", ORCA_KINDS, true, ";LAYER_CHANGE", false, ";Z:", {},
     "; CP TOOLCHANGE START", "; CP TOOLCHANGE END", false, true, false, "G1"},
    {CorpusSlicer::BambuStudio,
     "; HEADER_BLOCK_START\n; BambuStudio 01.07.06.92\n; HEADER_BLOCK_END\n",
     "; FEATURE: ", ORCA_KINDS, true, "; CHANGE_LAYER", false, "; Z_HEIGHT: ", {},
     "M620 S", "M621 S", true, true, false, "G1"},
    {CorpusSlicer::Cura,
     ";FLAVOR:Marlin\n;Layer height: {layer height}\n;Generated with Cura_SteamEngine master\n",
     ";TYPE:", CURA_KINDS, false, ";LAYER:", true, {}, ";TIME_ELAPSED:",
     {}, {}, false, false, true, "G0"},
};
// clang-format on

struct Frame {
    const CorpusOptions& options;
    const PrintTotals* totals = nullptr; // the postfix's estimates
    // A script as the settings store it: Kisslicer's own <TEMP> and <BED>
    // stand for the temperatures, to be filled in when the script is written.
    bool storedScript = false;
};

std::string valueOf(const Frame& frame, std::string_view name, int tool);

// Writes a piece of template without `{each tool}` blocks, with the values of
// `tool`.
void fillIn(const Frame& frame, std::string_view text, int tool, std::string& out)
{
    for (std::size_t open; (open = text.find('{')) != std::string_view::npos;) {
        const std::size_t close = text.find('}', open);
        out.append(text.substr(0, open));
        out.append(valueOf(frame, text.substr(open + 1, close - open - 1), tool));
        text.remove_prefix(close + 1);
    }
    out.append(text);
}

std::string fill(const Frame& frame, std::string_view text)
{
    constexpr std::string_view EACH_TOOL = "{each tool}\n";
    constexpr std::string_view END = "{end}\n";
    std::string out;
    for (std::size_t each; (each = text.find(EACH_TOOL)) != std::string_view::npos;) {
        fillIn(frame, text.substr(0, each), 0, out);
        const std::size_t first = each + EACH_TOOL.size();
        const std::size_t end = text.find(END, first);
        for (int tool = 0; tool < frame.options.tools; ++tool)
            fillIn(frame, text.substr(first, end - first), tool, out);
        text.remove_prefix(end + END.size());
    }
    fillIn(frame, text, 0, out);
    return out;
}

// Six significant digits without trailing zeros, as in the time table.
std::string general(double value)
{
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 6);
    return std::string(digits, result.ptr);
}

std::string printed(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// A script as Kisslicer's settings hold it: hex on the setting line and its
// continuation lines, then the decoded lines.
std::string inHex(std::string_view script)
{
    static constexpr char DIGITS[] = "0123456789ABCDEF";
    std::string hex;
    for (const char c : script) {
        hex += DIGITS[static_cast<unsigned char>(c) >> 4];
        hex += DIGITS[static_cast<unsigned char>(c) & 15];
    }
    std::string text = hex.substr(0, 46);
    for (std::size_t at = 46; at < hex.size(); at += 56)
        text.append("\n; ^   ").append(hex, at, 56);
    text.append("\n; > Decoded");
    for (std::size_t end = 0; end != std::string_view::npos; script.remove_prefix(end + 1)) {
        end = script.find('\n');
        text.append("\n; >   ").append(script.substr(0, end));
    }
    return text;
}

// A filled script without its last line end, to stand in a template line.
std::string script(const Frame& frame, std::string_view text)
{
    std::string lines = fill(frame, text);
    lines.pop_back();
    return lines;
}

double totalFilament_MM(const Frame& frame)
{
    double total = 0;
    for (int tool = 0; tool < frame.options.tools; ++tool)
        total += frame.totals->extruded_MM[tool];
    return total;
}

// The extrusion time per path kind (rows) and extruder (columns).
std::string timeTable(const Frame& frame)
{
    struct Row {
        const char* label;
        int kind; // -1: a kind this print never has
    };
    constexpr Row ROWS[] = {{"Jump Path", Jump},
                            {"Support Interface Path", SupportInterface},
                            {"Support (may Stack) Path", SupportMain},
                            {"Perimeter Path", Perimeter},
                            {"Loop Path", Loop},
                            {"Solid Path", Solid},
                            {"Sparse Infill Path", SparseInfill},
                            {"Stacked Sparse Infill Path", StackedInfill},
                            {"Crown Path", -1},
                            {"Prime Pillar Path", PrimePillar},
                            {"Travel Path", -1}};
    const int columns = frame.options.tools;
    char cell[64];
    std::string rule = ";\t:";
    std::string text = ";\t" + std::string(static_cast<std::size_t>(14 * columns + 30), '.') + "\n;\t:";
    for (int c = 0; c < columns; ++c) {
        rule += ".............:";
        std::snprintf(cell, sizeof cell, " Extruder #%d :", c + 1);
        text += cell;
    }
    rule += "............................:";
    text += " Path Type                  :\n" + rule + '\n';
    for (const Row& row : ROWS) {
        text += ";\t:";
        for (int c = 0; c < columns; ++c) {
            const double seconds = row.kind < 0 ? 0.0 : frame.totals->seconds[row.kind][c];
            std::snprintf(cell, sizeof cell, " %-11s :", general(seconds).c_str());
            text += cell;
        }
        std::snprintf(cell, sizeof cell, " %-27s:\n", row.label);
        text += cell;
    }
    return text + rule;
}

std::string valueOf(const Frame& frame, std::string_view name, int tool)
{
    const Material& material = MATERIALS[tool];
    if (name == "n") return std::to_string(tool + 1);
    if (name == "t") return std::to_string(tool);
    if (name == "tools") return std::to_string(frame.options.tools);
    if (name == "nothing") return "";
    if (name == "material") return std::string(material.name);
    if (name == "temperature") return std::to_string(material.temperature_C);
    if (name == "keep warm") return std::to_string(material.keepWarm_C);
    if (name == "first layer") return frame.storedScript ? "<TEMP>" : std::to_string(material.firstLayer_C);
    if (name == "bed") return frame.storedScript ? "<BED>" : std::to_string(material.bed_C);
    if (name == "layer height") {
        // To the micrometre, as the layers are printed: at most four digits,
        // all of them shown.
        const double height_um = std::round(static_cast<double>(frame.options.layerHeight_MM) * 1000.0);
        return general(height_um / 1000.0);
    }
    if (name == "prefix") return script(frame, PREFIX_SCRIPT);
    if (name == "postfix") return script(frame, POSTFIX_SCRIPT);
    if (name == "prefix in hex") return inHex(script({frame.options, nullptr, true}, PREFIX_SCRIPT));
    if (name == "postfix in hex") return inHex(script(frame, POSTFIX_SCRIPT));
    if (name == "material script in hex") return inHex(MATERIAL_SCRIPT);
    if (name == "last tool") return std::to_string(frame.totals->lastTool + 1);
    if (name == "build minutes") return printed("%.2f", totalSeconds(*frame.totals, frame.options.tools) * 1.08 / 60.0);
    if (name == "cost") return printed("%.2f", totalFilament_MM(frame) * FILAMENT_AREA_MM2 / 1000.0 * 0.04);
    if (name == "filament") return printed("%8.2f", frame.totals->extruded_MM[tool]);
    if (name == "filament volume") return printed("%.3f", frame.totals->extruded_MM[tool] * FILAMENT_AREA_MM2 / 1000.0);
    if (name == "total filament") return printed("%.2f", totalFilament_MM(frame));
    if (name == "total volume") return printed("%.3f", totalFilament_MM(frame) * FILAMENT_AREA_MM2 / 1000.0);
    if (name == "time table") return timeTable(frame);
    if (name == "minutes") return printed("%.2f", totalSeconds(*frame.totals, frame.options.tools) / 60.0);
    throw std::logic_error("corpus template: no value named {" + std::string(name) + "}");
}

// The kind line of the start and end G-code, if the slicer marks them.
std::string customKindLine(const SlicerText& slicer)
{
    return slicer.customKind ? std::string(slicer.kindPrefix).append("Custom\n") : std::string();
}

} // namespace

double totalSeconds(const PrintTotals& totals, int tools)
{
    double total = 0;
    for (const auto& row : totals.seconds)
        for (int tool = 0; tool < tools; ++tool)
            total += row[tool];
    return total;
}

const SlicerText* slicerText(CorpusSlicer slicer)
{
    for (const SlicerText& text : SLICER_TEXTS)
        if (text.slicer == slicer) return &text;
    return nullptr;
}

std::string preambleText(const CorpusOptions& options)
{
    const SlicerText* slicer = slicerText(options.slicer);
    if (!slicer) return fill({options}, PREAMBLE);
    return fill({options}, slicer->header) + customKindLine(*slicer) + fill({options}, PREFIX_SCRIPT);
}

std::string postfixText(const CorpusOptions& options, const PrintTotals& totals)
{
    const SlicerText* slicer = slicerText(options.slicer);
    if (!slicer) return fill({options, &totals}, POSTFIX);
    return customKindLine(*slicer) + fill({options}, POSTFIX_SCRIPT);
}

} // namespace vorlane::test::corpus
