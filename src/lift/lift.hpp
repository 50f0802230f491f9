// The lift decision for a travel move: whether, where and how high the nozzle
// hops so as not to drag across paths another tool has just laid, and the
// lifted travel that carries it out.
#pragma once

#include "gcode/plan.hpp"
#include "lift/obstacles.hpp"
#include "state/run_settings.hpp"

#include <string_view>
#include <vector>

namespace vorlane {

// Why a travel is lifted or left as it is: the first rule that settled it.
// The line loop's conditions come first, in the order they are tried; the
// decision itself gives the rest.
enum class LiftRule {
    Lifted,
    // Travels outside the printing are never lifted.
    OutsidePrinting,
    // Nor arcs.
    ArcTravel,
    InToolChangeBlock,
    // Before the new tool's first move (Kisslicer) or first draw (the other
    // slicers), the file does not know where the head stands.
    BeforeFirstMove,
    BeforeFirstDraw,
    // The lifted travel is written in absolute coordinates at the travel's
    // feed rate.
    RelativeOrNoFeedRate,
    // A retraction or prime written on the travel would be lost.
    MovesExtruder,
    NoLift,
    // Not longer than the shortest travel that is lifted.
    ShortTravel,
    // It crosses no other tool's perimeter or solid that needs a lift
    // (the classic decision).
    NoObstacle,
    // The classic decision leaves these two flat: its own colour runs past
    // the point where the nozzle must be up; the band of other-colour paths
    // it crosses runs to its last crossing.
    OwnColourPastDeadline,
    BandToTheEnd,
    // It crosses no other tool's path of any kind but a purge tower, at or
    // less than the lift height below the nozzle as it goes, but in layers
    // so deep that the drool allowance excuses the whole travel.
    NoPathCrossed,
    // The paths it crosses all lie so far below the nozzle, so near the
    // travel's start, that what oozes reaches none of them.
    WithinDroolAllowance,
};
inline constexpr std::size_t LIFT_RULES = 15;

// How the console and the tables name a rule.
std::string_view ruleText(LiftRule rule);

struct LiftDecision {
    LiftRule rule = LiftRule::NoObstacle;
    float mustLiftAmount_MM = 0;
    // Where along the travel the rise begins, and where the nozzle is up.
    float liftLambda = 0;
    float maxLambdaForLift = 0;
    // Of a Lifted decision: those two points, and the height the nozzle
    // travels at.
    Vec2 risePoint{}, upPoint{};
    float liftedZ_MM = 0;
    // An OwnColourPastDeadline found before any band was looked at: no
    // crossing lies beyond the first obstacle. The debug console says so
    // with the values below.
    bool nothingBeyondFirstObstacle = false;
    float minLambdaForLift = 0;
    float furthestLambda = 0;
    float moveLength_MM = 0;
};

// What the decision reuses from travel to travel, so that no travel allocates.
struct LiftScratch {
    std::vector<Intersection> intersections;
    SearchScratch search;
    // The nodes of the heights the last search of all lines looked at.
    WindowNodes allLinesWindow;
};

// The decision for a travel of the printing chapter that may be lifted, with
// the heights and distances of the run's settings, over what has been
// printed so far.
LiftDecision decideLift(const TravelMove& travel, const LayerCollections& collections, const RunSettings& settings,
                        LiftScratch& scratch);

// A travel from where the head may not stand: what it crosses cannot be
// known, so it is lifted whatever it crosses, rising where the head is, by
// the lift height above the travel's height.
LiftDecision liftInPlace(const TravelMove& travel, const RunSettings& settings);

// Its lifted travel: up where the head stands, the travel high, down at its
// end, at the lift's feed rate both ways; the travel's feed rate back, and
// the travel line as read in a comment.
void planLiftInPlace(const LiftDecision& decision, const TravelMove& travel, float currentF, float liftFeedRate,
                     std::string_view line, Plan& plan);

// The lifted travel of a Lifted decision: rise along the travel, travel
// high, descend at its end, the travel's feed rate back, and the travel line
// as read in a comment. `currentF` is the feed rate in effect after the line.
void planLiftedTravel(const LiftDecision& decision, const TravelMove& travel, float currentF, float liftFeedRate,
                      std::string_view line, Plan& plan);

} // namespace vorlane
