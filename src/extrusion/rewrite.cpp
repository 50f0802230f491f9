// The two draw rewrites. Both cut the draw at its crossings: a stretch over
// the kind below that needs help (main support, stacked infill) is written
// boosted, the rest plain; pieces end exactly on the draw's own points.
#include "extrusion/rewrite.hpp"

#include "gcode/console.hpp"
#include "gcode/writers.hpp"

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

struct DrawLine {
    Vec2 origin;
    Vec2 terminus;
    float currentE;
    float currentF;
    std::string_view text;
};

// How a split rewrite writes its pieces.
struct SplitRule {
    DrawType boostedKind;
    float boostedExtrusionFactor;
    float boostedSpeedFactor;
    float plainSpeedFactor;
    std::string_view plainComment;   // announces a plain piece
    std::string_view boostedComment; // announces a boosted piece
};

DrawLine drawLineOf(const PrintState& state)
{
    return {moveOrigin(state.moves, state.move),
            {state.moves.currentX, state.moves.currentY},
            state.moves.currentE,
            state.moves.currentF,
            state.line};
}

void announce(OutBuffer& out, std::string_view comment)
{
    writeLine(out, comment);
    writeLine(out, "");
}

// The draw written whole with one factor each for E and F, then the line's
// own feed rate back for the draws that follow.
void writeWholeDraw(OutBuffer& out, const DrawLine& draw, std::string_view comment, float eFactor, float fFactor)
{
    writeTextLine(out, comment, draw.text);
    writeXYEFDraw(out, draw.terminus, draw.currentE * eFactor, draw.currentF * fFactor);
    writeFeedRate(out, draw.currentF);
}

// Walks the crossings in lambda order. A boosted stretch runs from where the
// boosted kind is first met to the next other crossing; a plain stretch from
// there to the last other crossing before the boosted kind is met again.
// Returns how many draw lines it wrote: the pieces and the finish.
int writeSplitDraw(OutBuffer& out, const DrawLine& draw, std::vector<Crossing>& crossings, const SplitRule& rule)
{
    int drawLines = 1;
    writeTextLine(out, "; original line:", draw.text);
    std::stable_sort(crossings.begin(), crossings.end());
    DrawType prevFoundType = DrawType::None;
    float foundLambda = -1;
    float lastEmittedLambda = 0;
    for (const Crossing& c : crossings) {
        if (c.drawType == rule.boostedKind && prevFoundType != rule.boostedKind && prevFoundType != DrawType::None) {
            const Vec2 mainSegBeginPoint = interp(draw.origin, draw.terminus, foundLambda);
            const float emittedSegmentLengthFraction = foundLambda - lastEmittedLambda;
            announce(out, rule.plainComment);
            writeXYEFDraw(out, mainSegBeginPoint, draw.currentE * emittedSegmentLengthFraction,
                          draw.currentF * rule.plainSpeedFactor);
            lastEmittedLambda = foundLambda;
            ++drawLines;
        }
        if (c.drawType != rule.boostedKind && prevFoundType == rule.boostedKind) {
            const Vec2 segBeginPoint = interp(draw.origin, draw.terminus, c.lambda);
            const float emittedSegmentLengthFraction = c.lambda - lastEmittedLambda;
            announce(out, rule.boostedComment);
            writeXYEFDraw(out, segBeginPoint,
                          draw.currentE * emittedSegmentLengthFraction * rule.boostedExtrusionFactor,
                          draw.currentF * rule.boostedSpeedFactor);
            lastEmittedLambda = c.lambda;
            ++drawLines;
        }
        foundLambda = c.lambda;
        prevFoundType = c.drawType;
    }
    const float emittedSegmentLengthFraction = 1.0f - lastEmittedLambda;
    const bool endsBoosted = prevFoundType == rule.boostedKind;
    const float eFactor = endsBoosted ? rule.boostedExtrusionFactor : 1.0f;
    const float fFactor = endsBoosted ? rule.boostedSpeedFactor : rule.plainSpeedFactor;
    writeTextLine(out, "; finish off - emitting with factor of ", eFactor);
    const float finishFeedRate = draw.currentF * fFactor;
    writeXYEFDraw(out, draw.terminus, draw.currentE * emittedSegmentLengthFraction * eFactor, finishFeedRate);
    // The slicer writes F only on a path's first draw: give the rest of the
    // path its own feed rate back.
    if (finishFeedRate != draw.currentF) writeFeedRate(out, draw.currentF);
    return drawLines;
}

// A draw rewritten, and whether as two or more draw lines.
void countRewrite(long long& draws, long long& split, int drawLines)
{
    ++draws;
    if (drawLines >= 2) ++split;
}

} // namespace

