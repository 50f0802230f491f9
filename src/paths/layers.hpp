// What has been printed: every draw's end point, kept as polylines per kind of
// path, per layer height and per tool, with the index that the searches below
// the nozzle go through.
#pragma once

#include "geometry/vec2.hpp"
#include "paths/layer_index.hpp"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vorlane {

enum class DrawType : std::int32_t {
    None = 0,
    UnclassifiedPath = 1,
    Perimeter = 2,
    Solid = 3,
    PrimePillar = 4,
    SupportMain = 5,
    SupportInterface = 6,
    StackedInfill = 7,
    TopInfill = 8,
};

inline constexpr int TOOL_SLOTS = 16;
static_assert(TOOL_SLOTS <= 16, "the index keeps a tool in four bits");

// Layer height (exact float) -> the paths of up to TOOL_SLOTS tools. Every vertex is
// in one list, in the order drawn, so that memory follows what is held: 8
// bytes a vertex, a run record where a path starts or a slot's draws resume,
// a slot record per tool and height, a layer record per height. Entries are
// kept and visited in the order they were created, so ties in the searches
// come out the same on every platform.
struct LayerCollection {
    PagedList<LayerEntry> entries;
    PagedList<ToolSlot> slots;
    PagedList<VertexRun> runs; // in the order of their first vertices
    PagedList<Vec2> vertices;
    // The search index over the vertex list: chunks, then levels of nodes.
    // Filing a vertex leaves it out; the first search after draws were filed
    // brings it up to date (indexPending), growing a chunk's box once per
    // vertex and the nodes above once per chunk, so that most of a store's
    // upkeep is paid in one tight pass, and only when it is searched. It is
    // a cache of what the vertices say, which a search may bring up to date.
    mutable PagedList<IndexChunk> chunks;
    mutable std::array<PagedList<IndexNode>, NODE_LEVELS> nodes;
    // The vertices indexed so far, and the run the next one is in.
    mutable std::uint32_t indexedVertices = 0;
    mutable std::uint32_t indexedRun = 0;
    // Entry numbers plus one by height, open addressing; 0 is a free place.
    std::vector<std::uint32_t> heightTable;
    std::size_t filedHeights = 0;
    // Most draws land at the height of the one before.
    std::uint32_t lastUsedEntry = 0;
    // The slot the last draw went to.
    std::uint32_t lastUsedSlot = NO_INDEX;
    // The height and tool of the last run (-1 before the first), and the
    // last vertex.
    float lastRunZ = 0;
    int lastRunTool = -1;
    Vec2 lastVertex{};
};

// The number of the entry for height z, or NO_INDEX.
std::uint32_t findLayerIndex(const LayerCollection& layers, float z);
// The slot of `tool` at entry `entry`, or nullptr.
const ToolSlot* findSlot(const LayerCollection& layers, std::uint32_t entry, int tool);

// What keeps a draw from being stored: the limit of the records it would go
// past, or None when it was stored.
enum class StoreLimit { None, LayerHeights, PathsOfOneTool, Vertices };

// How a refusal names the limit a draw would go past.
std::string storeLimitText(StoreLimit limit);

// Appends a vertex to the last path of `tool` at height z (or, with
// startsPath or when there is none, as a new path). A collection that would
// go past MAX_LAYERS heights, MAX_PATHS paths of one tool at one height or
// MAX_VERTICES vertices stores nothing and says which. The tool must be 0 to
// TOOL_SLOTS - 1: the caller refuses other tools, and throws
// std::out_of_range for them.
StoreLimit appendVertex(LayerCollection& layers, float z, int tool, Vec2 pt, bool startsPath);

// Files the segment from `from` to `to`: it goes on with the tool's last
// path at height z when that ends at `from`, else `from` begins a new path.
StoreLimit appendSegment(LayerCollection& layers, float z, int tool, Vec2 from, Vec2 to);

