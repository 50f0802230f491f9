// Counting the crossings of travels with other tools' fresh paths.
#include "lift/drags.hpp"

#include "paths/search_index.hpp"

namespace vorlane {

StoreLimit fileDrawLine(DrawLines& lines, float z, int tool, bool outerPerimeter, Vec2 from, Vec2 to)
{
    if (const StoreLimit limit = appendSegment(lines.all, z, tool, from, to); limit != StoreLimit::None) return limit;
    return outerPerimeter ? appendSegment(lines.outerPerimeters, z, tool, from, to) : StoreLimit::None;
}

namespace {

// Which side of the line through a and b c lies on, in 64 bits.
double side(Vec2 a, Vec2 b, Vec2 c)
{
    return (static_cast<double>(b.x) - a.x) * (static_cast<double>(c.y) - a.y) -
           (static_cast<double>(b.y) - a.y) * (static_cast<double>(c.x) - a.x);
}

bool opposite(double p, double q) { return (p > 0 && q < 0) || (p < 0 && q > 0); }

bool properlyCross(Vec2 a, Vec2 b, Vec2 c, Vec2 d)
{
    return opposite(side(a, b, c), side(a, b, d)) && opposite(side(c, d, a), side(c, d, b));
}

long long crossingsIn(const LayerCollection& layers, Vec2 from, Vec2 to, float z, int tool, SearchScratch& scratch)
{
    long long found = 0;
    const auto tooLow = [z](float height) { return !(z - height < NOZZLE_HEIGHT_TOLERANCE_MM); };
    const auto tooHigh = [z](float height) { return !(height - z < NOZZLE_HEIGHT_TOLERANCE_MM); };
    SlotFilter otherTools;
    if (tool >= 0 && tool < TOOL_SLOTS) otherTools.tools &= static_cast<std::uint16_t>(~(1u << tool));
    forEachSegmentInWindow(layers, searchQueryOf(from, to), tooLow, tooHigh, otherTools, scratch,
                           [&](const LayerEntry&, int, Vec2 prev, Vec2 vertex) {
                               if (properlyCross(from, to, prev, vertex)) ++found;
                           });
    return found;
}

} // namespace

Crossings crossingsOf(const DrawLines& lines, Vec2 from, Vec2 to, float z, int tool, SearchScratch& scratch)
{
    Crossings crossings;
    crossings.all = crossingsIn(lines.all, from, to, z, tool, scratch);
    if (crossings.all > 0) crossings.overOuterPerimeters = crossingsIn(lines.outerPerimeters, from, to, z, tool, scratch);
    return crossings;
}

void addTravel(DragCounts& counts, const Crossings& crossings)
{
    ++counts.travels;
    if (crossings.all > 0) ++counts.crossingTravels;
    counts.crossings.all += crossings.all;
    counts.crossings.overOuterPerimeters += crossings.overOuterPerimeters;
}

} // namespace vorlane
