// Writes a synthetic multi-tool print in Kisslicer 1.6's G-code dialect.
//
// The print: an object of objectSize_MM square cut into a grid of islands
// (circles and rounded rectangles), the islands dealt to the tools in a
// staggered pattern, so that a tool travelling from one of its islands to the
// next passes over islands of the other tools. Left of the object
// stands a support tower (main support by one tool, an interface band of
// another tool every twelve layers), right of it the prime pillar, where every
// tool change first primes the new tool. Every island has two loops, a
// perimeter and infill; the infill alternates stacked sparse and sparse
// infill at crossing angles, with solid bands.
//
// Line forms follow what Kisslicer writes: coordinates with three decimals and
// E with five, trailing zeros dropped; F with one; path-kind comments with the
// filament and head speeds; the tool-change, preheat and resume blocks.
#include "testing/corpus.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace vorlane::test {
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

double randomUnit(Random& random) { return static_cast<double>(nextRandom(random) >> 11) * 0x1.0p-53; }

double randomBetween(Random& random, double low, double high) { return low + (high - low) * randomUnit(random); }

int randomBelow(Random& random, int count)
{
    return static_cast<int>(nextRandom(random) % static_cast<std::uint64_t>(count));
}

// ---------------------------------------------------------------------------
// Trigonometry from additions and multiplications only: the libm sin and cos
// may differ in the last bit between platforms, and a last-bit difference can
// flip a rounded coordinate.

constexpr double PI = 3.14159265358979323846;

void sinCos(double angle, double& sine, double& cosine)
{
    const double quarterTurns = std::floor(angle / (PI / 2) + 0.5);
    const double r = angle - quarterTurns * (PI / 2);
    const double r2 = r * r;
    // Taylor series; on |r| <= pi/4 the first omitted terms are below 1e-17.
    const double s =
        r * (1 + r2 * (-1.0 / 6 +
                       r2 * (1.0 / 120 +
                             r2 * (-1.0 / 5040 + r2 * (1.0 / 362880 + r2 * (-1.0 / 39916800 +
                                                                            r2 * (1.0 / 6227020800.0 +
                                                                                  r2 * (-1.0 / 1307674368000.0))))))));
    const double c =
        1 + r2 * (-1.0 / 2 +
                  r2 * (1.0 / 24 + r2 * (-1.0 / 720 + r2 * (1.0 / 40320 + r2 * (-1.0 / 3628800 +
                                                                                r2 * (1.0 / 479001600 +
                                                                                      r2 * (-1.0 / 87178291200.0)))))));
    switch (static_cast<std::int64_t>(quarterTurns) & 3) {
    case 0:
        sine = s;
        cosine = c;
        break;
    case 1:
        sine = c;
        cosine = -s;
        break;
    case 2:
        sine = -s;
        cosine = -c;
        break;
    default:
        sine = -c;
        cosine = s;
        break;
    }
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
};

void drain(Emitter& out)
{
    if (out.text.empty()) return;
    (*out.sink)(out.text);
    out.bytesWritten += out.text.size();
    out.text.clear();
}

void endLine(Emitter& out)
{
    out.text.append(out.lineEnd);
    if (out.text.size() >= DRAIN_AT) drain(out);
}

void writeLine(Emitter& out, std::string_view line)
{
    out.text.append(line);
    endLine(out);
}

void appendInt(std::string& text, std::int64_t value)
{
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    text.append(digits, result.ptr);
}

constexpr std::int64_t POWERS_OF_TEN[] = {1, 10, 100, 1000, 10000, 100000, 1000000};

// `scaled` counts units of 10^-decimals. With trimZeros the text is what
// Kisslicer writes for moves ("%.3f" without trailing zeros or point: 67.58,
// 10); without it, every decimal stays (the "z=0.250" of layer markers).
void appendScaled(std::string& text, std::int64_t scaled, int decimals, bool trimZeros)
{
    if (scaled < 0) {
        text += '-';
        scaled = -scaled;
    }
    const std::int64_t unit = POWERS_OF_TEN[decimals];
    appendInt(text, scaled / unit);
    std::int64_t fraction = scaled % unit;
    if (decimals == 0 || (trimZeros && fraction == 0)) return;
    char digits[8];
    for (int i = decimals - 1; i >= 0; --i) {
        digits[i] = static_cast<char>('0' + fraction % 10);
        fraction /= 10;
    }
    int length = decimals;
    if (trimZeros)
        while (digits[length - 1] == '0')
            --length;
    text += '.';
    text.append(digits, static_cast<std::size_t>(length));
}

std::int64_t scaleTo(double value, int decimals)
{
    return std::llround(value * static_cast<double>(POWERS_OF_TEN[decimals]));
}

void appendFixed(std::string& text, double value, int decimals)
{
    appendScaled(text, scaleTo(value, decimals), decimals, false);
}

void appendTrimmed(std::string& text, double value, int decimals)
{
    appendScaled(text, scaleTo(value, decimals), decimals, true);
}

// Six significant digits without trailing zeros, as in the time table.
void appendGeneral(std::string& text, double value)
{
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 6);
    text.append(digits, result.ptr);
}

// ---------------------------------------------------------------------------
// The print.

constexpr double BED_CENTRE_MM = 100.0;
constexpr double TRAVEL_SPEED_MMS = 150.0;
constexpr double FIRST_LAYER_SPEED_MMS = 20.0;
constexpr double FILAMENT_AREA_MM2 = PI * 0.875 * 0.875; // 1.75 mm filament
constexpr double PERIMETER_WIDTH_MM = 0.45;
constexpr double RETRACT_BEYOND_MM = 3.0; // shorter travels keep the filament in
constexpr double POST_LAYER_LIFT_MM = 0.5;
constexpr int SIZE_PERIOD_LAYERS = 24;    // every periodic feature repeats within it
constexpr int SUPPORT_PERIOD_LAYERS = 12; // main support, then two interface layers, then a gap
constexpr int PILLAR_SLOTS = 4;

