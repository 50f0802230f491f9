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

// The settings header, the prefix and the heading of the layers. Lines end in
// '\n'; the writer gives them the file's line ends.
std::string preambleText(const CorpusOptions& options);
// From the last tool's retirement to the end of the file, lines as above.
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
