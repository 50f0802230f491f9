// The shapes of a generated print's islands, circles and rounded rectangles:
// their outlines and their zig-zag infill.
//
// Every sine and cosine here comes from additions and multiplications only,
// so that a corpus is byte-identical per seed on every machine: the libm sin
// and cos may differ in the last bit between platforms, and a last-bit
// difference can flip a rounded coordinate.
#include "testing/corpus_detail.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace vorlane::test::corpus {
namespace {

// Taylor series of sin(r) / r and cos(r) in r^2; on |r| <= pi/4 the first
// omitted terms are below 1e-17.
constexpr double SINE_TERMS[] = {
    1, -1.0 / 6, 1.0 / 120, -1.0 / 5040, 1.0 / 362880, -1.0 / 39916800, 1.0 / 6227020800.0, -1.0 / 1307674368000.0};
constexpr double COSINE_TERMS[] = {1,           -1.0 / 2,       1.0 / 24,        -1.0 / 720,
                                   1.0 / 40320, -1.0 / 3628800, 1.0 / 479001600, -1.0 / 87178291200.0};

// terms[0] + x (terms[1] + x (terms[2] + ...)), from the innermost term out.
double series(const double (&terms)[8], double x)
{
    double sum = terms[7];
    for (int i = 6; i >= 0; --i)
        sum = terms[i] + x * sum;
    return sum;
}

void circleContour(Point centre, double radius_MM, double segment_MM, double seamAngle, std::vector<Point>& out)
{
    out.clear();
    if (radius_MM < 0.2) return;
    const int count = std::clamp(static_cast<int>(2 * PI * radius_MM / segment_MM + 0.5), 40, 200);
    for (int k = 0; k < count; ++k) {
        const Point d = direction(seamAngle + 2 * PI * k / count);
        out.push_back({centre.x + radius_MM * d.x, centre.y + radius_MM * d.y});
    }
}

void roundedRectangleContour(Point centre, double halfWidth_MM, double halfHeight_MM, double corner_MM,
                             double segment_MM, int edgePieces, double seamFraction, std::vector<Point>& out)
{
    out.clear();
    corner_MM = std::clamp(corner_MM, 0.2, std::max(0.2, std::min(halfWidth_MM, halfHeight_MM) - 0.05));
    const int arcSteps = std::clamp(static_cast<int>(PI / 2 * corner_MM / segment_MM + 0.5), 9, 40);
    const double straightX = halfWidth_MM - corner_MM;
    const double straightY = halfHeight_MM - corner_MM;
    const double signX[4] = {1, -1, -1, 1};
    const double signY[4] = {1, 1, -1, -1};
    for (int quadrant = 0; quadrant < 4; ++quadrant) {
        const Point arcCentre{centre.x + signX[quadrant] * straightX, centre.y + signY[quadrant] * straightY};
        for (int i = 0; i <= arcSteps; ++i) {
            const Point d = direction((quadrant + static_cast<double>(i) / arcSteps) * (PI / 2));
            out.push_back({arcCentre.x + corner_MM * d.x, arcCentre.y + corner_MM * d.y});
        }
        // The straight edge to the next corner's arc, cut into pieces.
        const int next = (quadrant + 1) % 4;
        const Point from = out.back();
        const Point d = direction((quadrant + 1) * (PI / 2));
        const Point to{centre.x + signX[next] * straightX + corner_MM * d.x,
                       centre.y + signY[next] * straightY + corner_MM * d.y};
        for (int piece = 1; piece < edgePieces; ++piece) {
            const double f = static_cast<double>(piece) / edgePieces;
            out.push_back({from.x + (to.x - from.x) * f, from.y + (to.y - from.y) * f});
        }
    }
    const auto seam = static_cast<std::ptrdiff_t>(seamFraction * static_cast<double>(out.size())) %
                      static_cast<std::ptrdiff_t>(out.size());
    std::rotate(out.begin(), out.begin() + seam, out.end());
}

// Zig-zag fill of a circle: parallel lines at `angle`, each joined to the next
// at the rim, all one path.
void circleZigZag(Point centre, double radius_MM, double angle, double spacing_MM, std::vector<Point>& out)
{
    out.clear();
    const Point d = direction(angle);
    bool forward = true;
    for (double u = -radius_MM + spacing_MM / 2; u < radius_MM - spacing_MM / 4; u += spacing_MM) {
        const double half = std::sqrt(std::max(0.0, radius_MM * radius_MM - u * u));
        if (half < 0.3) continue;
        for (const double v : {forward ? -half : half, forward ? half : -half})
            out.push_back({centre.x + u * d.x - v * d.y, centre.y + u * d.y + v * d.x});
        forward = !forward;
    }
}

// Zig-zag fill of a rounded rectangle with lines along Y (alongY) or along X.
void roundedRectangleZigZag(Point centre, double halfWidth_MM, double halfHeight_MM, double corner_MM, bool alongY,
                            double spacing_MM, std::vector<Point>& out)
{
    out.clear();
    if (halfWidth_MM < 0.3 || halfHeight_MM < 0.3) return;
    corner_MM = std::clamp(corner_MM, 0.0, std::min(halfWidth_MM, halfHeight_MM));
    const double across = alongY ? halfWidth_MM : halfHeight_MM; // lines step over this half extent
    const double along = alongY ? halfHeight_MM : halfWidth_MM;
    bool forward = true;
    for (double u = -across + spacing_MM / 2; u < across - spacing_MM / 4; u += spacing_MM) {
        double half = along;
        const double intoCorner = std::fabs(u) - (across - corner_MM);
        if (intoCorner > 0)
            half = along - corner_MM + std::sqrt(std::max(0.0, corner_MM * corner_MM - intoCorner * intoCorner));
        if (half < 0.3) continue;
        for (const double v : {forward ? -half : half, forward ? half : -half})
            out.push_back(alongY ? Point{centre.x + u, centre.y + v} : Point{centre.x + v, centre.y + u});
        forward = !forward;
    }
}

} // namespace