struct Material {
    std::string_view name;
    int temperature_C;
    int firstLayer_C;
    int keepWarm_C;
    int bed_C;
};

// Different bed temperatures on purpose: the prefix sets the first material's,
// which is not the highest.
constexpr Material MATERIALS[4] = {
    {"PLA red", 205, 215, 154, 60},
    {"PETG blue", 235, 240, 170, 75},
    {"PLA white", 210, 215, 154, 65},
    {"TPU black", 225, 230, 160, 50},
};

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

struct Layout {
    std::vector<Island> islands;
    double supportMinX_MM = 0, supportMaxX_MM = 0, supportMinY_MM = 0, supportMaxY_MM = 0;
    double pillarX_MM = 0, pillarY_MM = 0; // lower left corner of pillar slot 0
    int supportMainTool = 0;
    int supportInterfaceTool = 0;
};

struct Generator {
    CorpusOptions options;
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
    bool firstDrawPending = false;
    double ePerMM = 0;
    double feed_MMPerMin = 0;
    double extruded_MM[4] = {};
    double seconds[PATH_KIND_COUNT][4] = {};
    std::vector<Point> points;
    std::string scratch;
};

double headSpeed(const Generator& g, PathKind kind)
{
    const double speed = PATH_STYLES[kind].headSpeed_MMS;
    return g.layer == 0 ? std::min(speed, FIRST_LAYER_SPEED_MMS) : speed;
}

double extrusionPerMM(const Generator& g, PathKind kind)
{
    return PATH_STYLES[kind].width_MM * static_cast<double>(g.options.layerHeight_MM) / FILAMENT_AREA_MM2;
}

// Writes "X<x> Y<y>" for a point in micrometres.
void appendXY(std::string& text, std::int64_t x_um, std::int64_t y_um)
{
    text += 'X';
    appendScaled(text, x_um, 3, true);
    text.append(" Y");
    appendScaled(text, y_um, 3, true);
}

double distance_MM(std::int64_t dx_um, std::int64_t dy_um)
{
    const double dx = static_cast<double>(dx_um);
    const double dy = static_cast<double>(dy_um);
    return std::sqrt(dx * dx + dy * dy) / 1000.0;
}

void travelTo(Generator& g, std::int64_t x_um, std::int64_t y_um)
{
    if (x_um == g.x_um && y_um == g.y_um) return;
    std::string& t = g.out.text;
    t.append("G1 ");
    appendXY(t, x_um, y_um);
    t.append(" F9000");
    endLine(g.out);
    g.seconds[Jump][g.tool] += distance_MM(x_um - g.x_um, y_um - g.y_um) / TRAVEL_SPEED_MMS;
    g.x_um = x_um;
    g.y_um = y_um;
}

void destring(Generator& g)
{
    if (g.retracted) return;
    writeLine(g.out, ";");
    writeLine(g.out, "; 'Destring/Wipe/Jump Path', 0.0 [feed mm/s], 150.0 [head mm/s]");
    writeLine(g.out, "G1 E-1 F4800");
    writeLine(g.out, "G1 F9000");
    g.retracted = true;
}

void writeHeadSpeedComment(Generator& g, double head_MMS, double filament_MMS)
{
    std::string& t = g.out.text;
    t.append("; head speed ");
    appendFixed(t, head_MMS, 6);
    t.append(", filament speed ");
    appendFixed(t, filament_MMS, 6);
    t.append(", preload 0.000000");
    endLine(g.out);
}

void writeResumeBlock(Generator& g)
{
    const bool firstLayer = g.layer == 0;
    auto block = [&](std::string_view title, int extruder, int toolNumber) {
        const Material& material = MATERIALS[toolNumber];
        const int temperature = firstLayer ? material.firstLayer_C : material.temperature_C;
        std::string& t = g.out.text;
        writeLine(g.out, ";");
        t.append("; *** ").append(title).append(" Ext ");
        appendInt(t, extruder);
        t.append(" to ");
        appendInt(t, temperature);
        t.append(" C ***");
        endLine(g.out);
        writeLine(g.out, "; heat the (next, then current) extruder without waiting");
        t.append("M104 S");
        appendInt(t, temperature);
        endLine(g.out);
        t.append(";M104 S");
        appendInt(t, temperature);
        t.append(" T");
        appendInt(t, toolNumber);
        endLine(g.out);
        writeLine(g.out, "; Uncomment the previous line to enable preheat");
        writeLine(g.out, ";");
    };
    block("Preheating", g.preheatTool + 1, g.preheatTool);
    block("Resume on", g.tool + 1, g.tool);
}

