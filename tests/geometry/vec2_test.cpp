// The plane geometry every search rests on: the strict segment crossing test in
// 32-bit floats, normalized, interp and the NaN rules of maxOf and minOf.
#include "geometry/vec2.hpp"
#include "testing/reference_crossing.hpp"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <sstream>
#include <string>

namespace vorlane {
namespace {

// Same bits, or both NaN: the crossing test must reproduce float results exactly.
bool sameFloat(float a, float b)
{
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

std::string show(Vec2 v)
{
    std::ostringstream text;
    text << '(' << v.x << ", " << v.y << ')';
    return text.str();
}

struct Crossed {
    bool crosses;
    float lambda;
    float dotProduct;
};

Crossed crossWithDirection(Vec2 origin, Vec2 terminus, Vec2 prev, Vec2 vertex)
{
    Crossed c{false, 0.0f, 0.0f};
    c.crosses =
        reference::intersects(origin, terminus, prev, vertex, normalized(terminus - origin), c.lambda, c.dotProduct);
    return c;
}

// ---------------------------------------------------------------------------
// The edge cases of the crossing test, one row each.

struct CrossingRow {
    const char* rule;
    Vec2 origin, terminus, prev, vertex;
    bool crosses;
    float lambda;     // expected lambda out-parameter (NaN: left NaN)
    float dotProduct; // expected dotProduct out-parameter (NaN: left NaN)
};

const CrossingRow crossingRows[] = {
    {"a perpendicular crossing at 3 of 10", {0, 0}, {10, 0}, {3, -1}, {3, 1}, true, 0.3f, 0.0f},
    {"the path segment reversed gives the same lambda", {0, 0}, {10, 0}, {3, 1}, {3, -1}, true, 0.3f, 0.0f},
    {"diagonals cross in the middle", {0, 0}, {10, 10}, {0, 10}, {10, 0}, true, 0.5f, 0.0f},
    {"a crossing at 45 degrees has the cosine 0.7071", {0, 0}, {10, 0}, {2, -2}, {6, 2}, true, 0.4f, 0.70710677f},
    {"a segment pointing against the move has a negative cosine",
     {0, 0},
     {10, 0},
     {6, 2},
     {2, -2},
     true,
     0.4f,
     -0.70710677f},
    // Strict: a crossing exactly at an end of either segment is no crossing, but
    // the out-parameters keep the values computed for it.
    {"lambda exactly 1 (the move ends on the segment)", {0, 0}, {10, 0}, {10, -1}, {10, 1}, false, 1.0f, 0.0f},
    {"lambda exactly 0 (the move starts on the segment)", {0, 0}, {10, 0}, {0, -1}, {0, 1}, false, 0.0f, 0.0f},
    {"the path segment starts on the move", {0, 0}, {10, 0}, {5, 0}, {5, 1}, false, 0.5f, 0.0f},
    {"the path segment ends on the move", {0, 0}, {10, 0}, {5, 1}, {5, 0}, false, 0.5f, 0.0f},
    {"a path vertex exactly on the move, first segment", {0, 0}, {10, 0}, {4, -1}, {5, 0}, false, 0.5f, 0.70710677f},
    {"a path vertex exactly on the move, second segment", {0, 0}, {10, 0}, {5, 0}, {6, 1}, false, 0.5f, 0.70710677f},
    {"a segment beyond the end of the move", {0, 0}, {10, 0}, {12, -1}, {12, 1}, false, 1.2f, 0.0f},
    {"a segment before the start of the move", {0, 0}, {10, 0}, {-2, -1}, {-2, 1}, false, -0.2f, 0.0f},
    {"a segment that stops short of the move", {0, 0}, {10, 0}, {5, 1}, {5, 3}, false, 0.5f, 0.0f},
    // A zero determinant: parallel lines or a zero-length segment. Nothing is computed.
    {"collinear overlap is no crossing", {0, 0}, {10, 0}, {2, 0}, {8, 0}, false, NaN, NaN},
    {"a parallel segment is no crossing", {0, 0}, {10, 0}, {0, 1}, {10, 1}, false, NaN, NaN},
    {"a zero-length path segment is no crossing", {0, 0}, {10, 0}, {3, 0}, {3, 0}, false, NaN, NaN},
    {"a zero-length segment off the move is no crossing", {0, 0}, {10, 0}, {3, 1}, {3, 1}, false, NaN, NaN},
    {"a zero-length move is no crossing", {3, 0}, {3, 0}, {3, -1}, {3, 1}, false, NaN, NaN},
};

TEST(Intersects, EdgeCasesWithDirection)
{
    for (const CrossingRow& row : crossingRows) {
        const Crossed c = crossWithDirection(row.origin, row.terminus, row.prev, row.vertex);
        EXPECT_EQ(c.crosses, row.crosses) << row.rule;
        EXPECT_TRUE(sameFloat(c.lambda, row.lambda))
            << row.rule << ": lambda " << c.lambda << ", expected " << row.lambda;
        EXPECT_TRUE(sameFloat(c.dotProduct, row.dotProduct))
            << row.rule << ": dotProduct " << c.dotProduct << ", expected " << row.dotProduct;
    }
}

TEST(Intersects, PlainAndLambdaFormsAgreeWithTheDirectionForm)
{
    for (const CrossingRow& row : crossingRows) {
        float lambda = 42.0f;
        EXPECT_EQ(reference::intersects(row.origin, row.terminus, row.prev, row.vertex), row.crosses) << row.rule;
        EXPECT_EQ(reference::intersects(row.origin, row.terminus, row.prev, row.vertex, lambda), row.crosses)
            << row.rule;
        EXPECT_TRUE(sameFloat(lambda, row.lambda))
            << row.rule << ": the lambda form computes the same lambda, got " << lambda;
    }
}

TEST(Intersects, OutParametersAreNaNWhenTheSegmentsAreParallel)
{
    float lambda = 7.0f;
    float dotProduct = 7.0f;
    EXPECT_FALSE(reference::intersects({0, 0}, {10, 0}, {0, 1}, {10, 1}, Vec2{1, 0}, lambda, dotProduct));
    EXPECT_TRUE(std::isnan(lambda)) << "a parallel segment leaves lambda NaN, whatever it held before";
    EXPECT_TRUE(std::isnan(dotProduct)) << "a parallel segment leaves dotProduct NaN, whatever it held before";

    lambda = 7.0f;
    EXPECT_FALSE(reference::intersects({0, 0}, {10, 0}, {4, 0}, {14, 0}, lambda));
    EXPECT_TRUE(std::isnan(lambda)) << "the lambda form also resets lambda to NaN on entry";
}

TEST(Intersects, NegativeZeroDeterminantIsParallelToo)
{
    // det = (0 − 0)·(0 − 1) − (0 − 0)·(1 − 0) = −0 − 0 = −0: either sign of zero means parallel.
    float lambda = 7.0f;
    float dotProduct = 7.0f;
    EXPECT_FALSE(reference::intersects({0, 0}, {0, 1}, {0, 1}, {0, 0}, Vec2{0, 1}, lambda, dotProduct));
    EXPECT_TRUE(std::isnan(lambda)) << "a determinant of -0 is zero: no parameters are computed";
}

TEST(Intersects, NaNCoordinatesNeverCross)
{
    float lambda = 0.0f;
    float dotProduct = 0.0f;
    EXPECT_FALSE(reference::intersects({0, 0}, {10, 0}, {NaN, -1}, {3, 1}, Vec2{1, 0}, lambda, dotProduct))
        << "a NaN makes the comparisons fail, so no crossing";
    EXPECT_FALSE(reference::intersects(Vec2{}, {10, 0}, {3, -1}, {3, 1}))
        << "a Vec2 declared without values is (NaN, NaN)";
}

TEST(Intersects, NearParallelSegments)
{
    // A determinant that is tiny but not zero: the parameters are computed and
    // decide. The segment rises by one float step over 10 mm.
    const float rise = std::nextafter(1.0f, 2.0f) - 1.0f; // 2^-23
    float lambda = 0.0f;
    float dotProduct = 0.0f;
    EXPECT_FALSE(reference::intersects({0, 0}, {10, 0}, {0, 1}, {10, 1.0f + rise}, Vec2{1, 0}, lambda, dotProduct))
        << "nearly parallel lines meet far beyond the move";
    EXPECT_TRUE(std::isfinite(lambda)) << "a non-zero determinant gives a finite lambda";
    EXPECT_LT(lambda, 0.0f) << "the lines meet behind the move's start";

    // A shallow crossing that does lie inside both segments still counts.
    EXPECT_TRUE(reference::intersects({0, 0}, {10, 0}, {0, -0.001f}, {10, 0.001f}, Vec2{1, 0}, lambda, dotProduct))
        << "a grazing crossing inside both segments is a crossing";
    EXPECT_FLOAT_EQ(lambda, 0.5f);
    EXPECT_GT(dotProduct, 0.99999f) << "a grazing crossing has a cosine near 1";
}

TEST(Intersects, EndPointsJustInsideAndJustOutside)
{
    // One float step inside an end point is a crossing; the end point itself is not.
    const float justBefore = std::nextafter(10.0f, 0.0f);
    EXPECT_TRUE(reference::intersects({0, 0}, {10, 0}, {justBefore, -1}, {justBefore, 1}))
        << "a segment a hair before the move's end is crossed";
    EXPECT_FALSE(reference::intersects({0, 0}, {10, 0}, {10, -1}, {10, 1})) << "the move's end point is not a crossing";
    EXPECT_TRUE(reference::intersects({0, 0}, {10, 0}, {5, -1}, {5, 1e-6f}))
        << "a segment ending a hair beyond the move still crosses it";
}

TEST(Intersects, SearchFormDecidesOverflowAndNaNAsTheTestDoes)
{
    // Terms that overflow to infinity or turn NaN: the early turn-away must
    // agree with the division it skips.
    const float huge = 3e38f, inf = std::numeric_limits<float>::infinity();
    const std::array<std::array<Vec2, 4>, 8> pairs{{
        {{{0, 0}, {huge, 0}, {1, -huge}, {1, huge}}},
        {{{-huge, -huge}, {huge, huge}, {-huge, huge}, {huge, -huge}}},
        {{{0, 0}, {10, 0}, {3, -inf}, {3, inf}}},
        {{{0, 0}, {inf, 0}, {3, -1}, {3, 1}}},
        {{{0, 0}, {10, 0}, {NaN, -1}, {3, 1}}},
        {{{0, 0}, {10, 0}, {3, -1e-30f}, {3, 1e-30f}}},
        {{{0, 0}, {1e-30f, 0}, {5e-31f, -1}, {5e-31f, 1}}},
        {{{0, 0}, {10, 0}, {3, -huge}, {3, 1}}},
    }};
    for (const auto& [o, t, p, v] : pairs) {
        float lambda = NaN, searchLambda = NaN;
        const bool expected = reference::intersects(o, t, p, v, lambda);
        EXPECT_EQ(crossesAt(o, t, p, v, searchLambda), expected)
            << show(o) << "->" << show(t) << " vs " << show(p) << "->" << show(v);
        if (expected) {
            EXPECT_TRUE(sameFloat(searchLambda, lambda));
        }
    }
}

// ---------------------------------------------------------------------------
// Differential test: the crossing test against a plain reference of the same
// formula, every product and quotient rounded to float in the order written.
// A rearranged formula, a fused multiply-add or a double intermediate changes
// the last bit of lambda somewhere among these inputs, and a lift or split
// point moves with it.

struct Reference {
    bool crosses;
    float lambda;
    float gamma;
    float dotProduct;
};

Reference referenceCrossing(float a, float b, float c, float d, float p, float q, float r, float s, Vec2 direction)
{
    Reference out{false, NaN, NaN, NaN};
    const float ca = c - a, sq = s - q, rp = r - p, db = d - b;
    const float detLeft = ca * sq;
    const float detRight = rp * db;
    const float det = detLeft - detRight;
    if (det == 0.0f) return out;
    const float ra = r - a, pr = p - r, sb = s - b, bd = b - d;
    const float lambdaLeft = sq * ra;
    const float lambdaRight = pr * sb;
    const float lambdaNumerator = lambdaLeft + lambdaRight;
    out.lambda = lambdaNumerator / det;
    const float gammaLeft = bd * ra;
    const float gammaRight = ca * sb;
    const float gammaNumerator = gammaLeft + gammaRight;
    out.gamma = gammaNumerator / det;
    const float dotX = direction.x * rp;
    const float dotY = direction.y * sq;
    const float dotSum = dotX + dotY;
    const float lengthX = rp * rp;
    const float lengthY = sq * sq;
    const float lengthSquared = lengthX + lengthY;
    const float length = std::sqrt(lengthSquared);
    out.dotProduct = dotSum / length;
    out.crosses = 0.0f < out.lambda && out.lambda < 1.0f && 0.0f < out.gamma && out.gamma < 1.0f;
    return out;
}

Vec2 referenceNormalized(Vec2 v)
{
    const float xx = v.x * v.x;
    const float yy = v.y * v.y;
    const float sum = xx + yy;
    const float m = std::sqrt(sum);
    if (m == 0.0f) return v;
    return {v.x / m, v.y / m};
}

struct DifferentialTally {
    int crossings = 0;
    int parallel = 0;
    int touching = 0; // lambda or gamma exactly 0 or 1 on a non-zero determinant
    int compared = 0;
};

void compareWithReference(Vec2 o, Vec2 t, Vec2 p, Vec2 v, DifferentialTally& tally)
{
    const Vec2 direction = normalized(t - o);
    const Vec2 expectedDirection = referenceNormalized(t - o);
    ASSERT_TRUE(sameFloat(direction.x, expectedDirection.x) && sameFloat(direction.y, expectedDirection.y))
        << "normalized " << show(t - o) << " gives " << show(direction) << ", reference " << show(expectedDirection);
    const Reference expected = referenceCrossing(o.x, o.y, t.x, t.y, p.x, p.y, v.x, v.y, direction);
    float lambda = 0.0f;
    float dotProduct = 0.0f;
    const bool crosses = reference::intersects(o, t, p, v, direction, lambda, dotProduct);
    ++tally.compared;
    if (expected.crosses) ++tally.crossings;
    if (std::isnan(expected.lambda)) ++tally.parallel;
    const auto atEnd = [](float f) { return f == 0.0f || f == 1.0f; };
    if (atEnd(expected.lambda) || atEnd(expected.gamma)) ++tally.touching;
    const auto where = [&] {
        std::ostringstream text;
        text << show(o) << "->" << show(t) << " vs " << show(p) << "->" << show(v);
        return text.str();
    };
    ASSERT_EQ(crosses, expected.crosses) << "crossing decided as the formula in float says: " << where();
    ASSERT_TRUE(sameFloat(lambda, expected.lambda))
        << "lambda to the last bit: " << where() << " got " << lambda << " reference " << expected.lambda;
    ASSERT_TRUE(sameFloat(dotProduct, expected.dotProduct))
        << "dotProduct to the last bit: " << where() << " got " << dotProduct << " reference " << expected.dotProduct;
    float plainLambda = 0.0f;
    ASSERT_EQ(reference::intersects(o, t, p, v, plainLambda), expected.crosses) << "lambda form: " << where();
    ASSERT_TRUE(sameFloat(plainLambda, expected.lambda)) << "lambda form: " << where();
    ASSERT_EQ(reference::intersects(o, t, p, v), expected.crosses) << "plain form: " << where();
    // The searches' form turns pairs away before dividing: it must never turn
    // away a crossing, and on one it gives the same values to the last bit.
    float searchLambda = NaN, searchDot = NaN;
    ASSERT_EQ(crossesAt(o, t, p, v, direction, searchLambda, searchDot), expected.crosses)
        << "search form: " << where();
    if (expected.crosses) {
        ASSERT_TRUE(sameFloat(searchLambda, expected.lambda)) << "search form lambda: " << where();
        ASSERT_TRUE(sameFloat(searchDot, expected.dotProduct)) << "search form dotProduct: " << where();
    }
    ASSERT_EQ(crossesAt(o, t, p, v, searchLambda), expected.crosses) << "search lambda form: " << where();
}

// Integer draws from a fixed-seed Mersenne twister (its output is fixed by the
// standard), turned into floats by hand so the inputs are the same everywhere.
struct Draws {
    std::mt19937 engine;
    explicit Draws(std::uint32_t seed) : engine(seed) {}
    int upTo(int n) { return static_cast<int>(engine() % static_cast<std::uint32_t>(n)); }
    // A coordinate on a 0.5 mm grid in [-5, 5]: end points meet, touch and overlap often.
    float grid() { return static_cast<float>(upTo(21) - 10) * 0.5f; }
    // A coordinate in [-200, 200) with about 24 bits of fraction.
    float fine() { return static_cast<float>(static_cast<double>(engine() >> 8) / 41943.04 - 200.0); }
};

TEST(Intersects, AgreesWithTheReferenceOnGridSegments)
{
    Draws draws(20240611u);
    DifferentialTally tally;
    for (int i = 0; i < 60000; ++i) {
        const Vec2 o{draws.grid(), draws.grid()}, t{draws.grid(), draws.grid()};
        const Vec2 p{draws.grid(), draws.grid()}, v{draws.grid(), draws.grid()};
        compareWithReference(o, t, p, v, tally);
        if (HasFatalFailure()) return;
    }
    // The grid exists to reach the edge rules; make sure it did.
    EXPECT_GT(tally.crossings, 1000) << "the sample holds real crossings";
    EXPECT_GT(tally.parallel, 500) << "the sample holds parallel, collinear and zero-length segments";
    EXPECT_GT(tally.touching, 1000) << "the sample holds crossings exactly at an end point";
}

TEST(Intersects, AgreesWithTheReferenceOnFineSegments)
{
    Draws draws(7u);
    DifferentialTally tally;
    for (int i = 0; i < 60000; ++i) {
        const Vec2 o{draws.fine(), draws.fine()}, t{draws.fine(), draws.fine()};
        Vec2 p{draws.fine(), draws.fine()}, v{draws.fine(), draws.fine()};
        // Every fourth segment runs nearly along the move, where rounding decides most.
        if (i % 4 == 0) {
            const float shift = static_cast<float>(draws.upTo(2001) - 1000) * 1e-4f;
            p = {o.x + shift, o.y - shift};
            v = {t.x - shift, t.y + shift * 0.5f};
        }
        compareWithReference(o, t, p, v, tally);
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(tally.crossings, 5000) << "the sample holds real crossings";
}

// ---------------------------------------------------------------------------

TEST(Normalized, UnitVectorsAndTheZeroVector)
{
    const Vec2 n = normalized({3, 4});
    EXPECT_EQ(n.x, 0.6f) << "3/5 in float";
    EXPECT_EQ(n.y, 0.8f) << "4/5 in float";
    const Vec2 zero = normalized({0, 0});
    EXPECT_EQ(zero.x, 0.0f) << "a zero vector comes back unchanged, not NaN";
    EXPECT_EQ(zero.y, 0.0f) << "a zero vector comes back unchanged, not NaN";
    const Vec2 negativeZero = normalized({-0.0f, 0.0f});
    EXPECT_TRUE(std::signbit(negativeZero.x)) << "a vector of length 0 is returned as it was, sign of zero included";
    const Vec2 back = normalized({-20, 0});
    EXPECT_EQ(back.x, -1.0f);
    EXPECT_EQ(back.y, 0.0f);
    const Vec2 diagonal = normalized({12, 16});
    EXPECT_EQ(diagonal.x, 12.0f / 20.0f) << "each component divided by the float magnitude";
    EXPECT_EQ(diagonal.y, 16.0f / 20.0f);
}

TEST(Interp, PointsAlongAMove)
{
    const Vec2 quarter = interp({0, 0}, {10, 20}, 0.25f);
    EXPECT_EQ(quarter.x, 2.5f);
    EXPECT_EQ(quarter.y, 5.0f);
    const Vec2 a{2, 4}, b{14, 20};
    const Vec2 start = interp(a, b, 0.0f);
    EXPECT_TRUE(start == a) << "t = 0 gives the start point exactly (the lifted travel rises there)";
    const Vec2 end = interp(a, b, 1.0f);
    EXPECT_TRUE(end == b) << "t = 1 gives the end point exactly";
    // a·(1 − t) + b·t in float, not a + (b − a)·t: the two differ in the last
    // digit of the lifted travel's X here (6.70062 against 6.70063).
    const float t = 0.39171875f;
    const Vec2 p = interp(a, b, t);
    EXPECT_EQ(p.x, 6.7006245f) << "2·(1 − t) + 14·t rounded step by step";
    EXPECT_NE(p.x, 2.0f + 12.0f * t) << "the other form rounds differently for this t";
    const Vec2 beyond = interp({0, 0}, {10, 0}, 1.5f);
    EXPECT_EQ(beyond.x, 15.0f) << "t outside [0, 1] lies on the extension";
}

TEST(Vec2Operations, DefaultsEqualityAndProducts)
{
    const Vec2 unset;
    EXPECT_TRUE(std::isnan(unset.x) && std::isnan(unset.y)) << "a Vec2 declared without values is NaN";
    EXPECT_FALSE(unset == unset) << "NaN never equals, not even itself";
    EXPECT_TRUE((Vec2{1, 2} == Vec2{1, 2}));
    EXPECT_TRUE((Vec2{0.0f, 1} == Vec2{-0.0f, 1})) << "exact float comparison: 0 equals -0";
    EXPECT_FALSE((Vec2{1, 2} == Vec2{1, 3}));
    const Vec2 d = Vec2{5, 7} - Vec2{2, 3};
    EXPECT_EQ(d.x, 3.0f);
    EXPECT_EQ(d.y, 4.0f);
    EXPECT_EQ(magnitude_squared({3, 4}), 25.0f);
    EXPECT_EQ(magnitude({3, 4}), 5.0f);
    EXPECT_EQ(dot({1, 2}, {3, 4}), 11.0f);
}

TEST(MaxMin, NaNIsPassedOverInAFixedWay)
{
    EXPECT_EQ(maxOf(1.0f, 2.0f), 2.0f);
    EXPECT_EQ(maxOf(2.0f, 1.0f), 2.0f);
    EXPECT_EQ(minOf(1.0f, 2.0f), 1.0f);
    EXPECT_EQ(minOf(2.0f, 1.0f), 1.0f);
    EXPECT_EQ(maxOf(1.0f, NaN), 1.0f) << "max ignores a NaN second argument";
    EXPECT_TRUE(std::isnan(maxOf(NaN, 1.0f))) << "max keeps a NaN first argument (b only when a < b)";
    EXPECT_EQ(minOf(NaN, 1.0f), 1.0f) << "min ignores a NaN first argument";
    EXPECT_TRUE(std::isnan(minOf(1.0f, NaN))) << "min keeps a NaN second argument (a only when a < b)";
    EXPECT_TRUE(std::signbit(maxOf(-0.0f, 0.0f))) << "of equal values max keeps the first";
    EXPECT_FALSE(std::signbit(maxOf(0.0f, -0.0f))) << "of equal values max keeps the first";
    EXPECT_FALSE(std::signbit(minOf(-0.0f, 0.0f))) << "of equal values min takes the second";
    EXPECT_TRUE(std::signbit(minOf(0.0f, -0.0f))) << "of equal values min takes the second";
}

} // namespace
} // namespace vorlane
