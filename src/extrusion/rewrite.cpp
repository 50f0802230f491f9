// The two draw rewrites. Both cut the draw at its crossings: a stretch over
// the kind below that needs help (main support, stacked infill) is written
// boosted, the rest plain; pieces end exactly on the draw's own points.
#include "extrusion/rewrite.hpp"

#include <algorithm>

namespace vorlane {

namespace {

// Main support whose layer below lies lower than this is a first layer.
constexpr float MAX_DEEMED_FIRST_LAYER_THICKNESS = 0.4f;
constexpr float MIN_INTERFACE_LAYER_THICKNESS_MM = 0.05f;
// The window below a draw, in layer thicknesses.
constexpr float CLEARANCE_WINDOW_LAYERS = 1.25f;
// Another material may be pushed out at twice the volume rate.
constexpr float OTHER_TOOL_SPEED_NEED = 0.5f;

constexpr float REFERENCE_LAYER_THICKNESS_MM = 0.25f;
constexpr float MIN_LINEAR_THICKNESS_FACTOR = 0.1f;

// How a split rewrite writes its pieces.
struct SplitRule {
    DrawType boostedKind;
    float boostedExtrusionFactor;
    float boostedSpeedFactor;
    float plainSpeedFactor;
    std::string_view plainComment;   // announces a plain piece
    std::string_view boostedComment; // announces a boosted piece
};

DrawProbe probeOf(const DrawToRewrite& draw, float layerThickness_MM)
{
    return {draw.origin, draw.terminus, draw.currentZ, layerThickness_MM * CLEARANCE_WINDOW_LAYERS};
}

// The draw written whole with one factor each for E and F, then the line's
// own feed rate back for the draws that follow.
void planWholeDraw(Plan& plan, const DrawToRewrite& draw, std::string_view comment, float eFactor, float fFactor)
{
    planText(plan, comment, draw.text);
    planXYEFDraw(plan, draw.terminus, draw.e * eFactor, draw.currentF * fFactor);
    planFeedRate(plan, draw.currentF);
}

// A piece of the draw from the last piece's end to `lambda`, announced.
void planPiece(Plan& plan, const DrawToRewrite& draw, std::string_view comment, float lambda, float& lastEmittedLambda,
               float eFactor, float fFactor)
{
    planText(plan, comment);
    planText(plan);
    const float emittedSegmentLengthFraction = lambda - lastEmittedLambda;
    planXYEFDraw(plan, interp(draw.origin, draw.terminus, lambda), draw.e * emittedSegmentLengthFraction * eFactor,
                 draw.currentF * fFactor);
    lastEmittedLambda = lambda;
}

// Walks the crossings in lambda order. A boosted stretch runs from where the
// boosted kind is first met to the next other crossing; a plain stretch from
// there to the last other crossing before the boosted kind is met again.
void planSplitDraw(Plan& plan, const DrawToRewrite& draw, std::vector<Crossing>& crossings, const SplitRule& rule)
{
    planText(plan, "; original line:", draw.text);
    std::stable_sort(crossings.begin(), crossings.end());
    DrawType prevFoundType = DrawType::None;
    float foundLambda = -1;
    float lastEmittedLambda = 0;
    for (const Crossing& c : crossings) {
        // A plain piece's E has no factor: the draw's own amount per length.
        if (c.drawType == rule.boostedKind && prevFoundType != rule.boostedKind && prevFoundType != DrawType::None)
            planPiece(plan, draw, rule.plainComment, foundLambda, lastEmittedLambda, 1.0f, rule.plainSpeedFactor);
        if (c.drawType != rule.boostedKind && prevFoundType == rule.boostedKind)
            planPiece(plan, draw, rule.boostedComment, c.lambda, lastEmittedLambda, rule.boostedExtrusionFactor,
                      rule.boostedSpeedFactor);
        foundLambda = c.lambda;
        prevFoundType = c.drawType;
    }
    const float emittedSegmentLengthFraction = 1.0f - lastEmittedLambda;
    const bool endsBoosted = prevFoundType == rule.boostedKind;
    const float eFactor = endsBoosted ? rule.boostedExtrusionFactor : 1.0f;
    const float fFactor = endsBoosted ? rule.boostedSpeedFactor : rule.plainSpeedFactor;
    planText(plan, "; finish off - emitting with factor of ", eFactor);
    const float finishFeedRate = draw.currentF * fFactor;
    planXYEFDraw(plan, draw.terminus, draw.e * emittedSegmentLengthFraction * eFactor, finishFeedRate);
    // The slicer writes F only on a path's first draw: give the rest of the
    // path its own feed rate back.
    if (finishFeedRate != draw.currentF) planFeedRate(plan, draw.currentF);
}

} // namespace

bool planInterfaceBoost(const DrawToRewrite& draw, const ToolBelow& mainSupport, const LayerCollections& c,
                        const RunSettings& settings, CrossingScratch& scratch, Plan& plan)
{
    const float currentLayerThickness_MM = maxOf(MIN_INTERFACE_LAYER_THICKNESS_MM, draw.layerThickness_MM);
    scratch.crossings.clear();
    bool exceptions = false;
    if (!findMainSupportCrossingsAndOtherTypes(c, probeOf(draw, currentLayerThickness_MM), scratch.crossings,
                                               exceptions, scratch.search))
        return false;

    const bool sameToolAsMainSupport = mainSupport.sameTool;
    const bool mainIsFirstLayer = mainSupport.prevLayerHeight < MAX_DEEMED_FIRST_LAYER_THICKNESS;
    // The same material on a first support layer gets no extra volume.
    const bool canBoostVolume = !(sameToolAsMainSupport && mainIsFirstLayer);
    const float otherMaterialBoostFactor = settings.interfaceDepth_MM / currentLayerThickness_MM;
    const float sameMaterialBoostFactor = settings.interfaceDepthSame_MM / currentLayerThickness_MM;
    const float boostedFactor = sameToolAsMainSupport ? sameMaterialBoostFactor : otherMaterialBoostFactor;
    const float interfaceExtrusionFactor = canBoostVolume ? boostedFactor : 1.0f;
    // The layer's thickness does not slow the interface: only another
    // material's need does.
    const float netSpeedFactorNeeded = sameToolAsMainSupport ? 1.0f : OTHER_TOOL_SPEED_NEED;
    const float interfaceExtrusionSpeedFactor = minOf(1.0f, 1.0f / (netSpeedFactorNeeded * interfaceExtrusionFactor));

    plan.factor = interfaceExtrusionFactor;
    planText(plan, "; Interface Crosses Main: ", "sameToolAsMainSupport: ", sameToolAsMainSupport,
             " mainIsFirstLayer: ", mainIsFirstLayer, " canBoostVolume: ", canBoostVolume,
             " boostedFactor: ", boostedFactor, " prevLayerHeight for Main: ", mainSupport.prevLayerHeight);
    if (!exceptions) {
        planWholeDraw(plan, draw,
                      "; boosted Interface over all-Main Support - original line:", interfaceExtrusionFactor,
                      interfaceExtrusionSpeedFactor);
    } else {
        planSplitDraw(plan, draw, scratch.crossings,
                      {DrawType::SupportMain, interfaceExtrusionFactor, interfaceExtrusionSpeedFactor, 1.0f,
                       "; found Main so emitting vanilla:", "; found other so emitting boosted Interface:"});
    }
    return true;
}

bool planInfillBoost(const DrawToRewrite& draw, const ToolBelow& stackedInfill, const LayerCollections& c,
                     const RunSettings& settings, CrossingScratch& scratch, Plan& plan)
{
    const float currentLayerThickness_MM = draw.layerThickness_MM;
    scratch.crossings.clear();
    bool exceptions = false;
    const bool anyCrossings = findStackedInfillCrossings(c, probeOf(draw, currentLayerThickness_MM), scratch.crossings,
                                                         exceptions, scratch.search);
    if (!anyCrossings && !exceptions) return false;

    // Sparse infill always takes the boost over what lies below it.
    const float extrusionFactor = settings.infillBoost;
    // Thinner layers and faster feed rates both call for slowing down.
    const float linearThicknessFactor =
        maxOf(MIN_LINEAR_THICKNESS_FACTOR, currentLayerThickness_MM / REFERENCE_LAYER_THICKNESS_MM);
    const float firstThicknessFactor = linearThicknessFactor * linearThicknessFactor;
    const float netSpeedFactorNeeded = firstThicknessFactor;
    const float topSpeedFactor = minOf(1.0f, draw.currentF / settings.infillFullSpeed);
    const float extrusionBoostSpeedFactor = extrusionFactor;
    const float topInfillSpeedFactor = minOf(1.0f, extrusionBoostSpeedFactor * netSpeedFactorNeeded * topSpeedFactor);
    const float upperTopInfillSpeedFactor = minOf(1.0f, linearThicknessFactor * topSpeedFactor);

    plan.factor = extrusionFactor;
    planText(plan, "; TopInfill Crosses StackedInfilln: ", " canBoostVolume: true boostedFactor: ", extrusionFactor,
             " prevLayerHeight for Infill: ", stackedInfill.prevLayerHeight);
    if (!exceptions) {
        planWholeDraw(plan, draw, "; boosted TopInfill over all-Stacked Infill - original line:", extrusionFactor,
                      topInfillSpeedFactor);
    } else {
        planSplitDraw(plan, draw, scratch.crossings,
                      {DrawType::StackedInfill, extrusionFactor, topInfillSpeedFactor, upperTopInfillSpeedFactor,
                       "; found StackedInfill so emitting nominally slowed vanilla to get there:",
                       "; found other so emitting boosted TopInfill:"});
    }
    return true;
}

} // namespace vorlane
