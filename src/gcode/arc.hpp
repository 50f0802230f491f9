// Arcs (G2 clockwise, G3 counter-clockwise) as the firmware draws them: a
// centre from I and J (or from R, as Marlin reads it), a sweep from the
// start to the end point, and the straight steps the printed path is kept as.
#pragma once

#include "geometry/vec2.hpp"

#include <vector>

namespace vorlane {

struct Arc {
    double centreX = 0, centreY = 0;
    double radius_MM = 0;
    // Where the start point lies seen from the centre.
    double startAngle = 0;
    // Counter-clockwise positive: in (0, 2π] for G3, [−2π, 0) for G2; a full
    // circle when the end is the start.
    double sweep = 0;
    // R with the end at the start: no arc, the head stays.
    bool none = false;
};

// The arc's words: I and J (a missing one counts as 0) win over R.
struct ArcWords {
    bool hasI = false, hasJ = false, hasR = false;
    float i = 0, j = 0, r = 0;
};

Arc arcOf(Vec2 start, Vec2 end, const ArcWords& words, bool clockwise);

// The arc's length in the XY plane.
inline double arcLength_MM(const Arc& arc)
{
    return arc.none ? 0 : arc.radius_MM * (arc.sweep < 0 ? -arc.sweep : arc.sweep);
}

// The end points of the arc's steps, in order: equal angles, each step short
// enough that the chord lies within 0.05 mm of the arc; computed in 64 bits
// and kept as floats, the last exactly `end`. The start is not among them.
void arcPoints(const Arc& arc, Vec2 end, std::vector<Vec2>& points);

} // namespace vorlane
