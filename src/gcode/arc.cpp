// Arc geometry.
#include "gcode/arc.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vorlane {

namespace {

// How far a step's chord may lie from the arc.
constexpr double CHORD_TOLERANCE_MM = 0.05;

// The centre from R: on the bisector of the chord, at the side that makes a
// positive R the shorter arc and a negative one the longer; a chord longer
// than the diameter puts it at the chord's middle.
void centreFromRadius(Vec2 start, Vec2 end, double r, bool clockwise, double& x, double& y)
{
    const double dx = static_cast<double>(end.x) - start.x, dy = static_cast<double>(end.y) - start.y;
    const double d = std::hypot(dx, dy);
    const double h2 = (r - 0.5 * d) * (r + 0.5 * d);
    const double h = h2 > 0 ? std::sqrt(h2) : 0.0;
    const double side = clockwise != (r < 0) ? -1.0 : 1.0;
    x = (static_cast<double>(start.x) + end.x) * 0.5 + side * h * (-dy / d);
    y = (static_cast<double>(start.y) + end.y) * 0.5 + side * h * (dx / d);
}

} // namespace

Arc arcOf(Vec2 start, Vec2 end, const ArcWords& words, bool clockwise)
{
    Arc arc;
    if (words.hasI || words.hasJ) {
        arc.centreX = static_cast<double>(start.x) + words.i;
        arc.centreY = static_cast<double>(start.y) + words.j;
    } else if (words.hasR && !(start == end)) {
        centreFromRadius(start, end, words.r, clockwise, arc.centreX, arc.centreY);
    } else {
        arc.none = true;
        return arc;
    }
    arc.startAngle = std::atan2(start.y - arc.centreY, start.x - arc.centreX);
    const double endAngle = std::atan2(end.y - arc.centreY, end.x - arc.centreX);
    arc.radius_MM = std::hypot(start.x - arc.centreX, start.y - arc.centreY);
    constexpr double TURN = 2 * std::numbers::pi;
    double sweep = endAngle - arc.startAngle;
    if (clockwise) {
        if (sweep >= 0) sweep -= TURN;
    } else if (sweep <= 0) {
        sweep += TURN;
    }
    arc.sweep = sweep;
    return arc;
}

void arcPoints(const Arc& arc, Vec2 end, std::vector<Vec2>& points)
{
    points.clear();
    long steps = 1;
    if (!arc.none && arc.radius_MM > CHORD_TOLERANCE_MM) {
        const double stepAngle = 2 * std::acos(1 - CHORD_TOLERANCE_MM / arc.radius_MM);
        steps = std::max(1L, static_cast<long>(std::ceil(std::fabs(arc.sweep) / stepAngle)));
    }
    for (long k = 1; k < steps; ++k) {
        const double angle = arc.startAngle + arc.sweep * static_cast<double>(k) / static_cast<double>(steps);
        points.push_back({static_cast<float>(arc.centreX + arc.radius_MM * std::cos(angle)),
                          static_cast<float>(arc.centreY + arc.radius_MM * std::sin(angle))});
    }
    points.push_back(end);
}

} // namespace vorlane
