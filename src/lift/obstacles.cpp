// Obstacle searches along a travel. Layer entries are visited in creation
// order, then tool slot, path and vertex, so equal lambdas are found in the
// same order on every run, through the index or not.
#include "lift/obstacles.hpp"

#include "paths/search_index.hpp"

namespace vorlane {

float findClosestWithinHeightGather(const LayerCollection& layers, float requiredClearance_MM, float lambdaPerDroolMM,
                                    const TravelMove& move, float& closestLambda, float& closestDotProduct,
                                    float& furthestLambda, std::vector<Intersection>& intersections,
                                    SearchScratch& scratch, WindowNodes* window, DroolReach reach)
{
    float mustLiftAmount_MM = 0;
    const SearchQuery query = searchQueryOf(move.origin, move.terminus);
    // Every layer less than the clearance below the nozzle, and every layer
    // above it; of them those the drool allowance leaves some crossing of, or
    // those it excuses whole (so deep that it excuses a whole travel's
    // length: the same product as a crossing's allowance, against 1).
    const bool level = move.startZ == move.currentZ;
    const float lowest = minOf(move.startZ, move.currentZ);
    const auto excusedWhole = [&](float z) {
        const float clearance = move.currentZ - z;
        return !(lambdaPerDroolMM * clearance < 1.0f);
    };
    const auto belowWindow = [&](float z) { return !(lowest - z < requiredClearance_MM); };
    const auto aboveWindow = [](float) { return false; };
    const auto tooLow = [&](float z) { return belowWindow(z) || (reach == DroolReach::Reached && excusedWhole(z)); };
    const auto tooHigh = [&](float z) { return reach == DroolReach::ExcusedWhole && !excusedWhole(z); };
    SlotFilter everyOtherTool;
    if (move.currentTool >= 0 && move.currentTool < TOOL_SLOTS)
        everyOtherTool.tools &= static_cast<std::uint16_t>(~(1u << move.currentTool));
    BandSides band{query};
    const auto visit = [&](const LayerEntry& entry, int, Vec2 prev, Vec2 vertex) {
        if (!band.mayCross(prev, vertex)) return;
        const float clearance = move.currentZ - entry.z;
        const float droolLambdaForThisLayer = lambdaPerDroolMM * clearance;
        float lambda, dotProduct;
        if (!crossesAt(move.origin, move.terminus, prev, vertex, move.direction, lambda, dotProduct)) return;
        if (!level && !(move.startZ + lambda * (move.currentZ - move.startZ) - entry.z < requiredClearance_MM)) return;
        intersections.push_back({lambda, dotProduct});
        if (!(droolLambdaForThisLayer < lambda)) return;
        if (lambda < closestLambda) {
            closestLambda = lambda;
            closestDotProduct = dotProduct;
        }
        if (lambda > furthestLambda) furthestLambda = lambda;
        mustLiftAmount_MM = maxOf(mustLiftAmount_MM, requiredClearance_MM - clearance);
    };
    if (window)
        forEachSegmentInWindowInAnyOrder(layers, query, tooLow, tooHigh, everyOtherTool,
                                         WindowKey{lowest, requiredClearance_MM}, *window, visit, belowWindow,
                                         aboveWindow);
    else
        forEachSegmentInWindow(layers, query, tooLow, tooHigh, everyOtherTool, scratch, visit);
    return mustLiftAmount_MM;
}

bool findFarthestOfOwnToolAtSameHeightBeforeOther(const LayerCollection& layers, const TravelMove& move,
                                                  float uptoLambda, float& farthestLambda, float& farthestDotProduct,
                                                  SearchScratch& scratch)
{
    bool foundOurDraw = false;
    const std::uint32_t found = findLayerIndex(layers, move.currentZ);
    if (found == NO_INDEX || move.currentTool < 0 || move.currentTool >= TOOL_SLOTS) return false;
    const auto visit = [&](const LayerEntry&, int, Vec2 prev, Vec2 vertex) {
        float lambda, dotProduct;
        if (crossesAt(move.origin, move.terminus, prev, vertex, move.direction, lambda, dotProduct) &&
            lambda < uptoLambda && lambda > farthestLambda) {
            farthestLambda = lambda;
            farthestDotProduct = dotProduct;
            foundOurDraw = true;
        }
    };
    forEachSegmentOfSlotNear(layers, found, move.currentTool, searchQueryOf(move.origin, move.terminus), scratch,
                             visit);
    return foundOurDraw;
}

float findLastWipablePathLambda(const LayerCollections& c, const TravelMove& move, float maxLambdaForLift,
                                SearchScratch& scratch)
{
    float lastWipablePathLambda = 0;
    float farthestDotProduct = NaN;
    // Every search runs: each may move the farthest crossing further.
    const auto search = [&](const LayerCollection& layers, int tool) {
        TravelMove asTool = move;
        asTool.currentTool = tool;
        return findFarthestOfOwnToolAtSameHeightBeforeOther(layers, asTool, maxLambdaForLift, lastWipablePathLambda,
                                                            farthestDotProduct, scratch);
    };
    search(c.layerNonPerims, move.currentTool);
    search(c.layerSupportMain, move.currentTool);
    search(c.layerSupportInterface, move.currentTool);
    search(c.layerPerims, move.currentTool);
    // Prime pillars of every tool are filed under slot 0.
    search(c.layerCommonWipables, 0);
    return lastWipablePathLambda;
}

} // namespace vorlane
