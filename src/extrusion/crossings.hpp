// Where a draw crosses collected paths of given kinds in the layers just
// below the nozzle.
#pragma once

#include "geometry/vec2.hpp"
#include "paths/layers.hpp"

#include <vector>

namespace vorlane {

struct Crossing {
    float lambda; // along the draw, strictly between 0 and 1
    DrawType drawType;
};
// Less only on a smaller lambda; equal lambdas keep their order in a stable sort.
inline bool operator<(const Crossing& a, const Crossing& b) { return a.lambda < b.lambda; }
inline bool operator==(const Crossing& a, const Crossing& b)
{
    return a.lambda == b.lambda && a.drawType == b.drawType;
}

// The draw under test and the window below it.
struct DrawProbe {
    Vec2 origin;
    Vec2 terminus;
    float currentZ;
    // Layers count when 0 < currentZ - z <= maxClearance_MM.
    float maxClearance_MM;
};

// Appends a Crossing for every crossing of the draw with a path of `layers`
// (of every tool) in the window, stamped `drawType`. True when there was one.
// `scratch` is the index's, kept between searches.
bool findCrossingsWithinHeightGather(const LayerCollection& layers, DrawType drawType, const DrawProbe& draw,
                                     std::vector<Crossing>& crossings, SearchScratch& scratch);

// Main support crossings; only when there are any, also support interface and
// perimeter crossings, which set `exceptions`.
bool findMainSupportCrossingsAndOtherTypes(const LayerCollections& collections, const DrawProbe& draw,
                                           std::vector<Crossing>& crossings, bool& exceptions, SearchScratch& scratch);

// Stacked infill crossings (the result), and always top infill crossings,
// which set `exceptions`.
bool findStackedInfillCrossings(const LayerCollections& collections, const DrawProbe& draw,
                                std::vector<Crossing>& crossings, bool& exceptions, SearchScratch& scratch);

} // namespace vorlane