// Most draws go on with the last run: the same height and tool as the draw
// before, on the same path. Inline, as most of a run's draws take it.
inline StoreLimit appendToLastRun(LayerCollection& layers, Vec2 pt)
{
    if (layers.vertices.size() >= MAX_VERTICES) return StoreLimit::Vertices;
    layers.vertices.push_back(pt);
    layers.lastVertex = pt;
    return StoreLimit::None;
}
inline bool goesOnWithLastRun(const LayerCollection& layers, float z, int tool)
{
    return tool == layers.lastRunTool && z == layers.lastRunZ;
}
inline StoreLimit appendVertexQuickly(LayerCollection& layers, float z, int tool, Vec2 pt, bool startsPath)
{
    if (!startsPath && goesOnWithLastRun(layers, z, tool)) return appendToLastRun(layers, pt);
    return appendVertex(layers, z, tool, pt, startsPath);
}
inline StoreLimit appendSegmentQuickly(LayerCollection& layers, float z, int tool, Vec2 from, Vec2 to)
{
    if (goesOnWithLastRun(layers, z, tool) && layers.lastVertex == from) return appendToLastRun(layers, to);
    return appendSegment(layers, z, tool, from, to);
}

// Brings the search index up to date with the vertices filed; every search
// begins with it.
void indexPending(const LayerCollection& layers);

// Where run r ends: where the next run begins.
inline std::uint32_t runEnd(const LayerCollection& layers, std::uint32_t r)
{
    return r + 1 < layers.runs.size() ? layers.runs[r + 1].first : static_cast<std::uint32_t>(layers.vertices.size());
}

// Calls visit(tool, pathNumber, vertex) for every vertex at entry `entry`, by
// tool, then path and vertex in the order drawn.
template <typename Visit> void forEachVertexOf(const LayerCollection& layers, std::uint32_t entry, Visit visit)
{
    for (std::uint32_t s = layers.entries[entry].firstSlot; s != NO_INDEX; s = layers.slots[s].nextSlot) {
        std::int64_t path = -1;
        for (std::uint32_t r = layers.slots[s].firstRun; r != NO_INDEX; r = layers.runs[r].nextOfSlot) {
            const VertexRun& run = layers.runs[r];
            if (run.before == NO_INDEX) ++path;
            for (std::uint32_t i = run.first; i < runEnd(layers, r); ++i)
                visit(static_cast<int>(layers.slots[s].tool), static_cast<std::size_t>(path), layers.vertices[i]);
        }
    }
}

// The eight collections, one per group of path kinds, and one of them all.
struct LayerCollections {
    LayerCollection layerPerims;
    LayerCollection layerSolids;
    LayerCollection layerNonPerims;
    LayerCollection layerCommonWipables;
    LayerCollection layerSupportMain;
    LayerCollection layerSupportInterface;
    LayerCollection layerStackedInfill;
    LayerCollection layerTopInfill;
    // Every line drawn, of every kind but the prime pillars, each from
    // where its draw began: the lift's obstacles, searched once for all
    // kinds. (The others begin a path at its first draw's end, and a draw
    // after a change of kind or tool goes on from its kind's last end
    // point, wherever that was, as the rewrites and the classic lift read
    // them.)
    LayerCollection layerAllLines;
};

// The print state a draw is collected from, and where the draw began.
struct DrawContext {
    DrawType section;
    int currentTool;
    float currentX, currentY, currentZ;
    Vec2 from;
};

// The nine collections (const or not), for what applies to all of them.
template <typename Collections> auto allCollections(Collections& c)
{
    return std::array{&c.layerPerims,         &c.layerSolids,      &c.layerNonPerims,
                      &c.layerCommonWipables, &c.layerSupportMain, &c.layerSupportInterface,
                      &c.layerStackedInfill,  &c.layerTopInfill,   &c.layerAllLines};
}

// Files the end point of one draw in the collection its section chooses:
// every kind of path is collected, and a draw of no known kind goes to the
// collection of the other paths, where its tool may find its own colour.
// `beginDraw` starts a new path and is cleared; a draw that changes section or
// tool without a move line between continues the last path of the new slot.
// The tool must be 0 to TOOL_SLOTS - 1.
StoreLimit collectDraw(LayerCollections& collections, const DrawContext& draw, bool& beginDraw);

// Files the line of a draw in layerAllLines, unless it is a prime pillar's.
StoreLimit collectLine(LayerCollections& collections, const DrawContext& draw);

// Vertices stored in all collections, for memory figures.
std::size_t storedVertexCount(const LayerCollections& collections);
// Layer entries in all collections.
std::size_t storedLayerCount(const LayerCollections& collections);

} // namespace vorlane
