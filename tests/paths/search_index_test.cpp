// The search index must find exactly what the plain walk finds, in the same
// order: the same crossings, accumulators and lists, bit for bit, on many
// seeded scenes, and the same output bytes on whole files.
#include "support.hpp"
#include "testing/corpus.hpp"
#include "testing/plain_walk.hpp"

#include "extrusion/crossings.hpp"
#include "lift/obstacles.hpp"
#include "run/files.hpp"
#include "state/line_loop.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <random>

namespace vorlane {
namespace {

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

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

struct LiftAnswer {
    float must, closest, closestDot, furthest, wipable, solidsMust;
    std::vector<Intersection> intersections;
};

LiftAnswer askLift(const LayerCollections& layers, const TravelMove& move)
{
    LiftAnswer a{};
    a.closest = FLOAT_MAX;
    a.must = findClosestWithinHeightGather(layers.layerPerims, 0.5f, 0.0f, 2.0f, move, a.closest, a.closestDot,
                                           a.furthest, a.intersections);
    float closest = FLOAT_MAX, dot = 0, furthest = 0;
    a.solidsMust = findClosestWithinHeightGather(layers.layerSolids, 0.5f, 0.0f, 0.0f, move, closest, dot, furthest,
                                                 a.intersections);
    a.wipable = findLastWipablePathLambda(layers, move, a.closest == FLOAT_MAX ? 1.0f : a.closest);
    return a;
}

struct CrossingAnswer {
    bool main, stacked, exceptions;
    std::vector<Crossing> crossings;
};

CrossingAnswer askCrossings(const LayerCollections& layers, const DrawProbe& probe)
{
    CrossingAnswer a{};
    a.main = findMainSupportCrossingsAndOtherTypes(layers, probe, a.crossings, a.exceptions);
    a.stacked = findCrossingsWithinHeightGather(layers.layerSolids, DrawType::Solid, probe, a.crossings);
    return a;
}

TEST(SearchIndex, FindsExactlyWhatThePlainWalkFinds)
{
    std::mt19937 random(7);
    int crossingsSeen = 0;
    for (int s = 0; s < 300; ++s) {
        Scene scene = makeScene(random);
        LayerCollections plain = scene.layers;
        reference::useWalk(plain, &reference::plainWalk);
        for (int m = 0; m < 60; ++m) {
            TravelMove move;
            move.origin = randomPoint(random, scene);
            move.terminus = randomPoint(random, scene);
            move.direction = normalized(move.terminus - move.origin);
            move.currentZ = scene.heights[random() % scene.heights.size()] + (random() % 3 == 0 ? 0.2f : 0.0f);
            move.currentTool = static_cast<int>(random() % 4);
            const LiftAnswer indexed = askLift(scene.layers, move), walked = askLift(plain, move);
            ASSERT_TRUE(sameBits(indexed.must, walked.must) && sameBits(indexed.closest, walked.closest) &&
                        sameBits(indexed.closestDot, walked.closestDot) &&
                        sameBits(indexed.furthest, walked.furthest) && sameBits(indexed.wipable, walked.wipable) &&
                        sameBits(indexed.solidsMust, walked.solidsMust))
                << "scene " << s << " move " << m;
            ASSERT_EQ(indexed.intersections.size(), walked.intersections.size());
            for (std::size_t i = 0; i < walked.intersections.size(); ++i)
                ASSERT_TRUE(sameBits(indexed.intersections[i].lambda, walked.intersections[i].lambda) &&
                            sameBits(indexed.intersections[i].dotProduct, walked.intersections[i].dotProduct))
                    << "gathered in the same order";
            crossingsSeen += static_cast<int>(walked.intersections.size());

            const DrawProbe probe{move.origin, move.terminus, move.currentZ, 0.25f * static_cast<float>(random() % 4)};
            const CrossingAnswer ci = askCrossings(scene.layers, probe), cw = askCrossings(plain, probe);
            ASSERT_TRUE(ci.main == cw.main && ci.stacked == cw.stacked && ci.exceptions == cw.exceptions);
            ASSERT_EQ(ci.crossings, cw.crossings) << "the same crossings in the same order";
        }
    }
    EXPECT_GT(crossingsSeen, 10000) << "the scenes must actually cross";
}

// The lambdas the gathering lift search finds for a travel along the X axis
// from x 0 to x 100 at height z with tool 1, through the index and walking.
std::vector<float> liftLambdas(LayerCollections& layers, float z, const SegmentWalk* walk)
{
    reference::useWalk(layers, walk);
    LiftAnswer answer = askLift(layers, {{0, 0}, {100, 0}, {1, 0}, z, 1});
    std::vector<float> lambdas;
    for (const Intersection& i : answer.intersections)
        lambdas.push_back(i.lambda);
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
    const std::vector<float> indexed = liftLambdas(layers, 0.2f, nullptr);
    EXPECT_EQ(indexed, liftLambdas(layers, 0.2f, &reference::plainWalk));
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
    EXPECT_EQ(liftLambdas(layers, 0.2f, nullptr), std::vector<float>{0.3f});
    EXPECT_EQ(liftLambdas(layers, 0.2f, &reference::plainWalk), std::vector<float>{0.3f});
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
    EXPECT_EQ(findLayer(layers.layerPerims, nan), nullptr);
    EXPECT_EQ(liftLambdas(layers, 0.2f, nullptr), std::vector<float>{0.5f});
    EXPECT_EQ(liftLambdas(layers, 0.2f, &reference::plainWalk), std::vector<float>{0.5f});
    EXPECT_TRUE(liftLambdas(layers, nan, nullptr).empty());
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
    for (const SegmentWalk* walk : {static_cast<const SegmentWalk*>(nullptr), &reference::plainWalk}) {
        reference::useWalk(layers, walk);
        EXPECT_EQ(findLastWipablePathLambda(layers, {{0, 0}, {100, 0}, {1, 0}, 0.2f, 1}, 0.8f), 0.75f)
            << "the farthest own crossing before 0.8 is the eleventh object's, at x 75";
    }
}

std::string processInMemory(const std::string& path, const SegmentWalk* walk)
{
    std::string output;
    OutBuffer out = test::outBufferInto(output);
    test::NullConsole quiet;
    {
        LineLoop loop{{}, out, quiet.console, false, {}, {}, {}};
        reference::useWalk(loop.state.layers, walk);
        InputFile in;
        bool busy = false;
        EXPECT_FALSE(openInput(in, systemPlatform(), path, busy) || busy);
        std::string_view line;
        while (nextLine(in, line))
            processLine(loop, line);
        drainOut(out);
    }
    return output;
}

TEST(SearchIndex, GeneratedPrintComesOutTheSameEitherWay)
{
    test::TempDir dir;
    const std::string path = dir.file("print.gcode");
    std::string text;
    test::CorpusOptions options;
    options.layers = 120;
    test::generateCorpus(options, [&](std::string_view bytes) { text.append(bytes); });
    test::writeFile(path, text);
    const std::string indexed = processInMemory(path, nullptr);
    EXPECT_NE(indexed.find("\n; original line:G1 X"), std::string::npos) << "the print has lifted travels";
    EXPECT_TRUE(indexed == processInMemory(path, &reference::plainWalk));
}

TEST(SearchIndex, WholeFilesComeOutTheSameEitherWay)
{
    std::vector<std::string> files;
    for (const std::string& file : test::realGcodeFiles())
        if (test::readFile(file).find("\nM82") == std::string::npos) files.push_back(file);
    if (files.empty()) GTEST_SKIP() << "the real Kisslicer files are not beside the project";
    for (const std::string& file : files) {
        const std::string indexed = processInMemory(file, nullptr);
        EXPECT_TRUE(indexed == processInMemory(file, &reference::plainWalk)) << file;
    }
}

} // namespace
} // namespace vorlane