Point direction(double angle)
{
    const double quarterTurns = std::floor(angle / (PI / 2) + 0.5);
    const double r = angle - quarterTurns * (PI / 2);
    const double s = r * series(SINE_TERMS, r * r);
    const double c = series(COSINE_TERMS, r * r);
    switch (static_cast<std::int64_t>(quarterTurns) & 3) {
    case 0:
        return {c, s};
    case 1:
        return {-s, c};
    case 2:
        return {-c, -s};
    default:
        return {s, -c};
    }
}

void islandContour(const Island& island, double scale, double inset_MM, double seamAngle, std::vector<Point>& out)
{
    if (island.shape == IslandShape::Circle)
        circleContour(island.centre, island.radius_MM * scale - inset_MM, island.segment_MM, seamAngle, out);
    else
        roundedRectangleContour(island.centre, island.halfWidth_MM * scale - inset_MM,
                                island.halfHeight_MM * scale - inset_MM, island.radius_MM * scale - inset_MM,
                                island.segment_MM, island.edgePieces, seamAngle / (2 * PI), out);
}

void islandInfill(const Island& island, double scale, double inset_MM, bool firstDirection, double spacing_MM,
                  std::vector<Point>& out)
{
    if (island.shape == IslandShape::Circle)
        circleZigZag(island.centre, island.radius_MM * scale - inset_MM, firstDirection ? PI / 4 : 3 * PI / 4,
                     spacing_MM, out);
    else
        roundedRectangleZigZag(island.centre, island.halfWidth_MM * scale - inset_MM,
                               island.halfHeight_MM * scale - inset_MM,
                               std::max(0.0, island.radius_MM * scale - inset_MM), firstDirection, spacing_MM, out);
}

} // namespace vorlane::test::corpus
