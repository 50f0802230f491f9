// Searching the collected paths along a travel move: other tools' paths at or
// just below the nozzle that it would drag across, and the travelling tool's
// own paths at its height that it may wipe over.
#pragma once

#include "geometry/vec2.hpp"
#include "paths/layers.hpp"
#include "paths/search_index.hpp"

#include <vector>

namespace vorlane {

// A crossing of another tool's path along a travel.
struct Intersection {
    float lambda;
    // Cosine between the travel and the crossed segment, sign included.
    float dotProduct;
};
// Less only on a smaller lambda; never equal, so equal lambdas keep their
// order in a stable sort.
inline bool operator<(const Intersection& a, const Intersection& b) { return a.lambda < b.lambda; }

// The move under test and the nozzle it carries: at startZ where it begins,
// at currentZ where it ends, evenly between.
struct TravelMove {
    Vec2 origin;
    Vec2 terminus;
    Vec2 direction; // normalized(terminus - origin)
    float currentZ;
    int currentTool;
    float startZ;
};

// Walks every layer less than requiredClearance_MM below the nozzle (and every
// layer above it) for crossings with other tools' paths: the travelling
// tool's own paths are no obstacles. Every crossing is gathered into
// `intersections`; those beyond the drool allowance of their layer
// (lambdaPerDroolMM per millimetre below the nozzle, counted from the
// travel's start) count as obstacles and move the accumulators. Returns the
// lift the obstacles need. `scratch` is the index's, kept between searches.
// A travel that moves Z reaches as far below its lower end; a crossing where
// the nozzle then stands requiredClearance_MM or more above the path is no
// crossing. Heights below the nozzle, the drool allowance and the lift are
// measured from its end height, where a lifted travel comes back down to.
// With `window`, the segments are visited in the order the index holds them
// (the order drawn) rather than a plain walk's, through the nodes of the
// search's heights that `window` keeps from search to search. `reach`
// narrows the layers searched to those whose crossings the drool allowance
// may leave, which alone can need a lift, or to those it excuses whole,
// whose crossings only join the gathered list.
enum class DroolReach { Every, Reached, ExcusedWhole };
float findClosestWithinHeightGather(const LayerCollection& layers, float requiredClearance_MM, float lambdaPerDroolMM,
                                    const TravelMove& move, float& closestLambda, float& closestDotProduct,
                                    float& furthestLambda, std::vector<Intersection>& intersections,
                                    SearchScratch& scratch, WindowNodes* window = nullptr,
                                    DroolReach reach = DroolReach::Every);

// Own-tool crossings on the layer exactly at the nozzle's height, before
// uptoLambda: moves farthestLambda up to the farthest one. True when it moved.
bool findFarthestOfOwnToolAtSameHeightBeforeOther(const LayerCollection& layers, const TravelMove& move,
                                                  float uptoLambda, float& farthestLambda, float& farthestDotProduct,
                                                  SearchScratch& scratch);

// The largest lambda below maxLambdaForLift where the move crosses a path the
// travelling tool laid at this height (or any prime pillar there): dragging
// over it is harmless. 0 when there is none.
float findLastWipablePathLambda(const LayerCollections& collections, const TravelMove& move, float maxLambdaForLift,
                                SearchScratch& scratch);

} // namespace vorlane
