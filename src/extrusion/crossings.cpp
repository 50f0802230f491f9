// Crossing search along a draw. Layer entries in creation order, then tool
// slot, path and vertex.
#include "extrusion/crossings.hpp"

#include "paths/search_index.hpp"

namespace vorlane {

bool findCrossingsWithinHeightGather(const LayerCollection& layers, DrawType drawType, const DrawProbe& draw,
                                     float& closestLambda, float& furthestLambda, std::vector<Crossing>& crossings)
{
    bool anyCrossings = false;
    const SearchQuery query = searchQueryOf(draw.origin, draw.terminus);
    // Layers below the nozzle by more than nothing and at most maxClearance_MM.
    const auto tooLow = [&](float z) { return !(draw.currentZ - z <= draw.maxClearance_MM); };
    const auto tooHigh = [&](float z) { return !(0.0f < draw.currentZ - z); };
    forEachSegmentInWindow(layers, query, tooLow, tooHigh, SlotFilter{},
                           [&](const LayerEntry&, int t, Vec2 prev, Vec2 vertex) {
                               float lambda;
                               if (!crossesAt(draw.origin, draw.terminus, prev, vertex, lambda)) return;
                               anyCrossings = true;
                               crossings.push_back({lambda, t, drawType});
                               if (lambda < closestLambda)
                                   closestLambda = lambda;
                               else if (lambda > furthestLambda)
                                   furthestLambda = lambda;
                           });
    return anyCrossings;
}

bool findMainSupportCrossingsAndOtherTypes(const LayerCollections& c, const DrawProbe& draw, float& closestLambda,
                                           float& furthestLambda, std::vector<Crossing>& crossings, bool& exceptions)
{
    if (!findCrossingsWithinHeightGather(c.layerSupportMain, DrawType::SupportMain, draw, closestLambda, furthestLambda,
                                         crossings))
        return false;
    if (findCrossingsWithinHeightGather(c.layerSupportInterface, DrawType::SupportInterface, draw, closestLambda,
                                        furthestLambda, crossings))
        exceptions = true;
    if (findCrossingsWithinHeightGather(c.layerPerims, DrawType::Perimeter, draw, closestLambda, furthestLambda,
                                        crossings))
        exceptions = true;
    return true;
}

bool findStackedInfillCrossings(const LayerCollections& c, const DrawProbe& draw, float& closestLambda,
                                float& furthestLambda, std::vector<Crossing>& crossings, bool& exceptions)
{
    const bool anyCrossings = findCrossingsWithinHeightGather(c.layerStackedInfill, DrawType::StackedInfill, draw,
                                                              closestLambda, furthestLambda, crossings);
    if (findCrossingsWithinHeightGather(c.layerTopInfill, DrawType::TopInfill, draw, closestLambda, furthestLambda,
                                        crossings))
        exceptions = true;
    return anyCrossings;
}

} // namespace vorlane
