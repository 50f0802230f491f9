// Writes a synthetic multi-tool print in Kisslicer 1.6's G-code dialect, or in
// another slicer's: its layout and layers, the islands' shapes from
// corpus_shapes.cpp and the text around the layers (and the other slicers'
// texts within them) from corpus_frame.cpp.
//
// The print: an object of objectSize_MM square cut into a grid of islands
// (circles and rounded rectangles), the islands dealt to the tools in a
// staggered pattern, so that a tool travelling from one of its islands to the
// next passes over islands of the other tools. Left of the object stands a
// support tower (main support by one tool, an interface band of another tool
// every twelve layers), right of it the prime pillar, where every tool change
// first primes the new tool. Every island has two loops, a perimeter and
// infill; the infill alternates stacked sparse and sparse infill at crossing
// angles, with solid bands.
//
// Line forms follow what Kisslicer writes: coordinates with three decimals and
// E with five, trailing zeros dropped; F with one; path-kind comments with the
// filament and head speeds; the tool-change, preheat and resume blocks. The
// other slicers' dialects keep the numbers and put their own comments and
// blocks in place of Kisslicer's, drawing the same random numbers, so that
// the moves stay the same.
#include "testing/corpus.hpp"

#include "testing/absolute_twin.hpp"
#include "testing/corpus_detail.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace vorlane::test {
namespace corpus {
namespace {

// ---------------------------------------------------------------------------
// Random numbers: splitmix64, so that a seed means the same file everywhere.

struct Random {
    std::uint64_t state = 0;
};

std::uint64_t nextRandom(Random& random)
{
    random.state += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = random.state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// Every layer draws from its own stream, so a layer's content does not depend
// on how many layers the print has (which layersForSize relies on).
Random randomStream(std::uint64_t seed, std::uint64_t stream)
{
    Random random{seed ^ (stream * 0xD1B54A32D192ED03ull)};
    nextRandom(random);
    return random;
}

// 53 random bits make a double in [0, 1) exactly.
double randomBetween(Random& random, double low, double high)
{
    return low + (high - low) * (static_cast<double>(nextRandom(random) >> 11) * 0x1.0p-53);
}

int randomBelow(Random& random, int count)
{
    return static_cast<int>(nextRandom(random) % static_cast<std::uint64_t>(count));
}

// ---------------------------------------------------------------------------
// Text output. Lines collect in one buffer that goes to the sink in pieces of
// DRAIN_AT bytes or a little more.

constexpr std::size_t DRAIN_AT = 256 * 1024;

struct Emitter {
    const std::function<void(std::string_view)>* sink = nullptr;
    std::string text;
    std::uint64_t bytesWritten = 0;
    std::string_view lineEnd = "\r\n";
    // Cura's absolute E: every line's E made the running position.
    bool absoluteE = false;
    TwinState twin;
};

void drain(Emitter& out)
{
    if (out.text.empty()) return;
    (*out.sink)(out.text);
    out.bytesWritten += out.text.size();
    out.text.clear();
}

constexpr std::int64_t POWERS_OF_TEN[] = {1, 10, 100, 1000, 10000, 100000, 1000000};

// A number in units of 10^-decimals. Trimmed, its text is what Kisslicer
// writes for moves ("%.3f" without trailing zeros or point: 67.58, 10);
// otherwise every decimal stays (the "z=0.250" of layer markers).
struct Scaled {
    std::int64_t units;
    int decimals;
    bool trimmed = false;
};

Scaled rounded(double value, int decimals, bool trimmed = false)
{
    return {std::llround(value * static_cast<double>(POWERS_OF_TEN[decimals])), decimals, trimmed};
}

void put(std::string& text, std::string_view part) { text.append(part); }

void put(std::string& text, std::int64_t value)
{
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    text.append(digits, result.ptr);
}

void put(std::string& text, Scaled number)
{
    std::int64_t units = number.units;
    if (units < 0) {
        text += '-';
        units = -units;
    }
    const std::int64_t unit = POWERS_OF_TEN[number.decimals];
    put(text, units / unit);
    std::int64_t fraction = units % unit;
    if (number.decimals == 0 || (number.trimmed && fraction == 0)) return;
    char digits[8];
    for (int i = number.decimals - 1; i >= 0; --i) {
        digits[i] = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    int length = number.decimals;
    if (number.trimmed)
        while (digits[length - 1] == '0')
            --length;
    text += '.';
    text.append(digits, static_cast<std::size_t>(length));
}

// A word that a line may go without: " Z0.2", or nothing.
struct Word {
    std::string_view letter;
    Scaled value;
    bool present;
};

void put(std::string& text, Word word)
{
    if (!word.present) return;
    put(text, word.letter);
    put(text, word.value);
}

// Ends the line put from `lineStart` on, with its E made the running
// position: exact decimal sums of the amounts, so that every move pushes
// what it pushes in relative E.
void endLineInAbsoluteE(Emitter& out, std::size_t lineStart)
{
    const std::string line = out.text.substr(lineStart);
    out.text.resize(lineStart);
    appendTwinLine(out.text, line, out.lineEnd, TwinForm{}, out.twin);
}

// One line from its parts: text, whole numbers, scaled numbers and words.
template <typename... Parts> void writeLine(Emitter& out, const Parts&... parts)
{
    const std::size_t lineStart = out.text.size();
    (put(out.text, parts), ...);
    if (out.absoluteE)
        endLineInAbsoluteE(out, lineStart);
    else
        out.text.append(out.lineEnd);
    if (out.text.size() >= DRAIN_AT) drain(out);
}

// Text whose lines end in '\n', with the file's line ends.
void writeText(Emitter& out, std::string_view text)
{
    for (std::size_t end; (end = text.find('\n')) != std::string_view::npos; text.remove_prefix(end + 1))
        writeLine(out, text.substr(0, end));
}

// ---------------------------------------------------------------------------
// The print.

constexpr double BED_CENTRE_MM = 100.0;
constexpr double TRAVEL_SPEED_MMS = 150.0;
constexpr double FIRST_LAYER_SPEED_MMS = 20.0;
constexpr double PERIMETER_WIDTH_MM = 0.45;
constexpr double RETRACT_BEYOND_MM = 3.0; // shorter travels keep the filament in
constexpr double POST_LAYER_LIFT_MM = 0.5;
constexpr int SIZE_PERIOD_LAYERS = 24;    // every periodic feature repeats within it
constexpr int SUPPORT_PERIOD_LAYERS = 12; // main support, then two interface layers, then a gap
constexpr int PILLAR_SLOTS = 4;

struct PathStyle {
    std::string_view comment; // the name in "; 'Name Path', ..."
    double headSpeed_MMS;
    double width_MM;
};

constexpr PathStyle PATH_STYLES[PATH_KIND_COUNT] = {
    {"Destring/Wipe/Jump", TRAVEL_SPEED_MMS, 0.0},
    {"Perimeter", 18.4, PERIMETER_WIDTH_MM},
    {"Loop", 36.8, PERIMETER_WIDTH_MM},
    {"Solid", 46.0, 0.5},
    {"Sparse Infill", 55.2, 0.55},
    {"Stacked Sparse Infill", 55.2, 0.55},
    {"Support (may Stack)", 50.0, 0.4},
    {"Support Interface", 30.0, 0.5},
    {"Prime Pillar", 40.0, 0.5},
};

struct Layout {
    std::vector<Island> islands;
    double supportMinX_MM = 0, supportMaxX_MM = 0, supportMinY_MM = 0, supportMaxY_MM = 0;
    double pillarX_MM = 0, pillarY_MM = 0; // lower left corner of pillar slot 0
    int supportMainTool = 0;
    int supportInterfaceTool = 0;
};

struct Generator {
    CorpusOptions options;
    const SlicerText* slicer = nullptr; // none: Kisslicer's own text
    Emitter out;
    Layout layout;
    Random random; // the current layer's stream
    int layer = 0;
    std::int64_t z_um = 0;
    // Vase mode: the nozzle's height in units of 10 nm and its change at
    // every draw; zero outside vase mode.
    std::int64_t spiralZ_10nm = 0;
    std::int64_t spiralStep_10nm = 0;
    int tool = 0;
    std::int64_t x_um = 0;
    std::int64_t y_um = 0;
    bool retracted = false;
    bool resumePending = false; // a tool change waits for its resume block
    int preheatTool = 0;
    PathKind kind = Jump;
    int fanSpeed = 0; // the part fan's last M106 S
    bool firstDrawPending = false;
    double ePerMM = 0;
    double feed_MMPerMin = 0;
    PrintTotals totals;
    std::vector<Point> points;
};

double distance_MM(std::int64_t dx_um, std::int64_t dy_um)
{
    const double dx = static_cast<double>(dx_um);
    const double dy = static_cast<double>(dy_um);
    return std::sqrt(dx * dx + dy * dy) / 1000.0;
}

Scaled micrometres(std::int64_t value_um) { return {value_um, 3, true}; }

void travelTo(Generator& g, std::int64_t x_um, std::int64_t y_um)
{
    if (x_um == g.x_um && y_um == g.y_um) return;
    writeLine(g.out, g.slicer ? g.slicer->travel : "G1", " X", micrometres(x_um), " Y", micrometres(y_um), " F9000");
    g.totals.seconds[Jump][g.tool] += distance_MM(x_um - g.x_um, y_um - g.y_um) / TRAVEL_SPEED_MMS;
    g.x_um = x_um;
    g.y_um = y_um;
}

void destring(Generator& g)
{
    if (g.retracted) return;
    if (!g.slicer) writeText(g.out, ";\n; 'Destring/Wipe/Jump Path', 0.0 [feed mm/s], 150.0 [head mm/s]\n");
    writeText(g.out, "G1 E-1 F4800\nG1 F9000\n");
    g.retracted = true;
}

// The preheat of the tool after this one, then the resume of this one.
void writeResumeBlocks(Generator& g)
{
    for (const auto& [title, tool] : {std::pair{"Preheating", g.preheatTool}, std::pair{"Resume on", g.tool}}) {
        const Material& material = MATERIALS[tool];
        const int temperature = g.layer == 0 ? material.firstLayer_C : material.temperature_C;
        writeLine(g.out, ";");
        writeLine(g.out, "; *** ", title, " Ext ", tool + 1, " to ", temperature, " C ***");
        writeLine(g.out, "; heat the (next, then current) extruder without waiting");
        writeLine(g.out, "M104 S", temperature);
        writeLine(g.out, ";M104 S", temperature, " T", tool);
        writeText(g.out, "; Uncomment the previous line to enable preheat\n;\n");
    }
}

void writeFanBlend(Generator& g)
{
    const double blend = randomBetween(g.random, 5.0, 95.0);
    const int percent = 40 + randomBelow(g.random, 61);
    if (!g.slicer) {
        writeLine(g.out, "; Blending Fan to Cool (", rounded(blend, 1), "% blend)");
        writeLine(g.out, "; Blended Fan at ", percent, "%");
        writeLine(g.out, "; fan %*255");
    }
    g.fanSpeed = (percent * 255 + 50) / 100;
    writeLine(g.out, "M106 S", g.fanSpeed);
}

// Begins a path of `kind` at `start`: a long way there retracts first; the
// path-kind comment, the travel, the prime after a retraction, and after a
// tool change the preheat and resume block, in Kisslicer's order. The first
// draw of the path then carries the feed rate.
void startPath(Generator& g, PathKind kind, Point start, double length_MM)
{
    const std::int64_t x_um = std::llround(start.x * 1000.0);
    const std::int64_t y_um = std::llround(start.y * 1000.0);
    if (distance_MM(x_um - g.x_um, y_um - g.y_um) > RETRACT_BEYOND_MM) destring(g);
    if ((kind == Solid || kind == SparseInfill || kind == StackedInfill) && randomBelow(g.random, 4) == 0)
        writeFanBlend(g);
    if (kind == Perimeter && !g.slicer) writeLine(g.out, "; Perimeter Length = ", rounded(length_MM, 6));
    const double styleSpeed_MMS = PATH_STYLES[kind].headSpeed_MMS;
    const double head_MMS = g.layer == 0 ? std::min(styleSpeed_MMS, FIRST_LAYER_SPEED_MMS) : styleSpeed_MMS;
    g.ePerMM = PATH_STYLES[kind].width_MM * static_cast<double>(g.options.layerHeight_MM) / FILAMENT_AREA_MM2;
    g.feed_MMPerMin = head_MMS * 60.0;
    if (g.slicer) {
        writeLine(g.out, g.slicer->kindPrefix, g.slicer->kindNames[kind]);
    } else {
        writeLine(g.out, ";");
        writeLine(g.out, "; '", PATH_STYLES[kind].comment, " Path', ", rounded(head_MMS * g.ePerMM, 1),
                  " [feed mm/s], ", rounded(head_MMS, 1), " [head mm/s]");
    }
    travelTo(g, x_um, y_um);
    if (g.retracted) {
        writeLine(g.out, "G1 E1 F4800");
        g.retracted = false;
    }
    if (!g.slicer) {
        writeLine(g.out, "; head speed ", rounded(head_MMS, 6), ", filament speed ", rounded(head_MMS * g.ePerMM, 6),
                  ", preload 0.000000");
        if (g.resumePending) writeResumeBlocks(g);
    }
    g.resumePending = false;
    g.kind = kind;
    g.firstDrawPending = true;
}

void drawTo(Generator& g, Point p)
{
    const std::int64_t x_um = std::llround(p.x * 1000.0);
    const std::int64_t y_um = std::llround(p.y * 1000.0);
    // A draw to where the head already is would not be a draw at all.
    if (x_um == g.x_um && y_um == g.y_um) return;
    const double length_MM = distance_MM(x_um - g.x_um, y_um - g.y_um);
    const Scaled e = {std::max<std::int64_t>(1, rounded(length_MM * g.ePerMM, 5).units), 5, true};
    if (g.spiralStep_10nm != 0) g.spiralZ_10nm += g.spiralStep_10nm;
    const Word z = {" Z", {g.spiralZ_10nm, 5, true}, g.spiralStep_10nm != 0};
    const Word f = {" F", rounded(g.feed_MMPerMin, 1, true), g.firstDrawPending};
    writeLine(g.out, "G1 X", micrometres(x_um), " Y", micrometres(y_um), z, " E", e, f);
    g.firstDrawPending = false;
    g.totals.extruded_MM[g.tool] += static_cast<double>(e.units) / 100000.0;
    g.totals.seconds[g.kind][g.tool] += length_MM / (g.feed_MMPerMin / 60.0);
    g.x_um = x_um;
    g.y_um = y_um;
}

double polygonLength(const std::vector<Point>& polygon)
{
    double length = 0;
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const Point& a = polygon[i];
        const Point& b = polygon[(i + 1) % polygon.size()];
        length += std::sqrt((b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y));
    }
    return length;
}

// A path through `points`; a closed one goes all the way round, back to its
// first vertex.
void drawPath(Generator& g, PathKind kind, const std::vector<Point>& points, bool closed)
{
    if (points.size() < (closed ? 3u : 2u)) return;
    startPath(g, kind, points[0], closed && kind == Perimeter ? polygonLength(points) : 0.0);
    for (std::size_t i = 1; i < points.size(); ++i)
        drawTo(g, points[i]);
    if (closed) drawTo(g, points[0]);
}

// ---------------------------------------------------------------------------
// Layout of the whole print, fixed for all layers (of one object).

Layout makeLayout(const CorpusOptions& options)
{
    Layout layout;
    Random random = randomStream(options.seed, ~std::uint64_t{0});
    const double size = static_cast<double>(options.objectSize_MM);
    const int grid = std::clamp(static_cast<int>(size / 15.0 + 0.5), 2, 8);
    const double cell = size / grid;
    const double left = BED_CENTRE_MM - size / 2;
    for (int j = 0; j < grid; ++j) {
        for (int i = 0; i < grid; ++i) {
            Island island;
            // Not a plain chequerboard: its same-tool neighbours sit corner to
            // corner, and a travel between them would slip through the gap.
            island.tool = (i + 2 * j) % options.tools;
            island.centre = {left + (i + 0.5) * cell + randomBetween(random, -0.03, 0.03) * cell,
                             left + (j + 0.5) * cell + randomBetween(random, -0.03, 0.03) * cell};
            island.shape = randomBelow(random, 2) == 0 ? IslandShape::Circle : IslandShape::RoundedRectangle;
            island.radius_MM = cell * randomBetween(random, 0.40, 0.46);
            island.halfWidth_MM = cell * randomBetween(random, 0.36, 0.46);
            island.halfHeight_MM = cell * randomBetween(random, 0.36, 0.46);
            if (island.shape == IslandShape::RoundedRectangle)
                island.radius_MM =
                    std::min(island.halfWidth_MM, island.halfHeight_MM) * randomBetween(random, 0.15, 0.5);
            island.segment_MM = randomBetween(random, 0.25, 0.9);
            island.edgePieces = 1 + randomBelow(random, 6);
            island.phase = randomBetween(random, 0, 2 * PI);
            layout.islands.push_back(island);
        }
    }
    layout.supportMinX_MM = left - 0.35 * size;
    layout.supportMaxX_MM = left - 1.5;
    layout.supportMinY_MM = BED_CENTRE_MM - 0.3 * size;
    layout.supportMaxY_MM = BED_CENTRE_MM + 0.3 * size;
    layout.pillarX_MM = BED_CENTRE_MM + size / 2 + 4;
    layout.pillarY_MM = BED_CENTRE_MM - 11;
    layout.supportMainTool = options.tools - 1;
    layout.supportInterfaceTool = 0;
    return layout;
}

// Islands swell and shrink a little with height, so that layers differ.
double islandScale(const Island& island, int layer)
{
    return 0.88 + 0.1 * direction(2 * PI * (layer % SIZE_PERIOD_LAYERS) / SIZE_PERIOD_LAYERS + island.phase).y;
}

PathKind infillKind(const Generator& g)
{
    const int phase = g.layer % SIZE_PERIOD_LAYERS;
    if (g.layer < 2 || g.layer >= g.options.layers - 2 || phase >= SIZE_PERIOD_LAYERS - 2) return Solid;
    return g.layer % 3 == 2 ? StackedInfill : SparseInfill;
}

void printIsland(Generator& g, const Island& island)
{
    const double scale = islandScale(island, g.layer);
    const double seamAngle = randomBetween(g.random, 0, 2 * PI);
    if (g.options.spiral) {
        islandContour(island, scale, 0, seamAngle, g.points);
        drawPath(g, Perimeter, g.points, true);
        return;
    }
    // Loops from the inside out, then the perimeter, as Kisslicer orders them.
    for (int loop = 2; loop >= 1; --loop) {
        islandContour(island, scale, loop * PERIMETER_WIDTH_MM, seamAngle, g.points);
        drawPath(g, Loop, g.points, true);
    }
    islandContour(island, scale, 0, seamAngle, g.points);
    drawPath(g, Perimeter, g.points, true);

    const PathKind kind = infillKind(g);
    const double spacing_MM = kind == Solid ? 0.45 : kind == StackedInfill ? 3.0 : 2.2;
    // Stacked and sparse infill cross each other at right angles; solid
    // alternates direction with every layer.
    const bool firstDirection = kind == StackedInfill || (kind == Solid && g.layer % 2 == 0);
    islandInfill(island, scale, 2.5 * PERIMETER_WIDTH_MM, firstDirection, spacing_MM, g.points);
    drawPath(g, kind, g.points, false);
}

// Main support: separate lines along Y that stack layer on layer.
void printSupportMain(Generator& g)
{
    const Layout& l = g.layout;
    bool upward = true;
    for (double x = l.supportMinX_MM + 0.4; x <= l.supportMaxX_MM - 0.2; x += 2.5) {
        g.points.clear();
        for (int piece = 0; piece <= 4; ++piece) {
            const double f = upward ? piece / 4.0 : 1.0 - piece / 4.0;
            g.points.push_back({x, l.supportMinY_MM + (l.supportMaxY_MM - l.supportMinY_MM) * f});
        }
        drawPath(g, SupportMain, g.points, false);
        upward = !upward;
    }
}

// Interface: a dense zig-zag along X, across the main support lines below.
void printSupportInterface(Generator& g)
{
    const Layout& l = g.layout;
    g.points.clear();
    bool forward = true;
    for (double y = l.supportMinY_MM + 0.3; y <= l.supportMaxY_MM - 0.3; y += 0.9) {
        g.points.push_back({forward ? l.supportMinX_MM + 0.3 : l.supportMaxX_MM - 0.3, y});
        g.points.push_back({forward ? l.supportMaxX_MM - 0.3 : l.supportMinX_MM + 0.3, y});
        forward = !forward;
    }
    drawPath(g, SupportInterface, g.points, false);
}

// One square of the prime pillar: its outline, then a zig-zag inside.
void printPillar(Generator& g, int slot)
{
    const double side_MM = 10.0;
    const double x0 = g.layout.pillarX_MM + (slot % 2) * 12.0;
    const double y0 = g.layout.pillarY_MM + (slot / 2) * 12.0;
    g.points = {{x0, y0},
                {x0 + side_MM / 2, y0},
                {x0 + side_MM, y0},
                {x0 + side_MM, y0 + side_MM / 2},
                {x0 + side_MM, y0 + side_MM},
                {x0 + side_MM / 2, y0 + side_MM},
                {x0, y0 + side_MM},
                {x0, y0 + side_MM / 2}};
    drawPath(g, PrimePillar, g.points, true);
    g.points.clear();
    bool upward = true;
    for (double x = x0 + 0.6; x <= x0 + side_MM - 0.6; x += 1.5) {
        g.points.push_back({x, upward ? y0 + 0.6 : y0 + side_MM - 0.6});
        g.points.push_back({x, upward ? y0 + side_MM - 0.6 : y0 + 0.6});
        upward = !upward;
    }
    drawPath(g, PrimePillar, g.points, false);
}

// The other slicers' tool change: the T line in the slicer's block, and the
// part fan set again where the slicer does that itself.
void changeToolInSlicerText(Generator& g, int newTool)
{
    const SlicerText& slicer = *g.slicer;
    const Word number = {"", {newTool, 0}, slicer.numberedBlocks};
    const std::string_view numberEnd = slicer.numberedBlocks ? "A" : "";
    if (!slicer.blockStart.empty()) writeLine(g.out, slicer.blockStart, number, numberEnd);
    writeLine(g.out, "T", newTool);
    if (!slicer.blockEnd.empty()) writeLine(g.out, slicer.blockEnd, number, numberEnd);
    if (slicer.fanAfterToolChange) writeLine(g.out, "M106 S", g.fanSpeed);
}

void changeTool(Generator& g, int newTool, int preheatTool, bool firstSelection)
{
    destring(g);
    if (g.slicer) {
        changeToolInSlicerText(g, newTool);
        g.tool = newTool;
        return;
    }
    const Material& material = MATERIALS[newTool];
    const int temperature = g.layer == 0 ? material.firstLayer_C : material.temperature_C;
    if (!firstSelection) {
        writeLine(g.out, ";");
        writeLine(g.out, "; *** Cooling Extruder ", g.tool + 1, " to ", MATERIALS[g.tool].keepWarm_C, " C ***");
        writeText(g.out, "; NONE\n;\n");
    }
    writeLine(g.out, ";");
    writeLine(g.out, "; *** Selecting and Warming Extruder ", newTool + 1, " to ", temperature, " C ***");
    writeLine(g.out, "; SELECT NEW EXT START");
    writeLine(g.out, "M104 S", temperature);
    writeLine(g.out, "; TOOL CHANGE");
    writeLine(g.out, "T", newTool);
    writeLine(g.out, "; TOOL_CHANGE_END");
    writeLine(g.out, MATERIAL_SCRIPT);
    writeText(g.out, ";\n;\n");
    g.tool = newTool;
    g.preheatTool = preheatTool;
    g.resumePending = true;
}

// The tools of a layer's visits, in order: the start tool, then
// toolChangesPerLayer changes going round the tools.
void visitTools(int startTool, const CorpusOptions& options, std::vector<int>& tools)
{
    tools.clear();
    const int visits = options.tools == 1 ? 1 : options.toolChangesPerLayer + 1;
    for (int v = 0; v < visits; ++v)
        tools.push_back((startTool + v) % options.tools);
}

// Vase mode: the layer's draws share its height out among them, rising from
// the layer below (or falling from the layer above, top down).
void shareOutSpiralHeight(Generator& g, std::int64_t layerHeight_um)
{
    int draws = 1;
    for (const Island& island : g.layout.islands) {
        islandContour(island, islandScale(island, g.layer), 0, 0, g.points);
        draws += static_cast<int>(g.points.size()) + 1;
    }
    const std::int64_t height_10nm = layerHeight_um * 100;
    g.spiralStep_10nm = std::max<std::int64_t>(1, height_10nm / draws) * (g.options.descending ? -1 : 1);
    g.spiralZ_10nm = g.z_um * 100 - (g.options.descending ? 0 : height_10nm);
}

// A tool's visit to the layer: after a change its square of the prime
// pillar, then its support and its islands. A tool that comes more than once
// in a layer splits its islands between its visits and does its support in
// the last one.
void printVisit(Generator& g, const std::vector<int>& tools, std::size_t v, int& pillarsThisLayer)
{
    const CorpusOptions& o = g.options;
    const int tool = tools[v];
    if ((g.layer == 0 && v == 0) || tool != g.tool) {
        const int next = v + 1 < tools.size() ? tools[v + 1] : (tool + 1) % o.tools;
        changeTool(g, tool, next, g.layer == 0 && v == 0);
        if (o.tools > 1 && !o.spiral) printPillar(g, pillarsThisLayer++ % PILLAR_SLOTS);
    }
    int ordinal = 0, visitsOfTool = 0;
    for (std::size_t w = 0; w < tools.size(); ++w) {
        if (tools[w] != tool) continue;
        if (w < v) ++ordinal;
        ++visitsOfTool;
    }
    const int supportPhase = g.layer % SUPPORT_PERIOD_LAYERS;
    if (ordinal == visitsOfTool - 1 && !o.spiral) {
        if (tool == g.layout.supportMainTool && supportPhase < SUPPORT_PERIOD_LAYERS - 3) printSupportMain(g);
        if (tool == g.layout.supportInterfaceTool && supportPhase >= SUPPORT_PERIOD_LAYERS - 3 &&
            supportPhase < SUPPORT_PERIOD_LAYERS - 1)
            printSupportInterface(g);
    }
    // The islands in a fresh order every layer, so that the travels between
    // them run across the object in all directions.
    std::vector<const Island*> islands;
    int islandOfTool = 0;
    for (const Island& island : g.layout.islands) {
        if (island.tool != tool) continue;
        if (islandOfTool++ % visitsOfTool == ordinal) islands.push_back(&island);
    }
    for (std::size_t k = islands.size(); k > 1; --k)
        std::swap(islands[k - 1], islands[static_cast<std::size_t>(randomBelow(g.random, static_cast<int>(k)))]);
    for (const Island* island : islands)
        printIsland(g, *island);
}

void printLayer(Generator& g, const std::vector<int>& tools)
{
    const CorpusOptions& o = g.options;
    const std::int64_t layerHeight_um = std::llround(static_cast<double>(o.layerHeight_MM) * 1000.0);
    g.z_um = layerHeight_um * (o.descending ? o.layers - g.layer : g.layer + 1);
    g.random = randomStream(o.seed, static_cast<std::uint64_t>(g.layer));
    if (o.spiral) shareOutSpiralHeight(g, layerHeight_um);

    const SlicerText* slicer = g.slicer;
    if (slicer) {
        writeLine(g.out, slicer->layerMarker, Word{"", {g.layer, 0}, slicer->numberedLayers});
        if (!slicer->heightNote.empty()) writeLine(g.out, slicer->heightNote, micrometres(g.z_um));
        if (slicer->absoluteE) writeLine(g.out, "G92 E0");
    } else {
        writeLine(g.out, "; BEGIN_LAYER_OBJECT z=", Scaled{g.z_um, 3}, " z_thickness=", Scaled{layerHeight_um, 3});
        writeText(g.out, ";\n; fan %*255\n");
    }
    g.fanSpeed = g.layer == 0 ? 0 : g.layer == 1 ? 128 : 230 + randomBelow(g.random, 26);
    writeLine(g.out, "M106 S", g.fanSpeed);
    writeLine(g.out, "G1 Z", micrometres(g.z_um), " F900");
    int pillarsThisLayer = 0;
    for (std::size_t v = 0; v < tools.size(); ++v)
        printVisit(g, tools, v, pillarsThisLayer);
    destring(g);
    if (!slicer) writeText(g.out, ";\n; Post-layer lift\n");
    writeLine(g.out, "G1 Z", micrometres(g.z_um + std::llround(POST_LAYER_LIFT_MM * 1000.0)), " F900");
    if (!slicer)
        writeLine(g.out, "; END_LAYER_OBJECT z=", Scaled{g.z_um, 3});
    else if (!slicer->layerEnd.empty())
        writeLine(g.out, slicer->layerEnd, rounded(totalSeconds(g.totals, o.tools), 6));
}

// The next of several objects printed one after another: the same print
// moved along a row of the grid they stand in. The head rises clear of what
// is printed before it travels there.
void startNextObject(Generator& g, const Layout& firstObject, int object)
{
    const int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(g.options.objects))));
    const double size = static_cast<double>(g.options.objectSize_MM);
    const double dx = (object % columns) * (1.4 * size + 40.0);
    const double dy = (object / columns) * (size + 40.0);
    g.layout = firstObject;
    for (Island& island : g.layout.islands)
        island.centre = {island.centre.x + dx, island.centre.y + dy};
    g.layout.supportMinX_MM += dx;
    g.layout.supportMaxX_MM += dx;
    g.layout.supportMinY_MM += dy;
    g.layout.supportMaxY_MM += dy;
    g.layout.pillarX_MM += dx;
    g.layout.pillarY_MM += dy;
    destring(g);
    writeText(g.out, ";\n; Next object\n");
    writeLine(g.out, "G1 Z", micrometres(g.z_um + std::llround(5 * POST_LAYER_LIFT_MM * 1000.0) + 10000), " F900");
    travelTo(g, std::llround(g.layout.pillarX_MM * 1000.0), std::llround(g.layout.pillarY_MM * 1000.0));
}

