// Lift decision and the lifted travel. The nozzle must be up a safe distance
// before the first other-colour crossing; it may rise only after the last
// own-colour crossing (dragging over its own colour wipes the nozzle); and a
// band of adjacent other-colour paths at the start of the rise is crossed
// anyway, so the rise moves past it.
#include "lift/lift.hpp"

#include "gcode/writers.hpp"

#include <algorithm>
#include <cmath>

namespace vorlane {

namespace {

// Millimetres of travel excused per millimetre a crossed layer lies below the nozzle.
constexpr float travelMMperDroolMM = 20.0f;
constexpr float SPEED_FRACTION = 1.0f;
// Smallest sine of a crossing angle used in a division.
constexpr float ANGLE_FLOOR = 0.01f;
// Largest angle factor used to delay the rise past a band.
constexpr float ANGLE_FACTOR_CAP = 2.0f;

// 1 / sine of the angle between the travel and a crossed path (1 when
// perpendicular, up to 100 when grazing).
float angleFactor(float dotProduct) { return 1.0f / maxOf(ANGLE_FLOOR, std::sqrt(1.0f - dotProduct * dotProduct)); }

} // namespace

bool liftTravelIfNeeded(const PrintState& state, OutBuffer& out, Console& console, bool debug,
                        std::vector<Intersection>& otherPerimIntersections, RunResults& results)
{
    const MoveResult& move = state.move;
    const MoveState& at = state.moves;
    TravelMove travel;
    travel.origin = moveOrigin(at, move);
    travel.terminus = {at.currentX, at.currentY};
    travel.direction = normalized(travel.terminus - travel.origin);
    travel.currentZ = at.currentZ;
    travel.currentTool = state.currentTool;

    const float moveLength_MMSQ = move.xDistance * move.xDistance + move.yDistance * move.yDistance;
    const RunSettings& settings = state.run;
    if (!(settings.liftMinTravel_MM * settings.liftMinTravel_MM < moveLength_MMSQ)) return false;

    const float moveLength_MM = std::sqrt(moveLength_MMSQ);
    float closestLambda = FLOAT_MAX;
    float furthestLambda = 0;
    float closestDotProduct = 0;
    const float lambdaPerDroolMM = travelMMperDroolMM / moveLength_MM;
    const float minLambda = 0;
    otherPerimIntersections.clear();

    // Every crossing of another tool's path is kept, for the band below.
    const auto search = [&](const LayerCollection& layers, float& closest, float& closestDot) {
        return findClosestWithinHeightGather(layers, settings.liftHeight_MM, minLambda, lambdaPerDroolMM, travel,
                                             closest, closestDot, furthestLambda, otherPerimIntersections);
    };
    float mustLiftAmount_MM = search(state.layers.layerPerims, closestLambda, closestDotProduct);

    // Solids count only when they are met before every perimeter.
    float closestSolidsLambda = FLOAT_MAX;
    float closestSolidsDotProduct = 0;
    const float solidsMustLiftAmount_MM =
        search(state.layers.layerSolids, closestSolidsLambda, closestSolidsDotProduct);
    if (closestSolidsLambda < closestLambda) {
        mustLiftAmount_MM = maxOf(mustLiftAmount_MM, solidsMustLiftAmount_MM);
        closestLambda = closestSolidsLambda;
        closestDotProduct = closestSolidsDotProduct;
    }
    if (!(mustLiftAmount_MM > 0)) return false;

    const float minimalClearanceInLambdaTerms = settings.movementClearance_MM / moveLength_MM;
    const float minimalMovementInLambdaTerms = settings.initialClearance_MM / moveLength_MM;
    const float lineBackoffForPathAngle = angleFactor(closestDotProduct);
    const float adjustedClosestLambda = maxOf(
        closestLambda - minimalClearanceInLambdaTerms - lineBackoffForPathAngle * minimalMovementInLambdaTerms, 0.0f);
    float minLambdaForLift = 0;
    float maxLambdaForLift = adjustedClosestLambda;

    const float lastWipablePathLambda = findLastWipablePathLambda(state.layers, travel, closestLambda);
    if (lastWipablePathLambda > minLambdaForLift) minLambdaForLift = lastWipablePathLambda;

    bool skipLift = false;
    if (minLambdaForLift > maxLambdaForLift && furthestLambda <= closestLambda) {
        // Own colour runs past the deadline and nothing lies beyond the first obstacle.
        skipLift = true;
        if (debug)
            say(console, concat("line:", state.lineNo, " min > max!! min - skipping!", minLambdaForLift, " mx ",
                                maxLambdaForLift, " furthest lambda ", furthestLambda, " move len ", moveLength_MM));
    } else {
        // A band of adjacent other-colour paths where the rise would begin is
        // crossed anyway: rise after it, and be up by the first real gap.
        const float pathWidthInLambdaTerms = settings.pathWidth_MM / moveLength_MM;
        std::stable_sort(otherPerimIntersections.begin(), otherPerimIntersections.end());
        float lastContiguousLambda = minLambdaForLift;
        float lastAngleFactor = NaN;
        float firstGapLambda = 0;
        for (const Intersection& crossing : otherPerimIntersections) {
            const float separationFactorForPathAngle = angleFactor(crossing.dotProduct);
            const float lambdaStep = crossing.lambda - lastContiguousLambda;
            const float gapToleranceLambda = minimalClearanceInLambdaTerms;
            const float effectivePathWidthLambda = pathWidthInLambdaTerms * separationFactorForPathAngle;
            const float allowableStep = effectivePathWidthLambda + gapToleranceLambda;
            if (!(lambdaStep <= allowableStep)) {
                firstGapLambda = maxOf(crossing.lambda - minimalClearanceInLambdaTerms * separationFactorForPathAngle,
                                       lastContiguousLambda);
                break;
            }
            lastContiguousLambda = maxOf(lastContiguousLambda, crossing.lambda);
            lastAngleFactor = separationFactorForPathAngle;
        }
        if (lastContiguousLambda > minLambdaForLift) {
            if (firstGapLambda == 0) {
                skipLift = true; // the band runs to the last crossing: nothing to lift for
            } else {
                // The rise waits until the band is behind the nozzle.
                minLambdaForLift =
                    minOf(lastAngleFactor, ANGLE_FACTOR_CAP) * minimalMovementInLambdaTerms + lastContiguousLambda;
                if (maxLambdaForLift < firstGapLambda) maxLambdaForLift = firstGapLambda;
                minLambdaForLift = minOf(minLambdaForLift, firstGapLambda);
            }
        } else if (maxLambdaForLift < minLambdaForLift) {
            maxLambdaForLift = minLambdaForLift;
            skipLift = true;
        }
    }
    if (skipLift) return false;

    // The rise begins as early as it may.
    float liftLambda = minLambdaForLift;
    if (liftLambda > maxLambdaForLift) liftLambda = maxLambdaForLift;

    const float xyFeedRate = at.currentF * SPEED_FRACTION;
    const float zFeedRate = settings.liftFeedRate * SPEED_FRACTION;
    const Vec2 liftPoint1 = interp(travel.origin, travel.terminus, liftLambda);
    if (!(liftPoint1 == travel.origin)) writeXYMove(out, liftPoint1, xyFeedRate);
    // The nozzle rises as it moves on, to be up by the end of the window.
    const Vec2 endOfLiftPoint = interp(travel.origin, travel.terminus, maxLambdaForLift);
    writeXYZMove(out, endOfLiftPoint, at.currentZ + mustLiftAmount_MM, xyFeedRate);
    writeXYMove(out, travel.terminus, xyFeedRate);
    writeZMoveLine(out, at.currentZ, zFeedRate);
    writeFeedRate(out, at.currentF);
    writeTextLine(out, "; original line:", state.line);
    ++results.liftedTravels;
    return true;
}

} // namespace vorlane
