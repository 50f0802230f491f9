// The searches along a travel, on hand-built collections: which layers are
// examined, which crossings count as obstacles or are only gathered, the lift
// they need, and the last crossing of the travelling tool's own colour.
#include "lift/obstacles.hpp"
#include "testing/reference_crossing.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <random>
#include <utility>
#include <vector>

namespace vorlane {
namespace {

// Hand-built collections, filed the way the line loop files draws (through
// collectDraw), so that whatever the collections keep beside the vertices
// stays in step with them.
struct World {
    LayerCollections c;
    // One path of `tool` at height z, vertices in drawing order.
    void addPath(DrawType section, float z, int tool, std::initializer_list<Vec2> vertices)
    {
        bool beginDraw = true;
        for (const Vec2 v : vertices)
            collectDraw(c, {section, tool, v.x, v.y, z, {}}, beginDraw);
    }
    // A perimeter of `tool` at z across the X axis at x, from y −1 to y 1.
    void crossbar(float z, int tool, float x, DrawType section = DrawType::Perimeter)
    {
        addPath(section, z, tool, {{x, -1}, {x, 1}});
    }
    const LayerCollection& perims() const { return c.layerPerims; }
};

TravelMove travel(Vec2 origin, Vec2 terminus, float currentZ, int currentTool)
{
    return {origin, terminus, normalized(terminus - origin), currentZ, currentTool, currentZ};
}

// A 10 mm move along the X axis: crossing a crossbar at x gives lambda x / 10.
TravelMove tenMillimetres(float currentZ, int currentTool) { return travel({0, 0}, {10, 0}, currentZ, currentTool); }

struct Search {
    float closestLambda = FLOAT_MAX;
    float closestDotProduct = 0;
    float furthestLambda = 0;
    std::vector<Intersection> intersections;
    float mustLift = -1;
    SearchScratch scratch;

