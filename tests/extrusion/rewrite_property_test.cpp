// Properties of the rewrites on many generated layers: a support-interface (or
// sparse-infill) draw over random paths of the layer below (and sometimes of
// one more layer under it), run through the line loop in memory. The crossings are recomputed here; from them follow
// which stretches are boosted, and so the E total, the pieces' end points, the
// feed rates and whether the line's feed rate is written back.
#include "support.hpp"
#include "testing/reference_crossing.hpp"

#include "geometry/vec2.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace vorlane::test {
namespace {

enum class Kind { Main, Interface, Perimeter, Solid, Stacked, Top };

const char* kindComment(Kind kind)
{
    switch (kind) {
    case Kind::Main:
        return "; 'Support (may Stack) Path', 1.0 [feed mm/s], 40.0 [head mm/s]";
    case Kind::Interface:
        return "; 'Support Interface Path', 1.0 [feed mm/s], 40.0 [head mm/s]";
    case Kind::Perimeter:
        return "; 'Perimeter Path', 2.0 [feed mm/s], 40.0 [head mm/s]";
    case Kind::Solid:
        return "; 'Solid Path', 3.0 [feed mm/s], 50.0 [head mm/s]";
    case Kind::Stacked:
        return "; 'Stacked Sparse Infill Path', 3.2 [feed mm/s], 55.2 [head mm/s]";
    case Kind::Top:
        return "; 'Sparse Infill Path', 3.2 [feed mm/s], 55.2 [head mm/s]";
    }
    return "";
}

// A whole number of 10^-decimals units as the shortest decimal text, the form
// %g gives these values: (123, 1) -> "12.3", (50, 1) -> "5", (45, 2) -> "0.45".
std::string decimalText(int units, int decimals)
{
    int scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    std::string text = std::to_string(units / scale);
    int fraction = units % scale;
    if (fraction == 0) return text;
    std::string digits = std::to_string(fraction);
    digits.insert(0, static_cast<std::size_t>(decimals) - digits.size(), '0');
    while (digits.back() == '0')
        digits.pop_back();
    return text + "." + digits;
}

float parseFloat(const std::string& text) { return std::strtof(text.c_str(), nullptr); }

std::string g(float value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

const char* boolText(bool value) { return value ? "true" : "false"; }

struct GeneratedPath {
    Kind kind;
    int tool;
    float z;
    std::vector<Vec2> vertices;
};

// Each tool's last drawn height and layer thickness, kept by the rule the
// line loop follows: the rise since the tool's last drawn height; going down
// starts over at most 0.35; a tool other than 0 that rose more than tool 0's
// thickness takes tool 0's, at least 0.25.
struct ToolHeights {
    float lastDrawnZ[2] = {0, 0};
    float thickness[2] = {0, 0};
    void draw(int tool, float z)
    {
        if (lastDrawnZ[tool] == z) return;
        float t = z - lastDrawnZ[tool];
        if (t < 0.0f)
            t = std::min(z, 0.35f);
        else if (tool > 0 && t > thickness[0])
            t = std::max(thickness[0], 0.25f);
        thickness[tool] = t;
        lastDrawnZ[tool] = z;
    }
    float prevLayerHeight(int tool) const { return lastDrawnZ[tool] - thickness[tool]; }
};

struct Scenario {
    bool infill = false;             // sparse infill over stacked infill, else interface over main support
    std::vector<float> heightsBelow; // in the order the layers were printed
    float zLine = 0;
    int lineTool = 0;
    int supportTool = 0; // the tool of every main support (or stacked infill) path
    std::vector<GeneratedPath> paths;
    ToolHeights heights; // after the draw under test
    std::string oxText, oyText, txText, tyText, eText, fText;
    std::string lineText;
    std::string gcode;
};

const char* const MARK_BEGIN = "; >>> draw under test";
const char* const MARK_END = "; <<< end of draw under test";

struct Generator {
    std::mt19937 random;
    explicit Generator(unsigned seed) : random(seed) {}
    int below(int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); }
    template <typename T, std::size_t N> T pick(const T (&choices)[N]) { return choices[below(static_cast<int>(N))]; }
    // A point on a 0.1 mm grid over a 20 mm square.
    std::pair<int, int> gridPoint() { return {below(201), below(201)}; }
};

// One layer of random paths at `zText`, each after a tool change so that no
// travel is lifted. Both tools draw first, tool 0 before tool 1.
void generateLayer(Generator& gen, Scenario& s, std::ostringstream& out, const std::string& zText)
{
    const float z = parseFloat(zText);
    s.heightsBelow.push_back(z);
    out << "T0\n" << kindComment(Kind::Perimeter) << "\nG1 X0 Y30 Z" << zText << " F6000\nG1 X1 Y30 E0.1 F1200\n";
    out << "T1\nG1 X2 Y30 F6000\nG1 X3 Y30 E0.1 F1200\n";
    s.heights.draw(0, z);
    s.heights.draw(1, z);
    const int pathCount = 1 + gen.below(7);
    for (int p = 0; p < pathCount; ++p) {
        GeneratedPath path;
        const Kind kinds[] = {Kind::Main, Kind::Main, Kind::Interface, Kind::Perimeter, Kind::Solid, Kind::Stacked};
        const Kind infillKinds[] = {Kind::Stacked, Kind::Stacked, Kind::Top, Kind::Top, Kind::Perimeter, Kind::Main};
        path.kind = s.infill ? gen.pick(infillKinds) : gen.pick(kinds);
        const bool supportKind = path.kind == (s.infill ? Kind::Stacked : Kind::Main);
        path.tool = supportKind ? s.supportTool : gen.below(2);
        path.z = z;
        out << "T" << path.tool << "\n" << kindComment(path.kind) << "\n";
        // Up to 12 vertices, so that some paths span more than one chunk of the search index.
        const int vertexCount = 2 + gen.below(11);
        std::pair<int, int> previous{-1, -1};
        for (int v = 0; v < vertexCount; ++v) {
            std::pair<int, int> point = gen.gridPoint();
            while (point == previous)
                point = gen.gridPoint();
            if (v == 0) // the travel to just beside the first vertex; the draw to it is not part of the path
                out << "G1 X" << decimalText(point.first + 5, 1) << " Y" << decimalText(point.second, 1) << " F6000\n";
            const std::string x = decimalText(point.first, 1), y = decimalText(point.second, 1);
            out << "G1 X" << x << " Y" << y << " E0.1 F1200\n";
            path.vertices.push_back({parseFloat(x), parseFloat(y)});
            previous = point;
        }
        s.paths.push_back(path);
    }
}

Scenario generate(unsigned seed, bool infill)
{
    Generator gen(seed);
    Scenario s;
    s.infill = infill;
    // Layer heights in hundredths: the draw at m·h over paths at (m − 1)·h,
    // sometimes with a layer at (m − 2)·h under those.
    const int hundredths = infill ? gen.pick({10, 15, 20, 25, 30, 40, 50}) : gen.pick({5, 10, 15, 20, 25, 30, 40});
    const int m = gen.pick({2, 3, 5});
    s.lineTool = gen.below(2);
    s.supportTool = gen.below(2);

    std::ostringstream out;
    out << "; generated layers, seed " << seed << "\n; *** Main G-code\n";
    if (m > 2 && gen.below(2) == 0) generateLayer(gen, s, out, decimalText((m - 2) * hundredths, 2));
    generateLayer(gen, s, out, decimalText((m - 1) * hundredths, 2));

    const std::pair<int, int> o = gen.gridPoint();
    std::pair<int, int> t = gen.gridPoint();
    while (t == o)
        t = gen.gridPoint();
    s.oxText = decimalText(o.first, 1);
    s.oyText = decimalText(o.second, 1);
    s.txText = decimalText(t.first, 1);
    s.tyText = decimalText(t.second, 1);
    s.eText = decimalText(50 + gen.below(2951), 3);
    s.fText = std::to_string(gen.pick({600, 1200, 1800, 2400, 3000, 4500, 6000, 9000, 10000, 12000}));
    s.lineText = "G1 X" + s.txText + " Y" + s.tyText + " E" + s.eText + " F" + s.fText;
    const std::string zLineText = decimalText(m * hundredths, 2);
    s.zLine = parseFloat(zLineText);
    s.heights.draw(s.lineTool, s.zLine);
    out << "T" << s.lineTool << "\nG1 X" << s.oxText << " Y" << s.oyText << " Z" << zLineText << " F6000\n"
        << kindComment(infill ? Kind::Top : Kind::Interface) << "\n"
        << MARK_BEGIN << "\n"
        << s.lineText << "\n"
        << MARK_END << "\n";
    s.gcode = out.str();
    return s;
}

struct Recomputed {
    bool rewritten = false;
    bool exceptions = false;
    std::vector<std::pair<float, bool>> crossings; // lambda, boosted kind; sorted
    std::string header;
    float extrusionFactor = 1;
    float boostedSpeedFactor = 1;
    float plainSpeedFactor = 1;
};

// What the rules fix for the scenario: the window from the line tool's
// thickness, the crossings in the order they are gathered (kind, then layers
// in the order they were printed, tool slot, path, vertex), sorted stably,
// and the factors.
Recomputed recompute(const Scenario& s)
{
    const ToolHeights& h = s.heights;
    const float lineThickness = h.thickness[s.lineTool];
    const float windowThickness = s.infill ? lineThickness : std::max(0.05f, lineThickness);
    const float maxClearance = windowThickness * 1.25f;

    const Vec2 origin{parseFloat(s.oxText), parseFloat(s.oyText)};
    const Vec2 terminus{parseFloat(s.txText), parseFloat(s.tyText)};
    const Kind boostedKind = s.infill ? Kind::Stacked : Kind::Main;
    const std::vector<Kind> otherKinds =
        s.infill ? std::vector<Kind>{Kind::Top} : std::vector<Kind>{Kind::Interface, Kind::Perimeter};
    std::vector<Kind> gatherOrder{boostedKind};
    gatherOrder.insert(gatherOrder.end(), otherKinds.begin(), otherKinds.end());

    Recomputed r;
    bool anyBoosted = false, anyOther = false;
    std::vector<std::pair<float, bool>> found;
    for (const Kind kind : gatherOrder)
        for (const float z : s.heightsBelow) {
            const float clearance = s.zLine - z;
            if (!(0.0f < clearance && clearance <= maxClearance)) continue;
            for (int tool = 0; tool < 2; ++tool)
                for (const GeneratedPath& path : s.paths) {
                    if (path.kind != kind || path.tool != tool || path.z != z) continue;
                    for (std::size_t v = 1; v < path.vertices.size(); ++v) {
                        float lambda;
                        if (!reference::intersects(origin, terminus, path.vertices[v - 1], path.vertices[v], lambda))
                            continue;
                        found.push_back({lambda, kind == boostedKind});
                        (kind == boostedKind ? anyBoosted : anyOther) = true;
                    }
                }
        }
    // Interface and perimeter crossings are only looked for over main support.
    if (!s.infill && !anyBoosted) {
        found.clear();
        anyOther = false;
    }
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    r.crossings = found;
    r.exceptions = anyOther;
    r.rewritten = s.infill ? anyBoosted || anyOther : anyBoosted;

    const float f = parseFloat(s.fText);
    const bool anySupportPath =
        std::any_of(s.paths.begin(), s.paths.end(), [&](const GeneratedPath& p) { return p.kind == boostedKind; });
    const int supportTool = anySupportPath ? s.supportTool : 0;
    if (!s.infill) {
        const bool same = s.lineTool == supportTool;
        const float prev = h.prevLayerHeight(supportTool);
        const bool first = prev < 0.4f;
        const bool canBoost = !(same && first);
        const float boosted = same ? 0.25f / windowThickness : 0.8f / windowThickness;
        r.extrusionFactor = canBoost ? boosted : 1.0f;
        const float netSpeedFactorNeeded = (same ? 1.0f : 0.5f) * 1.0f;
        r.boostedSpeedFactor = std::min(1.0f, 1.0f / (netSpeedFactorNeeded * r.extrusionFactor));
        r.plainSpeedFactor = 1.0f;
        r.header = std::string("; Interface Crosses Main: sameToolAsMainSupport: ") + boolText(same) +
                   " mainIsFirstLayer: " + boolText(first) + " canBoostVolume: " + boolText(canBoost) +
                   " boostedFactor: " + g(boosted) + " prevLayerHeight for Main: " + g(prev);
    } else {
        r.extrusionFactor = 1.25f;
        const float linear = std::max(0.1f, lineThickness / 0.25f);
        const float topSpeedFactor = std::min(1.0f, f / 10000.0f);
        r.boostedSpeedFactor = std::min(1.0f, (1.25f * (linear * linear)) * topSpeedFactor);
        r.plainSpeedFactor = std::min(1.0f, linear * topSpeedFactor);
        r.header = "; TopInfill Crosses StackedInfilln:  canBoostVolume: true boostedFactor: 1.25 "
                   "prevLayerHeight for Infill: " +
                   g(h.prevLayerHeight(supportTool));
    }
    return r;
}

// The written pieces follow from the sorted crossings: a run of crossings of
// the boosted kind is boosted from the last other crossing before it (or the
// start) to the first other crossing after it (or the end); the rest is plain.
struct Piece {
    float endLambda; // 1 for the finish
    bool boosted;
};

std::vector<Piece> expectedPieces(const std::vector<std::pair<float, bool>>& crossings)
{
    std::vector<Piece> pieces;
    bool endsBoosted = false;
    for (std::size_t j = 0; j < crossings.size(); ++j) {
        if (!crossings[j].second || (j > 0 && crossings[j - 1].second)) continue;
        if (j > 0) pieces.push_back({crossings[j - 1].first, false});
        std::size_t after = j;
        while (after < crossings.size() && crossings[after].second)
            ++after;
        if (after < crossings.size())
            pieces.push_back({crossings[after].first, true});
        else
            endsBoosted = true;
    }
    pieces.push_back({1.0f, endsBoosted});
    return pieces;
}

struct Draw {
    std::string x, y;
    float e = NaN, f = NaN;
    std::string eText, fText;
};

bool parseDraw(const std::string& line, Draw& draw)
{
    std::istringstream words(line);
    std::string g1, x, y, e, f, rest;
    if (!(words >> g1 >> x >> y >> e >> f) || (words >> rest) || g1 != "G1" || x[0] != 'X' || y[0] != 'Y' ||
        e[0] != 'E' || f[0] != 'F')
        return false;
    draw = {x.substr(1), y.substr(1), parseFloat(e.substr(1)), parseFloat(f.substr(1)), e.substr(1), f.substr(1)};
    return true;
}

std::vector<std::string> blockUnderTest(const std::string& output)
{
    std::vector<std::string> all;
    std::istringstream text(output);
    for (std::string line; std::getline(text, line);)
        all.push_back(line);
    const auto begin = std::find(all.begin(), all.end(), MARK_BEGIN);
    const auto end = std::find(all.begin(), all.end(), MARK_END);
    if (begin == all.end() || end == all.end() || end < begin) return {};
    return {begin + 1, end};
}

struct Tally {
    int unchanged = 0, whole = 0, split = 0, feedRateBack = 0, noFeedRateBack = 0;
};

// Runs one scenario through the loop and checks the written block.
void checkScenario(const Scenario& s, Tally& tally)
{
    const Recomputed r = recompute(s);
    const std::vector<std::string> block = blockUnderTest(runLoop(s.gcode).output);
    ASSERT_FALSE(block.empty()) << "the markers around the draw are copied";
    if (!r.rewritten) {
        ++tally.unchanged;
        EXPECT_EQ(block, std::vector<std::string>{s.lineText})
            << "a draw that crosses nothing that counts in the window is copied unchanged";
        return;
    }
    const float e = parseFloat(s.eText), f = parseFloat(s.fText);
    const std::string boostedComment =
        s.infill ? "; found other so emitting boosted TopInfill:" : "; found other so emitting boosted Interface:";
    const std::string plainComment = s.infill
                                         ? "; found StackedInfill so emitting nominally slowed vanilla to get there:"
                                         : "; found Main so emitting vanilla:";
    ASSERT_GE(block.size(), 4u);
    EXPECT_EQ(block[0], r.header) << "the header comment comes first";

    if (!r.exceptions) {
        ++tally.whole;
        const std::string comment = s.infill ? "; boosted TopInfill over all-Stacked Infill - original line:"
                                             : "; boosted Interface over all-Main Support - original line:";
        const std::vector<std::string> expected{r.header, comment + s.lineText,
                                                "G1 X" + s.txText + " Y" + s.tyText + " E" + g(e * r.extrusionFactor) +
                                                    " F" + g(f * r.boostedSpeedFactor),
                                                "G1 F" + s.fText};
        EXPECT_EQ(block, expected)
            << "over the boosted kind only: one boosted draw to the end, then the feed rate back";
        return;
    }

    ++tally.split;
    EXPECT_EQ(block[1], "; original line:" + s.lineText);
    const std::vector<Piece> pieces = expectedPieces(r.crossings);
    const Vec2 origin{parseFloat(s.oxText), parseFloat(s.oyText)};
    const Vec2 terminus{parseFloat(s.txText), parseFloat(s.tyText)};
    const Vec2 direction = terminus - origin;
    std::size_t at = 2;
    double eTotal = 0, eExpected = 0;
    float lastLambda = 0;
    double lastAlong = -1;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const Piece& piece = pieces[i];
        const bool finish = i + 1 == pieces.size();
        const float eFactor = piece.boosted ? r.extrusionFactor : 1.0f;
        const float fFactor = piece.boosted ? r.boostedSpeedFactor : r.plainSpeedFactor;
        if (finish) {
            ASSERT_LT(at, block.size());
            EXPECT_EQ(block[at++], "; finish off - emitting with factor of " + g(eFactor));
        } else {
            ASSERT_LT(at + 1, block.size());
            EXPECT_EQ(block[at++], piece.boosted ? boostedComment : plainComment) << "piece " << i;
            EXPECT_EQ(block[at++], "") << "an announcing comment is followed by an empty line";
        }
        ASSERT_LT(at, block.size());
        Draw draw;
        ASSERT_TRUE(parseDraw(block[at++], draw)) << "piece " << i << " is one X Y E F draw: " << block[at - 1];
        if (finish) {
            EXPECT_EQ(draw.x, s.txText) << "the last piece ends exactly at the line's end point";
            EXPECT_EQ(draw.y, s.tyText) << "the last piece ends exactly at the line's end point";
        } else {
            const Vec2 point = interp(origin, terminus, piece.endLambda);
            EXPECT_EQ(draw.x, g(point.x)) << "piece " << i << " ends on the line at its crossing";
            EXPECT_EQ(draw.y, g(point.y)) << "piece " << i << " ends on the line at its crossing";
        }
        // In order along the line: each end no earlier than the one before.
        const double along = (double(parseFloat(draw.x)) - origin.x) * direction.x +
                             (double(parseFloat(draw.y)) - origin.y) * direction.y;
        EXPECT_GE(along, lastAlong - 1e-3 * magnitude_squared(direction))
            << "pieces are written in order along the line";
        lastAlong = along;
        EXPECT_TRUE(draw.fText == s.fText || draw.fText == g(f * r.boostedSpeedFactor) ||
                    draw.fText == g(f * r.plainSpeedFactor))
            << "every feed rate is the line's own or the line's scaled by a speed factor";
        EXPECT_EQ(draw.fText, g(f * fFactor)) << "piece " << i << (piece.boosted ? " boosted" : " plain");
        const float fraction = piece.endLambda - lastLambda;
        EXPECT_EQ(draw.eText, g(e * fraction * eFactor))
            << "piece " << i << ": E is (the line's E x the length fraction) x the factor, in that order";
        eTotal += draw.e;
        eExpected += double(e) * (double(piece.endLambda) - double(lastLambda)) * eFactor;
        lastLambda = piece.endLambda;
        if (finish) {
            const bool slowed = f * fFactor != f;
            (slowed ? tally.feedRateBack : tally.noFeedRateBack)++;
            if (slowed) {
                ASSERT_LT(at, block.size()) << "a slowed finish is followed by the line's feed rate";
                EXPECT_EQ(block[at++], "G1 F" + s.fText) << "a slowed finish is followed by the line's feed rate";
            }
        }
    }
    EXPECT_EQ(at, block.size()) << "nothing follows the finish but the feed-rate line when it is needed";
    EXPECT_NEAR(eTotal, eExpected, 2e-5 * eExpected + 1e-6)
        << "the pieces' E add up to the line's E with the boosted stretches scaled";
}

