// Inside the path store: the records the collections keep their vertices in,
// and the search index over them. Only paths/ and its tests look in here;
// everyone else goes through layers.hpp and the searches.
#pragma once

#include "geometry/vec2.hpp"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vorlane {

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

// The most layer heights a collection holds, paths a slot holds and
// vertices a collection holds: the records number them in 28 and 32 bits.
inline constexpr std::size_t MAX_LAYERS = (std::size_t{1} << 28) - 1;
inline constexpr std::size_t MAX_PATHS = (std::size_t{1} << 28) - 1;
inline constexpr std::size_t MAX_VERTICES = NO_INDEX;

// A layer entry and a tool, packed into one word of a run or a search piece:
// the entry above four bits of tool.
using LayerAndTool = std::uint32_t;
inline LayerAndTool packLayerAndTool(std::uint32_t entry, unsigned tool) { return entry << 4 | tool; }
struct UnpackedLayerAndTool {
    std::uint32_t entry;
    unsigned tool;
};
inline UnpackedLayerAndTool unpack(LayerAndTool packed) { return {packed >> 4, packed & 15u}; }

// Vertices of one tool slot that follow one another in the collection's
// vertex list, from `first` up to where the next run begins. A path is one
// run or continues over several (when draws of other slots came between).
struct VertexRun {
    std::uint32_t first;
    LayerAndTool layerAndTool;
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

// A piece of one run that a search through the index looks at: vertices
// begin up to end, all in one chunk.
struct SearchPiece {
    LayerAndTool layerAndTool;
    std::uint32_t begin, end;
    std::uint32_t run;
};

// Pieces first to last of a search that follow one another in the list of
// pieces and are of one layer and tool.
struct PieceGroup {
    LayerAndTool layerAndTool;
    std::uint32_t first, last;
};

// What a search through the index finds before it visits it in order; its
// owner keeps it from search to search, so that no search allocates.
struct SearchScratch {
    std::vector<SearchPiece> pieces;
    std::vector<PieceGroup> groups;
};

} // namespace vorlane
