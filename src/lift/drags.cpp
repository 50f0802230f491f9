// Counting the crossings of travels with other tools' fresh paths.
#include "lift/drags.hpp"

#include <algorithm>
#include <bit>
#include <cmath>

namespace vorlane {

namespace {

// Which side of the line through a and b c lies on, in 64 bits. Two
// segments cross properly when each one's ends lie strictly on either side
// of the other's line.
double side(Vec2 a, Vec2 b, Vec2 c)
{
    return (static_cast<double>(b.x) - a.x) * (static_cast<double>(c.y) - a.y) -
           (static_cast<double>(b.y) - a.y) * (static_cast<double>(c.x) - a.x);
}

bool opposite(double p, double q) { return (p > 0 && q < 0) || (p < 0 && q > 0); }

constexpr std::uint8_t CHUNK_POINTS = 32;

// Band k holds the heights from k to k + 1 times the nozzle's reach, so a
// travel looks at the few bands around its own. Keys stop at +-2^62: far out
// one band holds all, and the heights themselves decide.
constexpr double BAND_MM = NOZZLE_HEIGHT_TOLERANCE_MM;
std::int64_t bandKeyOf(double z)
{
    constexpr double FARTHEST = 4611686018427387904.0; // 2^62
    const double key = std::floor(z / BAND_MM);
    return static_cast<std::int64_t>(key < -FARTHEST ? -FARTHEST : key > FARTHEST ? FARTHEST : key);
}

std::size_t placeOf(const std::vector<std::uint32_t>& table, std::int64_t key)
{
    return static_cast<std::size_t>(static_cast<std::uint64_t>(key) * 0x9E3779B97F4A7C15u >> 32) & (table.size() - 1);
}

const DrawBand* findBand(const DrawLines& lines, std::int64_t key)
{
    if (lines.bandTable.empty()) return nullptr;
    for (std::size_t at = placeOf(lines.bandTable, key);; at = (at + 1) & (lines.bandTable.size() - 1)) {
        const std::uint32_t band = lines.bandTable[at];
        if (band == 0) return nullptr;
        if (lines.bands[band - 1].key == key) return &lines.bands[band - 1];
    }
}

void place(std::vector<std::uint32_t>& table, std::int64_t key, std::uint32_t band)
{
    std::size_t at = placeOf(table, key);
    while (table[at] != 0)
        at = (at + 1) & (table.size() - 1);
    table[at] = band + 1;
}

// The band of `key`, made when there is none; the table kept at most half full.
DrawBand& bandFor(DrawLines& lines, std::int64_t key)
{
    if (const DrawBand* band = findBand(lines, key)) {
        lines.lastBand = static_cast<std::uint32_t>(band - lines.bands.data());
        return lines.bands[lines.lastBand];
    }
    lines.lastBand = static_cast<std::uint32_t>(lines.bands.size());
    lines.bands.push_back({key, {}, {}});
    if (2 * lines.bands.size() > lines.bandTable.size()) {
        lines.bandTable.assign(std::bit_ceil(std::max<std::size_t>(64, 4 * lines.bands.size())), 0);
        for (std::uint32_t b = 0; b < lines.bands.size(); ++b)
            place(lines.bandTable, lines.bands[b].key, b);
    } else {
        place(lines.bandTable, key, lines.lastBand);
    }
    return lines.bands.back();
}

DrawBand& newChunk(DrawLines& lines, float z, int tool, Vec2 at)
{
    DrawBand& band = bandFor(lines, bandKeyOf(z));
    if (band.chunks.size() % BLOCK_CHUNKS == 0) band.blocks.push_back({at, at});
    band.chunks.push_back(
        {at, at, z, static_cast<std::uint32_t>(lines.points.size()), 0, 0, 0, static_cast<std::uint8_t>(tool)});
    return band;
}

// A point of the band's last chunk.
void addPoint(DrawLines& lines, DrawBand& band, Vec2 point)
{
    const auto grow = [point](auto& box) {
        box.low = {minOf(box.low.x, point.x), minOf(box.low.y, point.y)};
        box.high = {maxOf(box.high.x, point.x), maxOf(box.high.y, point.y)};
    };
    DrawChunk& chunk = band.chunks.back();
    grow(chunk);
    grow(band.blocks.back());
    lines.points.push_back(point);
    ++chunk.points;
}

template <typename Box> bool meet(const Box& box, Vec2 low, Vec2 high)
{
    return box.low.x <= high.x && low.x <= box.high.x && box.low.y <= high.y && low.y <= box.high.y;
}

// The crossings of the travel from `from` to `to` with a chunk's lines.
template <typename PointAt>
void crossChunk(const DrawChunk& chunk, Vec2 from, Vec2 to, PointAt pointAt, Crossings& crossings)
{
    // Which side of the travel each point lies on, once for the two lines
    // it ends and begins.
    Vec2 previous = pointAt(0);
    double before = side(from, to, previous);
    for (unsigned i = 1; i < chunk.points; ++i) {
        const Vec2 point = pointAt(i);
        const double after = side(from, to, point);
        const bool crosses = !(chunk.starts >> i & 1u) && opposite(before, after) &&
                             opposite(side(previous, point, from), side(previous, point, to));
        before = after;
        previous = point;
        if (!crosses) continue;
        ++crossings.all;
        if (chunk.outerPerimeters >> i & 1u) ++crossings.overOuterPerimeters;
    }
}

} // namespace

StoreLimit fileDrawLine(DrawLines& lines, float z, int tool, bool outerPerimeter, Vec2 from, Vec2 to)
{
    if (std::isnan(z) || std::isnan(from.x) || std::isnan(from.y) || std::isnan(to.x) || std::isnan(to.y))
        return StoreLimit::None;
    if (lines.points.size() >= MAX_VERTICES - 2) return StoreLimit::Vertices;
    DrawBand* band = lines.bands.empty() ? nullptr : &lines.bands[lines.lastBand];
    const DrawChunk* chunk = band ? &band->chunks.back() : nullptr;
    const bool sameChunk = chunk && chunk->z == z && chunk->tool == tool;
    if (!(sameChunk && chunk->points < CHUNK_POINTS && lines.points.back() == from)) {
        if (!sameChunk || chunk->points > CHUNK_POINTS - 2) band = &newChunk(lines, z, tool, from);
        DrawChunk& last = band->chunks.back();
        last.starts |= 1u << last.points;
        addPoint(lines, *band, from);
    }
    DrawChunk& last = band->chunks.back();
    if (outerPerimeter) last.outerPerimeters |= 1u << last.points;
    addPoint(lines, *band, to);
    return StoreLimit::None;
}

Crossings crossingsOf(const DrawLines& lines, Vec2 from, Vec2 to, float z, int tool)
{
    Crossings crossings;
    if (std::isnan(z)) return crossings;
    const Vec2 low{minOf(from.x, to.x), minOf(from.y, to.y)}, high{maxOf(from.x, to.x), maxOf(from.y, to.y)};
    // One band more each way than the reach covers, for rounding.
    const std::int64_t lowest = bandKeyOf(static_cast<double>(z) - BAND_MM) - 1;
    const std::int64_t highest = bandKeyOf(static_cast<double>(z) + BAND_MM) + 1;
    constexpr std::size_t PAGE = decltype(lines.points)::PAGE;
    for (std::int64_t key = lowest; key <= highest; ++key) {
        const DrawBand* band = findBand(lines, key);
        if (!band) continue;
        for (std::size_t c = 0; c < band->chunks.size(); ++c) {
            if (c % BLOCK_CHUNKS == 0 && !meet(band->blocks[c / BLOCK_CHUNKS], low, high)) {
                c += BLOCK_CHUNKS - 1;
                continue;
            }
            const DrawChunk& chunk = band->chunks[c];
            if (chunk.tool == tool || !(z - chunk.z < NOZZLE_HEIGHT_TOLERANCE_MM) ||
                !(chunk.z - z < NOZZLE_HEIGHT_TOLERANCE_MM) || !meet(chunk, low, high))
                continue;
            // Mostly a chunk's points lie on one page, one after another.
            if (chunk.first / PAGE == (chunk.first + chunk.points - 1) / PAGE) {
                const Vec2* points = &lines.points[chunk.first];
                crossChunk(
                    chunk, from, to, [points](unsigned i) { return points[i]; }, crossings);
            } else {
                crossChunk(
                    chunk, from, to, [&](unsigned i) { return lines.points[chunk.first + i]; }, crossings);
            }
        }
    }
    return crossings;
}

void addTravel(DragCounts& counts, const Crossings& crossings)
{
    ++counts.travels;
    if (crossings.all > 0) ++counts.crossingTravels;
    counts.crossings.all += crossings.all;
    counts.crossings.overOuterPerimeters += crossings.overOuterPerimeters;
}

} // namespace vorlane
