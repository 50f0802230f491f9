// The crossing search under the nozzle: which layers count, what is a
// crossing, which kinds are looked for together, and the order the rewrites
// rely on. Collections are built through the real
// collection step, one polyline at a time.
#include "extrusion/crossings.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <vector>

namespace vorlane {
namespace {

// Files `vertices` as one new path of `tool` at height z in the collection
// that `section` selects, as a run of draws after a travel would.
void addPath(LayerCollections& collections, DrawType section, int tool, float z, std::initializer_list<Vec2> vertices)
{
    bool beginDraw = true;
    for (const Vec2 v : vertices)
        collectDraw(collections, {section, tool, v.x, v.y, z, {}}, beginDraw);
}

// The draw under test: (0, 0) to (10, 0) at `currentZ` with the given window.
// A vertical path segment through y = 0 at x crosses it at lambda x / 10.
DrawProbe alongX(float currentZ, float maxClearance_MM) { return {{0, 0}, {10, 0}, currentZ, maxClearance_MM}; }

struct Search {
    std::vector<Crossing> crossings;
    bool exceptions = false;
    SearchScratch scratch;
};

bool gather(const LayerCollection& layers, DrawType kind, const DrawProbe& draw, Search& s)
{
    return findCrossingsWithinHeightGather(layers, kind, draw, s.crossings, s.scratch);
}

bool mainSearch(const LayerCollections& c, const DrawProbe& draw, Search& s)
{
    return findMainSupportCrossingsAndOtherTypes(c, draw, s.crossings, s.exceptions, s.scratch);
}

bool infillSearch(const LayerCollections& c, const DrawProbe& draw, Search& s)
{
    return findStackedInfillCrossings(c, draw, s.crossings, s.exceptions, s.scratch);
}

std::vector<float> lambdasOf(const std::vector<Crossing>& crossings)
{
    std::vector<float> lambdas;
    for (const Crossing& c : crossings)
        lambdas.push_back(c.lambda);
    return lambdas;
}

TEST(CrossingSearch, OnlyLayersStrictlyBelowAndWithinTheWindowCount)
{
    LayerCollections c;
    // The draw is at 0.5 with a window of 0.25; one layer per height, each
    // crossed at its own x so the result tells which layers were searched.
    addPath(c, DrawType::SupportMain, 0, 0.5f, {{1, -1}, {1, 1}});   // at the draw's own height
    addPath(c, DrawType::SupportMain, 0, 0.25f, {{2, -1}, {2, 1}});  // exactly the window below
    addPath(c, DrawType::SupportMain, 0, 0.2f, {{3, -1}, {3, 1}});   // beyond the window
    addPath(c, DrawType::SupportMain, 0, 0.75f, {{4, -1}, {4, 1}});  // above the draw
    addPath(c, DrawType::SupportMain, 0, 0.375f, {{5, -1}, {5, 1}}); // inside the window
    Search s;
    EXPECT_TRUE(gather(c.layerSupportMain, DrawType::SupportMain, alongX(0.5f, 0.25f), s));
    EXPECT_EQ(lambdasOf(s.crossings), (std::vector<float>{0.2f, 0.5f}))
        << "a layer counts when 0 < currentZ - z <= maxClearance_MM: the window's bottom is included, the "
           "draw's own height, layers above and layers beyond the window are not";
}

TEST(CrossingSearch, TheWindowBottomIsComparedAsTheFloatDifference)
{
    LayerCollections c;
    const float currentZ = 0.6f;
    const float below = 0.4f;
    addPath(c, DrawType::SupportMain, 0, below, {{3, -1}, {3, 1}});
    const float clearance = currentZ - below; // 0.200000018 in floats
    Search inside;
    EXPECT_TRUE(gather(c.layerSupportMain, DrawType::SupportMain, alongX(currentZ, clearance), inside))
        << "a layer exactly maxClearance_MM below the draw is searched";
    Search outside;
    EXPECT_FALSE(
        gather(c.layerSupportMain, DrawType::SupportMain, alongX(currentZ, std::nextafter(clearance, 0.0f)), outside))
        << "a layer one float step beyond the window is not";
    EXPECT_TRUE(outside.crossings.empty());
}

TEST(CrossingSearch, TouchingParallelAndCollinearSegmentsAreNoCrossings)
{
    LayerCollections c;
    const float z = 0.2f;
    addPath(c, DrawType::SupportMain, 0, z, {{10, -1}, {10, 1}}); // through the draw's end point
    addPath(c, DrawType::SupportMain, 0, z, {{0, 1}, {0, -1}});   // through its start point
    addPath(c, DrawType::SupportMain, 0, z, {{3, 0}, {3, 2}});    // a segment that starts on the draw
    addPath(c, DrawType::SupportMain, 0, z, {{4, -2}, {4, 0}});   // a segment that ends on the draw
    addPath(c, DrawType::SupportMain, 0, z, {{2, 0}, {6, 0}});    // lying on the draw
    addPath(c, DrawType::SupportMain, 0, z, {{-1, 0}, {12, 0}});  // covering the draw
    addPath(c, DrawType::SupportMain, 0, z, {{2, 1}, {8, 1}});    // parallel beside it
    addPath(c, DrawType::SupportMain, 0, z, {{11, -1}, {11, 1}}); // crossing its extension
    addPath(c, DrawType::SupportMain, 0, z, {{5, 1}, {5, 3}});    // whose extension crosses the draw
    Search s;
    EXPECT_FALSE(gather(c.layerSupportMain, DrawType::SupportMain, alongX(0.4f, 0.25f), s))
        << "only segments that cross strictly inside both the draw and themselves count";
    EXPECT_TRUE(s.crossings.empty());
}

TEST(CrossingSearch, APathCrossedTwiceGivesTwoCrossingsInVertexOrder)
{
    LayerCollections c;
    addPath(c, DrawType::SupportMain, 3, 0.2f, {{6, -1}, {6, 1}, {2, 1}, {2, -1}});
    Search s;
    EXPECT_TRUE(gather(c.layerSupportMain, DrawType::SupportMain, alongX(0.4f, 0.25f), s));
    const std::vector<Crossing> expected{{0.6f, DrawType::SupportMain}, {0.2f, DrawType::SupportMain}};
    EXPECT_EQ(s.crossings, expected)
        << "each crossed segment gives its own crossing, with the path's tool and the searched kind, in the "
           "order of the path's vertices";
}

TEST(CrossingSearch, CrossingsAreStampedWithTheKindAskedFor)
{
    LayerCollections c;
    addPath(c, DrawType::Perimeter, 0, 0.2f, {{5, -1}, {5, 1}});
    Search s;
    EXPECT_TRUE(gather(c.layerPerims, DrawType::StackedInfill, alongX(0.4f, 0.25f), s));
    ASSERT_EQ(s.crossings.size(), 1u);
    EXPECT_EQ(s.crossings[0].drawType, DrawType::StackedInfill)
        << "the kind of a crossing is the kind passed to the search, not where the path came from";
}

TEST(CrossingSearch, PathsOfEveryToolCountTheDrawingToolsToo)
{
    // The search takes no tool at all: a draw by tool 4 over tool 4's own main
    // support is boosted like any other.
    LayerCollections c;
    addPath(c, DrawType::SupportMain, 9, 0.2f, {{9, -1}, {9, 1}});
    addPath(c, DrawType::SupportMain, 0, 0.2f, {{1, -1}, {1, 1}});
    addPath(c, DrawType::SupportMain, 4, 0.2f, {{4, -1}, {4, 1}});
    Search s;
    EXPECT_TRUE(gather(c.layerSupportMain, DrawType::SupportMain, alongX(0.4f, 0.25f), s));
    const std::vector<Crossing> expected{
        {0.1f, DrawType::SupportMain}, {0.4f, DrawType::SupportMain}, {0.9f, DrawType::SupportMain}};
    EXPECT_EQ(s.crossings, expected) << "every tool slot is searched, from slot 0 to slot 9";
}

TEST(CrossingSearch, LayersAreVisitedInTheOrderTheyWereCreated)
{
    LayerCollections c;
    addPath(c, DrawType::SupportMain, 2, 0.3f, {{2, -1}, {2, 1}});
    addPath(c, DrawType::SupportMain, 0, 0.1f, {{9, -1}, {9, 1}});
    addPath(c, DrawType::SupportMain, 1, 0.3f, {{1, -1}, {1, 1}});
    addPath(c, DrawType::SupportMain, 0, 0.2f, {{5, -1}, {5, 1}});
    Search s;
    EXPECT_TRUE(gather(c.layerSupportMain, DrawType::SupportMain, alongX(0.5f, 0.5f), s));
    const std::vector<Crossing> expected{{0.1f, DrawType::SupportMain},
                                         {0.2f, DrawType::SupportMain},
                                         {0.9f, DrawType::SupportMain},
                                         {0.5f, DrawType::SupportMain}};
    EXPECT_EQ(s.crossings, expected)
        << "layer entries in creation order (0.3, 0.1, 0.2), then tool slot, so that ties sort the same way on "
           "every platform";
}

TEST(CrossingSearch, CrossingsAreAppendedToTheCallersList)
{
    LayerCollections c;
    addPath(c, DrawType::SupportMain, 0, 0.2f, {{5, -1}, {5, 1}});
    Search s;
    s.crossings.push_back({0.75f, DrawType::Perimeter});
    gather(c.layerSupportMain, DrawType::SupportMain, alongX(0.4f, 0.25f), s);
    const std::vector<Crossing> expected{{0.75f, DrawType::Perimeter}, {0.5f, DrawType::SupportMain}};
    EXPECT_EQ(s.crossings, expected) << "the search appends; the list is the caller's to clear";
}

TEST(MainSupportSearch, InterfaceAndPerimeterPathsAloneAreNotLookedAt)
{
    LayerCollections c;
    addPath(c, DrawType::SupportInterface, 0, 0.2f, {{3, -1}, {3, 1}});
    addPath(c, DrawType::Perimeter, 1, 0.2f, {{6, -1}, {6, 1}});
    // Main support at the draw's own height does not count either.
    addPath(c, DrawType::SupportMain, 0, 0.4f, {{8, -1}, {8, 1}});
    Search s;
    EXPECT_FALSE(mainSearch(c, alongX(0.4f, 0.25f), s));
    EXPECT_TRUE(s.crossings.empty()) << "without main support in the window nothing is gathered";
    EXPECT_FALSE(s.exceptions) << "exceptions are only looked for when main support is crossed";
}

TEST(MainSupportSearch, GathersMainThenInterfaceThenPerimeterCrossings)
{
    LayerCollections c;
    addPath(c, DrawType::Perimeter, 1, 0.2f, {{2, -1}, {2, 1}});
    addPath(c, DrawType::SupportInterface, 1, 0.2f, {{5, -1}, {5, 1}});
    addPath(c, DrawType::SupportMain, 0, 0.2f, {{7, -1}, {7, 1}});
    // Kinds that the search never looks at.
    addPath(c, DrawType::Solid, 0, 0.2f, {{4, -1}, {4, 1}});
    addPath(c, DrawType::StackedInfill, 0, 0.2f, {{6, -1}, {6, 1}});
    addPath(c, DrawType::TopInfill, 0, 0.2f, {{8, -1}, {8, 1}});
    Search s;
    EXPECT_TRUE(mainSearch(c, alongX(0.4f, 0.25f), s));
    EXPECT_TRUE(s.exceptions) << "interface or perimeter crossings besides main support set exceptions";
    const std::vector<Crossing> expected{
        {0.7f, DrawType::SupportMain}, {0.5f, DrawType::SupportInterface}, {0.2f, DrawType::Perimeter}};
    EXPECT_EQ(s.crossings, expected)
        << "main support first, then interface, then perimeters, unsorted; other kinds are not searched";
}

TEST(MainSupportSearch, EachOtherKindAloneSetsExceptions)
{
    struct Case {
        DrawType other;
        const char* rule;
    };
    for (const Case& k : {Case{DrawType::SupportInterface, "an interface crossing sets exceptions"},
                          Case{DrawType::Perimeter, "a perimeter crossing sets exceptions"}}) {
        LayerCollections c;
        addPath(c, DrawType::SupportMain, 0, 0.2f, {{7, -1}, {7, 1}});
        addPath(c, k.other, 0, 0.2f, {{5, -1}, {5, 1}});
        Search s;
        EXPECT_TRUE(mainSearch(c, alongX(0.4f, 0.25f), s)) << k.rule;
        EXPECT_TRUE(s.exceptions) << k.rule;
        EXPECT_EQ(s.crossings.size(), 2u) << k.rule;
    }
}

TEST(MainSupportSearch, MainSupportAloneLeavesExceptionsAsTheCallerHadThem)
{
    LayerCollections c;
    addPath(c, DrawType::SupportMain, 0, 0.2f, {{7, -1}, {7, 1}});
    // Interface paths outside the window do not count.
    addPath(c, DrawType::SupportInterface, 0, 0.1f, {{5, -1}, {5, 1}});
    Search s;
    EXPECT_TRUE(mainSearch(c, alongX(0.4f, 0.25f), s));
    EXPECT_FALSE(s.exceptions) << "a draw over main support only has no exceptions";
    Search preset;
    preset.exceptions = true;
    EXPECT_TRUE(mainSearch(c, alongX(0.4f, 0.25f), preset));
    EXPECT_TRUE(preset.exceptions) << "exceptions is only ever set, never cleared";
}

TEST(StackedInfillSearch, TopInfillAloneReturnsFalseYetSetsExceptionsAndFillsCrossings)
{
    LayerCollections c;
    addPath(c, DrawType::TopInfill, 2, 0.2f, {{3, -1}, {3, 1}});
    Search s;
    EXPECT_FALSE(infillSearch(c, alongX(0.4f, 0.25f), s)) << "the result tells whether stacked infill is crossed";
    EXPECT_TRUE(s.exceptions) << "top infill is always searched, and crossing it sets exceptions";
    const std::vector<Crossing> expected{{0.3f, DrawType::TopInfill}};
    EXPECT_EQ(s.crossings, expected);
}

TEST(StackedInfillSearch, GathersStackedThenTopInfillAndNothingElse)
{
    LayerCollections c;
    addPath(c, DrawType::TopInfill, 0, 0.2f, {{2, -1}, {2, 1}});
    addPath(c, DrawType::StackedInfill, 1, 0.2f, {{6, -1}, {6, 1}});
    addPath(c, DrawType::SupportMain, 0, 0.2f, {{4, -1}, {4, 1}});
    addPath(c, DrawType::Perimeter, 0, 0.2f, {{8, -1}, {8, 1}});
    Search s;
    EXPECT_TRUE(infillSearch(c, alongX(0.4f, 0.25f), s));
    EXPECT_TRUE(s.exceptions);
    const std::vector<Crossing> expected{{0.6f, DrawType::StackedInfill}, {0.2f, DrawType::TopInfill}};
    EXPECT_EQ(s.crossings, expected) << "stacked infill first, then top infill; support and perimeters are ignored";

    LayerCollections stackedOnly;
    addPath(stackedOnly, DrawType::StackedInfill, 1, 0.2f, {{6, -1}, {6, 1}});
    Search t;
    EXPECT_TRUE(infillSearch(stackedOnly, alongX(0.4f, 0.25f), t));
    EXPECT_FALSE(t.exceptions) << "stacked infill alone sets no exceptions";
}

} // namespace
} // namespace vorlane
