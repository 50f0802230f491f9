// The segment crossing test, in 32-bit floats rounded in the order written, so
// that near-parallel and grazing segments are decided the same on every build.
#include "geometry/vec2.hpp"

namespace vorlane {

Vec2 normalized(Vec2 v)
{
    const float m = magnitude(v);
    if (m == 0.0f) return v;
    return {v.x / m, v.y / m};
}

namespace {

// Segment 1 runs from (a, b) to (c, d), segment 2 from (p, q) to (r, s).
// Returns the determinant; lambda and gamma are set only when it is non-zero.
float crossingParameters(float a, float b, float c, float d, float p, float q, float r, float s, float& lambda,
                         float& gamma)
{
    const float det = (c - a) * (s - q) - (r - p) * (d - b);
    if (det == 0.0f) return det;
    lambda = ((s - q) * (r - a) + (p - r) * (s - b)) / det;
    gamma = ((b - d) * (r - a) + (c - a) * (s - b)) / det;
    return det;
}

bool strictlyInside(float lambda, float gamma)
{
    return 0.0f < lambda && lambda < 1.0f && 0.0f < gamma && gamma < 1.0f;
}

} // namespace

bool intersects(Vec2 origin, Vec2 terminus, Vec2 prev, Vec2 vertex, float& lambda)
{
    lambda = NaN;
    float gamma = NaN;
    if (crossingParameters(origin.x, origin.y, terminus.x, terminus.y, prev.x, prev.y, vertex.x, vertex.y, lambda,
                           gamma) == 0.0f)
        return false;
    return strictlyInside(lambda, gamma);
}

bool intersects(Vec2 origin, Vec2 terminus, Vec2 prev, Vec2 vertex)
{
    float lambda;
    return intersects(origin, terminus, prev, vertex, lambda);
}

bool intersects(Vec2 origin, Vec2 terminus, Vec2 prev, Vec2 vertex, Vec2 direction, float& lambda, float& dotProduct)
{
    lambda = NaN;
    dotProduct = NaN;
    float gamma = NaN;
    if (crossingParameters(origin.x, origin.y, terminus.x, terminus.y, prev.x, prev.y, vertex.x, vertex.y, lambda,
                           gamma) == 0.0f)
        return false;
    const Vec2 segment = vertex - prev;
    dotProduct = dot(direction, segment) / magnitude(segment);
    return strictlyInside(lambda, gamma);
}

} // namespace vorlane
