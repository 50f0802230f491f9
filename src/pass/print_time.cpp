// Pricing moves in minutes.
#include "pass/print_time.hpp"

#include <cmath>

namespace vorlane {

double moveMinutes(const MoveState& before, const MoveState& after)
{
    if (!after.feedRateSeen || !(after.currentF > 0.0f)) return 0;
    const double dx = static_cast<double>(after.currentX) - before.currentX;
    const double dy = static_cast<double>(after.currentY) - before.currentY;
    const double dz = static_cast<double>(after.currentZ) - before.currentZ;
    return std::sqrt(dx * dx + dy * dy + dz * dz) / after.currentF;
}

double arcMinutes(const MoveState& before, const MoveState& after, const Arc& arc)
{
    if (arc.none) return moveMinutes(before, after);
    if (!after.feedRateSeen || !(after.currentF > 0.0f)) return 0;
    const double along = arcLength_MM(arc);
    const double dz = static_cast<double>(after.currentZ) - before.currentZ;
    return std::sqrt(along * along + dz * dz) / after.currentF;
}

double planMinutes(MoveState at, const Plan& plan)
{
    // Plans are made only under absolute positioning: their words set the
    // position.
    double minutes = 0;
    for (const PlannedLine& line : plan.lines) {
        if (line.shape == PlannedShape::Text) continue;
        const MoveState before = at;
        const WrittenValues& written = line.written;
        if (line.shape != PlannedShape::ZMove && line.shape != PlannedShape::FeedRate) {
            at.currentX = written.xy.x;
            at.currentY = written.xy.y;
        }
        if (line.shape == PlannedShape::ZMove || line.shape == PlannedShape::XYZMove) at.currentZ = written.z;
        at.currentF = written.feedRate;
        at.feedRateSeen = true;
        minutes += moveMinutes(before, at);
    }
    return minutes;
}

} // namespace vorlane
