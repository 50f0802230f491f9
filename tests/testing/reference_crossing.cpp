// The reference crossing test.
#include "testing/reference_crossing.hpp"

namespace vorlane::reference {

namespace {

// Sets lambda and gamma only when the determinant is non-zero, and returns it.
float crossingParameters(Vec2 origin, Vec2 terminus, Vec2 prev, Vec2 vertex, float& lambda, float& gamma)
{
    const CrossingTerms t = crossingTermsOf(origin, terminus, prev, vertex);
    if (t.det == 0.0f) return t.det;
    lambda = t.lambdaNumerator / t.det;
    gamma = t.gammaNumerator / t.det;
    return t.det;
}

} // namespace

bool intersects(Vec2 origin, Vec2 terminus, Vec2 prev, Vec2 vertex, float& lambda)
{
    lambda = NaN;
    float gamma = NaN;
    if (crossingParameters(origin, terminus, prev, vertex, lambda, gamma) == 0.0f) return false;
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
    if (crossingParameters(origin, terminus, prev, vertex, lambda, gamma) == 0.0f) return false;
    dotProduct = segmentDotProduct(direction, prev, vertex);
    return strictlyInside(lambda, gamma);
}

} // namespace vorlane::reference