void checkMany(bool infill, unsigned firstSeed, int count, Tally& tally)
{
    for (int i = 0; i < count; ++i) {
        const unsigned seed = firstSeed + static_cast<unsigned>(i);
        const Scenario s = generate(seed, infill);
        checkScenario(s, tally);
        if (testing::Test::HasFailure()) {
            ADD_FAILURE() << "first failing scenario, seed " << seed << ":\n" << s.gcode;
            return;
        }
    }
}

TEST(RewriteProperties, SupportInterfaceOverGeneratedLayers)
{
    Tally tally;
    checkMany(false, 1000, 1000, tally);
    // The generator must reach every form, or the properties above prove little.
    EXPECT_GE(tally.unchanged, 50);
    EXPECT_GE(tally.whole, 50);
    EXPECT_GE(tally.split, 100);
    EXPECT_GE(tally.feedRateBack, 25);
    EXPECT_GE(tally.noFeedRateBack, 25);
}

TEST(RewriteProperties, SparseInfillOverGeneratedLayers)
{
    Tally tally;
    checkMany(true, 5000, 1000, tally);
    EXPECT_GE(tally.unchanged, 50);
    EXPECT_GE(tally.whole, 50);
    EXPECT_GE(tally.split, 100);
    EXPECT_GE(tally.feedRateBack, 25);
    EXPECT_GE(tally.noFeedRateBack, 25);
}

} // namespace
} // namespace vorlane::test
