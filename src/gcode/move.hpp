// Classifying a G1 line while following the printer's position, extrusion and
// feed rate.
#pragma once

#include "gcode/arc.hpp"
#include "geometry/vec2.hpp"

#include <cstdint>
#include <string_view>

namespace vorlane {

// What a G1 line does. A move of the extruder alone, or of nothing, is Other.
enum class PathType : std::int32_t { XYDraw = 0, XYMove = 2, Zmove = 3, Other = 4 };

// The printer's state as the G1 lines move it. All 0 at the start of a run.
// currentE is the last line's E amount: the filament it pushed (or pulled).
struct MoveState {
    float currentX = 0, currentY = 0, currentZ = 0, currentE = 0, currentF = 0;
    // The extruder's position, one axis for every tool as the firmware
    // keeps it, in 64 bits: a float's rounding would drift over a long
    // print and change the amounts read from absolute positions.
    double extruderPosition_MM = 0;
    // Set by M82 (or the slicer's absolute-E firmware setting), cleared by
    // M83: E words are then positions, and a line's amount is the distance
    // from the position before it.
    bool absoluteExtrusion = false;
    // What X and Y held before the last line that carried them.
    float prevX = 0, prevY = 0;
    PathType currentPathType = PathType::Other;
    // Set by G91, cleared by G90: X, Y, Z and E words are then added to the
    // position rather than replace it.
    bool relativePositioning = false;
    // A move line has carried F: currentF is a feed rate the file asked for.
    bool feedRateSeen = false;
};

// What one G1 line did. Distances are 0 where the line has no such word.
struct MoveResult {
    bool xFound = false, yFound = false, eFound = false;
    float xDistance = 0, yDistance = 0, zDistance = 0, eDistance = 0;
    PathType pathType = PathType::Other;
    // A draw that follows anything but a draw: the start of a new path.
    bool beginDraw = false;
};

// Reads the upper-case X, Y, Z, E, F words of the line (comment stripped),
// updates `state` (relative X, Y, Z words are added under G91; E follows the
// extrusion mode) and classifies the move. Throws Refusal on a malformed
// number.
// The caller sets state.currentPathType once it has handled the line.
MoveResult classifyMoveLine(MoveState& state, std::string_view line);

// The same for an arc (G2 clockwise, G3 counter-clockwise): the position
// moves to its end point; `arc` gets its geometry.
MoveResult classifyArcLine(MoveState& state, std::string_view line, bool clockwise, Arc& arc);

// A G92 line: an E word sets the extruder's position; with no axis word at
// all, every axis is set to 0 (as Klipper reads it), which here is the
// extruder's position. X, Y and Z are not followed.
void setPosition(MoveState& state, std::string_view line);

// Where the head was before the move: the previous value of each axis the line
// carried, the unchanged current value of the others.
inline Vec2 moveOrigin(const MoveState& state, const MoveResult& move)
{
    return {move.xFound ? state.prevX : state.currentX, move.yFound ? state.prevY : state.currentY};
}

} // namespace vorlane
