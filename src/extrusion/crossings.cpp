// Crossing search along a draw. Layer entries in creation order, then tool
// slot, path and vertex.
#include "extrusion/crossings.hpp"

#include "paths/search_index.hpp"

namespace vorlane {

bool findCrossingsWithinHeightGather(const LayerCollection& layers, DrawType drawType, const DrawProbe& draw,
                                     std::vector<Crossing>& crossings, SearchScratch& scratch)
{
    bool anyCrossings = false;
    const SearchQuery query = searchQueryOf(draw.origin, draw.terminus);
    // Layers below the nozzle by more than nothing and at most maxClearance_MM.
    const auto tooLow = [&](float z) { return !(draw.currentZ - z <= draw.maxClearance_MM); };
    const auto tooHigh = [&](float z) { return !(0.0f < draw.currentZ - z); };
    BandSides band{query};
    forEachSegmentInWindow(
        layers, query, tooLow, tooHigh, SlotFilter{}, scratch, [&](const LayerEntry&, int, Vec2 prev, Vec2 vertex) {
            float lambda;
            if (!band.mayCross(prev, vertex) || !crossesAt(draw.origin, draw.terminus, prev, vertex, lambda)) return;
            anyCrossings = true;
            crossings.push_back({lambda, drawType});
        });
    return anyCrossings;
}

bool findMainSupportCrossingsAndOtherTypes(const LayerCollections& c, const DrawProbe& draw,
                                           std::vector<Crossing>& crossings, bool& exceptions, SearchScratch& scratch)
{
    const auto find = [&](const LayerCollection& layers, DrawType drawType) {
        return findCrossingsWithinHeightGather(layers, drawType, draw, crossings, scratch);
    };
    if (!find(c.layerSupportMain, DrawType::SupportMain)) return false;
    if (find(c.layerSupportInterface, DrawType::SupportInterface)) exceptions = true;
    if (find(c.layerPerims, DrawType::Perimeter)) exceptions = true;
    return true;
}

bool findStackedInfillCrossings(const LayerCollections& c, const DrawProbe& draw, std::vector<Crossing>& crossings,
                                bool& exceptions, SearchScratch& scratch)
{
    const bool anyCrossings =
        findCrossingsWithinHeightGather(c.layerStackedInfill, DrawType::StackedInfill, draw, crossings, scratch);
    if (findCrossingsWithinHeightGather(c.layerTopInfill, DrawType::TopInfill, draw, crossings, scratch))
        exceptions = true;
    return anyCrossings;
}

} // namespace vorlane
