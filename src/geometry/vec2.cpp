// Vector arithmetic that is more than an expression.
#include "geometry/vec2.hpp"

namespace vorlane {

Vec2 normalized(Vec2 v)
{
    const float m = magnitude(v);
    if (m == 0.0f) return v;
    return {v.x / m, v.y / m};
}

} // namespace vorlane
