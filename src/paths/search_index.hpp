// Finding what lies near a move without walking everything: layer windows
// from the sorted heights, and segments from the chunk boxes. Both visit what
// they find in the order of the plain walk (layer entries in creation order,
// then vertex order), so every search gives the same crossings in the same
// order either way, and ties come out the same.
#pragma once

#include "paths/layers.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace vorlane {

// A chunk is searched when its box comes this close to the move's box. The
// crossing test is strict and exact to float rounding, so a segment whose box
// is farther than rounding from the move's box cannot cross it; the margin
// is far wider than that.
inline constexpr float SEARCH_MARGIN_MM = 0.05f;

inline BoundingBox queryBoxOf(Vec2 a, Vec2 b)
{
    return {{minOf(a.x, b.x) - SEARCH_MARGIN_MM, minOf(a.y, b.y) - SEARCH_MARGIN_MM},
            {maxOf(a.x, b.x) + SEARCH_MARGIN_MM, maxOf(a.y, b.y) + SEARCH_MARGIN_MM}};
}

inline bool boxesMeet(const BoundingBox& a, const BoundingBox& b)
{
    return !(a.maxima.x < b.minima.x || b.maxima.x < a.minima.x || a.maxima.y < b.minima.y || b.maxima.y < a.minima.y);
}

// The segment from `origin` to `terminus`, and the region a chunk must meet
// to hold a segment that may cross it: the box around the segment, and the
// band along its line, both SEARCH_MARGIN_MM wide.
struct SearchQuery {
    BoundingBox box;
    double originX, originY, directionX, directionY;
    double halfBand; // margin times the direction's length
};

inline SearchQuery searchQueryOf(Vec2 origin, Vec2 terminus)
{
    const double dx = static_cast<double>(terminus.x) - origin.x, dy = static_cast<double>(terminus.y) - origin.y;
    return {queryBoxOf(origin, terminus), origin.x, origin.y, dx, dy, SEARCH_MARGIN_MM * std::sqrt(dx * dx + dy * dy)};
}

// False only when the box misses the query's box or lies wholly on one side
// of the band along the segment's line.
inline bool chunkMayMeet(const BoundingBox& chunk, const SearchQuery& q)
{
    if (!boxesMeet(chunk, q.box)) return false;
    double lowest = 0, highest = 0;
    for (int corner = 0; corner < 4; ++corner) {
        const double x = (corner & 1 ? chunk.maxima.x : chunk.minima.x) - q.originX;
        const double y = (corner & 2 ? chunk.maxima.y : chunk.minima.y) - q.originY;
        const double side = q.directionX * y - q.directionY * x;
        lowest = corner == 0 ? side : std::min(lowest, side);
        highest = corner == 0 ? side : std::max(highest, side);
    }
    return lowest <= q.halfBand && highest >= -q.halfBand;
}

// Calls visit(entry) for every layer entry whose height is neither tooLow nor
// tooHigh, in creation order. tooLow must hold for a run of the lowest heights
// only and tooHigh for a run of the highest only (the searches' windows are
// built from currentZ - z, which never rises as z rises).
template <typename TooLow, typename TooHigh, typename Visit>
void forEachLayerInWindow(const LayerCollection& layers, TooLow tooLow, TooHigh tooHigh, Visit visit)
{
    if (layers.walk == SearchWalk::Plain) {
        for (const LayerEntry& entry : layers.entries)
            if (!tooLow(entry.z) && !tooHigh(entry.z)) visit(entry);
        return;
    }
    const auto& heights = layers.heights;
    const auto begin =
        std::partition_point(heights.begin(), heights.end(), [&](const LayerHeight& h) { return tooLow(h.z); });
    const auto end = std::partition_point(begin, heights.end(), [&](const LayerHeight& h) { return !tooHigh(h.z); });
    if (begin == end) return;
    // Heights created in rising order are already in creation order.
    if (std::is_sorted(begin, end, [](const LayerHeight& a, const LayerHeight& b) { return a.entry < b.entry; })) {
        for (auto h = begin; h != end; ++h)
            visit(layers.entries[h->entry]);
        return;
    }
    std::vector<std::uint32_t> order;
    for (auto h = begin; h != end; ++h)
        order.push_back(h->entry);
    std::sort(order.begin(), order.end());
    for (const std::uint32_t entry : order)
        visit(layers.entries[entry]);
}

// Calls visit(prev, vertex) for every segment of the slot's paths that may
// meet `query`: with the index, the segments of chunks whose box (and whose
// block's box) meets it;
// with the plain walk, every segment, path by path. In path and vertex order
// either way.
template <typename Visit>
void forEachSegmentNear(const ToolSlot& slot, const SearchQuery& query, SearchWalk walk, Visit visit)
{
    if (walk == SearchWalk::Plain) {
        for (std::size_t p = 0; p < pathCount(slot); ++p) {
            const std::span<const Vec2> path = pathAt(slot, p).vertices;
            for (std::size_t i = 1; i < path.size(); ++i)
                visit(path[i - 1], path[i]);
        }
        return;
    }
    const std::vector<Vec2>& v = slot.vertices;
    const std::vector<std::uint32_t>& starts = slot.pathStarts;
    for (std::size_t b = 0; b < slot.blockBoxes.size(); ++b) {
        if (!chunkMayMeet(slot.blockBoxes[b], query)) continue;
        const std::size_t lastChunk = std::min((b + 1) * BLOCK_CHUNKS, slot.chunkBoxes.size());
        for (std::size_t c = b * BLOCK_CHUNKS; c < lastChunk; ++c) {
            if (!chunkMayMeet(slot.chunkBoxes[c], query)) continue;
            const std::size_t first = c * CHUNK_VERTICES;
            const std::size_t last = std::min(first + CHUNK_VERTICES, v.size());
            // No segment ends at the first vertex of a path.
            auto nextStart = std::lower_bound(starts.begin(), starts.end(), first);
            for (std::size_t i = first; i < last; ++i) {
                if (nextStart != starts.end() && *nextStart == i) {
                    ++nextStart;
                    continue;
                }
                visit(v[i - 1], v[i]);
            }
        }
    }
}

} // namespace vorlane
