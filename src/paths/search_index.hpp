// Finding what lies near a move without walking everything. The index is a
// tree of boxes over the vertex list in the order drawn, each node holding
// the range of layer heights below it: a search goes down only into nodes
// that meet the move and hold heights of its window, so layers far from the
// move cost nothing, whatever their height and however many there are. What
// it finds it visits in the order of a plain walk over every segment (layer
// entries in creation order, then tool, path and vertex), so every search
// gives the same crossings in the same order as such a walk would, and ties
// come out the same. The tests hold the index to a plain walk over every
// segment.
#pragma once

#include "paths/layers.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <type_traits>
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

// All four sides tested, without a branch: which of them turns a box away
// is no pattern a branch predictor learns.
inline bool boxesMeet(const BoundingBox& a, const BoundingBox& b)
{
    return (static_cast<int>(!(a.maxima.x < b.minima.x)) & static_cast<int>(!(b.maxima.x < a.minima.x)) &
            static_cast<int>(!(a.maxima.y < b.minima.y)) & static_cast<int>(!(b.maxima.y < a.minima.y))) != 0;
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
// of the band along the segment's line: the box's centre lies farther from
// the line than its half extents reach across it, and the band's half width.
inline bool bandMayMeet(const BoundingBox& chunk, const SearchQuery& q)
{
    const double halfWidth = 0.5 * (static_cast<double>(chunk.maxima.x) - chunk.minima.x);
    const double halfHeight = 0.5 * (static_cast<double>(chunk.maxima.y) - chunk.minima.y);
    const double x = chunk.minima.x + halfWidth - q.originX, y = chunk.minima.y + halfHeight - q.originY;
    const double side = q.directionX * y - q.directionY * x;
    return std::fabs(side) <= std::fabs(q.directionY) * halfWidth + std::fabs(q.directionX) * halfHeight + q.halfBand;
}

inline bool chunkMayMeet(const BoundingBox& chunk, const SearchQuery& q)
{
    return boxesMeet(chunk, q.box) && bandMayMeet(chunk, q);
}

// Which side of the band along the query's segment a point lies on: -1 or
// 1 beyond it, 0 within it.
inline int sideOfBand(const SearchQuery& q, Vec2 point)
{
    const double side = q.directionX * (point.y - q.originY) - q.directionY * (point.x - q.originX);
    return side > q.halfBand ? 1 : side < -q.halfBand ? -1 : 0;
}

// Turns a segment away before the crossing test when both its ends lie
// beyond the band, on one side: it cannot cross, as a chunk's box there
// cannot. Most segments a search visits are turned away so, and this test
// is cheaper and steadier than the crossing's; the segments of a piece come
// one after another, so each end's side is found once.
struct BandSides {
    const SearchQuery& query;
    Vec2 point{NaN, NaN};
    int side = 0;

    bool mayCross(Vec2 prev, Vec2 vertex)
    {
        const int prevSide = prev == point ? side : sideOfBand(query, prev);
        side = sideOfBand(query, vertex);
        point = vertex;
        return prevSide != side || side == 0;
    }
};

// Which tool slots a search looks at: those of the tools in `tools` (bit t
// for tool t), at every entry or at `entry` only.
struct SlotFilter {
    std::uint16_t tools = (1u << TOOL_SLOTS) - 1;
    std::uint32_t entry = NO_INDEX;
};
inline bool passes(const SlotFilter& filter, std::uint32_t entry, unsigned tool)
{
    return (filter.tools >> tool & 1u) && (filter.entry == NO_INDEX || filter.entry == entry);
}

// Calls visit(entry, tool, prev, vertex) for the segments that end at the
// vertices begin up to end of run r; a visitor that takes a fifth argument
// gets the number of the vertex the segment ends at too.
template <typename Visit>
void visitRunPiece(const LayerCollection& layers, std::uint32_t r, std::uint32_t begin, std::uint32_t end,
                   const LayerEntry& entry, int tool, Visit& visit)
{
    const auto call = [&](Vec2 prev, Vec2 vertex, std::uint32_t at) {
        if constexpr (std::is_invocable_v<Visit&, const LayerEntry&, int, Vec2, Vec2, std::uint32_t>)
            visit(entry, tool, prev, vertex, at);
        else
            visit(entry, tool, prev, vertex);
    };
    const VertexRun& run = layers.runs[r];
    std::uint32_t i = begin;
    if (i == run.first) {
        if (run.before != NO_INDEX) call(layers.vertices[run.before], layers.vertices[i], i);
        ++i;
    }
    constexpr std::size_t PAGE = decltype(layers.vertices)::PAGE;
    while (i < end) {
        // Up to the end of i's page the vertices lie one after another.
        const auto pageEnd = static_cast<std::uint32_t>(std::min<std::size_t>(end, (i | (PAGE - 1)) + 1));
        Vec2 prev = layers.vertices[i - 1];
        for (const Vec2* vertex = &layers.vertices[i]; i < pageEnd; ++i, ++vertex) {
            call(prev, *vertex, i);
            prev = *vertex;
        }
    }
}

// Hands found(piece) the pieces of the runs in chunk c, which may meet the
// query.
template <typename TooLow, typename TooHigh, typename Found>
void gatherChunk(const LayerCollection& layers, std::size_t c, TooLow& tooLow, TooHigh& tooHigh,
                 const SlotFilter& filter, Found& found)
{
    const auto first = static_cast<std::uint32_t>(c * CHUNK_VERTICES);
    const auto last = static_cast<std::uint32_t>(std::min<std::size_t>(first + CHUNK_VERTICES, layers.vertices.size()));
    for (std::uint32_t r = layers.chunks[c].run; r < layers.runs.size() && layers.runs[r].first < last; ++r) {
        const LayerAndTool layerAndTool = layers.runs[r].layerAndTool;
        const auto [entry, tool] = unpack(layerAndTool);
        if (!passes(filter, entry, tool)) continue;
        const float z = layers.entries[entry].z;
        if (tooLow(z) || tooHigh(z)) continue;
        found(SearchPiece{layerAndTool, std::max(first, layers.runs[r].first), std::min(last, runEnd(layers, r)), r});
    }
}

// Whether a node may hold segments the search looks at. The heights tooLow
// refuses are the lowest and those tooHigh refuses the highest, so a node's
// range of heights is wholly refused when its top is too low or its bottom
// too high.
template <typename TooLow, typename TooHigh>
bool nodeMayHold(const IndexNode& node, const SearchQuery& query, TooLow& tooLow, TooHigh& tooHigh,
                 const SlotFilter& filter)
{
    return (node.tools & filter.tools) && !tooLow(node.zHigh) && !tooHigh(node.zLow) && chunkMayMeet(node.box, query);
}

// The pieces below node `node` of level `level` (1 for the level just above
// the chunks), which may hold what the search looks at.
template <typename TooLow, typename TooHigh, typename Found>
void gatherBelow(const LayerCollection& layers, const SearchQuery& query, std::size_t level, std::size_t node,
                 TooLow& tooLow, TooHigh& tooHigh, const SlotFilter& filter, Found& found)
{
    const std::size_t firstChild = node * NODE_FANOUT;
    if (level == 1) {
        // A node's chunks lie side by side in one page. Which of them hold a
        // tool asked for within the query's box is found for all of them
        // first, without a branch; only those then take the band test.
        static_assert(decltype(layers.chunks)::PAGE % NODE_FANOUT == 0);
        static_assert(NODE_FANOUT <= 32);
        const std::size_t count = std::min(NODE_FANOUT, layers.chunks.size() - firstChild);
        const IndexChunk* const chunks = &layers.chunks[firstChild];
        std::uint32_t mayMeet = 0;
        for (std::size_t c = 0; c < count; ++c)
            mayMeet |= static_cast<std::uint32_t>(static_cast<int>((chunks[c].tools & filter.tools) != 0) &
                                                  static_cast<int>(boxesMeet(chunks[c].box, query.box)))
                       << c;
        for (; mayMeet != 0; mayMeet &= mayMeet - 1) {
            const auto c = static_cast<std::size_t>(std::countr_zero(mayMeet));
            if (bandMayMeet(chunks[c].box, query)) gatherChunk(layers, firstChild + c, tooLow, tooHigh, filter, found);
        }
        return;
    }
    const PagedList<IndexNode>& children = layers.nodes[level - 2];
    const std::size_t lastChild = std::min(firstChild + NODE_FANOUT, children.size());
    for (std::size_t child = firstChild; child < lastChild; ++child)
        if (nodeMayHold(children[child], query, tooLow, tooHigh, filter))
            gatherBelow(layers, query, level - 1, child, tooLow, tooHigh, filter, found);
}

// Hands found(piece) every piece of the index that may hold a segment the
// search looks at (see forEachSegmentInWindow), in vertex order.
template <typename TooLow, typename TooHigh, typename Found>
void gatherAll(const LayerCollection& layers, const SearchQuery& query, TooLow& tooLow, TooHigh& tooHigh,
               const SlotFilter& filter, Found& found)
{
    indexPending(layers);
    // Levels of one node only hold what the level below holds.
    std::size_t top = NODE_LEVELS;
    while (top > 1 && layers.nodes[top - 2].size() == 1)
        --top;
    const PagedList<IndexNode>& topNodes = layers.nodes[top - 1];
    for (std::size_t node = 0; node < topNodes.size(); ++node)
        if (nodeMayHold(topNodes[node], query, tooLow, tooHigh, filter))
            gatherBelow(layers, query, top, node, tooLow, tooHigh, filter, found);
}

// Calls visit(entry, tool, prev, vertex) for the segments of the slots that
// `filter` takes at layer heights neither tooLow nor tooHigh, those of chunks
// whose box meets the query, in the order of layer entries (in creation
// order), then tool, path and vertex. tooLow must hold for a run of the
// lowest heights only and tooHigh for a run of the highest only (the
// searches' windows are built from currentZ - z, which never rises as z
// rises); both hold for a NaN height.
template <typename TooLow, typename TooHigh, typename Visit>
void forEachSegmentInWindow(const LayerCollection& layers, const SearchQuery& query, TooLow tooLow, TooHigh tooHigh,
                            const SlotFilter& filter, SearchScratch& scratch, Visit visit)
{
    scratch.pieces.clear();
    const auto keep = [&scratch](const SearchPiece& piece) { scratch.pieces.push_back(piece); };
    gatherAll(layers, query, tooLow, tooHigh, filter, keep);
    // The pieces come in vertex order, which is the order within a slot, and
    // those of one slot mostly follow one another: the groups of them are
    // put in the order of layer entry and tool, keeping their own order.
    std::vector<PieceGroup>& groups = scratch.groups;
    groups.clear();
    for (std::uint32_t p = 0; p < scratch.pieces.size(); ++p) {
        if (groups.empty() || groups.back().layerAndTool != scratch.pieces[p].layerAndTool)
            groups.push_back({scratch.pieces[p].layerAndTool, p, p + 1});
        else
            groups.back().last = p + 1;
    }
    const auto plainOrder = [](const PieceGroup& a, const PieceGroup& b) {
        return a.layerAndTool != b.layerAndTool ? a.layerAndTool < b.layerAndTool : a.first < b.first;
    };
    if (!std::is_sorted(groups.begin(), groups.end(), plainOrder)) std::sort(groups.begin(), groups.end(), plainOrder);
    for (const PieceGroup& group : groups) {
        const auto [entry, tool] = unpack(group.layerAndTool);
        for (std::uint32_t p = group.first; p < group.last; ++p) {
            const SearchPiece& piece = scratch.pieces[p];
            visitRunPiece(layers, piece.run, piece.begin, piece.end, layers.entries[entry], static_cast<int>(tool),
                          visit);
        }
    }
}

// The nodes just above the chunks that hold heights of a narrow window,
// kept from search to search in it: the travels of a layer all search
// around its height, and the levels above need no second look. Its owner
// names the window by a key (the heights it lies around) and keeps it.
struct WindowKey {
    float low, high;
};
struct WindowNodes {
    WindowKey key{std::numeric_limits<float>::quiet_NaN(), 0}; // NaN: nothing kept
    // The nodes looked at so far (the last of them may have grown since),
    // and those of them that hold heights of the window.
    std::size_t looked = 0;
    std::vector<std::uint32_t> nodes;
};

// The nodes of level `level` below `node` whose heights meet the window,
// down to the level just above the chunks.
template <typename TooLow, typename TooHigh>
void windowNodesBelow(const LayerCollection& layers, std::size_t level, std::size_t node, TooLow& tooLow,
                      TooHigh& tooHigh, std::vector<std::uint32_t>& found)
{
    const PagedList<IndexNode>& nodes = layers.nodes[level - 1];
    if (tooLow(nodes[node].zHigh) || tooHigh(nodes[node].zLow)) return;
    if (level == 1) {
        found.push_back(static_cast<std::uint32_t>(node));
        return;
    }
    const std::size_t firstChild = node * NODE_FANOUT;
    const std::size_t lastChild = std::min(firstChild + NODE_FANOUT, layers.nodes[level - 2].size());
    for (std::size_t child = firstChild; child < lastChild; ++child)
        windowNodesBelow(layers, level - 1, child, tooLow, tooHigh, found);
}

// Brings `kept` up to date for the window that tooLow and tooHigh make,
// named `key`: found from the top for a window of its own, else by a look
// at the nodes added since (and the last one looked at, which may have
// grown into the window).
template <typename TooLow, typename TooHigh>
void keepWindowNodes(const LayerCollection& layers, TooLow& tooLow, TooHigh& tooHigh, WindowKey key, WindowNodes& kept)
{
    const PagedList<IndexNode>& level1 = layers.nodes[0];
    if (!(kept.key.low == key.low && kept.key.high == key.high)) {
        kept.key = key;
        kept.nodes.clear();
        for (std::size_t node = 0; node < layers.nodes[NODE_LEVELS - 1].size(); ++node)
            windowNodesBelow(layers, NODE_LEVELS, node, tooLow, tooHigh, kept.nodes);
        kept.looked = level1.size();
        return;
    }
    std::size_t node = kept.looked > 0 ? kept.looked - 1 : 0;
    if (!kept.nodes.empty() && kept.nodes.back() == node) ++node;
    for (; node < level1.size(); ++node)
        if (!tooLow(level1[node].zHigh) && !tooHigh(level1[node].zLow))
            kept.nodes.push_back(static_cast<std::uint32_t>(node));
    kept.looked = level1.size();
}

// The same segments as forEachSegmentInWindow, for a search whose result
// does not depend on their order (a count): visited as the index finds them,
// with nothing put in order. `kept` holds the nodes of the window `key`
// names from search to search; the window is the one tooLow and tooHigh
// make, or, given, the wider one windowLow and windowHigh make (searches of
// parts of one window then share its nodes).
template <typename TooLow, typename TooHigh, typename Visit>
void forEachSegmentInWindowInAnyOrder(const LayerCollection& layers, const SearchQuery& query, TooLow tooLow,
                                      TooHigh tooHigh, const SlotFilter& filter, WindowKey key, WindowNodes& kept,
                                      Visit visit)
{
    forEachSegmentInWindowInAnyOrder(layers, query, tooLow, tooHigh, filter, key, kept, visit, tooLow, tooHigh);
}

template <typename TooLow, typename TooHigh, typename Visit, typename WindowLow, typename WindowHigh>
void forEachSegmentInWindowInAnyOrder(const LayerCollection& layers, const SearchQuery& query, TooLow tooLow,
                                      TooHigh tooHigh, const SlotFilter& filter, WindowKey key, WindowNodes& kept,
                                      Visit visit, WindowLow windowLow, WindowHigh windowHigh)
{
    const auto visitNow = [&](const SearchPiece& piece) {
        const auto [entry, tool] = unpack(piece.layerAndTool);
        visitRunPiece(layers, piece.run, piece.begin, piece.end, layers.entries[entry], static_cast<int>(tool), visit);
    };
    indexPending(layers);
    keepWindowNodes(layers, windowLow, windowHigh, key, kept);
    // A node's parents hold all it holds: the nodes that pass are those a
    // search from the top would reach.
    const PagedList<IndexNode>& level1 = layers.nodes[0];
    for (const std::uint32_t node : kept.nodes)
        if (nodeMayHold(level1[node], query, tooLow, tooHigh, filter))
            gatherBelow(layers, query, 1, node, tooLow, tooHigh, filter, visitNow);
}

// Calls visit(entry, tool, prev, vertex) for the segments of one tool slot
// that may meet the query, in path and vertex order: through the chunks of
// its runs while it has few, else through the index as any search does (a
// slot of many runs, as when objects are printed one after another, would
// cost a look at each).
template <typename Visit>
void forEachSegmentOfSlotNear(const LayerCollection& layers, std::uint32_t entry, int tool, const SearchQuery& query,
                              SearchScratch& scratch, Visit visit)
{
    const float z = layers.entries[entry].z;
    const auto below = [z](float height) { return !(height >= z); };
    const auto above = [z](float height) { return !(height <= z); };
    const SlotFilter slot{static_cast<std::uint16_t>(1u << tool), entry};
    const ToolSlot* found = findSlot(layers, entry, tool);
    if (!found) return;
    indexPending(layers);
    constexpr int FEW_RUNS = 8;
    int runs = 0;
    for (std::uint32_t r = found->firstRun; r != NO_INDEX && runs <= FEW_RUNS; r = layers.runs[r].nextOfSlot)
        ++runs;
    if (runs > FEW_RUNS) {
        forEachSegmentInWindow(layers, query, below, above, slot, scratch, visit);
        return;
    }
    for (std::uint32_t r = found->firstRun; r != NO_INDEX; r = layers.runs[r].nextOfSlot) {
        const std::uint32_t first = layers.runs[r].first, end = runEnd(layers, r);
        for (std::size_t c = first / CHUNK_VERTICES; c * CHUNK_VERTICES < end; ++c) {
            if (!chunkMayMeet(layers.chunks[c].box, query)) continue;
            const auto pieceBegin = static_cast<std::uint32_t>(std::max<std::size_t>(first, c * CHUNK_VERTICES));
            const auto pieceEnd = static_cast<std::uint32_t>(std::min<std::size_t>(end, (c + 1) * CHUNK_VERTICES));
            visitRunPiece(layers, r, pieceBegin, pieceEnd, layers.entries[entry], tool, visit);
        }
    }
}

} // namespace vorlane
