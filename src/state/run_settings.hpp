// The run-wide values that fit the rewrites to the printer at hand. The
// command line sets them; by default they are the values the program was
// tuned with, and every output byte is what those give.
#pragma once

namespace vorlane {

// How the fan is restored after a tool change: addressing the tool's own fan
// (M106 P<tool>), the fan of the tool in use (M106 without P), or not at all.
enum class FanRestore { Tool, Plain, Off };

struct RunSettings {
    FanRestore fanRestore = FanRestore::Tool;
    // The height a lifted travel keeps above the paths it crosses, and how
    // far below the nozzle the obstacle search looks.
    float liftHeight_MM = 0.5f;
    // Travels not longer than this are never lifted. A short travel across
    // another colour drags as a long one does, and costs no more to lift.
    float liftMinTravel_MM = 0.0f;
    // Feed rate of the vertical move back down at the end of a lifted travel,
    // and of both vertical moves of a travel from an unknown position.
    float liftFeedRate = 450.0f;
    // The assumed width of a printed path and the nozzle tip's diameter, in
    // the lift decision's clearances.
    float pathWidth_MM = 0.35f;
    float nozzleTip_MM = 0.7f;
    // Ooze depth aimed at when a support interface lies on main support of
    // another tool, and of the same tool.
    float interfaceDepth_MM = 0.8f;
    float interfaceDepthSame_MM = 0.25f;
    // Extrusion factor of sparse infill over stacked infill.
    float infillBoost = 1.25f;
    // Feed rate (mm/min) at and above which sparse infill is not slowed for speed.
    float infillFullSpeed = 10000.0f;
    // Each stops its rewrite only: paths are collected and the state is
    // followed as always.
    bool noLift = false;
    bool noInterfaceBoost = false;
    bool noInfillBoost = false;
    // The lift decides as it did before it lifted the travels after a tool
    // change, rose straight up and took every kind of path for an obstacle:
    // for comparing, and for prints tuned to it.
    bool classicLift = false;
    // The travels from a tool change to the new tool's first move (first
    // draw, for slicers other than Kisslicer) are copied: for tool-changers
    // whose firmware lifts on its own.
    bool noLiftAfterToolChange = false;
};

// The shortest travel the classic lift takes, unless the run says otherwise.
inline constexpr float CLASSIC_LIFT_MIN_TRAVEL_MM = 2.0f;

// The defaults the run's settings are told against: the classic lift's
// shortest travel is its own.
constexpr RunSettings defaultsFor(const RunSettings& settings)
{
    RunSettings defaults;
    if (settings.classicLift) defaults.liftMinTravel_MM = CLASSIC_LIFT_MIN_TRAVEL_MM;
    return defaults;
}

// The safety margin in the lift decision's clearances; no setting changes it.
inline constexpr float SAFETY_CLEARANCE_MM = 0.75f;

// How far before an obstacle the nozzle must be up.
constexpr float movementClearance_MM(const RunSettings& settings)
{
    return settings.pathWidth_MM * 0.5f + settings.nozzleTip_MM * 0.5f + SAFETY_CLEARANCE_MM;
}
// Run-in distance of the rise, scaled by the crossing angle.
constexpr float initialClearance_MM(const RunSettings& settings)
{
    return settings.pathWidth_MM * 0.5f + settings.nozzleTip_MM * 0.5f + SAFETY_CLEARANCE_MM / 4.0f;
}

} // namespace vorlane
