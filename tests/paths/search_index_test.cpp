// The search index must meet exactly the crossings the plain walk meets, in
// the same order: every search acts only on the segments that cross its move,
// so the same crossings in the same order give the same answers, bit for bit.
// Held on many seeded scenes with random windows and tools, and on every
// search a whole file makes.
#include "support.hpp"
#include "testing/corpus.hpp"
#include "testing/plain_walk.hpp"

#include "gcode/recognizers.hpp"
#include "gcode/refusal.hpp"
#include "lift/obstacles.hpp"
#include "pass/line_loop.hpp"
#include "paths/search_index.hpp"
#include "run/files.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <map>
#include <random>
#include <tuple>

namespace vorlane {
namespace {

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }
std::uint32_t bitsOf(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

struct Scene {
    LayerCollections layers;
    std::vector<float> heights;
};

// Paths on a coarse grid (so that moves touch vertices and run along
// segments), with some near-parallel and grazing segments.
Scene makeScene(std::mt19937& random)
{
    Scene scene;
    std::uniform_int_distribution<int> grid(0, 40);
    std::uniform_real_distribution<float> jitter(-1e-4f, 1e-4f);
    const int layerCount = 1 + static_cast<int>(random() % 12);
    for (int l = 0; l < layerCount; ++l) {
        // Heights mostly rising, sometimes out of order or repeated.
        float z = 0.2f * static_cast<float>(l + 1);
        if (random() % 5 == 0) z = 0.1f * static_cast<float>(random() % 30);
        scene.heights.push_back(z);
        for (LayerCollection* c : {&scene.layers.layerPerims, &scene.layers.layerSolids, &scene.layers.layerSupportMain,
                                   &scene.layers.layerCommonWipables}) {
            for (int path = 0; path < 1 + static_cast<int>(random() % 6); ++path) {
                const int tool = static_cast<int>(random() % 4);
                Vec2 at{0.5f * static_cast<float>(grid(random)), 0.5f * static_cast<float>(grid(random))};
                // Some slots outgrow a block of the index (256 vertices).
                const int vertices = 1 + static_cast<int>(random() % (random() % 8 == 0 ? 700 : 40));
                for (int v = 0; v < vertices; ++v) {
                    appendVertex(*c, z, tool, at, v == 0);
                    const int kind = static_cast<int>(random() % 4);
                    if (kind == 0)
                        at = {0.5f * static_cast<float>(grid(random)), at.y};
                    else if (kind == 1)
                        at = {at.x, 0.5f * static_cast<float>(grid(random))};
                    else if (kind == 2)
                        at = {at.x + 3.0f + jitter(random), at.y + 1.0f + jitter(random)};
                    else
                        at = {0.5f * static_cast<float>(grid(random)), 0.5f * static_cast<float>(grid(random))};
                }
            }
        }
    }
    return scene;
}

Vec2 randomPoint(std::mt19937& random, const Scene& scene)
{
    // Often a stored vertex, so moves start or end on paths.
    const auto& stored = scene.layers.layerPerims.vertices;
    if (random() % 3 == 0 && !stored.empty()) return stored[random() % stored.size()];
    std::uniform_int_distribution<int> grid(0, 80);
    return {0.25f * static_cast<float>(grid(random)), 0.25f * static_cast<float>(grid(random))};
}

// A crossing as a search meets it: where, at which height and tool, at
// which angle.
struct Met {
    float z;
    int tool;
    float lambda, dotProduct;
    bool operator==(const Met& other) const
    {
        return sameBits(z, other.z) && tool == other.tool && sameBits(lambda, other.lambda) &&
               sameBits(dotProduct, other.dotProduct);
    }
};

// Which segments a search looks at: heights below the nozzle by less than
// `below` (and above it unless `onlyBelow`), the slots of `filter`.
struct Window {
    float below;
    bool onlyBelow;
    SlotFilter filter;
};

// The crossings of the move met through the index (walking = false) or the
// plain walk, in the order met.
std::vector<Met> crossingsMet(const LayerCollection& layers, const TravelMove& move, const Window& window, bool walking)
{
    std::vector<Met> met;
    const auto tooLow = [&](float z) { return !(move.currentZ - z < window.below); };
    const auto tooHigh = [&](float z) { return window.onlyBelow && !(0.0f < move.currentZ - z); };
    const auto visit = [&](const LayerEntry& entry, int tool, Vec2 prev, Vec2 vertex) {
        float lambda, dotProduct;
        if (crossesAt(move.origin, move.terminus, prev, vertex, move.direction, lambda, dotProduct))
            met.push_back({entry.z, tool, lambda, dotProduct});
    };
    SearchScratch scratch;
    if (walking)
        reference::walkEverySegment(layers, tooLow, tooHigh, window.filter, visit);
    else
        forEachSegmentInWindow(layers, searchQueryOf(move.origin, move.terminus), tooLow, tooHigh, window.filter,
                               scratch, visit);
    return met;
}

// The same through the walk in any order, which a count makes with the
// window's nodes kept from move to move (`kept`): in the plain walk's order
// once sorted.
std::vector<Met> crossingsMetInAnyOrder(const LayerCollection& layers, const TravelMove& move, const Window& window,
                                        WindowNodes& kept)
{
    std::vector<Met> met;
    const auto tooLow = [&](float z) { return !(move.currentZ - z < window.below); };
    const auto tooHigh = [&](float z) { return window.onlyBelow && !(0.0f < move.currentZ - z); };
    forEachSegmentInWindowInAnyOrder(
        layers, searchQueryOf(move.origin, move.terminus), tooLow, tooHigh, window.filter,
        WindowKey{move.currentZ, move.currentZ}, kept, [&](const LayerEntry& entry, int tool, Vec2 prev, Vec2 vertex) {
            float lambda, dotProduct;
            if (crossesAt(move.origin, move.terminus, prev, vertex, move.direction, lambda, dotProduct))
                met.push_back({entry.z, tool, lambda, dotProduct});
        });
    return met;
}

std::vector<Met> sorted(std::vector<Met> met)
{
    const auto key = [](const Met& m) {
        return std::tuple(bitsOf(m.z), m.tool, bitsOf(m.lambda), bitsOf(m.dotProduct));
    };
    std::sort(met.begin(), met.end(), [&](const Met& a, const Met& b) { return key(a) < key(b); });
    return met;
}

// The own-colour search's slot: one tool at the nozzle's height.
std::vector<Met> ownSlotCrossingsMet(const LayerCollection& layers, const TravelMove& move, bool walking)
{
    std::vector<Met> met;
    const std::uint32_t entry = findLayerIndex(layers, move.currentZ);
    if (entry == NO_INDEX || move.currentTool < 0 || move.currentTool >= TOOL_SLOTS) return met;
    const auto visit = [&](const LayerEntry& e, int tool, Vec2 prev, Vec2 vertex) {
        float lambda, dotProduct;
        if (crossesAt(move.origin, move.terminus, prev, vertex, move.direction, lambda, dotProduct))
            met.push_back({e.z, tool, lambda, dotProduct});
    };
    SearchScratch scratch;
    const float z = layers.entries[entry].z;
    if (walking)
        reference::walkEverySegment(
            layers, [z](float h) { return !(h >= z); }, [z](float h) { return !(h <= z); },
            SlotFilter{static_cast<std::uint16_t>(1u << move.currentTool), entry}, visit);
    else
        forEachSegmentOfSlotNear(layers, entry, move.currentTool, searchQueryOf(move.origin, move.terminus), scratch,
                                 visit);
    return met;
}

// Every search a move may make: other tools' paths in the lift's window,
// every tool's in a draw's window below, and the own slot at its height.
int expectSameCrossings(const LayerCollections& collections, const TravelMove& move, float drawWindow_MM,
                        std::map<std::pair<const LayerCollection*, float>, WindowNodes>& kept)
{
    SlotFilter otherTools;
    if (move.currentTool >= 0 && move.currentTool < TOOL_SLOTS)
        otherTools.tools &= static_cast<std::uint16_t>(~(1u << move.currentTool));
    const Window windows[] = {{0.5f, false, otherTools}, {drawWindow_MM, true, SlotFilter{}}};
    int met = 0;
    for (const LayerCollection* layers : allCollections(collections)) {
        for (const Window& window : windows) {
            const std::vector<Met> indexed = crossingsMet(*layers, move, window, false);
            const std::vector<Met> walked = crossingsMet(*layers, move, window, true);
            EXPECT_TRUE(indexed == walked) << "the same crossings in the same order, window " << window.below;
            EXPECT_TRUE(sorted(crossingsMetInAnyOrder(*layers, move, window, kept[{layers, window.below}])) ==
                        sorted(walked))
                << "in any order, the same crossings, window " << window.below;
            met += static_cast<int>(indexed.size());
        }
        EXPECT_TRUE(ownSlotCrossingsMet(*layers, move, false) == ownSlotCrossingsMet(*layers, move, true));
    }
    return met;
}

TEST(SearchIndex, MeetsExactlyWhatThePlainWalkMeets)
{
    std::mt19937 random(7);
    int crossingsSeen = 0;
    for (int s = 0; s < 300; ++s) {
        Scene scene = makeScene(random);
        std::map<std::pair<const LayerCollection*, float>, WindowNodes> kept;
        for (int m = 0; m < 60; ++m) {
            TravelMove move;
            move.origin = randomPoint(random, scene);
            move.terminus = randomPoint(random, scene);
            move.direction = normalized(move.terminus - move.origin);
            move.currentZ = scene.heights[random() % scene.heights.size()] + (random() % 3 == 0 ? 0.2f : 0.0f);
            move.currentTool = static_cast<int>(random() % 4);
            move.startZ = move.currentZ;
            crossingsSeen += expectSameCrossings(scene.layers, move, 0.25f * static_cast<float>(random() % 4), kept);
            if (testing::Test::HasFailure()) FAIL() << "scene " << s << " move " << m;
        }
    }
    EXPECT_GT(crossingsSeen, 10000) << "the scenes must actually cross";
}

// The lambdas the lift's search meets for a travel along the X axis from x 0
// to x 100 at height z with tool 1, through the index and walking.
std::vector<float> liftLambdas(const LayerCollections& layers, float z, bool walking)
{
    SlotFilter otherTools;
    otherTools.tools &= static_cast<std::uint16_t>(~(1u << 1));
    std::vector<float> lambdas;
    for (const Met& met :
         crossingsMet(layers.layerPerims, {{0, 0}, {100, 0}, {1, 0}, z, 1, z}, {0.5f, false, otherTools}, walking))
        lambdas.push_back(met.lambda);
    return lambdas;
}

void crossbar(LayerCollections& layers, float z, int tool, float x)
{
    appendVertex(layers.layerPerims, z, tool, {x, -1}, true);
    appendVertex(layers.layerPerims, z, tool, {x, 1}, false);
}

TEST(SearchIndex, APathOverAPageBoundaryOfTheVertexList)
{
    // One zig-zag path of 10,000 vertices: its segment from vertex 4,095 to
    // 4,096 joins two pages of the vertex list; only that one lies at x 50.
    LayerCollections layers;
    for (int v = 0; v < 10000; ++v)
        appendVertex(layers.layerPerims, 0.2f, 0,
                     {v == 4095 || v == 4096 ? 50.0f : 0.001f * static_cast<float>(v), v % 2 ? 1.0f : -1.0f}, v == 0);
    const std::vector<float> indexed = liftLambdas(layers, 0.2f, false);
    EXPECT_EQ(indexed, liftLambdas(layers, 0.2f, true));
    EXPECT_NE(std::find(indexed.begin(), indexed.end(), 0.5f), indexed.end())
        << "the segment from vertex 4,095 to 4,096, both at x 50, crosses the travel at lambda 0.5";
}

TEST(SearchIndex, ThousandsOfOneVertexLayersBetweenTheNozzleAndAPathAboveIt)
{
    // A spiral: each draw at a new height, each a path of one vertex and no
    // segment; far above it, one crossbar. Every layer above the nozzle is
    // in a travel's window, however high.
    LayerCollections layers;
    for (int d = 0; d < 5000; ++d)
        appendVertex(layers.layerPerims, 0.2f + 0.0001f * static_cast<float>(d), 0, {50, 0}, false);
    crossbar(layers, 100.0f, 0, 30);
    EXPECT_EQ(layers.layerPerims.entries.size(), 5001u) << "a height per draw";
    EXPECT_EQ(liftLambdas(layers, 0.2f, false), std::vector<float>{0.3f});
    EXPECT_EQ(liftLambdas(layers, 0.2f, true), std::vector<float>{0.3f});
}

TEST(SearchIndex, HeightsFallingAndRepeatedAreFoundAgain)
{
    // Heights filed falling, past several growths of the height table, then
    // again: each height is one entry, found by its value.
    LayerCollection layers;
    for (int round = 0; round < 2; ++round)
        for (int k = 3000; k > 0; --k)
            appendVertex(layers, 0.01f * static_cast<float>(k), 0, {static_cast<float>(round), 0}, true);
    ASSERT_EQ(layers.entries.size(), 3000u);
    for (int k = 1; k <= 3000; ++k) {
        const std::uint32_t entry = findLayerIndex(layers, 0.01f * static_cast<float>(k));
        ASSERT_EQ(entry, static_cast<std::uint32_t>(3000 - k)) << "entries in creation order, found by height";
        EXPECT_EQ(findSlot(layers, entry, 0)->paths, 2u) << "the second round drew at the same heights";
    }
    EXPECT_EQ(findLayerIndex(layers, 0.005f), NO_INDEX);
}

TEST(SearchIndex, NaNHeightsAreKeptButNeverSearched)
{
    // Draws before any Z word: the height is NaN, equal to no height.
    LayerCollections layers;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    crossbar(layers, nan, 0, 30);
    crossbar(layers, nan, 0, 40);
    crossbar(layers, 0.2f, 0, 50);
    EXPECT_EQ(layers.layerPerims.entries.size(), 5u) << "every NaN draw makes a layer of its own";
    EXPECT_EQ(findLayerIndex(layers.layerPerims, nan), NO_INDEX);
    EXPECT_EQ(liftLambdas(layers, 0.2f, false), std::vector<float>{0.5f});
    EXPECT_EQ(liftLambdas(layers, 0.2f, true), std::vector<float>{0.5f});
    EXPECT_TRUE(liftLambdas(layers, nan, false).empty());
}

TEST(SearchIndex, OwnPathsOfManyObjectsAtOneHeight)
{
    // Twelve objects in turn, each with an own-tool crossbar at 0.2 and a
    // layer above: the own slot at 0.2 holds twelve runs.
    LayerCollections layers;
    for (int object = 0; object < 12; ++object) {
        crossbar(layers, 0.2f, 1, 5.0f + 7.0f * static_cast<float>(object));
        crossbar(layers, 0.4f, 2, 6.0f + 7.0f * static_cast<float>(object));
    }
    SearchScratch scratch;
    const TravelMove travel{{0, 0}, {100, 0}, {1, 0}, 0.2f, 1, 0.2f};
    EXPECT_EQ(findLastWipablePathLambda(layers, travel, 0.8f, scratch), 0.75f)
        << "the farthest own crossing before 0.8 is the eleventh object's, at x 75";
    EXPECT_TRUE(ownSlotCrossingsMet(layers.layerPerims, travel, false) ==
                ownSlotCrossingsMet(layers.layerPerims, travel, true));
}

// Every search the lift decision and the draw rewrites make on a whole file:
// at each travel and each draw of the printing chapter, with the collections
// as they stand then.
int expectSameCrossingsThroughout(const std::string& path)
{
    std::string output;
    OutBuffer out = test::outBufferInto(output);
    test::NullConsole quiet;
    LineLoop loop{out, quiet.console};
    InputFile in;
    bool busy = false;
    EXPECT_FALSE(openInput(in, systemPlatform(), path, busy) || busy);
    int met = 0;
    // Kept as the count keeps them, while the print grows.
    std::map<std::pair<const LayerCollection*, float>, WindowNodes> kept;
    std::string_view line;
    while (nextLine(in, line)) {
        try {
            processLine(loop, line);
        } catch (const Refusal&) {
            break; // a file the program refuses is searched no further
        }
        output.clear();
        const PrintState& s = loop.state;
        if (!matches(pattern_G1, line) || s.chapter != Chapter::Printing) continue;
        if (s.move.pathType != PathType::XYMove && s.move.pathType != PathType::XYDraw) continue;
        const Vec2 origin = moveOrigin(s.moves, s.move), terminus{s.moves.currentX, s.moves.currentY};
        const TravelMove move{origin,           terminus,      normalized(terminus - origin),
                              s.moves.currentZ, s.currentTool, s.moves.currentZ};
        met += expectSameCrossings(loop.layers, move, 0.3f, kept);
        if (testing::Test::HasFailure()) {
            ADD_FAILURE() << path << " line " << loop.lineNo;
            break;
        }
    }
    return met;
}

TEST(SearchIndex, EverySearchOfAGeneratedPrintMeetsWhatTheWalkMeets)
{
    test::TempDir dir;
    const std::string path = dir.file("print.gcode");
    std::string text;
    test::CorpusOptions options;
    options.layers = 15;
    test::generateCorpus(options, [&](std::string_view bytes) { text.append(bytes); });
    test::writeFile(path, text);
    EXPECT_GT(expectSameCrossingsThroughout(path), 1000) << "the print's moves cross what was printed";
}

TEST(SearchIndex, EverySearchOfTheRealFilesMeetsWhatTheWalkMeets)
{
    const std::vector<std::string> files = test::realGcodeFiles();
    if (files.empty()) GTEST_SKIP() << "the real Kisslicer files are not beside the project";
    for (const std::string& file : files)
        expectSameCrossingsThroughout(file);
}

} // namespace
} // namespace vorlane
