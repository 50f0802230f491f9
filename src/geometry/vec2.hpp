// Points and vectors of the printer's XY plane, and the segment crossing test
// that both the travel-lift and the extrusion searches rest on.
#pragma once

#include <cmath>
#include <limits>

namespace vorlane {

inline constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
// Start value of every "closest" accumulator: the largest finite float.
inline constexpr float FLOAT_MAX = std::numeric_limits<float>::max();

// Two floats, millimetres. A Vec2 declared without values is (NaN, NaN).
struct Vec2 {
    float x = NaN;
    float y = NaN;
};

inline Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
// Exact float comparison: NaN never equals.
inline bool operator==(Vec2 a, Vec2 b) { return a.x == b.x && a.y == b.y; }

inline float magnitude_squared(Vec2 v) { return v.x * v.x + v.y * v.y; }
inline float magnitude(Vec2 v) { return std::sqrt(magnitude_squared(v)); }
inline float dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }

// A vector of length exactly 0 comes back unchanged rather than as NaNs.
Vec2 normalized(Vec2 v);

// The point at `t` along a -> b: a·(1 − t) + b·t, component-wise. Every point
// along a move (lift points, split points of a rewritten draw) comes from here.
inline Vec2 interp(Vec2 a, Vec2 b, float t)
{
    const float s = 1.0f - t;
    return {a.x * s + b.x * t, a.y * s + b.y * t};
}

// max(a, b) is b only when a < b; min(a, b) is a only when a < b. So a NaN
// second argument is passed over by max and a NaN first argument by min.
inline float maxOf(float a, float b) { return a < b ? b : a; }
inline float minOf(float a, float b) { return a < b ? a : b; }

// The terms of the crossing test, each rounded to a float: lambda is
// lambdaNumerator / det and gamma gammaNumerator / det.
struct CrossingTerms {
    float det, lambdaNumerator, gammaNumerator;
};

inline CrossingTerms crossingTermsOf(Vec2 origin, Vec2 terminus, Vec2 prev, Vec2 vertex)
{
    const float a = origin.x, b = origin.y, c = terminus.x, d = terminus.y;
    const float p = prev.x, q = prev.y, r = vertex.x, s = vertex.y;
    return {(c - a) * (s - q) - (r - p) * (d - b), (s - q) * (r - a) + (p - r) * (s - b),
            (b - d) * (r - a) + (c - a) * (s - b)};
}

// Both parameters strictly between 0 and 1; a NaN in either fails.
inline bool strictlyInside(float lambda, float gamma)
{
    return 0.0f < lambda && lambda < 1.0f && 0.0f < gamma && gamma < 1.0f;
}

// False only when numerator / det, rounded, cannot lie strictly between 0
// and 1: a zero or opposite-signed numerator gives at most 0, one at least as
// large as det gives at least 1 (rounding keeps order), a NaN gives NaN.
inline bool quotientMayBeInside(float numerator, float det)
{
    return det > 0.0f ? 0.0f < numerator && numerator < det : det < numerator && numerator < 0.0f;
}

// The cosine between `direction` and the path segment prev -> vertex.
inline float segmentDotProduct(Vec2 direction, Vec2 prev, Vec2 vertex)
{
    const Vec2 segment = vertex - prev;
    return dot(direction, segment) / magnitude(segment);
}

// The crossing test. The first segment is the move under test (origin to
// terminus), the second one segment of a collected path (prev to vertex).
// Strict: touching end points, collinear overlap and zero-length segments are
// not crossings. On a crossing, `lambda` is its position along the move and
// `dotProduct` the cosine between `direction` and the path segment; they are
// set only then. A pair that cannot cross is turned away before any division.
// It computes in 32-bit floats, as every value of the lift decision and the
// draw rewrites does: what they write follows from these very roundings.
inline bool crossesAt(Vec2 origin, Vec2 terminus, Vec2 prev, Vec2 vertex, float& lambda)
{
    const CrossingTerms t = crossingTermsOf(origin, terminus, prev, vertex);
    if (!quotientMayBeInside(t.lambdaNumerator, t.det) || !quotientMayBeInside(t.gammaNumerator, t.det)) return false;
    const float l = t.lambdaNumerator / t.det;
    const float g = t.gammaNumerator / t.det;
    if (!strictlyInside(l, g)) return false;
    lambda = l;
    return true;
}

inline bool crossesAt(Vec2 origin, Vec2 terminus, Vec2 prev, Vec2 vertex, Vec2 direction, float& lambda,
                      float& dotProduct)
{
    if (!crossesAt(origin, terminus, prev, vertex, lambda)) return false;
    dotProduct = segmentDotProduct(direction, prev, vertex);
    return true;
}

// The crossing test of the count of what travels drag across: the two
// segments properly intersect, each one's ends strictly on either side of
// the other's line; touching or overlapping is no crossing. The count is a
// figure of the print, not of the lift's arithmetic, so its sides are
// computed in 64 bits, where a point on or next to a line falls on its true
// side: in 32 bits the count's figures on the two-colour prints change.
inline double sideOf(Vec2 a, Vec2 b, Vec2 c)
{
    return (static_cast<double>(b.x) - a.x) * (static_cast<double>(c.y) - a.y) -
           (static_cast<double>(b.y) - a.y) * (static_cast<double>(c.x) - a.x);
}

inline bool onOppositeSides(double p, double q) { return (p > 0 && q < 0) || (p < 0 && q > 0); }

inline bool crossesExactly(Vec2 from, Vec2 to, Vec2 prev, Vec2 vertex)
{
    return onOppositeSides(sideOf(from, to, prev), sideOf(from, to, vertex)) &&
           onOppositeSides(sideOf(prev, vertex, from), sideOf(prev, vertex, to));
}

} // namespace vorlane