bool boostSupportInterface(const PrintState& state, OutBuffer& out, std::vector<Crossing>& crossings,
                           RunResults& results)
{
    const DrawLine draw = drawLineOf(state);
    const int currentTool = state.currentTool;
    const float currentLayerThickness_MM =
        maxOf(MIN_INTERFACE_LAYER_THICKNESS_MM, state.layerThicknessForTool.at(static_cast<std::size_t>(currentTool)));
    const DrawProbe probe{draw.origin, draw.terminus, state.moves.currentZ,
                          currentLayerThickness_MM * CLEARANCE_WINDOW_LAYERS};
    crossings.clear();
    bool exceptions = false;
    const bool anyCrossings = findMainSupportCrossingsAndOtherTypes(state.layers, probe, crossings, exceptions);
    if (!anyCrossings) return false;

    const bool sameToolAsMainSupport = currentTool == state.toolForMain;
    const float prevLayerHeightForMain = prevLayerHeightForTool(state, state.toolForMain);
    const bool mainIsFirstLayer = prevLayerHeightForMain < MAX_DEEMED_FIRST_LAYER_THICKNESS;
    // The same material on a first support layer gets no extra volume.
    const bool canBoostVolume = !(sameToolAsMainSupport && mainIsFirstLayer);
    const float otherMaterialBoostFactor = state.run.interfaceDepth_MM / currentLayerThickness_MM;
    const float sameMaterialBoostFactor = state.run.interfaceDepthSame_MM / currentLayerThickness_MM;
    const float boostedFactor = sameToolAsMainSupport ? sameMaterialBoostFactor : otherMaterialBoostFactor;
    const float interfaceExtrusionFactor = canBoostVolume ? boostedFactor : 1.0f;
    const float layerThicknessSpeedFactor = 1.0f;
    const float netSpeedFactorNeeded =
        (sameToolAsMainSupport ? 1.0f : OTHER_TOOL_SPEED_NEED) * layerThicknessSpeedFactor;
    const float interfaceExtrusionSpeedFactor = minOf(1.0f, 1.0f / (netSpeedFactorNeeded * interfaceExtrusionFactor));

    writeTextLine(out, "; Interface Crosses Main: ", "sameToolAsMainSupport: ", sameToolAsMainSupport,
                  " mainIsFirstLayer: ", mainIsFirstLayer, " canBoostVolume: ", canBoostVolume,
                  " boostedFactor: ", boostedFactor, " prevLayerHeight for Main: ", prevLayerHeightForMain);
    int drawLines = 1;
    if (!exceptions) {
        writeWholeDraw(out, draw,
                       "; boosted Interface over all-Main Support - original line:", interfaceExtrusionFactor,
                       interfaceExtrusionSpeedFactor);
    } else {
        drawLines =
            writeSplitDraw(out, draw, crossings,
                           {DrawType::SupportMain, interfaceExtrusionFactor, interfaceExtrusionSpeedFactor, 1.0f,
                            "; found Main so emitting vanilla:", "; found other so emitting boosted Interface:"});
    }
    countRewrite(results.interfaceDraws, results.interfaceSplit, drawLines);
    return true;
}

bool manageTopInfillDraw(const PrintState& state, OutBuffer& out, std::vector<Crossing>& crossings, RunResults& results)
{
    const DrawLine draw = drawLineOf(state);
    const float currentLayerThickness_MM = state.layerThicknessForTool.at(static_cast<std::size_t>(state.currentTool));
    const DrawProbe probe{draw.origin, draw.terminus, state.moves.currentZ,
                          currentLayerThickness_MM * CLEARANCE_WINDOW_LAYERS};
    crossings.clear();
    bool exceptions = false;
    const bool anyCrossings = findStackedInfillCrossings(state.layers, probe, crossings, exceptions);
    if (!anyCrossings && !exceptions) return false;

    const bool canBoostVolume = true;
    const float boostedFactor = state.run.infillBoost;
    const float extrusionFactor = canBoostVolume ? boostedFactor : 1.0f;
    // Thinner layers and faster feed rates both call for slowing down.
    const float linearThicknessFactor =
        maxOf(MIN_LINEAR_THICKNESS_FACTOR, currentLayerThickness_MM / REFERENCE_LAYER_THICKNESS_MM);
    const float firstThicknessFactor = linearThicknessFactor * linearThicknessFactor;
    const float netSpeedFactorNeeded = firstThicknessFactor;
    const float topSpeedFactor = minOf(1.0f, draw.currentF / state.run.infillFullSpeed);
    const float extrusionBoostSpeedFactor = extrusionFactor;
    const float topInfillSpeedFactor = minOf(1.0f, extrusionBoostSpeedFactor * netSpeedFactorNeeded * topSpeedFactor);
    const float upperTopInfillSpeedFactor = minOf(1.0f, linearThicknessFactor * topSpeedFactor);

    writeTextLine(out, "; TopInfill Crosses StackedInfilln: ", " canBoostVolume: ", canBoostVolume,
                  " boostedFactor: ", boostedFactor,
                  " prevLayerHeight for Infill: ", prevLayerHeightForTool(state, state.toolForInfill));
    int drawLines = 1;
    if (!exceptions) {
        writeWholeDraw(out, draw, "; boosted TopInfill over all-Stacked Infill - original line:", extrusionFactor,
                       topInfillSpeedFactor);
    } else {
        drawLines =
            writeSplitDraw(out, draw, crossings,
                           {DrawType::StackedInfill, extrusionFactor, topInfillSpeedFactor, upperTopInfillSpeedFactor,
                            "; found StackedInfill so emitting nominally slowed vanilla to get there:",
                            "; found other so emitting boosted TopInfill:"});
    }
    countRewrite(results.infillDraws, results.infillSplit, drawLines);
    return true;
}

} // namespace vorlane
