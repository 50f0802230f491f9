// What has been printed: every draw's end point, kept as polylines per kind of
// path, per layer height and per tool, with the index that the searches below
// the nozzle go through.
#pragma once

#include "geometry/vec2.hpp"

#include <array>
#include <cstdint>
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

inline constexpr int TOOL_SLOTS = 10;

struct BoundingBox {
    Vec2 minima;
    Vec2 maxima;
};
inline bool operator==(const BoundingBox& a, const BoundingBox& b)
{
    return a.minima == b.minima && a.maxima == b.maxima;
}

// A list that grows in pages of 2^PAGE_BITS elements that never move:
// growing copies nothing and leaves at most one page partly unused, however
// long the list gets.
template <typename T, unsigned PAGE_BITS = 12> struct PagedList {
    static constexpr std::size_t PAGE = std::size_t{1} << PAGE_BITS;
    std::vector<std::vector<T>> pages;
    std::size_t count = 0;

    std::size_t size() const { return count; }
    bool empty() const { return count == 0; }
    T& operator[](std::size_t i) { return pages[i >> PAGE_BITS][i & (PAGE - 1)]; }
    const T& operator[](std::size_t i) const { return pages[i >> PAGE_BITS][i & (PAGE - 1)]; }
    T& back() { return (*this)[count - 1]; }
    void push_back(const T& value)
    {
        // The first page grows as needed, so that a short list stays small.
        if ((count & (PAGE - 1)) == 0) {
            pages.emplace_back();
            if (count > 0) pages.back().reserve(PAGE);
        }
        pages.back().push_back(value);
        ++count;
    }

    struct Cursor {
        const PagedList* list;
        std::size_t at;
        const T& operator*() const { return (*list)[at]; }
        Cursor& operator++()
        {
            ++at;
            return *this;
        }
        bool operator!=(const Cursor& other) const { return at != other.at; }
    };
    Cursor begin() const { return {this, 0}; }
    Cursor end() const { return {this, count}; }
};

inline constexpr std::uint32_t NO_INDEX = 0xFFFFFFFF;

// One layer height of a collection.
struct LayerEntry {
    float z;
    std::uint32_t firstSlot; // its first tool slot; the slots are chained by tool, ascending
};

// The paths of one tool at one height: runs of the collection's vertex list.
struct ToolSlot {
    std::uint32_t firstRun, lastRun; // chained through VertexRun::nextOfSlot
    std::uint32_t nextSlot;          // the layer's next slot, or NO_INDEX
    std::uint32_t paths : 28;
    std::uint32_t tool : 4;
};

// The most layer heights a collection holds, and paths a slot: the records
// keep them in 28 bits.
inline constexpr std::size_t MAX_LAYERS = (std::size_t{1} << 28) - 1;
inline constexpr std::size_t MAX_PATHS = (std::size_t{1} << 28) - 1;

// Vertices of one tool slot that follow one another in the collection's
// vertex list, from `first` up to where the next run begins. A path is one
// run or continues over several (when draws of other slots came between).
struct VertexRun {
    std::uint32_t first;
    std::uint32_t layerAndTool; // entry << 4 | tool
    // The vertex before `first` on its path, or NO_INDEX when `first` starts one.
    std::uint32_t before;
    std::uint32_t nextOfSlot;
};

// Vertices per chunk of the search index.
inline constexpr std::size_t CHUNK_VERTICES = 8;
// Nodes (or chunks) per node of the level above.
inline constexpr std::size_t NODE_FANOUT = 32;
// Levels of nodes above the chunks; a node of the top level covers 2^28 vertices.
inline constexpr std::size_t NODE_LEVELS = 5;

// Chunk c of the index: the box of the segments that end at vertices
// c * CHUNK_VERTICES up to the next chunk, and the run its first vertex is in.
struct IndexChunk {
    BoundingBox box;
    std::uint32_t run;
    std::uint16_t tools; // bit t: it holds a segment of tool t
};
// A node: the box of the segments of the chunks below it, and the lowest and
// highest layer height among them, and their tools. A segment is the pair of
// a vertex and the one before it on its path; a path's first vertex ends none.
struct IndexNode {
    BoundingBox box;
    float zLow, zHigh;
    std::uint16_t tools;
};

