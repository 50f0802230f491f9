// The layer collections: which collection, height entry, tool slot and path a
// draw's end point is filed under, directly through collectDraw and through
// the line loop fed with G-code.
#include "paths/layers.hpp"

#include "pass/line_loop.hpp"
#include "support.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vorlane {
namespace {

using test::lines;

// A collection as text, entries in creation order, empty slots left out:
// "Z0.3 T0 [(1,2) (3,4)] [(5,6)]; Z0.6 T1 [(7,8)]".
std::string describe(const LayerCollection& layers)
{
    std::ostringstream text;
    for (std::uint32_t entry = 0; entry < layers.entries.size(); ++entry) {
        int lastTool = -1;
        std::size_t lastPath = 0;
        forEachVertexOf(layers, entry, [&](int tool, std::size_t path, Vec2 v) {
            if (tool != lastTool) {
                text << (text.tellp() > 0 ? "]; " : "") << 'Z' << layers.entries[entry].z << " T" << tool << " [";
            } else if (path != lastPath) {
                text << "] [";
            } else {
                text << ' ';
            }
            text << '(' << v.x << ',' << v.y << ')';
            lastTool = tool;
            lastPath = path;
        });
    }
    if (text.tellp() > 0) text << ']';
    return text.str();
}

// ---------------------------------------------------------------------------
// collectDraw on its own.

struct Collector {
    LayerCollections c;
    bool beginDraw = true;
    void draw(DrawType section, int tool, float x, float y, float z, bool begin)
    {
        beginDraw = begin;
        collectDraw(c, {section, tool, x, y, z, {}}, beginDraw);
        EXPECT_FALSE(beginDraw) << "the collection step clears beginDraw after every draw";
    }
};

struct SectionRow {
    DrawType section;
    LayerCollection LayerCollections::*collection;
    const char* name;
};

const SectionRow sectionRows[] = {
    {DrawType::None, &LayerCollections::layerNonPerims, "a draw before any path-kind comment"},
    {DrawType::UnclassifiedPath, &LayerCollections::layerNonPerims, "an unclassified path"},
    {DrawType::Perimeter, &LayerCollections::layerPerims, "a perimeter"},
    {DrawType::Solid, &LayerCollections::layerSolids, "a solid"},
    {DrawType::PrimePillar, &LayerCollections::layerCommonWipables, "a prime pillar"},
    {DrawType::SupportMain, &LayerCollections::layerSupportMain, "main support"},
    {DrawType::SupportInterface, &LayerCollections::layerSupportInterface, "support interface"},
    {DrawType::StackedInfill, &LayerCollections::layerStackedInfill, "stacked infill"},
    {DrawType::TopInfill, &LayerCollections::layerTopInfill, "sparse (top) infill"},
};

const LayerCollection LayerCollections::*const allCollections[] = {
    &LayerCollections::layerPerims,        &LayerCollections::layerSolids,
    &LayerCollections::layerNonPerims,     &LayerCollections::layerCommonWipables,
    &LayerCollections::layerSupportMain,   &LayerCollections::layerSupportInterface,
    &LayerCollections::layerStackedInfill, &LayerCollections::layerTopInfill,
};

TEST(CollectDraw, EachSectionFilesIntoExactlyOneCollection)
{
    for (const SectionRow& row : sectionRows) {
        Collector k;
        k.draw(row.section, 3, 1.5f, 2.5f, 0.3f, true);
        // Prime pillars of every tool share slot 0.
        const char* slot = row.section == DrawType::PrimePillar ? "T0" : "T3";
        EXPECT_EQ(describe(k.c.*row.collection), std::string("Z0.3 ") + slot + " [(1.5,2.5)]")
            << row.name << " lands in its own collection";
        int filled = 0;
        for (const auto member : allCollections)
            filled += (k.c.*member).entries.empty() ? 0 : 1;
        EXPECT_EQ(filled, 1) << row.name << ": each draw goes to exactly one collection";
    }
}

TEST(CollectDraw, BeginDrawStartsAPathAndOtherwiseTheLastPathGrows)
{
    Collector k;
    k.draw(DrawType::Perimeter, 0, 1, 0, 0.3f, true);
    k.draw(DrawType::Perimeter, 0, 2, 0, 0.3f, false);
    k.draw(DrawType::Perimeter, 0, 3, 0, 0.3f, true);
    k.draw(DrawType::Perimeter, 0, 4, 0, 0.3f, false);
    EXPECT_EQ(describe(k.c.layerPerims), "Z0.3 T0 [(1,0) (2,0)] [(3,0) (4,0)]")
        << "a run of draws is one path; beginDraw starts the next";
}

TEST(CollectDraw, AnEmptySlotStartsAPathEvenWithoutBeginDraw)
{
    Collector k;
    k.draw(DrawType::Perimeter, 0, 1, 0, 0.3f, true);
    k.draw(DrawType::Perimeter, 1, 2, 0, 0.3f, false);
    k.draw(DrawType::Solid, 1, 3, 0, 0.3f, false);
    k.draw(DrawType::Perimeter, 0, 4, 0, 0.3f, false);
    EXPECT_EQ(describe(k.c.layerPerims), "Z0.3 T0 [(1,0) (4,0)]; Z0.3 T1 [(2,0)]")
        << "without beginDraw the last path of the slot continues; an empty slot begins one";
    EXPECT_EQ(describe(k.c.layerSolids), "Z0.3 T1 [(3,0)]");
}

TEST(CollectDraw, LongPathsKeepEveryVertexInOrder)
{
    Collector k;
    std::string expected = "Z0.3 T4 [";
    for (int i = 0; i < 40; ++i) {
        k.draw(DrawType::Solid, 4, static_cast<float>(i), 1, 0.3f, i == 0);
        expected += (i ? " (" : "(") + std::to_string(i) + ",1)";
    }
    expected += "] [";
    for (int i = 0; i < 17; ++i) {
        k.draw(DrawType::Solid, 4, static_cast<float>(i), 2, 0.3f, i == 0);
        expected += (i ? " (" : "(") + std::to_string(i) + ",2)";
    }
    expected += "]";
    EXPECT_EQ(describe(k.c.layerSolids), expected) << "paths of any length keep their vertices in drawing order";
}

TEST(CollectDraw, HeightsAreExactFloatKeysInCreationOrder)
{
    Collector k;
    const float z = 0.3f;
    const float nextUp = std::nextafter(z, 1.0f);
    k.draw(DrawType::Perimeter, 0, 1, 0, 0.6f, true);
    k.draw(DrawType::Perimeter, 0, 2, 0, z, true);
    k.draw(DrawType::Perimeter, 0, 3, 0, nextUp, true);
    k.draw(DrawType::Perimeter, 0, 4, 0, 0.6f, true);
    k.draw(DrawType::Perimeter, 0, 5, 0, z, false);
    ASSERT_EQ(k.c.layerPerims.entries.size(), 3u) << "a height one float step away is another layer";
    EXPECT_EQ(k.c.layerPerims.entries[0].z, 0.6f) << "entries are kept in the order they were created";
    EXPECT_EQ(k.c.layerPerims.entries[1].z, z);
    EXPECT_EQ(k.c.layerPerims.entries[2].z, nextUp);
    EXPECT_EQ(describe(k.c.layerPerims), "Z0.6 T0 [(1,0)] [(4,0)]; Z0.3 T0 [(2,0) (5,0)]; Z0.3 T0 [(3,0)]")
        << "a draw at a known height goes back to its entry and continues that entry's last path";
    EXPECT_EQ(findLayerIndex(k.c.layerPerims, z), 1u);
    EXPECT_EQ(findLayerIndex(k.c.layerPerims, 0.45f), NO_INDEX) << "no entry for a height never drawn";
}

TEST(CollectDraw, ZeroAndNegativeZeroAreOneHeight)
{
    Collector k;
    k.draw(DrawType::Perimeter, 0, 1, 0, 0.0f, true);
    k.draw(DrawType::Perimeter, 0, 2, 0, 0.5f, true);
    k.draw(DrawType::Perimeter, 0, 3, 0, -0.0f, false);
    EXPECT_EQ(k.c.layerPerims.entries.size(), 2u) << "-0 equals 0 as a float, so it is the same entry";
    EXPECT_EQ(findLayerIndex(k.c.layerPerims, -0.0f), 0u);
}

TEST(CollectDraw, ToolsOutsideTheSixteenSlotsCannotBeStored)
{
    Collector k;
    EXPECT_THROW(k.draw(DrawType::Perimeter, 16, 1, 0, 0.3f, true), std::out_of_range) << "tool 16 has no slot";
    Collector m;
    EXPECT_THROW(m.draw(DrawType::Solid, -1, 1, 0, 0.3f, true), std::out_of_range) << "tool -1 has no slot";
    Collector p;
    p.draw(DrawType::PrimePillar, 17, 1, 0, 0.3f, true);
    EXPECT_EQ(describe(p.c.layerCommonWipables), "Z0.3 T0 [(1,0)]")
        << "a prime pillar is filed under slot 0 whatever the tool";
}

// ---------------------------------------------------------------------------
// Through the line loop: what G-code text makes of the collections.

struct FedLoop {
    OutBuffer out;
    Console console;
    LineLoop loop{out, console};
    FedLoop()
    {
        console.out = std::fopen(test::NULL_DEVICE, "w");
        console.in = std::fopen(test::NULL_DEVICE, "r");
    }
    ~FedLoop()
    {
        std::fclose(console.out);
        std::fclose(console.in);
    }
    FedLoop(const FedLoop&) = delete;
    FedLoop& operator=(const FedLoop&) = delete;
    const LayerCollections& feed(std::string_view gcode)
    {
        while (!gcode.empty()) {
            const std::size_t end = gcode.find('\n');
            processLine(loop, gcode.substr(0, end));
            gcode.remove_prefix(end == std::string_view::npos ? gcode.size() : end + 1);
        }
        return loop.layers;
    }
};

const std::string perimeter = "; 'Perimeter Path', 4.2 [feed mm/s], 145.0 [head mm/s]";
const std::string solid = "; 'Solid Path', 4.2 [feed mm/s], 145.0 [head mm/s]";
const std::string pillar = "; 'Prime Pillar Path', 4.2 [feed mm/s], 145.0 [head mm/s]";

TEST(CollectThroughLoop, DrawsSeparatedOnlyByCommentsAreOnePath)
{
    FedLoop f;
    const LayerCollections& c = f.feed(
        lines({"; *** Main G-code", perimeter, "G1 Z0.3 F1000", "G1 X1 Y1 F9000", "G1 X2 Y1 E0.1 F1800", "; a comment",
               ";", "; BEGIN_LAYER_OBJECT z=0.30", "G1 X3 Y1 E0.1", "M117 hello", "G1 X4 Y1 E0.1"}));
    EXPECT_EQ(describe(c.layerPerims), "Z0.3 T0 [(2,1) (3,1) (4,1)]")
        << "comment, layer and M lines do not end a path; the draw's start point is not recorded";
}

TEST(CollectThroughLoop, AnyMoveLineThatIsNotADrawEndsThePath)
{
    FedLoop f;
    const LayerCollections& c = f.feed(lines({"; *** Main G-code", perimeter, "G1 Z0.3 F1000",
                                              "G1 X1 Y0 E0.1 F1800", // path 1
                                              "G1 X5 Y5 F9000",      // travel
                                              "G1 X6 Y5 E0.1",       // path 2
                                              "G1 E-1 F2400",        // extruder only
                                              "G1 X7 Y5 E0.1",       // path 3
                                              "G1 F1800",            // feed rate only
                                              "G1 X8 Y5 E0.1",       // path 4
                                              "G1 X8 Y5 E0.1",       // no XY change: Other
                                              "G1 X9 Y5 E0.1",       // path 5
                                              "G1 Z0.5", "G1 Z0.3",  // Z moves
                                              "G1 X10 Y5 E0.1",      // path 6
                                              "G1 X11 Y5 E0",        // E0: a travel
                                              "G1 X12 Y5 E0.1"}));   // path 7
    EXPECT_EQ(describe(c.layerPerims), "Z0.3 T0 [(1,0)] [(6,5)] [(7,5)] [(8,5)] [(9,5)] [(10,5)] [(12,5)]")
        << "a travel, an E-only line, an F-only line, a move to the same point, a Z move and an E0 move each "
           "start a new path";
}

TEST(CollectThroughLoop, ANewHeightCreatesAnEntry)
{
    FedLoop f;
    const LayerCollections& c = f.feed(lines({"; *** Main G-code", perimeter, "G1 Z0.3 F1000", "G1 X1 Y0 E0.1 F1800",
                                              "G1 X2 Y0 Z0.6 E0.1", "G1 X3 Y0 Z.3 E0.1", "G1 X4 Y0 Z0.30 E0.1"}));
    EXPECT_EQ(describe(c.layerPerims), "Z0.3 T0 [(1,0) (3,0) (4,0)]; Z0.6 T0 [(2,0)]")
        << "a draw that changes Z files under the new height; Z.3 and Z0.30 are the same key as Z0.3; a run of "
           "draws continues the last path of each entry it returns to";
}

TEST(CollectThroughLoop, PrimePillarsOfEveryToolShareSlotZero)
{
    FedLoop f;
    const LayerCollections& c =
        f.feed(lines({"; *** Main G-code", pillar, "G1 Z0.3 F1000", "T1", "G1 X1 Y0 F9000", "G1 X2 Y0 E0.1 F1800", "T2",
                      "G1 X3 Y0 E0.1", "G1 X9 Y9 F9000", "T3", "G1 X9 Y8 F9000", "G1 X9 Y7 E0.1"}));
    EXPECT_EQ(describe(c.layerCommonWipables), "Z0.3 T0 [(2,0) (3,0)] [(9,7)]")
        << "prime pillar draws of tools 1, 2 and 3 all land in slot 0; a tool change between two draws "
           "continues the path";
}

TEST(CollectThroughLoop, DrawsWithoutAKnownPathKindGoToNonPerims)
{
    FedLoop f;
    const LayerCollections& c = f.feed(
        lines({"; *** Main G-code", "G1 Z0.3 F1000", "G1 X1 Y0 E0.1 F1800", // before any path comment
               "G1 X5 Y5 F9000", "; 'Skirt Path', 4.2 [feed mm/s]", "G1 X6 Y5 E0.1", "G1 X5 Y6 F9000",
               "; 'Support Base Path', 4.2 [feed mm/s]", "G1 X6 Y6 E0.1", "G1 X5 Y7 F9000", perimeter, "G1 X6 Y7 E0.1",
               "G1 X5 Y8 F9000", "; 'Destring/Wipe/Jump Path', 4.2 [feed mm/s]", "G1 X6 Y8 E0.1"}));
    EXPECT_EQ(describe(c.layerNonPerims), "Z0.3 T0 [(1,0)] [(6,5)] [(6,6)]")
        << "no path comment yet, an unknown kind and an unanticipated support kind are unclassified";
    EXPECT_EQ(describe(c.layerPerims), "Z0.3 T0 [(6,7)] [(6,8)]")
        << "a kind with a slash is not a path-kind comment: the section stays Perimeter";
}

TEST(CollectThroughLoop, SectionChangeWithoutAMoveContinuesTheNewSlotsLastPath)
{
    FedLoop f;
    const LayerCollections& c = f.feed(lines({"; *** Main G-code", "G1 Z0.3 F1000", perimeter, "G1 X1 Y0 E0.1 F1800",
                                              "G1 X2 Y0 E0.1",                          // perimeter path
                                              "G1 X5 Y5 F9000", solid, "G1 X6 Y5 E0.1", // solid path
                                              perimeter, "G1 X7 Y5 E0.1",               // back to perimeter
                                              solid, "G1 X8 Y5 E0.1"}));
    EXPECT_EQ(describe(c.layerPerims), "Z0.3 T0 [(1,0) (2,0) (7,5)]")
        << "a path-kind comment between two draws continues the last perimeter path, joining it to the new point";
    EXPECT_EQ(describe(c.layerSolids), "Z0.3 T0 [(6,5) (8,5)]") << "the same for the solid path";
}

TEST(CollectThroughLoop, ToolChangeWithoutAMoveContinuesTheNewToolsLastPath)
{
    FedLoop f;
    const LayerCollections& c = f.feed(lines({"; *** Main G-code", "G1 Z0.3 F1000", perimeter, "G1 X1 Y0 E0.1 F1800",
                                              "T1", "G1 X2 Y0 E0.1", // tool 1: empty slot
                                              "T0", "G1 X3 Y0 E0.1", // tool 0 again
                                              "T1", "G1 X4 Y0 E0.1"}));
    EXPECT_EQ(describe(c.layerPerims), "Z0.3 T0 [(1,0) (3,0)]; Z0.3 T1 [(2,0) (4,0)]")
        << "a tool change between draws begins a path only in an empty slot and otherwise continues the last one";
}

TEST(CollectThroughLoop, ToolForMainAndInfillAndDrawsInEveryChapter)
{
    FedLoop f;
    f.feed(lines({"; *** G-code Prefix", perimeter, "G1 X1 Y0 E0.1 F1800", "; *** Main G-code", "G1 Z0.3 F1000", "T2",
                  "; 'Support (may Stack) Path', 4.2 [feed mm/s]", "G1 X2 Y0 E0.1", "G1 X5 Y5 F9000", "T3",
                  "; 'Stacked Sparse Infill Path', 4.2 [feed mm/s]", "G1 X6 Y5 E0.1", "G1 X5 Y6 F9000", "T1", perimeter,
                  "G1 X6 Y6 E0.1", "; *** G-code Postfix", "G1 X9 Y9 F9000", "G1 X9 Y8 E0.1"}));
    const PrintState& s = f.loop.state;
    EXPECT_EQ(s.toolForMain, 2) << "the tool last seen drawing main support";
    EXPECT_EQ(s.toolForInfill, 3) << "the tool last seen drawing stacked infill";
    const LayerCollections& c = f.loop.layers;
    EXPECT_EQ(describe(c.layerSupportMain), "Z0.3 T2 [(2,0)]");
    EXPECT_EQ(describe(c.layerStackedInfill), "Z0.3 T3 [(6,5)]");
    EXPECT_EQ(describe(c.layerPerims), "Z0 T0 [(1,0)]; Z0.3 T1 [(6,6)] [(9,8)]")
        << "draws of the prefix and the postfix are collected too";
}

} // namespace
} // namespace vorlane