    Search& gather(const World& world, const TravelMove& move, float lambdaPerDroolMM = 0)
    {
        mustLift = findClosestWithinHeightGather(world.perims(), 0.5f, lambdaPerDroolMM, move, closestLambda,
                                                 closestDotProduct, furthestLambda, intersections, scratch);
        return *this;
    }
    bool untouched() const
    {
        return closestLambda == FLOAT_MAX && closestDotProduct == 0 && furthestLambda == 0 && intersections.empty();
    }
};

// ---------------------------------------------------------------------------
// The gathering search.

TEST(ObstacleSearch, NoLayerWithinHalfAMillimetreBelow)
{
    World perims;
    perims.crossbar(0.4f, 0, 4);  // 0.6 below
    perims.crossbar(0.45f, 0, 5); // 0.55 below
    Search s;
    s.gather(perims, tenMillimetres(1.0f, 1), 2.0f);
    EXPECT_EQ(s.mustLift, 0.0f) << "layers 0.5 mm or more below the nozzle need no lift";
    EXPECT_TRUE(s.untouched()) << "their crossings are neither counted nor gathered";
}

TEST(ObstacleSearch, ALayerExactlyHalfAMillimetreBelowIsNotExamined)
{
    World perims;
    perims.crossbar(0.5f, 0, 4);
    Search s;
    s.gather(perims, tenMillimetres(1.0f, 1));
    EXPECT_EQ(s.mustLift, 0.0f) << "clearance 1 − 0.5 = 0.5 is not below the required 0.5";
    EXPECT_TRUE(s.untouched()) << "an unexamined layer gathers nothing";

    // A hair closer is examined.
    World closer;
    closer.crossbar(std::nextafter(0.5f, 1.0f), 0, 4);
    Search t;
    t.gather(closer, tenMillimetres(1.0f, 1));
    EXPECT_GT(t.mustLift, 0.0f) << "a layer less than 0.5 below is examined";
    EXPECT_EQ(t.intersections.size(), 1u);
}

TEST(ObstacleSearch, OtherToolOnTheCurrentLayer)
{
    World perims;
    perims.crossbar(1.0f, 0, 4);
    Search s;
    s.gather(perims, tenMillimetres(1.0f, 1), 2.0f);
    EXPECT_EQ(s.mustLift, 0.5f) << "a crossing on the current layer needs the full 0.5";
    EXPECT_EQ(s.closestLambda, 0.4f);
    EXPECT_EQ(s.furthestLambda, 0.4f);
    EXPECT_EQ(s.closestDotProduct, 0.0f) << "a perpendicular crossing has cosine 0";
    ASSERT_EQ(s.intersections.size(), 1u) << "the crossing is gathered";
    EXPECT_EQ(s.intersections[0].lambda, 0.4f);
    EXPECT_EQ(s.intersections[0].dotProduct, 0.0f);
}

TEST(ObstacleSearch, DroolAllowanceBelowTheNozzle)
{
    // 0.2 below on a 10 mm move with 2 lambda per mm of drool: the first
    // 2 · 0.2 = 0.4 of the move is excused.
    World tooClose;
    tooClose.crossbar(0.2f, 0, 4);
    Search s;
    s.gather(tooClose, tenMillimetres(0.4f, 1), 2.0f);
    EXPECT_EQ(s.mustLift, 0.0f) << "a crossing at lambda 0.4 is not beyond the allowance 0.4 (strict)";
    EXPECT_EQ(s.closestLambda, FLOAT_MAX) << "a too-close crossing moves no accumulator";
    EXPECT_EQ(s.furthestLambda, 0.0f) << "a too-close crossing moves no accumulator";
    ASSERT_EQ(s.intersections.size(), 1u) << "a too-close crossing is still gathered";
    EXPECT_EQ(s.intersections[0].lambda, 0.4f);

    World beyond;
    beyond.crossbar(0.2f, 0, 5);
    Search t;
    t.gather(beyond, tenMillimetres(0.4f, 1), 2.0f);
    EXPECT_EQ(t.mustLift, 0.5f - (0.4f - 0.2f)) << "beyond the allowance it counts: 0.5 − 0.2 = 0.3";
    EXPECT_FLOAT_EQ(t.mustLift, 0.3f);
    EXPECT_EQ(t.closestLambda, 0.5f);
    EXPECT_EQ(t.furthestLambda, 0.5f);
}

TEST(ObstacleSearch, LayersAboveTheNozzleAreAlwaysExamined)
{
    World perims;
    perims.crossbar(1.3f, 0, 0.5f); // lambda 0.05, early in the move
    Search s;
    s.gather(perims, tenMillimetres(1.0f, 1), 2.0f);
    EXPECT_EQ(s.mustLift, 0.5f - (1.0f - 1.3f)) << "0.5 plus the height above the nozzle";
    EXPECT_FLOAT_EQ(s.mustLift, 0.8f);
    EXPECT_EQ(s.closestLambda, 0.05f) << "a negative clearance excuses nothing: an early crossing counts";

    World high;
    high.crossbar(1.0f, 0, 6);
    high.crossbar(100.0f, 2, 7);
    Search t;
    t.gather(high, tenMillimetres(1.0f, 1), 2.0f);
    EXPECT_EQ(t.mustLift, 99.5f) << "every layer above is examined, however high; the largest lift wins";
    EXPECT_EQ(t.closestLambda, 0.6f);
    EXPECT_EQ(t.furthestLambda, 0.7f);
}

TEST(ObstacleSearch, TheTravellingToolsOwnPathsAreNoObstacles)
{
    World perims;
    perims.crossbar(1.0f, 1, 4);
    Search s;
    s.gather(perims, tenMillimetres(1.0f, 1), 2.0f);
    EXPECT_EQ(s.mustLift, 0.0f) << "the travelling tool's own path is no obstacle";
    EXPECT_TRUE(s.untouched()) << "and it is not gathered";
}

TEST(ObstacleSearch, VerticesAndCollinearSegmentsAreNoCrossings)
{
    World perims;
    perims.addPath(DrawType::Perimeter, 1.0f, 0, {{4, -1}, {5, 0}, {6, 1}}); // through the move at a vertex
    perims.addPath(DrawType::Perimeter, 1.0f, 0, {{7, 0}, {9, 0}});          // along the move
    Search s;
    s.gather(perims, tenMillimetres(1.0f, 1));
    EXPECT_EQ(s.mustLift, 0.0f) << "a path touching the move at a vertex, or lying along it, is not crossed";
    EXPECT_TRUE(s.untouched());
}

TEST(ObstacleSearch, ClosestAndFurthestOverSeveralCrossings)
{
    World perims;
    perims.addPath(DrawType::Perimeter, 1.0f, 0,
                   {{3, -1}, {3, 1}, {7, 1}, {7, -1}, {5, -1}, {5, 1}}); // crossings at 0.3, 0.7, 0.5
    perims.crossbar(0.8f, 2, 1);                                         // 0.2 below, excused
    Search s;
    s.gather(perims, tenMillimetres(1.0f, 1), 2.0f);
    EXPECT_EQ(s.closestLambda, 0.3f);
    EXPECT_EQ(s.furthestLambda, 0.7f);
    EXPECT_EQ(s.mustLift, 0.5f);
    ASSERT_EQ(s.intersections.size(), 4u) << "every crossing is gathered, the excused one too";
    EXPECT_EQ(s.intersections[0].lambda, 0.3f) << "gathered in path order";
    EXPECT_EQ(s.intersections[1].lambda, 0.7f);
    EXPECT_EQ(s.intersections[2].lambda, 0.5f);
    EXPECT_EQ(s.intersections[3].lambda, 0.1f);
}

TEST(ObstacleSearch, AccumulatorsAreUpdatedInPlaceNotReset)
{
    World perims;
    perims.crossbar(1.0f, 0, 4);
    Search s;
    s.closestLambda = 0.2f;
    s.closestDotProduct = 0.5f;
    s.furthestLambda = 0.9f;
    s.intersections.push_back({0.95f, 0.25f});
    s.gather(perims, tenMillimetres(1.0f, 1));
    EXPECT_EQ(s.closestLambda, 0.2f) << "a later crossing does not replace a closer one found before";
    EXPECT_EQ(s.closestDotProduct, 0.5f);
    EXPECT_EQ(s.furthestLambda, 0.9f);
    EXPECT_EQ(s.intersections.size(), 2u) << "the list grows; it is not cleared";
    EXPECT_EQ(s.mustLift, 0.5f) << "the lift amount is the search's own result";
}

TEST(ObstacleSearch, EqualLambdasKeepTheFirstFound)
{
    // Both cross the move at x = 5: a perpendicular segment (cosine 0) and a
    // diagonal one (cosine 0.7071).
    const auto perpendicular = [](World& l, float z, int tool) { l.crossbar(z, tool, 5); };
    const auto diagonal = [](World& l, float z, int tool) {
        l.addPath(DrawType::Perimeter, z, tool, {{4, -1}, {6, 1}});
    };
    const float diagonalCosine = 0.70710677f;

    World toolOrder;
    diagonal(toolOrder, 1.0f, 2);
    perpendicular(toolOrder, 1.0f, 0);
    Search s;
    s.gather(toolOrder, tenMillimetres(1.0f, 1));
    EXPECT_EQ(s.closestLambda, 0.5f);
    EXPECT_EQ(s.closestDotProduct, 0.0f) << "tool slots are visited from 0: tool 0's crossing is found first";
    ASSERT_EQ(s.intersections.size(), 2u) << "both equal crossings are gathered";
    EXPECT_EQ(s.intersections[0].dotProduct, 0.0f);
    EXPECT_EQ(s.intersections[1].dotProduct, diagonalCosine);

    World pathOrder;
    diagonal(pathOrder, 1.0f, 0);
    perpendicular(pathOrder, 1.0f, 0);
    Search t;
    t.gather(pathOrder, tenMillimetres(1.0f, 1));
    EXPECT_EQ(t.closestDotProduct, diagonalCosine) << "within a slot, paths are visited in list order";

    // Across layers: the entry created first is visited first, whatever its height.
    World layerOrder;
    diagonal(layerOrder, 0.9f, 0);
    perpendicular(layerOrder, 1.0f, 0);
    Search u;
    u.gather(layerOrder, tenMillimetres(1.0f, 1));
    EXPECT_EQ(u.closestDotProduct, diagonalCosine) << "layer entries are visited in creation order";
    World reversed;
    perpendicular(reversed, 1.0f, 0);
    diagonal(reversed, 0.9f, 0);
    Search v;
    v.gather(reversed, tenMillimetres(1.0f, 1));
    EXPECT_EQ(v.closestDotProduct, 0.0f) << "layer entries are visited in creation order";
}

// The index lists what it finds in the order the vertices were drawn; the
// searches must still see them in the order of layer creation, then tool.
TEST(ObstacleSearch, ObjectsInTurnAreFoundInLayerCreationOrder)
{
    // Two objects one after another: the first one's two layers, then the
    // second one's bottom layer, which is the first one's entry again.
    World world;
    world.crossbar(0.2f, 0, 1);
    world.crossbar(0.4f, 0, 2);
    world.crossbar(0.2f, 3, 3);
    world.crossbar(0.2f, 2, 4);
    Search s;
    s.gather(world, tenMillimetres(0.2f, 1));
    std::vector<float> lambdas;
    for (const Intersection& i : s.intersections)
        lambdas.push_back(i.lambda);
    EXPECT_EQ(lambdas, (std::vector<float>{0.1f, 0.4f, 0.3f, 0.2f}))
        << "the 0.2 entry first (tools 0, 2, 3), then the 0.4 entry above, though drawn before tools 2 and 3";
}

TEST(ObstacleSearch, APathResumedAfterOtherDrawsIsOneLine)
{
    // A draw of tool 2 comes between two draws of tool 0's path (a tool change
    // with no move line between): the path's segment from (6, -1) to (6, 1)
    // joins two runs of the vertex list.
    World world;
    bool beginDraw = true;
    for (const auto& [tool, at] : {std::pair{0, Vec2{6, -1}}, {2, Vec2{8, -1}}, {0, Vec2{6, 1}}})
        collectDraw(world.c, {DrawType::Perimeter, tool, at.x, at.y, 0.2f, {}}, beginDraw);
    Search s;
    s.gather(world, tenMillimetres(0.2f, 1));
    ASSERT_EQ(s.intersections.size(), 1u) << "the segment across the runs is searched";
    EXPECT_EQ(s.intersections[0].lambda, 0.6f);
}

// ---------------------------------------------------------------------------
// Own-colour crossings.

TEST(OwnCrossings, FarthestBeforeTheLimitMovesOnlyForward)
{
    World perims;
    perims.addPath(DrawType::Perimeter, 1.0f, 1, {{1, -1}, {1, 1}, {3, 1}, {3, -1}, {2, -1}, {2, 1}}); // 0.1, 0.3, 0.2
    float farthest = 0;
    float farthestDot = NaN;
    SearchScratch scratch;
    EXPECT_TRUE(findFarthestOfOwnToolAtSameHeightBeforeOther(perims.perims(), tenMillimetres(1.0f, 1), 0.25f, farthest,
                                                             farthestDot, scratch));
    EXPECT_EQ(farthest, 0.2f) << "the farthest own crossing below the limit";
    EXPECT_EQ(farthestDot, 0.0f);
    EXPECT_FALSE(findFarthestOfOwnToolAtSameHeightBeforeOther(perims.perims(), tenMillimetres(1.0f, 1), 0.25f, farthest,
                                                              farthestDot, scratch))
        << "true only when this call moved the accumulator";
    EXPECT_FALSE(findFarthestOfOwnToolAtSameHeightBeforeOther(perims.perims(), tenMillimetres(1.0f, 12), 0.9f, farthest,
                                                              farthestDot, scratch))
        << "a tool outside 0..9 has no slot and finds nothing";
    EXPECT_FALSE(findFarthestOfOwnToolAtSameHeightBeforeOther(perims.perims(), tenMillimetres(1.0f, -1), 0.9f, farthest,
                                                              farthestDot, scratch));
    EXPECT_EQ(farthest, 0.2f);
}

struct Wipable : World {
    float lastWipable(float currentZ, int tool, float maxLambdaForLift) const
    {
        SearchScratch scratch;
        return findLastWipablePathLambda(c, tenMillimetres(currentZ, tool), maxLambdaForLift, scratch);
    }
};

TEST(LastWipable, OwnPerimeterCrossingsBeforeTheLimit)
{
    Wipable w;
    w.crossbar(1.0f, 1, 1);
    w.crossbar(1.0f, 1, 3);
    EXPECT_EQ(w.lastWipable(1.0f, 1, 0.25f), 0.1f) << "crossings at 0.1 and 0.3 with the limit 0.25: 0.1";
    EXPECT_EQ(w.lastWipable(1.0f, 1, 0.3f), 0.1f) << "the limit is exclusive";
    EXPECT_EQ(w.lastWipable(1.0f, 1, 0.31f), 0.3f);

    Wipable late;
    late.crossbar(1.0f, 1, 2.5f);
    late.crossbar(1.0f, 1, 3);
    EXPECT_EQ(late.lastWipable(1.0f, 1, 0.25f), 0.0f) << "own crossings only at or beyond the limit: 0";
}

TEST(LastWipable, OnlyTheOwnToolAtExactlyTheCurrentHeight)
{
    Wipable w;
    w.crossbar(1.0f, 0, 2);                       // another tool
    w.crossbar(0.8f, 1, 3);                       // own, layer below
    w.crossbar(std::nextafter(1.0f, 2.0f), 1, 4); // own, a hair above
    EXPECT_EQ(w.lastWipable(1.0f, 1, 0.9f), 0.0f)
        << "other tools' paths and own paths at any other height are not wipable";
    EXPECT_EQ(w.lastWipable(0.8f, 1, 0.9f), 0.3f) << "at its own height the lower path is wipable";
}

TEST(LastWipable, KindsThatCountAndThoseThatDoNot)
{
    struct Row {
        DrawType section;
        bool wipable;
        const char* name;
    };
    const Row rows[] = {
        {DrawType::None, true, "paths drawn before any path-kind comment"},
        {DrawType::UnclassifiedPath, true, "unclassified paths"},
        {DrawType::SupportMain, true, "main support"},
        {DrawType::SupportInterface, true, "support interface"},
        {DrawType::Perimeter, true, "perimeters"},
        {DrawType::Solid, false, "solids"},
        {DrawType::StackedInfill, false, "stacked infill"},
        {DrawType::TopInfill, false, "sparse infill"},
    };
    for (const Row& row : rows) {
        Wipable w;
        w.crossbar(1.0f, 3, 2, row.section);
        EXPECT_EQ(w.lastWipable(1.0f, 3, 0.9f), row.wipable ? 0.2f : 0.0f)
            << row.name << (row.wipable ? " of the own tool are wipable" : " are never wipable");
    }
}

TEST(LastWipable, APrimePillarCountsForEveryTool)
{
    Wipable w;
    w.crossbar(1.0f, 7, 2, DrawType::PrimePillar); // drawn by tool 7, filed under slot 0
    for (int tool = 0; tool < TOOL_SLOTS; ++tool)
        EXPECT_EQ(w.lastWipable(1.0f, tool, 0.9f), 0.2f) << "the prime pillar is wipable for tool " << tool;
    EXPECT_EQ(w.lastWipable(1.5f, 4, 0.9f), 0.0f) << "but only at its own height";
}

TEST(LastWipable, EverySearchRunsEvenAfterAnEarlierOneFoundACrossing)
{
    // Each row puts an own crossing at 0.1 in a kind searched early and a
    // farther one at 0.3 in a kind searched later: the later search must still
    // run and move the result on.
    struct Row {
        DrawType early, later;
    };
    const Row rows[] = {
        {DrawType::UnclassifiedPath, DrawType::SupportMain}, {DrawType::UnclassifiedPath, DrawType::SupportInterface},
        {DrawType::SupportMain, DrawType::SupportInterface}, {DrawType::UnclassifiedPath, DrawType::Perimeter},
        {DrawType::SupportInterface, DrawType::Perimeter},   {DrawType::Perimeter, DrawType::PrimePillar},
    };
    for (const Row& row : rows) {
        Wipable w;
        w.crossbar(1.0f, 2, 1, row.early);
        w.crossbar(1.0f, 2, 3, row.later);
        EXPECT_EQ(w.lastWipable(1.0f, 2, 0.9f), 0.3f)
            << "kind " << static_cast<int>(row.later) << " is searched although kind " << static_cast<int>(row.early)
            << " already gave a crossing";
    }

    Wipable backwards;
    backwards.crossbar(1.0f, 2, 3, DrawType::UnclassifiedPath);
    backwards.crossbar(1.0f, 2, 1, DrawType::Perimeter);
    EXPECT_EQ(backwards.lastWipable(1.0f, 2, 0.9f), 0.3f)
        << "the searches share one accumulator: a nearer crossing found later does not pull it back";
}

// ---------------------------------------------------------------------------
// Differential test: the searches against a brute-force walk written here, on
// many seeded random prints. The reference visits what the searches must
// visit, in the order they must: layer entries in creation order, tool slots
// from 0, paths in drawing order, segments in vertex order; so the gathered
// list, the first of equal closest crossings and every accumulator agree to
// the bit.

struct RecordedPath {
    DrawType section;
    float z;
    int tool;
    std::vector<Vec2> vertices;
};

struct RandomPrint {
    World world;
    std::vector<RecordedPath> paths;
};

struct ReferenceResult {
    float mustLift = 0;
    float closestLambda = FLOAT_MAX;
    float closestDotProduct = 0;
    float furthestLambda = 0;
    std::vector<Intersection> intersections;
};

// Creation order of one collection's entries: the order in which its kind
// (every kind but the prime pillars for DrawType::None) first drew at each
// height.
std::vector<float> heightsOfKind(const RandomPrint& print, DrawType section)
{
    std::vector<float> order;
    for (const RecordedPath& path : print.paths) {
        if (section == DrawType::None ? path.section == DrawType::PrimePillar : path.section != section) continue;
        bool known = false;
        for (const float z : order)
            known = known || z == path.z;
        if (!known) order.push_back(path.z);
    }
    return order;
}

// Brute force over the recorded paths of one kind, or of every kind but the
// prime pillars (DrawType::None).
ReferenceResult referenceGather(const RandomPrint& print, DrawType section, const TravelMove& move,
                                float lambdaPerDroolMM)
{
    ReferenceResult r;
    const bool allKinds = section == DrawType::None;
    const auto searched = [&](const RecordedPath& path) {
        return allKinds ? path.section != DrawType::PrimePillar : path.section == section;
    };
    for (const float z : allKinds ? heightsOfKind(print, DrawType::None) : heightsOfKind(print, section)) {
        const float clearance = move.currentZ - z;
        if (!(clearance < 0.5f)) continue;
        const float drool = lambdaPerDroolMM * clearance;
        for (int tool = 0; tool < TOOL_SLOTS; ++tool) {
            if (tool == move.currentTool) continue;
            for (const RecordedPath& path : print.paths) {
                if (!searched(path) || path.z != z || path.tool != tool) continue;
                for (std::size_t i = 1; i < path.vertices.size(); ++i) {
                    float lambda, dotProduct;
                    if (!reference::intersects(move.origin, move.terminus, path.vertices[i - 1], path.vertices[i],
                                               move.direction, lambda, dotProduct))
                        continue;
                    r.intersections.push_back({lambda, dotProduct});
                    if (!(drool < lambda)) continue;
                    if (lambda < r.closestLambda) {
                        r.closestLambda = lambda;
                        r.closestDotProduct = dotProduct;
                    }
                    if (lambda > r.furthestLambda) r.furthestLambda = lambda;
                    if (r.mustLift < 0.5f - clearance) r.mustLift = 0.5f - clearance;
                }
            }
        }
    }
    return r;
}

float referenceLastWipable(const RandomPrint& print, const TravelMove& move, float maxLambdaForLift)
{
    float last = 0;
    for (const RecordedPath& path : print.paths) {
        const bool ownKind = path.section == DrawType::None || path.section == DrawType::UnclassifiedPath ||
                             path.section == DrawType::SupportMain || path.section == DrawType::SupportInterface ||
                             path.section == DrawType::Perimeter;
        const bool wipable = path.section == DrawType::PrimePillar || (ownKind && path.tool == move.currentTool);
        if (!wipable || path.z != move.currentZ) continue;
        for (std::size_t i = 1; i < path.vertices.size(); ++i) {
            float lambda, dotProduct;
            if (reference::intersects(move.origin, move.terminus, path.vertices[i - 1], path.vertices[i],
                                      move.direction, lambda, dotProduct) &&
                lambda < maxLambdaForLift && lambda > last)
                last = lambda;
        }
    }
    return last;
}

struct PrintDraws {
    std::mt19937 engine;
    explicit PrintDraws(std::uint32_t seed) : engine(seed) {}
    int upTo(int n) { return static_cast<int>(engine() % static_cast<std::uint32_t>(n)); }
    // Half the coordinates on a 1 mm grid, so that vertices land exactly on
    // moves and segments overlap them; the rest anywhere in [0, 60).
    float coordinate()
    {
        if (upTo(2) == 0) return static_cast<float>(upTo(61));
        return static_cast<float>(static_cast<double>(engine() >> 8) / 279620.25);
    }
};

RandomPrint makeRandomPrint(PrintDraws& draws)
{
    static const float heights[] = {0.2f, 0.4f, 0.6f, 0.7f, 0.8f, 1.0f, 1.3f};
    static const DrawType kinds[] = {
        DrawType::Perimeter,        DrawType::Solid,       DrawType::UnclassifiedPath, DrawType::SupportMain,
        DrawType::SupportInterface, DrawType::PrimePillar, DrawType::TopInfill};
    RandomPrint print;
    const int pathCount = 5 + draws.upTo(40);
    for (int p = 0; p < pathCount; ++p) {
        RecordedPath path;
        path.section = kinds[draws.upTo(7)];
        path.z = heights[draws.upTo(7)];
        // Prime pillars of every tool are kept in slot 0.
        const int tool = draws.upTo(4);
        path.tool = path.section == DrawType::PrimePillar ? 0 : tool;
        // Long paths run over many of the index's chunks.
        const int length = 1 + draws.upTo(draws.upTo(4) == 0 ? 80 : 8);
        for (int v = 0; v < length; ++v)
            path.vertices.push_back({draws.coordinate(), draws.coordinate()});
        bool beginDraw = true;
        for (std::size_t v = 0; v < path.vertices.size(); ++v) {
            const Vec2 at = path.vertices[v];
            const DrawContext draw{path.section, tool, at.x, at.y, path.z, v > 0 ? path.vertices[v - 1] : at};
            collectDraw(print.world.c, draw, beginDraw);
            if (v > 0) collectLine(print.world.c, draw);
        }
        print.paths.push_back(std::move(path));
    }
    return print;
}

TEST(ObstacleSearch, AgreesWithABruteForceWalkOnRandomPrints)
{
    PrintDraws draws(424242u);
    int crossingsSeen = 0;
    int obstaclesSeen = 0;
    int wipablesSeen = 0;
    for (int printNo = 0; printNo < 300; ++printNo) {
        const RandomPrint print = makeRandomPrint(draws);
        WindowNodes window; // kept from move to move, as a run keeps it
        for (int moveNo = 0; moveNo < 20; ++moveNo) {
            static const float nozzleHeights[] = {0.4f, 0.6f, 0.8f, 1.0f, 1.2f};
            const Vec2 origin{draws.coordinate(), draws.coordinate()};
            // A third of the moves short, so that the drool allowance excuses whole layers below them.
            const bool isShort = draws.upTo(3) == 0;
            const Vec2 terminus = isShort ? Vec2{origin.x + draws.coordinate() / 12, origin.y + draws.coordinate() / 12}
                                          : Vec2{draws.coordinate(), draws.coordinate()};
            const TravelMove move = travel(origin, terminus, nozzleHeights[draws.upTo(5)], draws.upTo(4));
            const float length = magnitude(terminus - origin);
            const float lambdaPerDroolMM = length > 0 ? 20.0f / length : 0.0f;
            // Each kind's search in the walk's order; the lift's search of
            // every line (DrawType::None) in the order drawn, which gathers
            // the same crossings in another order.
            for (const DrawType section : {DrawType::Perimeter, DrawType::Solid, DrawType::None}) {
                const bool allLines = section == DrawType::None;
                ReferenceResult expected = referenceGather(print, section, move, lambdaPerDroolMM);
                const LayerCollection& layers = allLines                         ? print.world.c.layerAllLines
                                                : section == DrawType::Perimeter ? print.world.c.layerPerims
                                                                                 : print.world.c.layerSolids;
                Search s;
                s.mustLift = findClosestWithinHeightGather(layers, 0.5f, lambdaPerDroolMM, move, s.closestLambda,
                                                           s.closestDotProduct, s.furthestLambda, s.intersections,
                                                           s.scratch, allLines ? &window : nullptr,
                                                           allLines ? DroolReach::Reached : DroolReach::Every);
                if (allLines) {
                    // The layers the allowance excuses whole, through the same kept nodes, add crossings only.
                    findClosestWithinHeightGather(layers, 0.5f, lambdaPerDroolMM, move, s.closestLambda,
                                                  s.closestDotProduct, s.furthestLambda, s.intersections, s.scratch,
                                                  &window, DroolReach::ExcusedWhole);
                    const auto byLambdaThenDot = [](const Intersection& a, const Intersection& b) {
                        return a.lambda != b.lambda ? a.lambda < b.lambda : a.dotProduct < b.dotProduct;
                    };
                    std::sort(s.intersections.begin(), s.intersections.end(), byLambdaThenDot);
                    std::sort(expected.intersections.begin(), expected.intersections.end(), byLambdaThenDot);
                    s.closestDotProduct = expected.closestDotProduct; // of equal closest crossings, any
                }
                const auto where = [&] {
                    return testing::Message()
                           << "print " << printNo << " move " << moveNo << " kind " << static_cast<int>(section);
                };
                ASSERT_EQ(s.mustLift, expected.mustLift) << where();
                ASSERT_EQ(s.closestLambda, expected.closestLambda) << where();
                ASSERT_EQ(s.closestDotProduct, expected.closestDotProduct)
                    << where() << ": of equal closest crossings the first in visiting order";
                ASSERT_EQ(s.furthestLambda, expected.furthestLambda) << where();
                ASSERT_EQ(s.intersections.size(), expected.intersections.size())
                    << where() << ": every crossing gathered, none twice";
                for (std::size_t i = 0; i < s.intersections.size(); ++i) {
                    ASSERT_EQ(s.intersections[i].lambda, expected.intersections[i].lambda)
                        << where() << ": gathered in visiting order, entry " << i;
                    ASSERT_EQ(s.intersections[i].dotProduct, expected.intersections[i].dotProduct) << where();
                }
                crossingsSeen += static_cast<int>(expected.intersections.size());
                obstaclesSeen += expected.mustLift > 0 ? 1 : 0;
            }
            for (const float limit : {0.3f, 0.7f, 1.0f}) {
                const float expected = referenceLastWipable(print, move, limit);
                SearchScratch scratch;
                ASSERT_EQ(findLastWipablePathLambda(print.world.c, move, limit, scratch), expected)
                    << "print " << printNo << " move " << moveNo << " limit " << limit;
                wipablesSeen += expected > 0 ? 1 : 0;
            }
        }
    }
    EXPECT_GT(crossingsSeen, 10000) << "the random prints hold many crossings";
    EXPECT_GT(obstaclesSeen, 1000) << "and many obstacles";
    EXPECT_GT(wipablesSeen, 1000) << "and many wipable crossings";
}

} // namespace
} // namespace vorlane
