// Re-extruding draws over what lies below: support interface over main
// support, and sparse infill over stacked infill, get more material and a
// lower feed rate where they cross it.
#pragma once

#include "extrusion/crossings.hpp"
#include "gcode/plan.hpp"
#include "state/run_settings.hpp"

#include <string_view>
#include <vector>

namespace vorlane {

// The draw a rewrite may replace, as the printer follows it.
struct DrawToRewrite {
    Vec2 origin;
    Vec2 terminus;
    float currentZ;
    // The filament the draw pushes, and the feed rate in effect after it.
    float e;
    float currentF;
    // The drawing tool's layer thickness.
    float layerThickness_MM;
    // The line as read.
    std::string_view text;
};

// The tool that last drew what lies below (main support, stacked infill).
struct ToolBelow {
    // It is the drawing tool.
    bool sameTool;
    // The height of the layer below its last drawn layer.
    float prevLayerHeight;
};

// What the rewrites reuse from draw to draw, so that no draw allocates.
struct CrossingScratch {
    std::vector<Crossing> crossings;
    SearchScratch search;
};

// For a support-interface draw: when it crosses main support in the window
// below, plans its replacement and returns true.
bool planInterfaceBoost(const DrawToRewrite& draw, const ToolBelow& mainSupport, const LayerCollections& collections,
                        const RunSettings& settings, CrossingScratch& scratch, Plan& plan);

// The same for a sparse-infill draw over stacked (or other sparse) infill.
bool planInfillBoost(const DrawToRewrite& draw, const ToolBelow& stackedInfill, const LayerCollections& collections,
                     const RunSettings& settings, CrossingScratch& scratch, Plan& plan);

} // namespace vorlane