// A walk over the collected segments given from outside the program, which
// the searches take instead of their index (see search_index.hpp).
struct SegmentWalk;

// A piece of one run that a search through the index looks at: vertices
// begin up to end, all in one chunk.
struct SearchPiece {
    std::uint32_t layerAndTool;
    std::uint32_t begin, end;
    std::uint32_t run;
};

// Pieces first to last of a search that follow one another in the list of
// pieces and are of one layer and tool.
struct PieceGroup {
    std::uint32_t layerAndTool;
    std::uint32_t first, last;
};

// Layer height (exact float) -> the paths of up to 10 tools. Every vertex is
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
    PagedList<IndexChunk> chunks;
    std::array<PagedList<IndexNode>, NODE_LEVELS> nodes;
    // Entry numbers plus one by height, open addressing; 0 is a free place.
    std::vector<std::uint32_t> heightTable;
    std::size_t filedHeights = 0;
    // Null: the searches go through the index.
    const SegmentWalk* walk = nullptr;
    // Most draws land at the height of the one before.
    std::uint32_t lastUsedEntry = 0;
    // The slot the last draw went to.
    std::uint32_t lastUsedSlot = NO_INDEX;
    // The height of the last run's layer, and the last vertex.
    float lastRunZ = 0;
    Vec2 lastVertex{};
    // Reused by every search through the index, so that no search allocates.
    mutable std::vector<SearchPiece> pieces;
    mutable std::vector<PieceGroup> pieceGroups;
};

// The entry for height z, or nullptr.
const LayerEntry* findLayer(const LayerCollection& layers, float z);
// Its number, or NO_INDEX.
std::uint32_t findLayerIndex(const LayerCollection& layers, float z);
// The number of the entry for height z, created when there is none.
std::uint32_t layerFor(LayerCollection& layers, float z);
// The slot of `tool` at entry `entry`, or nullptr.
const ToolSlot* findSlot(const LayerCollection& layers, std::uint32_t entry, int tool);

// Appends a vertex to the last path of `tool` at height z (or, with
// startsPath or when there is none, as a new path), keeping the search index
// in step; returns the number of paths of the tool at that height. The tool
// must be 0 to 9; throws std::out_of_range otherwise, and std::length_error
// beyond MAX_LAYERS, MAX_PATHS or 2^32 - 1 vertices.
std::size_t appendVertex(LayerCollection& layers, float z, int tool, Vec2 pt, bool startsPath);

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

// The eight collections, one per group of path kinds.
struct LayerCollections {
    LayerCollection layerPerims;
    LayerCollection layerSolids;
    LayerCollection layerNonPerims;
    LayerCollection layerCommonWipables;
    LayerCollection layerSupportMain;
    LayerCollection layerSupportInterface;
    LayerCollection layerStackedInfill;
    LayerCollection layerTopInfill;
};

// The print state a draw is collected from.
struct DrawContext {
    DrawType section;
    int currentTool;
    float currentX, currentY, currentZ;
};

// The eight collections (const or not), for what applies to all of them.
template <typename Collections> auto allCollections(Collections& c)
{
    return std::array{&c.layerPerims,      &c.layerSolids,           &c.layerNonPerims,     &c.layerCommonWipables,
                      &c.layerSupportMain, &c.layerSupportInterface, &c.layerStackedInfill, &c.layerTopInfill};
}

// Files the end point of one draw in the collection its section chooses:
// every kind of path is collected, and a draw of no known kind goes to the
// collection of the other paths, where its tool may find its own colour.
// `beginDraw` starts a new path and is cleared; a draw that changes section or
// tool without a move line between continues the last path of the new slot.
// The tool must be 0 to 9.
void collectDraw(LayerCollections& collections, const DrawContext& draw, bool& beginDraw);

// Vertices stored in all collections, for memory figures.
std::size_t storedVertexCount(const LayerCollections& collections);
// Layer entries in all collections.
std::size_t storedLayerCount(const LayerCollections& collections);

} // namespace vorlane