void writeFanBlend(Generator& g)
{
    const double blend = randomBetween(g.random, 5.0, 95.0);
    const int percent = 40 + randomBelow(g.random, 61);
    std::string& t = g.out.text;
    t.append("; Blending Fan to Cool (");
    appendFixed(t, blend, 1);
    t.append("% blend)");
    endLine(g.out);
    t.append("; Blended Fan at ");
    appendInt(t, percent);
    t += '%';
    endLine(g.out);
    writeLine(g.out, "; fan %*255");
    t.append("M106 S");
    appendInt(t, (percent * 255 + 50) / 100);
    endLine(g.out);
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
    std::string& t = g.out.text;
    if (kind == Perimeter) {
        t.append("; Perimeter Length = ");
        appendFixed(t, length_MM, 6);
        endLine(g.out);
    }
    const double head_MMS = headSpeed(g, kind);
    g.ePerMM = extrusionPerMM(g, kind);
    g.feed_MMPerMin = head_MMS * 60.0;
    writeLine(g.out, ";");
    t.append("; '").append(PATH_STYLES[kind].comment).append(" Path', ");
    appendFixed(t, head_MMS * g.ePerMM, 1);
    t.append(" [feed mm/s], ");
    appendFixed(t, head_MMS, 1);
    t.append(" [head mm/s]");
    endLine(g.out);
    travelTo(g, x_um, y_um);
    if (g.retracted) {
        writeLine(g.out, "G1 E1 F4800");
        g.retracted = false;
    }
    writeHeadSpeedComment(g, head_MMS, head_MMS * g.ePerMM);
    if (g.resumePending) {
        writeResumeBlock(g);
        g.resumePending = false;
    }
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
    const std::int64_t e = std::max<std::int64_t>(1, scaleTo(length_MM * g.ePerMM, 5));
    std::string& t = g.out.text;
    t.append("G1 ");
    appendXY(t, x_um, y_um);
    if (g.spiralStep_10nm != 0) {
        g.spiralZ_10nm += g.spiralStep_10nm;
        t.append(" Z");
        appendScaled(t, g.spiralZ_10nm, 5, true);
    }
    t.append(" E");
    appendScaled(t, e, 5, true);
    if (g.firstDrawPending) {
        t.append(" F");
        appendScaled(t, scaleTo(g.feed_MMPerMin, 1), 1, true);
        g.firstDrawPending = false;
    }
    endLine(g.out);
    g.extruded_MM[g.tool] += static_cast<double>(e) / 100000.0;
    g.seconds[g.kind][g.tool] += length_MM / (g.feed_MMPerMin / 60.0);
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

// A closed contour: from its first vertex all the way round and back to it.
void drawClosed(Generator& g, PathKind kind, const std::vector<Point>& polygon)
{
    if (polygon.size() < 3) return;
    startPath(g, kind, polygon[0], kind == Perimeter ? polygonLength(polygon) : 0.0);
    for (std::size_t i = 1; i < polygon.size(); ++i)
        drawTo(g, polygon[i]);
    drawTo(g, polygon[0]);
}

void drawOpen(Generator& g, PathKind kind, const std::vector<Point>& polyline)
{
    if (polyline.size() < 2) return;
    startPath(g, kind, polyline[0], 0);
    for (std::size_t i = 1; i < polyline.size(); ++i)
        drawTo(g, polyline[i]);
}

// ---------------------------------------------------------------------------
// Shapes.

void circleContour(Point centre, double radius_MM, double segment_MM, double seamAngle, std::vector<Point>& out)
{
    out.clear();
    if (radius_MM < 0.2) return;
    const int count = std::clamp(static_cast<int>(2 * PI * radius_MM / segment_MM + 0.5), 40, 200);
    for (int k = 0; k < count; ++k) {
        double s = 0, c = 0;
        sinCos(seamAngle + 2 * PI * k / count, s, c);
        out.push_back({centre.x + radius_MM * c, centre.y + radius_MM * s});
    }
}

void roundedRectangleContour(Point centre, double halfWidth_MM, double halfHeight_MM, double corner_MM,
                             double segment_MM, int edgePieces, double seamFraction, std::vector<Point>& out)
{
    out.clear();
    corner_MM = std::clamp(corner_MM, 0.2, std::max(0.2, std::min(halfWidth_MM, halfHeight_MM) - 0.05));
    const int arcSteps = std::clamp(static_cast<int>(PI / 2 * corner_MM / segment_MM + 0.5), 9, 40);
    const double straightX = halfWidth_MM - corner_MM;
    const double straightY = halfHeight_MM - corner_MM;
    const double signX[4] = {1, -1, -1, 1};
    const double signY[4] = {1, 1, -1, -1};
    for (int quadrant = 0; quadrant < 4; ++quadrant) {
        const Point arcCentre{centre.x + signX[quadrant] * straightX, centre.y + signY[quadrant] * straightY};
        for (int i = 0; i <= arcSteps; ++i) {
            double s = 0, c = 0;
            sinCos((quadrant + static_cast<double>(i) / arcSteps) * (PI / 2), s, c);
            out.push_back({arcCentre.x + corner_MM * c, arcCentre.y + corner_MM * s});
        }
        // The straight edge to the next corner's arc, cut into pieces.
        const int next = (quadrant + 1) % 4;
        const Point from = out.back();
        double s = 0, c = 0;
        sinCos((quadrant + 1) * (PI / 2), s, c);
        const Point to{centre.x + signX[next] * straightX + corner_MM * c,
                       centre.y + signY[next] * straightY + corner_MM * s};
        for (int piece = 1; piece < edgePieces; ++piece) {
            const double f = static_cast<double>(piece) / edgePieces;
            out.push_back({from.x + (to.x - from.x) * f, from.y + (to.y - from.y) * f});
        }
    }
    const auto seam = static_cast<std::ptrdiff_t>(seamFraction * static_cast<double>(out.size())) %
                      static_cast<std::ptrdiff_t>(out.size());
    std::rotate(out.begin(), out.begin() + seam, out.end());
}

// Zig-zag fill of a circle: parallel lines at `angle`, each joined to the next
// at the rim, all one path.
void circleZigZag(Point centre, double radius_MM, double angle, double spacing_MM, std::vector<Point>& out)
{
    out.clear();
    double s = 0, c = 0;
    sinCos(angle, s, c);
    bool forward = true;
    for (double u = -radius_MM + spacing_MM / 2; u < radius_MM - spacing_MM / 4; u += spacing_MM) {
        const double half = std::sqrt(std::max(0.0, radius_MM * radius_MM - u * u));
        if (half < 0.3) continue;
        const double v0 = forward ? -half : half;
        const double v1 = -v0;
        out.push_back({centre.x + u * c - v0 * s, centre.y + u * s + v0 * c});
        out.push_back({centre.x + u * c - v1 * s, centre.y + u * s + v1 * c});
        forward = !forward;
    }
}

// Zig-zag fill of a rounded rectangle with lines along Y (alongY) or along X.
void roundedRectangleZigZag(Point centre, double halfWidth_MM, double halfHeight_MM, double corner_MM, bool alongY,
                            double spacing_MM, std::vector<Point>& out)
{
    out.clear();
    if (halfWidth_MM < 0.3 || halfHeight_MM < 0.3) return;
    corner_MM = std::clamp(corner_MM, 0.0, std::min(halfWidth_MM, halfHeight_MM));
    const double across = alongY ? halfWidth_MM : halfHeight_MM; // lines step over this half extent
    const double along = alongY ? halfHeight_MM : halfWidth_MM;
    bool forward = true;
    for (double u = -across + spacing_MM / 2; u < across - spacing_MM / 4; u += spacing_MM) {
        double half = along;
        const double intoCorner = std::fabs(u) - (across - corner_MM);
        if (intoCorner > 0)
            half = along - corner_MM + std::sqrt(std::max(0.0, corner_MM * corner_MM - intoCorner * intoCorner));
        if (half < 0.3) continue;
        const double v0 = forward ? -half : half;
        const double v1 = -v0;
        if (alongY) {
            out.push_back({centre.x + u, centre.y + v0});
            out.push_back({centre.x + u, centre.y + v1});
        } else {
            out.push_back({centre.x + v0, centre.y + u});
            out.push_back({centre.x + v1, centre.y + u});
        }
        forward = !forward;
    }
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
    double s = 0, c = 0;
    sinCos(2 * PI * (layer % SIZE_PERIOD_LAYERS) / SIZE_PERIOD_LAYERS + island.phase, s, c);
    return 0.88 + 0.1 * s;
}

PathKind infillKind(const Generator& g)
{
    const int phase = g.layer % SIZE_PERIOD_LAYERS;
    if (g.layer < 2 || g.layer >= g.options.layers - 2 || phase >= SIZE_PERIOD_LAYERS - 2) return Solid;
    return g.layer % 3 == 2 ? StackedInfill : SparseInfill;
}

void contourOf(const Island& island, double scale, double inset_MM, double seamAngle, std::vector<Point>& out)
{
    if (island.shape == IslandShape::Circle)
        circleContour(island.centre, island.radius_MM * scale - inset_MM, island.segment_MM, seamAngle, out);
    else
        roundedRectangleContour(island.centre, island.halfWidth_MM * scale - inset_MM,
                                island.halfHeight_MM * scale - inset_MM, island.radius_MM * scale - inset_MM,
                                island.segment_MM, island.edgePieces, seamAngle / (2 * PI), out);
}

void printIsland(Generator& g, const Island& island)
{
    const double scale = islandScale(island, g.layer);
    const double seamAngle = randomBetween(g.random, 0, 2 * PI);
    if (g.options.spiral) {
        contourOf(island, scale, 0, seamAngle, g.points);
        drawClosed(g, Perimeter, g.points);
        return;
    }
    // Loops from the inside out, then the perimeter, as Kisslicer orders them.
    for (int loop = 2; loop >= 1; --loop) {
        contourOf(island, scale, loop * PERIMETER_WIDTH_MM, seamAngle, g.points);
        drawClosed(g, Loop, g.points);
    }
    contourOf(island, scale, 0, seamAngle, g.points);
    drawClosed(g, Perimeter, g.points);

    const PathKind kind = infillKind(g);
    const double spacing_MM = kind == Solid ? 0.45 : kind == StackedInfill ? 3.0 : 2.2;
    // Stacked and sparse infill cross each other at right angles; solid
    // alternates direction with every layer.
    const bool firstDirection = kind == StackedInfill || (kind == Solid && g.layer % 2 == 0);
    const double inset_MM = 2.5 * PERIMETER_WIDTH_MM;
    if (island.shape == IslandShape::Circle)
        circleZigZag(island.centre, island.radius_MM * scale - inset_MM, firstDirection ? PI / 4 : 3 * PI / 4,
                     spacing_MM, g.points);
    else
        roundedRectangleZigZag(
            island.centre, island.halfWidth_MM * scale - inset_MM, island.halfHeight_MM * scale - inset_MM,
            std::max(0.0, island.radius_MM * scale - inset_MM), firstDirection, spacing_MM, g.points);
    drawOpen(g, kind, g.points);
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
        drawOpen(g, SupportMain, g.points);
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
    drawOpen(g, SupportInterface, g.points);
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
    drawClosed(g, PrimePillar, g.points);
    g.points.clear();
    bool upward = true;
    for (double x = x0 + 0.6; x <= x0 + side_MM - 0.6; x += 1.5) {
        g.points.push_back({x, upward ? y0 + 0.6 : y0 + side_MM - 0.6});
        g.points.push_back({x, upward ? y0 + side_MM - 0.6 : y0 + 0.6});
        upward = !upward;
    }
    drawOpen(g, PrimePillar, g.points);
}

void changeTool(Generator& g, int newTool, int preheatTool, bool firstSelection)
{
    destring(g);
    std::string& t = g.out.text;
    const Material& material = MATERIALS[newTool];
    const int temperature = g.layer == 0 ? material.firstLayer_C : material.temperature_C;
    if (!firstSelection) {
        writeLine(g.out, ";");
        t.append("; *** Cooling Extruder ");
        appendInt(t, g.tool + 1);
        t.append(" to ");
        appendInt(t, MATERIALS[g.tool].keepWarm_C);
        t.append(" C ***");
        endLine(g.out);
        writeLine(g.out, "; NONE");
        writeLine(g.out, ";");
    }
    writeLine(g.out, ";");
    t.append("; *** Selecting and Warming Extruder ");
    appendInt(t, newTool + 1);
    t.append(" to ");
    appendInt(t, temperature);
    t.append(" C ***");
    endLine(g.out);
    writeLine(g.out, "; SELECT NEW EXT START");
    t.append("M104 S");
    appendInt(t, temperature);
    endLine(g.out);
    writeLine(g.out, "; TOOL CHANGE");
    t += 'T';
    appendInt(t, newTool);
    endLine(g.out);
    writeLine(g.out, "; TOOL_CHANGE_END");
    writeLine(g.out, "M106 P1 S255      ; hot end fan speed");
    writeLine(g.out, ";");
    writeLine(g.out, ";");
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

void printLayer(Generator& g, const std::vector<int>& tools)
{
    const CorpusOptions& o = g.options;
    const std::int64_t layerHeight_um = std::llround(static_cast<double>(o.layerHeight_MM) * 1000.0);
    g.z_um = layerHeight_um * (o.descending ? o.layers - g.layer : g.layer + 1);
    g.random = randomStream(o.seed, static_cast<std::uint64_t>(g.layer));
    if (o.spiral) {
        // The layer's draws share its height out among them, rising from the
        // layer below (or falling from the layer above, top down).
        int draws = 1;
        for (const Island& island : g.layout.islands) {
            contourOf(island, islandScale(island, g.layer), 0, 0, g.points);
            draws += static_cast<int>(g.points.size()) + 1;
        }
        const std::int64_t height_10nm = layerHeight_um * 100;
        g.spiralStep_10nm = std::max<std::int64_t>(1, height_10nm / draws) * (o.descending ? -1 : 1);
        g.spiralZ_10nm = g.z_um * 100 - (o.descending ? 0 : height_10nm);
    }

    std::string& t = g.out.text;
    t.append("; BEGIN_LAYER_OBJECT z=");
    appendScaled(t, g.z_um, 3, false);
    t.append(" z_thickness=");
    appendScaled(t, layerHeight_um, 3, false);
    endLine(g.out);
    writeLine(g.out, ";");
    writeLine(g.out, "; fan %*255");
    t.append("M106 S");
    appendInt(t, g.layer == 0 ? 0 : g.layer == 1 ? 128 : 230 + randomBelow(g.random, 26));
    endLine(g.out);
    t.append("G1 Z");
    appendScaled(t, g.z_um, 3, true);
    t.append(" F900");
    endLine(g.out);

    const int supportPhase = g.layer % SUPPORT_PERIOD_LAYERS;
    int pillarsThisLayer = 0;
    std::vector<const Island*> islands;
    for (std::size_t v = 0; v < tools.size(); ++v) {
        const int tool = tools[v];
        if ((g.layer == 0 && v == 0) || tool != g.tool) {
            const int next = v + 1 < tools.size() ? tools[v + 1] : (tool + 1) % o.tools;
            changeTool(g, tool, next, g.layer == 0 && v == 0);
            if (o.tools > 1 && !o.spiral) printPillar(g, pillarsThisLayer++ % PILLAR_SLOTS);
        }
        // A tool that comes more than once in a layer splits its islands
        // between its visits and does its support in the last one.
        int ordinal = 0, visitsOfTool = 0;
        for (std::size_t w = 0; w < tools.size(); ++w) {
            if (tools[w] != tool) continue;
            if (w < v) ++ordinal;
            ++visitsOfTool;
        }
        if (ordinal == visitsOfTool - 1 && !o.spiral) {
            if (tool == g.layout.supportMainTool && supportPhase < SUPPORT_PERIOD_LAYERS - 3) printSupportMain(g);
            if (tool == g.layout.supportInterfaceTool && supportPhase >= SUPPORT_PERIOD_LAYERS - 3 &&
                supportPhase < SUPPORT_PERIOD_LAYERS - 1)
                printSupportInterface(g);
        }
        // The islands in a fresh order every layer, so that the travels
        // between them run across the object in all directions.
        islands.clear();
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

    destring(g);
    writeLine(g.out, ";");
    writeLine(g.out, "; Post-layer lift");
    t.append("G1 Z");
    appendScaled(t, g.z_um + std::llround(POST_LAYER_LIFT_MM * 1000.0), 3, true);
    t.append(" F900");
    endLine(g.out);
    t.append("; END_LAYER_OBJECT z=");
    appendScaled(t, g.z_um, 3, false);
    endLine(g.out);
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
    writeLine(g.out, ";");
    writeLine(g.out, "; Next object");
    std::string& t = g.out.text;
    t.append("G1 Z");
    appendScaled(t, g.z_um + std::llround(5 * POST_LAYER_LIFT_MM * 1000.0) + 10000, 3, true);
    t.append(" F900");
    endLine(g.out);
    travelTo(g, std::llround(g.layout.pillarX_MM * 1000.0), std::llround(g.layout.pillarY_MM * 1000.0));
}

// ---------------------------------------------------------------------------
// Preamble, prefix and postfix.

// A G-code template setting: hex text on the setting line and its
// continuation lines, then the decoded lines.
void writeHexSetting(Emitter& out, std::string_view name, const std::vector<std::string>& script)
{
    std::string joined;
    for (std::size_t i = 0; i < script.size(); ++i) {
        if (i > 0) joined += '\n';
        joined += script[i];
    }
    static constexpr char HEX[] = "0123456789ABCDEF";
    std::string hex;
    for (const char c : joined) {
        hex += HEX[static_cast<unsigned char>(c) >> 4];
        hex += HEX[static_cast<unsigned char>(c) & 15];
    }
    const std::size_t firstPiece = std::min<std::size_t>(hex.size(), 46);
    out.text.append("; ").append(name).append(" = ").append(hex, 0, firstPiece);
    endLine(out);
    for (std::size_t at = firstPiece; at < hex.size(); at += 56) {
        out.text.append("; ^   ").append(hex, at, 56);
        endLine(out);
    }
    writeLine(out, "; > Decoded");
    for (const std::string& line : script) {
        out.text.append("; >   ").append(line);
        endLine(out);
    }
}

void writeSetting(Emitter& out, std::string_view name, std::string_view value)
{
    out.text.append("; ").append(name).append(" = ").append(value);
    endLine(out);
}

void writeSetting(Emitter& out, std::string_view name, double value, int decimals = 3)
{
    out.text.append("; ").append(name).append(" = ");
    appendTrimmed(out.text, value, decimals);
    endLine(out);
}

std::vector<std::string> prefixScript(const CorpusOptions& o, bool templated)
{
    std::vector<std::string> lines = {
        "; START SCRIPT START",         "G21", "G90", "M80", "M106 P0 S0  ; part cooling fan speed",
        "M83  ; extruder relative mode"};
    for (int tool = 0; tool < o.tools; ++tool)
        lines.push_back("M104 S" + (templated ? std::string("<TEMP>") : std::to_string(MATERIALS[tool].firstLayer_C)) +
                        " T" + std::to_string(tool) + "; set extruder temp");
    const std::string bed = templated ? "<BED>" : std::to_string(MATERIALS[0].bed_C);
    lines.push_back("M140 S" + bed + " ; set bed temp");
    lines.push_back("M190 S" + bed + " ; wait for bed temp");
    lines.push_back("M109 S" + (templated ? std::string("<TEMP>") : std::to_string(MATERIALS[0].firstLayer_C)) +
                    " T0 ; wait for extruder temp");
    for (const char* line : {"G28  ; home all axes", "M116  ; wait all temps", "M106 P1 S200  ; hot end fan speed",
                             "G1 Z5 F900", "G1 X5 Y5 F9000", "G1 Z0.3 F900", "G1 X60 Y5 E3 F1200 ; purge line",
                             "G1 E-1 F4800", "G1 Z2 F900", "; START SCRIPT END"})
        lines.emplace_back(line);
    return lines;
}

std::vector<std::string> postfixScript(const CorpusOptions& o)
{
    std::vector<std::string> lines = {"; END SCRIPT START", "G4 ; wait"};
    for (int tool = 0; tool < o.tools; ++tool)
        lines.push_back("M104 S0 T" + std::to_string(tool) + " ; turn off heater");
    for (const char* line :
         {"M140 S0 ; turn off heatbed", "G91     ;relative positioning",
          "G1 E-3 F300 ;retract the filament a bit before lifting the nozzle to release some of the pressure",
          "G90         ;absolute positioning", "M107 ; turn off fan", "G28 X0  ; home X axis", "M84 ; disable motors",
          "; END SCRIPT END"})
        lines.emplace_back(line);
    return lines;
}

void writePreamble(Generator& g)
{
    Emitter& out = g.out;
    const CorpusOptions& o = g.options;
    const double h = static_cast<double>(o.layerHeight_MM);
    for (const char* line :
         {"; KISSlicer - PRO", "; Windows", "; version 1.6.3 Release Win64", "; Built: May  3 2018, 10:24:43",
          "; Running on 8 cores", ";", "; Saved: 2018-09-30 16:02:30", "; 'bench_corpus.gcode'", ";",
          "; Anti-shrink gain x=1.000000, y=1.000000, z=1.000000", ";", "; *** Printer Settings ***", ";"})
        writeLine(out, line);
    writeSetting(out, "printer_name", "Bench multi-tool");
    writeSetting(out, "profile_date", "2018-09-30 16:00:40");
    writeSetting(out, "bed_STL_filename", "");
    writeSetting(out, "extension", "gcode");
    writeSetting(out, "cost_per_hour", 0);
    writeHexSetting(out, "g_code_prefix", prefixScript(o, true));
    writeHexSetting(out, "g_code_postfix", postfixScript(o));
    writeSetting(out, "g_code_N_layers", "NULL");
    writeSetting(out, "post_process", "NULL");
    writeSetting(out, "every_N_layers", 0);
    writeSetting(out, "num_extruders", o.tools);
    writeSetting(out, "firmware_type", 1);
    writeSetting(out, "add_comments", 1);
    writeSetting(out, "fan_on", "M106");
    writeSetting(out, "fan_off", "M107");
    writeSetting(out, "fan_pwm", 1);
    writeSetting(out, "z_speed_mm_per_s", 15);
    writeSetting(out, "bed_size_x_mm", 200);
    writeSetting(out, "bed_size_y_mm", 200);
    writeSetting(out, "bed_size_z_mm", 200);
    writeSetting(out, "bed_offset_x_mm", BED_CENTRE_MM);
    writeSetting(out, "bed_offset_y_mm", BED_CENTRE_MM);
    writeSetting(out, "bed_offset_z_mm", 0);
    writeSetting(out, "round_bed", 0);
    writeSetting(out, "travel_speed_mm_per_s", TRAVEL_SPEED_MMS);
    writeSetting(out, "first_layer_speed_mm_per_s", FIRST_LAYER_SPEED_MMS);
    writeSetting(out, "xy_accel_mm_per_s_per_s", 3000);
    writeSetting(out, "hi_speed_perim_mm_per_s", 20);
    writeSetting(out, "hi_speed_loops_mm_per_s", 40);
    writeSetting(out, "hi_speed_solid_mm_per_s", 50);
    writeSetting(out, "hi_speed_sparse_mm_per_s", 60);
    for (int tool = 1; tool <= o.tools; ++tool) {
        const std::string n = std::to_string(tool);
        writeSetting(out, "ext_gain_" + n, 1);
        writeSetting(out, "ext_" + n + "_mat_name", MATERIALS[tool - 1].name);
        writeSetting(out, "nozzle_dia_" + n, 0.4);
        writeSetting(out, "drive_len_" + n, 450);
    }
    writeSetting(out, "min_seg_len_mm", 0.0125, 4);
    writeSetting(out, "z_step_mm", 0.0125, 4);

    for (int tool = 0; tool < o.tools; ++tool) {
        const Material& m = MATERIALS[tool];
        writeLine(out, ";");
        out.text.append("; *** Material Settings for Extruder ");
        appendInt(out.text, tool + 1);
        out.text.append(" ***");
        endLine(out);
        writeLine(out, ";");
        writeSetting(out, "material_name", m.name);
        writeSetting(out, "profile_date", "2018-09-08 21:58:53");
        writeHexSetting(out, "g_code_matl", {"M106 P1 S255      ; hot end fan speed"});
        writeSetting(out, "g_code_matl_custom", "NULL");
        writeSetting(out, "fan_Z_mm", 0.5);
        writeSetting(out, "fan_loops_percent", 100);
        writeSetting(out, "fan_inside_percent", 65);
        writeSetting(out, "temperature_C", m.temperature_C);
        writeSetting(out, "keep_warm_C", m.keepWarm_C);
        writeSetting(out, "first_layer_C", m.firstLayer_C);
        writeSetting(out, "bed_C", m.bed_C);
        writeSetting(out, "chamber_C", 0);
        writeSetting(out, "destring_length", 1);
        writeSetting(out, "destring_speed_mm_per_s", 80);
        writeSetting(out, "Z_lift_mm", 0);
        writeSetting(out, "min_layer_time_s", 10);
        writeSetting(out, "wipe_mm", 5);
        writeSetting(out, "cost_per_cm3", 0.04);
        writeSetting(out, "flowrate_tweak", 1);
        writeSetting(out, "fiber_dia_mm", 1.75);
        writeSetting(out, "purge_vol_mm3", 42);
        writeSetting(out, "color", tool);
    }

    for (const char* line : {";", "; *** Style Settings ***", ";"})
        writeLine(out, line);
    writeSetting(out, "style_name", "Bench 0.45mm");
    writeSetting(out, "layer_thickness_mm", h);
    writeSetting(out, "first_layer_thickness_mm", h);
    writeSetting(out, "extrusion_width_mm", PERIMETER_WIDTH_MM);
    writeSetting(out, "num_loops", 2);
    writeSetting(out, "infill_extrusion_width", 0.55);
    writeSetting(out, "infill_density_denominator", 4);
    writeSetting(out, "stacked_layers", 1);
    writeSetting(out, "loops_insideout", 1);
    writeSetting(out, "travel_mode", 1);

    for (const char* line : {";", "; *** Support Settings ***", ";"})
        writeLine(out, line);
    writeSetting(out, "support_name", "Fine support, pillar");
    writeSetting(out, "support_density", 2);
    writeSetting(out, "use_lower_interface", 1);
    writeSetting(out, "support_gap_mm", 0.5);
    writeSetting(out, "interface_gap_mm", -75);
    writeSetting(out, "support_angle_deg", 50);
    writeSetting(out, "support_z_max_mm", -1);
    writeSetting(out, "prime_pillar_mode", 1);
    writeSetting(out, "brim_mm", 0);
    writeSetting(out, "interface_band_mm", 2);
    writeSetting(out, "interface_stride_mm", 0.9);
    writeSetting(out, "interface_width_mm", 0.5);

    for (const char* line : {";", "; *** Actual Slicing Settings As Used ***", ";"})
        writeLine(out, line);
    writeSetting(out, "layer_thickness_mm", h);
    writeSetting(out, "first_layer_thickness_mm", h);
    writeSetting(out, "extrusion_width", PERIMETER_WIDTH_MM);
    writeSetting(out, "num_ISOs", 2);
    writeSetting(out, "infill_style", 8);
    writeSetting(out, "support_style", 2);
    writeSetting(out, "use_lower_interface", 1);
    writeSetting(out, "stacked_infill_layers", 1);
    writeSetting(out, "model_support_gap_mm", 0.5);
    writeSetting(out, "support_Z_max_mm", "1e+020");
    writeSetting(out, "interface_band_mm", 2);
    writeSetting(out, "printer_z_step_mm", 0.0125, 4);
    writeSetting(out, "Speed vs Quality", "0.16");
    writeSetting(out, "Perimeter Speed", "18.40");
    writeSetting(out, "Loops Speed", "36.80");
    writeSetting(out, "Solid Speed", "46.00");
    writeSetting(out, "Sparse Speed", "55.20");
}

void writePrefix(Generator& g)
{
    for (const char* line : {";", "; *** G-code Prefix ***", ";"})
        writeLine(g.out, line);
    for (const std::string& line : prefixScript(g.options, false))
        writeLine(g.out, line);
    for (const char* line : {";", "; *** Main G-code ***", ";"})
        writeLine(g.out, line);
    // Where the prefix leaves the head: after the purge line, retracted.
    g.x_um = 60000;
    g.y_um = 5000;
    g.retracted = true;
}

void writePostfix(Generator& g)
{
    Emitter& out = g.out;
    std::string& t = out.text;
    writeLine(out, ";");
    t.append("; *** Cooling Extruder ");
    appendInt(t, g.tool + 1);
    t.append(" to 0 C and Retiring ***");
    endLine(out);
    for (const char* line : {"; NONE", ";", "; fan off", "M107", "; *** G-code Postfix ***", ";"})
        writeLine(out, line);
    for (const std::string& line : postfixScript(g.options))
        writeLine(out, line);
    for (const char* line : {";", ";", ";"})
        writeLine(out, line);

    double totalSeconds = 0;
    for (const auto& row : g.seconds)
        for (int tool = 0; tool < g.options.tools; ++tool)
            totalSeconds += row[tool];
    double totalFilament_MM = 0;
    for (int tool = 0; tool < g.options.tools; ++tool)
        totalFilament_MM += g.extruded_MM[tool];
    const double totalVolume_CM3 = totalFilament_MM * FILAMENT_AREA_MM2 / 1000.0;

    char line[160];
    std::snprintf(line, sizeof line, "; Estimated Build Time:   %.2f minutes", totalSeconds * 1.08 / 60.0);
    writeLine(out, line);
    std::snprintf(line, sizeof line, "; Estimated Build Cost:   $%.2f", totalVolume_CM3 * 0.04);
    writeLine(out, line);
    writeLine(out, ";");
    writeLine(out, "; Filament used per extruder:");
    for (int tool = 0; tool < g.options.tools; ++tool) {
        std::snprintf(line, sizeof line, ";    Ext %d = %8.2f mm  (%.3f cm^3)", tool + 1, g.extruded_MM[tool],
                      g.extruded_MM[tool] * FILAMENT_AREA_MM2 / 1000.0);
        writeLine(out, line);
    }
    std::snprintf(line, sizeof line, "; Total Filament Length Used: %.2f mm", totalFilament_MM);
    writeLine(out, line);
    std::snprintf(line, sizeof line, "; Total Filament Volume Used: %.3f cm^3", totalVolume_CM3);
    writeLine(out, line);
    for (const char* text : {";", "; *** Extrusion Time Breakdown ***", "; * estimated time in [s]",
                             "; * before possibly slowing down for 'cool'", "; * not including Z-travel"})
        writeLine(out, text);

    // The table: one column per extruder, one row per path kind.
    const int columns = g.options.tools;
    auto rule = [&](char fill, char joint) {
        t.append(";\t");
        t += joint;
        for (int c = 0; c <= columns; ++c) {
            t.append(c < columns ? 13 : 28, fill);
            t += joint;
        }
        endLine(out);
    };
    t.append(";\t");
    t.append(static_cast<std::size_t>(14 * columns + 30), '.');
    endLine(out);
    t.append(";\t:");
    for (int c = 0; c < columns; ++c) {
        std::snprintf(line, sizeof line, " Extruder #%d :", c + 1);
        t.append(line);
    }
    t.append(" Path Type                  :");
    endLine(out);
    rule('.', ':');
    struct Row {
        std::string_view label;
        int kind; // -1: a kind this print never has
    };
    const Row rows[] = {{"Jump Path", Jump},
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
    for (const Row& row : rows) {
        t.append(";\t:");
        for (int c = 0; c < columns; ++c) {
            const std::size_t before = t.size() + 1;
            t += ' ';
            appendGeneral(t, row.kind < 0 ? 0.0 : g.seconds[row.kind][c]);
            t.append(std::max<std::size_t>(1, 13 - (t.size() - before + 1)), ' ');
            t += ':';
        }
        t += ' ';
        t.append(row.label);
        t.append(27 - row.label.size(), ' ');
        t += ':';
        endLine(out);
    }
    rule('.', ':');
    std::snprintf(line, sizeof line, "; Total estimated (pre-cool) minutes: %.2f", totalSeconds / 60.0);
    writeLine(out, line);
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

std::uint64_t generateCorpus(const CorpusOptions& options, const std::function<void(std::string_view)>& sink)
{
    Generator g;
    g.options = clampOptions(options);
    g.out.sink = &sink;
    g.out.lineEnd = g.options.crlf ? "\r\n" : "\n";
    g.out.text.reserve(DRAIN_AT + 64 * 1024);
    g.layout = makeLayout(g.options);

    writePreamble(g);
    writePrefix(g);
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
    writePostfix(g);
    drain(g.out);
    return g.out.bytesWritten;
}

int layersForSize(CorpusOptions options, std::uint64_t bytes)
{
    // Every periodic feature of a layer repeats within SIZE_PERIOD_LAYERS
    // layers, so two prints one period apart give the mean bytes of a layer
    // and, from there, the fixed bytes of preamble, prefix and postfix.
    const auto countBytes = [&](int layers) {
        options.layers = layers;
        return static_cast<double>(generateCorpus(options, [](std::string_view) {}));
    };
    const double shortPrint = countBytes(SIZE_PERIOD_LAYERS);
    const double longPrint = countBytes(2 * SIZE_PERIOD_LAYERS);
    const double perLayer = (longPrint - shortPrint) / SIZE_PERIOD_LAYERS;
    const double fixed = shortPrint - SIZE_PERIOD_LAYERS * perLayer;
    const double wanted = static_cast<double>(bytes);
    if (perLayer <= 0 || wanted <= fixed + perLayer) return 1;
    const double layers = std::round((wanted - fixed) / perLayer);
    return layers > 1e9 ? 1000000000 : static_cast<int>(layers);
}

} // namespace vorlane::test
