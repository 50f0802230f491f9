// Lift decision and the lifted travel. The nozzle must be up a safe distance
// before the first other-colour crossing; it may rise only after the last
// own-colour crossing (dragging over its own colour wipes the nozzle); and a
// band of adjacent other-colour paths at the start of the rise is crossed
// anyway, so the rise moves past it. Where that leaves no room to rise along
// the travel, the nozzle rises straight up; the classic decision leaves such
// a travel flat.
#include "lift/lift.hpp"

#include <algorithm>
#include <array>
#include <cmath>

namespace vorlane {

namespace {

// Millimetres of travel excused per millimetre a crossed layer lies below the nozzle.
constexpr float travelMMperDroolMM = 20.0f;
// Smallest sine of a crossing angle used in a division.
constexpr float ANGLE_FLOOR = 0.01f;
// Largest angle factor used to delay the rise past a band.
constexpr float ANGLE_FACTOR_CAP = 2.0f;

// 1 / sine of the angle between the travel and a crossed path (1 when
// perpendicular, up to 100 when grazing).
float angleFactor(float dotProduct) { return 1.0f / maxOf(ANGLE_FLOOR, std::sqrt(1.0f - dotProduct * dotProduct)); }

// The other tools' perimeters and solids the travel crosses near the nozzle.
struct Obstacles {
    float mustLiftAmount_MM = 0;
    float closestLambda = FLOAT_MAX;
    float closestDotProduct = 0;
    float furthestLambda = 0;
};

// Every crossing of another tool's path is gathered into the scratch list,
// for the band analysis. Every kind of path is an obstacle, but for the purge
// towers and prime pillars, on which any tool may wipe; the classic decision
// searches outer walls, and solids only when they are met before every
// outer wall.
Obstacles findObstacles(const TravelMove& travel, float moveLength_MM, const LayerCollections& c,
                        const RunSettings& settings, LiftScratch& scratch)
{
    Obstacles found;
    const float lambdaPerDroolMM = travelMMperDroolMM / moveLength_MM;
    scratch.intersections.clear();
    const auto search = [&](const LayerCollection& layers, float& closest, float& closestDot,
                            WindowNodes* window = nullptr, DroolReach reach = DroolReach::Every) {
        return findClosestWithinHeightGather(layers, settings.liftHeight_MM, lambdaPerDroolMM, travel, closest,
                                             closestDot, found.furthestLambda, scratch.intersections, scratch.search,
                                             window, reach);
    };
    if (!settings.classicLift) {
        // The layers so far below that the drool allowance excuses every
        // crossing of this travel cannot call for a lift; their crossings
        // are gathered only for a travel that is to be lifted, for the bands
        // they make. Below a short travel that is most of what lies there.
        found.mustLiftAmount_MM = search(c.layerAllLines, found.closestLambda, found.closestDotProduct,
                                         &scratch.allLinesWindow, DroolReach::Reached);
        if (found.mustLiftAmount_MM > 0)
            search(c.layerAllLines, found.closestLambda, found.closestDotProduct, &scratch.allLinesWindow,
                   DroolReach::ExcusedWhole);
        return found;
    }
    found.mustLiftAmount_MM = search(c.layerPerims, found.closestLambda, found.closestDotProduct);
    float closestSolidsLambda = FLOAT_MAX;
    float closestSolidsDotProduct = 0;
    const float solidsMustLiftAmount_MM = search(c.layerSolids, closestSolidsLambda, closestSolidsDotProduct);
    if (closestSolidsLambda < found.closestLambda) {
        found.mustLiftAmount_MM = maxOf(found.mustLiftAmount_MM, solidsMustLiftAmount_MM);
        found.closestLambda = closestSolidsLambda;
        found.closestDotProduct = closestSolidsDotProduct;
    }
    return found;
}

// The stretch of the travel the rise may take: from minLambdaForLift, past
// the own colour, to maxLambdaForLift, where the nozzle must be up.
struct RiseWindow {
    float minLambdaForLift;
    float maxLambdaForLift;
    float minimalClearanceInLambdaTerms;
    float minimalMovementInLambdaTerms;
};

// What lies where the rise would begin: a band of adjacent other-colour
// paths followed by a gap, a band that runs to the last crossing, or none.
enum class Band { None, ThenGap, ToTheEnd };

// A band of adjacent other-colour paths where the rise would begin is
// crossed anyway: the rise waits until it is behind the nozzle, and the
// nozzle must be up by the first real gap. A band without a gap after it
// leaves the window as it is.
Band moveRisePastBand(std::vector<Intersection>& crossings, float moveLength_MM, float pathWidth_MM, RiseWindow& window)
{
    const float pathWidthInLambdaTerms = pathWidth_MM / moveLength_MM;
    std::stable_sort(crossings.begin(), crossings.end());
    float lastContiguousLambda = window.minLambdaForLift;
    float lastAngleFactor = NaN;
    float firstGapLambda = 0;
    for (const Intersection& crossing : crossings) {
        const float separationFactorForPathAngle = angleFactor(crossing.dotProduct);
        const float lambdaStep = crossing.lambda - lastContiguousLambda;
        const float gapToleranceLambda = window.minimalClearanceInLambdaTerms;
        const float effectivePathWidthLambda = pathWidthInLambdaTerms * separationFactorForPathAngle;
        const float allowableStep = effectivePathWidthLambda + gapToleranceLambda;
        if (!(lambdaStep <= allowableStep)) {
            firstGapLambda =
                maxOf(crossing.lambda - window.minimalClearanceInLambdaTerms * separationFactorForPathAngle,
                      lastContiguousLambda);
            break;
        }
        lastContiguousLambda = maxOf(lastContiguousLambda, crossing.lambda);
        lastAngleFactor = separationFactorForPathAngle;
    }
    if (!(lastContiguousLambda > window.minLambdaForLift)) return Band::None;
    if (firstGapLambda == 0) return Band::ToTheEnd;
    window.minLambdaForLift =
        minOf(lastAngleFactor, ANGLE_FACTOR_CAP) * window.minimalMovementInLambdaTerms + lastContiguousLambda;
    if (window.maxLambdaForLift < firstGapLambda) window.maxLambdaForLift = firstGapLambda;
    window.minLambdaForLift = minOf(window.minLambdaForLift, firstGapLambda);
    return Band::ThenGap;
}

// The classic decision: a band that runs to the travel's end, or an
// own-colour wipe past the point where the nozzle must be up, leaves the
// travel flat.
LiftRule classicRise(Band band, RiseWindow& window)
{
    if (band == Band::ToTheEnd) return LiftRule::BandToTheEnd;
    if (band == Band::None && window.maxLambdaForLift < window.minLambdaForLift) {
        window.maxLambdaForLift = window.minLambdaForLift;
        return LiftRule::OwnColourPastDeadline;
    }
    return LiftRule::Lifted;
}

// The nozzle rises straight up at `lambda`: the window closes where it opens.
void riseStraightUp(RiseWindow& window, float lambda)
{
    window.minLambdaForLift = lambda;
    window.maxLambdaForLift = lambda;
}

// Steep when it must be: where a band of other-colour paths lies at the
// start of the rise window, the nozzle would drag across it, with or
// without a gap after it, so it rises straight up where the band begins;
// where an own-colour wipe runs past the point where the nozzle must be up
// (the deadline before a band moved it), it stops there and the nozzle rises
// straight up; when both apply, at the first of the two.
LiftRule steepRise(Band band, RiseWindow& window, float wipeEnd, float deadline)
{
    if (band != Band::None)
        riseStraightUp(window, minOf(wipeEnd, deadline));
    else if (window.maxLambdaForLift < window.minLambdaForLift)
        riseStraightUp(window, deadline);
    return LiftRule::Lifted;
}

} // namespace

LiftDecision decideLift(const TravelMove& move, const LayerCollections& c, const RunSettings& settings,
                        LiftScratch& scratch)
{
    // The classic decision judges a travel at its end height all along.
    TravelMove travel = move;
    if (settings.classicLift) travel.startZ = travel.currentZ;
    LiftDecision decision;
    const Vec2 distance = travel.terminus - travel.origin;
    const float moveLength_MMSQ = distance.x * distance.x + distance.y * distance.y;
    if (!(settings.liftMinTravel_MM * settings.liftMinTravel_MM < moveLength_MMSQ)) {
        decision.rule = LiftRule::ShortTravel;
        return decision;
    }
    decision.moveLength_MM = std::sqrt(moveLength_MMSQ);
    const Obstacles obstacles = findObstacles(travel, decision.moveLength_MM, c, settings, scratch);
    decision.furthestLambda = obstacles.furthestLambda;
    decision.mustLiftAmount_MM = obstacles.mustLiftAmount_MM;
    if (!(obstacles.mustLiftAmount_MM > 0)) {
        decision.rule = settings.classicLift            ? LiftRule::NoObstacle
                        : scratch.intersections.empty() ? LiftRule::NoPathCrossed
                                                        : LiftRule::WithinDroolAllowance;
        return decision;
    }

    RiseWindow window{0, 0, movementClearance_MM(settings) / decision.moveLength_MM,
                      initialClearance_MM(settings) / decision.moveLength_MM};
    const float lineBackoffForPathAngle = angleFactor(obstacles.closestDotProduct);
    window.maxLambdaForLift = maxOf(obstacles.closestLambda - window.minimalClearanceInLambdaTerms -
                                        lineBackoffForPathAngle * window.minimalMovementInLambdaTerms,
                                    0.0f);
    const float lastWipablePathLambda = findLastWipablePathLambda(c, travel, obstacles.closestLambda, scratch.search);
    if (lastWipablePathLambda > window.minLambdaForLift) window.minLambdaForLift = lastWipablePathLambda;

    const float wipeEnd = window.minLambdaForLift, deadline = window.maxLambdaForLift;
    if (window.minLambdaForLift > window.maxLambdaForLift && obstacles.furthestLambda <= obstacles.closestLambda) {
        // Nothing lies beyond the first obstacle to move past.
        if (settings.classicLift) {
            decision.rule = LiftRule::OwnColourPastDeadline;
            decision.nothingBeyondFirstObstacle = true;
        } else {
            riseStraightUp(window, deadline);
            decision.rule = LiftRule::Lifted;
        }
    } else {
        const Band band =
            moveRisePastBand(scratch.intersections, decision.moveLength_MM, settings.pathWidth_MM, window);
        decision.rule = settings.classicLift ? classicRise(band, window) : steepRise(band, window, wipeEnd, deadline);
    }
    decision.minLambdaForLift = window.minLambdaForLift;
    decision.maxLambdaForLift = window.maxLambdaForLift;
    // The rise begins as early as it may, and no later than the nozzle must be up.
    decision.liftLambda = window.minLambdaForLift;
    if (decision.liftLambda > window.maxLambdaForLift) decision.liftLambda = window.maxLambdaForLift;
    if (decision.rule == LiftRule::Lifted) {
        decision.risePoint = interp(travel.origin, travel.terminus, decision.liftLambda);
        // The nozzle rises as it moves on, to be up by the end of the window.
        decision.upPoint = interp(travel.origin, travel.terminus, decision.maxLambdaForLift);
        decision.liftedZ_MM = travel.currentZ + decision.mustLiftAmount_MM;
    }
    return decision;
}

std::string_view ruleText(LiftRule rule)
{
    constexpr std::array<std::string_view, LIFT_RULES> texts = {
        "lifted",
        "outside the printing",
        "an arc, which is never lifted",
        "inside a tool-change block",
        "before the new tool's first move",
        "before the new tool's first draw",
        "relative positioning (G91) or no feed rate yet",
        "the travel moves the extruder",
        "--no-lift",
        "not longer than --lift-min-travel",
        "no obstacle of a collected kind",
        "the own-colour wipe runs past the point where the nozzle must be up",
        "the band runs to the travel's end",
        "no other-colour path crossed where the drool allowance leaves it, within the lift height below the nozzle",
        "every crossing lies within the drool allowance of the layers below",
    };
    return texts[static_cast<std::size_t>(rule)];
}

LiftDecision liftInPlace(const TravelMove& travel, const RunSettings& settings)
{
    LiftDecision decision;
    decision.rule = LiftRule::Lifted;
    decision.mustLiftAmount_MM = settings.liftHeight_MM;
    decision.risePoint = travel.origin;
    decision.upPoint = travel.origin;
    decision.liftedZ_MM = travel.currentZ + settings.liftHeight_MM;
    return decision;
}

void planLiftInPlace(const LiftDecision& decision, const TravelMove& travel, float currentF, float liftFeedRate,
                     std::string_view line, Plan& plan)
{
    planZMove(plan, decision.liftedZ_MM, liftFeedRate);
    planXYMove(plan, travel.terminus, currentF);
    planZMove(plan, travel.currentZ, liftFeedRate);
    planFeedRate(plan, currentF);
    planText(plan, "; original line:", line);
}

void planLiftedTravel(const LiftDecision& decision, const TravelMove& travel, float currentF, float liftFeedRate,
                      std::string_view line, Plan& plan)
{
    // Every move of the lifted travel runs at the travel's own feed rate,
    // and the move down at the lift's.
    if (!(decision.risePoint == travel.origin)) planXYMove(plan, decision.risePoint, currentF);
    planXYZMove(plan, decision.upPoint, decision.liftedZ_MM, currentF);
    planXYMove(plan, travel.terminus, currentF);
    planZMove(plan, travel.currentZ, liftFeedRate);
    planFeedRate(plan, currentF);
    planText(plan, "; original line:", line);
}

} // namespace vorlane
