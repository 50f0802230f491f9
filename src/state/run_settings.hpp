// The run-wide values that fit the rewrites to the printer at hand. The
// command line sets them; by default they are the values the program was
// tuned with, and every output byte is what those give.
#pragma once

namespace vorlane {

// The defaults.
// The height a lifted travel keeps above the paths it crosses, and how far
// below the nozzle the obstacle search looks.
inline constexpr float MIN_Z_CLEARANCE = 0.5f;
// Travels not longer than this are never lifted.
inline constexpr float MIN_Z_LIFT_PATH_LENGTH_MM = 2.0f;
// Feed rate of the vertical move back down at the end of a lifted travel.
inline constexpr float ZLiftFeedRate = 450.0f;
// The assumed width of a printed path and the nozzle tip's diameter, in the
// lift decision's clearances.
inline constexpr float PathWidth_MM = 0.35f;
inline constexpr float nozzleDiameterForClearance_MM = 0.7f;
// Ooze depth aimed at when a support interface lies on main support of
// another tool, and of the same tool.
inline constexpr float OTHER_MATERIAL_FIRST_INTERFACE_OOZE_DEPTH_GOAL_MM = 0.8f;
inline constexpr float SAME_MATERIAL_FIRST_INTERFACE_OOZE_DEPTH_GOAL_MM = 0.25f;
// Extrusion factor of sparse infill over stacked infill.
inline constexpr float TOP_INFILL_EXTRUSION_BOOST = 1.25f;
// Feed rate (mm/min) at and above which sparse infill is not slowed for speed.
inline constexpr float TOP_SPEED_FEED_RATE = 10000.0f;

// Fixed: the safety margin in the lift decision's clearances.
inline constexpr float SafetyClearance_MM = 0.75f;

// How far before an obstacle the nozzle must be up.
constexpr float movementClearanceOf(float pathWidth_MM, float nozzleTip_MM)
{
    return pathWidth_MM * 0.5f + nozzleTip_MM * 0.5f + SafetyClearance_MM;
}
// Run-in distance of the rise, scaled by the crossing angle.
constexpr float initialClearanceOf(float pathWidth_MM, float nozzleTip_MM)
{
    return pathWidth_MM * 0.5f + nozzleTip_MM * 0.5f + SafetyClearance_MM / 4.0f;
}

// How the fan is restored after a tool change: addressing the tool's own fan
// (M106 P<tool>), the fan of the tool in use (M106 without P), or not at all.
enum class FanRestore { Tool, Plain, Off };

struct RunSettings {
    FanRestore fanRestore = FanRestore::Tool;
    float liftHeight_MM = MIN_Z_CLEARANCE;
    float liftMinTravel_MM = MIN_Z_LIFT_PATH_LENGTH_MM;
    float liftFeedRate = ZLiftFeedRate;
    float pathWidth_MM = PathWidth_MM;
    float nozzleTip_MM = nozzleDiameterForClearance_MM;
    float interfaceDepth_MM = OTHER_MATERIAL_FIRST_INTERFACE_OOZE_DEPTH_GOAL_MM;
    float interfaceDepthSame_MM = SAME_MATERIAL_FIRST_INTERFACE_OOZE_DEPTH_GOAL_MM;
    float infillBoost = TOP_INFILL_EXTRUSION_BOOST;
    float infillFullSpeed = TOP_SPEED_FEED_RATE;
    // Each stops its rewrite only: paths are collected and the state is
    // followed as always.
    bool noLift = false;
    bool noInterfaceBoost = false;
    bool noInfillBoost = false;
    // From pathWidth_MM and nozzleTip_MM, once: see deriveClearances.
    float movementClearance_MM = movementClearanceOf(PathWidth_MM, nozzleDiameterForClearance_MM);
    float initialClearance_MM = initialClearanceOf(PathWidth_MM, nozzleDiameterForClearance_MM);
};

// Computes the derived clearances from the values set.
inline void deriveClearances(RunSettings& settings)
{
    settings.movementClearance_MM = movementClearanceOf(settings.pathWidth_MM, settings.nozzleTip_MM);
    settings.initialClearance_MM = initialClearanceOf(settings.pathWidth_MM, settings.nozzleTip_MM);
}

} // namespace vorlane