CorpusOptions clampOptions(CorpusOptions o)
{
    o.tools = std::clamp(o.tools, 1, 4);
    o.layers = std::max(o.layers, 1);
    o.layerHeight_MM = std::clamp(o.layerHeight_MM, 0.05f, 1.0f);
    o.objectSize_MM = std::clamp(o.objectSize_MM, 10.0f, 110.0f);
    o.toolChangesPerLayer = std::clamp(o.toolChangesPerLayer, 0, 16);
    o.objects = std::clamp(o.objects, 1, 10000);
    return o;
}

} // namespace
} // namespace corpus

std::uint64_t generateCorpus(const CorpusOptions& options, const std::function<void(std::string_view)>& sink)
{
    using namespace corpus;
    Generator g;
    g.options = clampOptions(options);
    g.out.sink = &sink;
    g.out.lineEnd = g.options.crlf ? "\r\n" : "\n";
    g.slicer = slicerText(g.options.slicer);
    g.out.absoluteE = g.slicer && g.slicer->absoluteE;
    g.out.text.reserve(DRAIN_AT + 64 * 1024);
    g.layout = makeLayout(g.options);

    writeText(g.out, preambleText(g.options));
    // Where the prefix leaves the head: after the purge line, retracted.
    g.x_um = 60000;
    g.y_um = 5000;
    g.retracted = true;
    std::vector<int> tools;
    int startTool = 0;
    const Layout firstObject = g.layout;
    for (int object = 0; object < g.options.objects; ++object) {
        if (object > 0) startNextObject(g, firstObject, object);
        for (g.layer = 0; g.layer < g.options.layers; ++g.layer) {
            visitTools(startTool, g.options, tools);
            printLayer(g, tools);
            // A layer that visits every tool lets the next one start with the
            // tool it ended with, as Kisslicer does; with fewer visits than
            // tools the round goes on across the layer boundary, with a change
            // there, so that every tool gets its turn.
            const bool everyToolVisited = static_cast<int>(tools.size()) >= g.options.tools;
            startTool = everyToolVisited ? tools.back() : (tools.back() + 1) % g.options.tools;
        }
    }
    g.totals.lastTool = g.tool;
    writeText(g.out, postfixText(g.options, g.totals));
    drain(g.out);
    return g.out.bytesWritten;
}

int layersForSize(CorpusOptions options, std::uint64_t bytes)
{
    // Every periodic feature of a layer repeats within SIZE_PERIOD_LAYERS
    // layers, so two prints one period apart give the mean bytes of a layer
    // and, from there, the fixed bytes of preamble, prefix and postfix.
    const int period = corpus::SIZE_PERIOD_LAYERS;
    const auto countBytes = [&](int layers) {
        options.layers = layers;
        return static_cast<double>(generateCorpus(options, [](std::string_view) {}));
    };
    const double shortPrint = countBytes(period);
    const double longPrint = countBytes(2 * period);
    const double perLayer = (longPrint - shortPrint) / period;
    const double fixed = shortPrint - period * perLayer;
    const double wanted = static_cast<double>(bytes);
    if (perLayer <= 0 || wanted <= fixed + perLayer) return 1;
    const double layers = std::round((wanted - fixed) / perLayer);
    return layers > 1e9 ? 1000000000 : static_cast<int>(layers);
}

} // namespace vorlane::test
