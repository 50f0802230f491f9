// Crossing search along a draw. Layer entries in creation order, then tool
// slot, path and vertex.
#include "extrusion/crossings.hpp"

namespace vorlane {

bool findCrossingsWithinHeightGather(const LayerCollection& layers, DrawType drawType, const DrawProbe& draw,
                                     float& closestLambda, float& furthestLambda, std::vector<Crossing>& crossings)
{
    bool anyCrossings = false;
    for (const LayerEntry& entry : layers.entries) {
        const float clearance = draw.currentZ - entry.z;
        if (!(0.0f < clearance && clearance <= draw.maxClearance_MM)) continue;
        for (int t = 0; t < TOOL_SLOTS; ++t) {
            const ToolSlot& slot = entry.slots[static_cast<std::size_t>(t)];
            for (std::size_t p = 0; p < pathCount(slot); ++p) {
                const std::span<const Vec2> vertices = pathAt(slot, p).vertices;
                for (std::size_t v = 1; v < vertices.size(); ++v) {
                    float lambda;
                    if (!intersects(draw.origin, draw.terminus, vertices[v - 1], vertices[v], lambda)) continue;
                    anyCrossings = true;
                    crossings.push_back({lambda, t, drawType});
                    if (lambda < closestLambda)
                        closestLambda = lambda;
                    else if (lambda > furthestLambda)
                        furthestLambda = lambda;
                }
            }
        }
    }
    return anyCrossings;
}

bool findMainSupportCrossingsAndOtherTypes(const LayerCollections& c, const DrawProbe& draw, float& closestLambda,
                                           float& furthestLambda, std::vector<Crossing>& crossings, bool& exceptions)
{
    if (!findCrossingsWithinHeightGather(c.layerSupportMain, DrawType::SupportMain, draw, closestLambda,
                                         furthestLambda, crossings))
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
