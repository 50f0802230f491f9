// The crossing test as first written, kept as the reference the program's
// searching form (crossesAt) is held to: it always divides, and fills its
// out-parameters whether or not the segments cross.
#pragma once

#include "geometry/vec2.hpp"

namespace vorlane::reference {

// The first segment is the move under test (origin to terminus), the second
// one segment of a collected path (prev to vertex). Strict: touching end
// points, collinear overlap and zero-length segments are not crossings.
// `lambda` is the crossing's position along the move and `dotProduct` the
// cosine between `direction` and the path segment; both are NaN unless the
// determinant is non-zero, and meaningful only on a true result.
bool intersects(Vec2 origin, Vec2 terminus, Vec2 prev, Vec2 vertex);
bool intersects(Vec2 origin, Vec2 terminus, Vec2 prev, Vec2 vertex, float& lambda);
bool intersects(Vec2 origin, Vec2 terminus, Vec2 prev, Vec2 vertex, Vec2 direction, float& lambda, float& dotProduct);

} // namespace vorlane::reference
