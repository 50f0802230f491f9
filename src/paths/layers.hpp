// What has been printed: every draw's end point, kept as polylines per kind of
// path, per layer height and per tool. The searches below the nozzle walk these.
#pragma once

#include "geometry/vec2.hpp"

#include <array>
#include <cstdint>
#include <span>
#include <unordered_map>
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

// One polyline, in the order its points were drawn.
struct Path {
    std::span<const Vec2> vertices;
};

// Vertices per chunk of the search index.
inline constexpr std::size_t CHUNK_VERTICES = 8;
// Chunks per block, the index's coarse level.
inline constexpr std::size_t BLOCK_CHUNKS = 32;

// The paths of one tool at one height. Only the slot's last path ever grows
// (a draw either continues it or starts a new one), so all paths share one
// contiguous vertex list, 8 bytes a vertex; `pathStarts` marks where each begins.
struct ToolSlot {
    std::vector<Vec2> vertices;
    std::vector<std::uint32_t> pathStarts;
    // Search index: chunk c's box holds every segment that ends at a vertex
    // numbered c * CHUNK_VERTICES up to the next chunk (2 bytes a vertex);
    // block b's box holds chunks b * BLOCK_CHUNKS up to the next block.
    std::vector<BoundingBox> chunkBoxes;
    std::vector<BoundingBox> blockBoxes;
};

inline std::size_t pathCount(const ToolSlot& slot) { return slot.pathStarts.size(); }
inline Path pathAt(const ToolSlot& slot, std::size_t pathNum)
{
    const std::size_t begin = slot.pathStarts[pathNum];
    const std::size_t end = pathNum + 1 < slot.pathStarts.size() ? slot.pathStarts[pathNum + 1] : slot.vertices.size();
    return {std::span<const Vec2>(slot.vertices).subspan(begin, end - begin)};
}

struct LayerEntry {
    float z;
    std::array<ToolSlot, TOOL_SLOTS> slots;
};

// How the searches find what lies near a move: through the index, or by
// walking every layer and segment (the reference the index is tested against).
enum class SearchWalk { Indexed, Plain };

struct LayerHeight {
    float z;
    std::uint32_t entry;
};

// Layer height (exact float) -> 10 tool slots. Entries are kept and visited in
// the order they were created, so ties in the searches come out the same on
// every platform.
struct LayerCollection {
    std::vector<LayerEntry> entries;
    std::unordered_map<float, std::uint32_t> indexOfZ;
    // Every entry's height, ascending: the searches' height windows.
    std::vector<LayerHeight> heights;
    SearchWalk walk = SearchWalk::Indexed;
    // Most draws land at the height of the one before.
    std::uint32_t lastUsedEntry = 0;
    // The path number the last draw went to.
    std::int64_t currentPath = -1;
};

// The entry for height z, or nullptr.
const LayerEntry* findLayer(const LayerCollection& layers, float z);
LayerEntry& layerFor(LayerCollection& layers, float z);

// Appends pt to path pathNum of slot `tool` of the entry for z. The entry must
// exist and pathNum be a path of the slot; throws std::out_of_range otherwise.
void addPathSegment(LayerCollection& layers, float z, int tool, std::size_t pathNum, Vec2 pt);

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

// Fixed switches that choose what is collected.
inline constexpr bool collectPerimeter = true;
inline constexpr bool collectSolid = true;
inline constexpr bool collectCommonPrimePillar = true;
inline constexpr bool collectSupportMain = true;
inline constexpr bool collectSupportInterface = true;
inline constexpr bool collectStackedInfill = true;
inline constexpr bool collectTopInfill = true;
inline constexpr bool findLastPathOfOurColor = true;

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

inline void setSearchWalk(LayerCollections& c, SearchWalk walk)
{
    for (LayerCollection* layers : allCollections(c))
        layers->walk = walk;
}

// Appends a vertex to the slot's last path (or, with startsPath, as a new
// path), keeping the search index in step.
void appendVertex(ToolSlot& slot, Vec2 pt, bool startsPath);

// Files the end point of one draw in the collection its section chooses.
// `beginDraw` starts a new path and is cleared; a draw that changes section or
// tool without a move line between continues the last path of the new slot.
// Records the tool of main support and stacked infill draws. The tool must be
// 0 to 9.
void collectDraw(LayerCollections& collections, const DrawContext& draw, bool& beginDraw, int& toolForMain,
                 int& toolForInfill);

// Vertices stored in all collections, for memory figures.
std::size_t storedVertexCount(const LayerCollections& collections);
// Layer entries in all collections.
std::size_t storedLayerCount(const LayerCollections& collections);

} // namespace vorlane
