// The corpus writer's parts: the layers (corpus.cpp) draw the islands from
// corpus_shapes.cpp and put the text of corpus_frame.cpp around them.
#pragma once

#include "testing/corpus.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace vorlane::test::corpus {

inline constexpr double PI = 3.14159265358979323846;
inline constexpr double FILAMENT_AREA_MM2 = PI * 0.875 * 0.875; // 1.75 mm filament

// ---------------------------------------------------------------------------
// What the layers and the text around them share.

struct Material {
    std::string_view name;
    int temperature_C;
    int firstLayer_C;
    int keepWarm_C;
    int bed_C;
};

// Different bed temperatures on purpose: the prefix sets the first material's,
// which is not the highest.
inline constexpr Material MATERIALS[4] = {
    {"PLA red", 205, 215, 154, 60},
    {"PETG blue", 235, 240, 170, 75},
    {"PLA white", 210, 215, 154, 65},
    {"TPU black", 225, 230, 160, 50},
};

// What every material's settings hold as its G-code, and what a tool change
// therefore writes once the new tool is selected.
inline constexpr std::string_view MATERIAL_SCRIPT = "M106 P1 S255      ; hot end fan speed";

enum PathKind {
    Jump,
    Perimeter,
    Loop,
    Solid,
    SparseInfill,
    StackedInfill,
    SupportMain,
    SupportInterface,
    PrimePillar,
    PATH_KIND_COUNT
};

// What the postfix's estimates are made of.
struct PrintTotals {
    int lastTool = 0;
    double extruded_MM[4] = {};
    double seconds[PATH_KIND_COUNT][4] = {};
};

// The estimated print time so far.
double totalSeconds(const PrintTotals& totals, int tools);

// How a slicer other than Kisslicer writes what Kisslicer writes as comments
// and blocks of its own; the moves are the same in every dialect.
struct SlicerText {
    CorpusSlicer slicer;
    std::string_view header;           // the comment lines before the start G-code
    std::string_view kindPrefix;       // a path-kind comment: the prefix, then the kind's name
    const std::string_view* kindNames; // per PathKind; travels (Jump) are marked by none
    bool customKind;                   // the start and end G-code are the kind "Custom"
    std::string_view layerMarker;
    bool numberedLayers;         // Cura: the layer's number after the marker
    std::string_view heightNote; // before the layer's height, in the line after the marker
    std::string_view layerEnd;   // Cura: before the seconds printed so far, at the layer's end
    // The block around a tool change's T line, if any: comments, or Bambu's
    // M620 S<tool>A and M621 S<tool>A.
    std::string_view blockStart;
    std::string_view blockEnd;
    bool numberedBlocks;
    bool fanAfterToolChange; // OrcaSlicer and Bambu Studio set the part fan again
    // Cura: M82 and running E positions, which start over at every layer
    // (G92 E0), and G0 for travels.
    bool absoluteE;
    std::string_view travel;
};

// The slicer's text; none for Kisslicer, whose text the writer holds itself.
const SlicerText* slicerText(CorpusSlicer slicer);

// The settings header, the prefix and the heading of the layers; in another
// slicer's dialect its header and start G-code. Lines end in '\n'; the
// writer gives them the file's line ends.
std::string preambleText(const CorpusOptions& options);
// From the last tool's retirement to the end of the file (in another
// slicer's dialect its end G-code), lines as above.
std::string postfixText(const CorpusOptions& options, const PrintTotals& totals);

// ---------------------------------------------------------------------------
// The islands' shapes.

struct Point {
    double x = 0;
    double y = 0;
};

enum class IslandShape { Circle, RoundedRectangle };

struct Island {
    int tool = 0;
    Point centre;
    IslandShape shape = IslandShape::Circle;
    double radius_MM = 0; // circle radius, or the corner radius of a rectangle
    double halfWidth_MM = 0;
    double halfHeight_MM = 0;
    double segment_MM = 0.5; // perimeter vertex spacing
    int edgePieces = 1;      // a rectangle's straight edges are cut into this many draws
    double phase = 0;        // of the size change with height
};

// The unit vector at `angle`: its cosine and sine, the same bits on every
// machine.
Point direction(double angle);

// The island at `scale`, `inset_MM` inside its edge: its closed outline,
// starting at the seam.
void islandContour(const Island& island, double scale, double inset_MM, double seamAngle, std::vector<Point>& out);

// The island's infill at `scale` inside a border of `inset_MM`: one zig-zag
// path of lines `spacing_MM` apart, in the first of two crossing directions or
// the second.
void islandInfill(const Island& island, double scale, double inset_MM, bool firstDirection, double spacing_MM,
                  std::vector<Point>& out);

} // namespace vorlane::test::corpus
