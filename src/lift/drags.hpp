// What the lift is for, as a number: the crossings of travels with paths
// other tools have drawn at the nozzle's height, where the tip drags across
// their tops. Counted for the travels as read and as written, with the rule
// that left each crossing travel as it was.
#pragma once

#include "lift/lift.hpp"
#include "paths/layers.hpp"

#include <array>

namespace vorlane {

// Every draw line, kept for counting: a segment from where the draw began to
// where it ended (an arc's steps each one), by height and tool; the outer
// perimeters' once more, apart, so that only a travel that crosses anything
// looks at them again.
struct DrawLines {
    LayerCollection all;
    LayerCollection outerPerimeters;
};

// Files a draw line. A line that begins where the tool's last one at that
// height ended goes on with it.
StoreLimit fileDrawLine(DrawLines& lines, float z, int tool, bool outerPerimeter, Vec2 from, Vec2 to);

// Draw lines less than this far above or below a travel are at the nozzle's
// height: the tip touches their tops.
inline constexpr float NOZZLE_HEIGHT_TOLERANCE_MM = 0.02f;

struct Crossings {
    long long all = 0;
    long long overOuterPerimeters = 0;
};

// The crossings of a travel's segment at height z with other tools' draw
// lines at the nozzle's height: pairs whose segments properly intersect,
// each one's ends strictly on either side of the other's line, computed in
// 64 bits. Touching or overlapping is no crossing.
Crossings crossingsOf(const DrawLines& lines, Vec2 from, Vec2 to, float z, int tool, SearchScratch& scratch);

// What the travels cross, as read (before) and as written (after).
struct DragCounts {
    long long travels = 0;
    long long crossingTravels = 0;
    Crossings crossings;
};

struct DragTally {
    DragCounts before, after;
    // The crossings each rule left, as written.
    std::array<long long, LIFT_RULES> leftBy{};
};

void addTravel(DragCounts& counts, const Crossings& crossings);

} // namespace vorlane
