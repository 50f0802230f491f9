// The fixed line recognizers. Each is defined by its regular expression, kept
// beside it as `pattern`; matching is hand-written (a literal prefix or a small
// scanner), since a regex engine costs microseconds per line and overflows its
// stack on long lines. Tests hold every matcher to its pattern.
#pragma once

#include <string_view>

namespace vorlane {

struct Recognizer {
    std::string_view pattern;            // the definition, ECMAScript syntax
    std::string_view prefix;             // the literal the line must start with...
    bool (*scan)(std::string_view line); // ...or, for the others, their scanner
};

inline bool matches(const Recognizer& recognizer, std::string_view line)
{
    return recognizer.scan ? recognizer.scan(line) : line.starts_with(recognizer.prefix);
}

inline bool isDigit(char c) { return c >= '0' && c <= '9'; }
// The white space of `\s`.
inline bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool scanG1(std::string_view line);
bool scanMCode(std::string_view line);
bool scanMCodeToEnd(std::string_view line);
bool scanExtrusionMode(std::string_view line);
bool scanPositioningMode(std::string_view line);
bool scanSetPosition(std::string_view line);
bool scanTravelOrMove(std::string_view line);
bool scanArc(std::string_view line);
bool scanLayerChange(std::string_view line);
bool scanChangeLayer(std::string_view line);
bool scanNumberedLayer(std::string_view line);
bool scanS3dLayer(std::string_view line);
bool scanS3dLayerEnd(std::string_view line);
bool scanToolNumber(std::string_view line);
bool scanMaterialChangeStart(std::string_view line);
bool scanMaterialChangeEnd(std::string_view line);
bool scanAllPaths(std::string_view line);
bool scanCommentLine(std::string_view line);
bool scanToolChange(std::string_view line);

// Moves: "G1" and one more character that is not a digit (not "G1", "G10").
inline constexpr Recognizer pattern_G1{"^G1[^0-9]", {}, scanG1};
// An M-code with something after its number; the prefix's bed-temperature rule.
inline constexpr Recognizer pattern_MCode{"^\\s*M[0-9]+[^0-9]", {}, scanMCode};
// An M-code whose number may end the line; fan tracking while printing.
inline constexpr Recognizer pattern_MCodeToEnd{"^\\s*M[0-9]+([^0-9]|$)", {}, scanMCodeToEnd};
// M82 (absolute extrusion) or M83 (relative).
inline constexpr Recognizer pattern_ExtrusionMode{"^\\s*M8[23]([^0-9]|$)", {}, scanExtrusionMode};
// G90 (absolute positioning) or G91 (relative); G91.1, an arc-centre mode, is
// neither.
inline constexpr Recognizer pattern_PositioningMode{"^\\s*G9[01]([^0-9.]|$)", {}, scanPositioningMode};
// G92, which sets positions; G92.1 and the like are other commands.
inline constexpr Recognizer pattern_SetPosition{"^\\s*G92([^0-9.]|$)", {}, scanSetPosition};
inline constexpr Recognizer pattern_AllPaths{"^; \\'[a-zA-Z() ]* Path\\'", {}, scanAllPaths};
inline constexpr Recognizer pattern_Perimeter{"^; \\'Perimeter Path\\'", "; 'Perimeter Path'", nullptr};
inline constexpr Recognizer pattern_Solid{"^; \\'Solid Path\\'", "; 'Solid Path'", nullptr};
inline constexpr Recognizer pattern_PrimePillar{"^; \\'Prime Pillar Path\\'", "; 'Prime Pillar Path'", nullptr};
inline constexpr Recognizer pattern_StackedInfill{"^; \\'Stacked Sparse Infill Path", "; 'Stacked Sparse Infill Path",
                                                  nullptr};
inline constexpr Recognizer pattern_TopInfill{"^; \\'Sparse Infill Path", "; 'Sparse Infill Path", nullptr};
inline constexpr Recognizer pattern_SupportInterface{"^; \\'Support Interface", "; 'Support Interface", nullptr};
inline constexpr Recognizer pattern_SupportMain{"^; \\'Support \\(may Stack\\)", "; 'Support (may Stack)", nullptr};
inline constexpr Recognizer pattern_SupportAny{"^; \\'Support", "; 'Support", nullptr};
inline constexpr Recognizer pattern_CommentLine{"^;$", {}, scanCommentLine};
inline constexpr Recognizer pattern_Layer_Begin{"^; BEGIN_LAYER_OBJECT", "; BEGIN_LAYER_OBJECT", nullptr};
// Only "T" with a number is a tool change; TURN_OFF_HEATERS and other macro
// lines of a printer's end code are not.
inline constexpr Recognizer pattern_ToolChange{"^T-?[0-9]+", {}, scanToolChange};
inline constexpr Recognizer pattern_ResumeTemp{"^; \\*\\*\\* Resume on Ext", "; *** Resume on Ext", nullptr};
inline constexpr Recognizer pattern_BeginPrefix{"^; \\*\\*\\* G-code Prefix", "; *** G-code Prefix", nullptr};
inline constexpr Recognizer pattern_BeginPrinting{"^; \\*\\*\\* Main G-code", "; *** Main G-code", nullptr};
inline constexpr Recognizer pattern_BeginPostfix{"^; \\*\\*\\* G-code Postfix", "; *** G-code Postfix", nullptr};
inline constexpr Recognizer pattern_PrinterSettings{"^; \\*\\*\\* Printer Settings", "; *** Printer Settings", nullptr};
inline constexpr Recognizer pattern_MaterialSettings{"^; \\*\\*\\* Material Settings for Extruder",
                                                     "; *** Material Settings for Extruder", nullptr};
inline constexpr Recognizer pattern_StyleSettings{"^; \\*\\*\\* Style Settings", "; *** Style Settings", nullptr};
inline constexpr Recognizer pattern_SupportSettings{"^; \\*\\*\\* Support Settings", "; *** Support Settings", nullptr};
inline constexpr Recognizer pattern_ActualParameters{"^; \\*\\*\\* Actual Slicing Settings As Used \\*\\*\\*",
                                                     "; *** Actual Slicing Settings As Used ***", nullptr};

// What the other slicers write (PrusaSlicer, SuperSlicer, OrcaSlicer, Bambu
// Studio, Cura).
// G0 moves as G1 does.
inline constexpr Recognizer pattern_G0G1{"^G[01][^0-9]", {}, scanTravelOrMove};
// Arcs: G2 clockwise, G3 counter-clockwise.
inline constexpr Recognizer pattern_Arc{"^G[23][^0-9]", {}, scanArc};
// Path kinds: ";TYPE:<name>", or "; FEATURE: <name>" in Bambu Studio.
inline constexpr Recognizer pattern_TypeComment{"^;TYPE:", ";TYPE:", nullptr};
inline constexpr Recognizer pattern_FeatureComment{"^; FEATURE: ", "; FEATURE: ", nullptr};
// Layer markers, whole lines: PrusaSlicer, SuperSlicer, OrcaSlicer; Bambu
// Studio; Cura (numbered, below 0 under a raft; not ";LAYER_COUNT:").
inline constexpr Recognizer pattern_LayerChange{"^;LAYER_CHANGE\\s*$", {}, scanLayerChange};
inline constexpr Recognizer pattern_ChangeLayer{"^; CHANGE_LAYER\\s*$", {}, scanChangeLayer};
inline constexpr Recognizer pattern_NumberedLayer{"^;LAYER:-?[0-9]+\\s*$", {}, scanNumberedLayer};
// Cura's note after every layer, before what comes between layers.
inline constexpr Recognizer pattern_TimeElapsed{"^;TIME_ELAPSED:", ";TIME_ELAPSED:", nullptr};
// Simplify3D's layer marker, "; layer <n>, Z = <z>" (counted per process, so
// that heights repeat), and its end of the printing, "; layer end".
inline constexpr Recognizer pattern_S3dLayer{"^; layer [0-9]+, Z = ", {}, scanS3dLayer};
inline constexpr Recognizer pattern_S3dLayerEnd{"^; layer end\\s*$", {}, scanS3dLayerEnd};
// "T" and a number; the other slicers' firmware codes (T255, T1000) are no
// tools, and macros (T_1) no tool changes.
inline constexpr Recognizer pattern_ToolNumber{"^T[0-9]+", {}, scanToolNumber};
// The blocks of a tool change: the wipe tower's, and Bambu's material change
// (M620 S<n>A ... M621 S<n>A; M620 S255, M620 M and M620.1 open none).
inline constexpr Recognizer pattern_WipeTowerStart{"^; CP TOOLCHANGE START", "; CP TOOLCHANGE START", nullptr};
inline constexpr Recognizer pattern_WipeTowerEnd{"^; CP TOOLCHANGE END", "; CP TOOLCHANGE END", nullptr};
inline constexpr Recognizer pattern_MaterialChangeStart{"^M620 S[0-9]+A", {}, scanMaterialChangeStart};
inline constexpr Recognizer pattern_MaterialChangeEnd{"^M621 S[0-9]+A", {}, scanMaterialChangeEnd};

// A settings line of the header: "; name = number".
inline constexpr std::string_view pattern_KissParameter = "^; ([ a-zA-Z_]+) = ([-+0-9][+.eE0-9]*)\\s*$";
struct KissParameter {
    std::string_view name;
    std::string_view value;
};
// True when the line has the settings form; `name` and `value` are its groups.
bool matchKissParameter(std::string_view line, KissParameter& groups);

// The G-code word: a letter (any case) and a number with an optional sign.
// The sign is read so that beds with the origin at the centre are followed.
inline constexpr std::string_view parse_Generic = "(G|M|X|Y|Z|U|V|W|I|J|K|E|F|T|S|P|D|H|R|Q|N)([-+]?\\d*\\.?\\d+\\.?)";
// "T" and the tool number.
inline constexpr std::string_view parse_ToolChange = "^T([-0-9][0-9]*)";

} // namespace vorlane
