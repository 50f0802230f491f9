// Collecting draws into the per-layer, per-tool path lists and their index.
#include "paths/layers.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace vorlane {

namespace {

// -0 and 0 are one height.
float keyOf(float z) { return z == 0.0f ? 0.0f : z; }

// Heights close together get places close together, so that a print whose
// height changes with every draw walks the table rather than jumping about
// in it; the high bits folded in keep round heights (0.2, 0.4, ...), whose
// low bits agree, apart.
std::size_t homeOf(float key, std::size_t mask)
{
    std::uint32_t bits;
    std::memcpy(&bits, &key, sizeof bits);
    return (bits ^ (bits >> 16) ^ (bits >> 24)) & mask;
}

void placeHeight(LayerCollection& layers, std::uint32_t entry)
{
    const std::size_t mask = layers.heightTable.size() - 1;
    std::size_t at = homeOf(keyOf(layers.entries[entry].z), mask);
    while (layers.heightTable[at] != 0)
        at = (at + 1) & mask;
    layers.heightTable[at] = entry + 1;
}

// Files a new entry's height, keeping the table at most three quarters full.
// A NaN height equals no height, so it is never looked up and not filed.
void fileHeight(LayerCollection& layers, std::uint32_t entry)
{
    if (std::isnan(layers.entries[entry].z)) return;
    if ((layers.filedHeights + 1) * 4 > layers.heightTable.size() * 3) {
        layers.heightTable.assign(std::max<std::size_t>(16, layers.heightTable.size() * 2), 0);
        for (std::uint32_t e = 0; e < entry; ++e)
            if (!std::isnan(layers.entries[e].z)) placeHeight(layers, e);
    }
    placeHeight(layers, entry);
    ++layers.filedHeights;
}

} // namespace

std::uint32_t findLayerIndex(const LayerCollection& layers, float z)
{
    if (layers.heightTable.empty()) return NO_INDEX;
    const std::size_t mask = layers.heightTable.size() - 1;
    for (std::size_t at = homeOf(keyOf(z), mask);; at = (at + 1) & mask) {
        const std::uint32_t place = layers.heightTable[at];
        if (place == 0) return NO_INDEX;
        if (layers.entries[place - 1].z == z) return place - 1;
    }
}

const ToolSlot* findSlot(const LayerCollection& layers, std::uint32_t entry, int tool)
{
    for (std::uint32_t s = layers.entries[entry].firstSlot; s != NO_INDEX; s = layers.slots[s].nextSlot)
        if (static_cast<int>(layers.slots[s].tool) == tool) return &layers.slots[s];
    return nullptr;
}

namespace {

// The number of the entry for height z, created when there is none; NO_INDEX
// when the collection holds as many heights as it can.
std::uint32_t layerFor(LayerCollection& layers, float z)
{
    if (!layers.entries.empty() && layers.entries[layers.lastUsedEntry].z == z) return layers.lastUsedEntry;
    std::uint32_t entry = findLayerIndex(layers, z);
    if (entry == NO_INDEX) {
        if (layers.entries.size() >= MAX_LAYERS) return NO_INDEX;
        entry = static_cast<std::uint32_t>(layers.entries.size());
        layers.entries.push_back({z, NO_INDEX});
        fileHeight(layers, entry);
    }
    layers.lastUsedEntry = entry;
    return entry;
}

// The slot of `tool` at `entry`, created in its place in the chain when missing.
std::uint32_t slotFor(LayerCollection& layers, std::uint32_t entry, int tool)
{
    std::uint32_t previous = NO_INDEX;
    std::uint32_t next = layers.entries[entry].firstSlot;
    while (next != NO_INDEX && static_cast<int>(layers.slots[next].tool) < tool) {
        previous = next;
        next = layers.slots[next].nextSlot;
    }
    if (next != NO_INDEX && static_cast<int>(layers.slots[next].tool) == tool) return next;
    const auto slot = static_cast<std::uint32_t>(layers.slots.size());
    layers.slots.push_back({NO_INDEX, NO_INDEX, next, 0, static_cast<std::uint32_t>(tool)});
    (previous == NO_INDEX ? layers.entries[entry].firstSlot : layers.slots[previous].nextSlot) = slot;
    return slot;
}

constexpr float FLOAT_INFINITY = std::numeric_limits<float>::infinity();
constexpr BoundingBox EMPTY_BOX{{FLOAT_INFINITY, FLOAT_INFINITY}, {-FLOAT_INFINITY, -FLOAT_INFINITY}};

// Grows the box to hold `other`; false when it held it already.
bool grow(BoundingBox& box, const BoundingBox& other)
{
    bool grew = false;
    const auto lower = [&](float& bound, float value) {
        if (value < bound) bound = value, grew = true;
    };
    const auto raise = [&](float& bound, float value) {
        if (value > bound) bound = value, grew = true;
    };
    lower(box.minima.x, other.minima.x);
    lower(box.minima.y, other.minima.y);
    raise(box.maxima.x, other.maxima.x);
    raise(box.maxima.y, other.maxima.y);
    return grew;
}

// Grows the nodes above chunk c by what it holds, up to the first node that
// held it already.
void growNodesAbove(const LayerCollection& layers, std::size_t c, float zLow, float zHigh, std::uint16_t tools)
{
    const BoundingBox& box = layers.chunks[c].box;
    std::size_t index = c;
    for (PagedList<IndexNode>& level : layers.nodes) {
        index /= NODE_FANOUT;
        IndexNode& node = level[index];
        bool grew = grow(node.box, box);
        if (zLow < node.zLow) node.zLow = zLow, grew = true;
        if (zHigh > node.zHigh) node.zHigh = zHigh, grew = true;
        if ((node.tools & tools) != tools) node.tools |= tools, grew = true;
        if (!grew) return;
    }
}

// The records of the chunk that begins at vertex `at`, and of the nodes that
// begin there.
void openChunk(const LayerCollection& layers, std::uint32_t at, std::uint32_t run)
{
    layers.chunks.push_back({EMPTY_BOX, run, 0});
    std::size_t span = CHUNK_VERTICES;
    for (PagedList<IndexNode>& level : layers.nodes) {
        span *= NODE_FANOUT;
        if (at % span != 0) break;
        level.push_back({EMPTY_BOX, FLOAT_INFINITY, -FLOAT_INFINITY, 0});
    }
}

} // namespace

void indexPending(const LayerCollection& layers)
{
    const auto end = static_cast<std::uint32_t>(layers.vertices.size());
    std::uint32_t at = layers.indexedVertices;
    if (at == end) return;
    // What the loop keeps of the run the vertex is in, and of the vertex
    // before it: the segment that ends at a vertex begins there, unless the
    // vertex begins its run (and then its path, or the path's last run).
    std::uint32_t r = layers.indexedRun;
    std::uint32_t runEndsAt = 0, runFirst = 0, runBefore = NO_INDEX;
    float z = 0;
    std::uint16_t toolBit = 0;
    const auto takeRun = [&] {
        const VertexRun& run = layers.runs[r];
        runFirst = run.first;
        runBefore = run.before;
        runEndsAt = runEnd(layers, r);
        const auto [entry, tool] = unpack(run.layerAndTool);
        z = layers.entries[entry].z;
        toolBit = static_cast<std::uint16_t>(1u << tool);
    };
    takeRun();
    Vec2 prev = at > runFirst ? layers.vertices[at - 1] : Vec2{};
    while (at < end) {
        // A chunk's vertices lie in one page, one after another.
        const std::size_t c = at / CHUNK_VERTICES;
        const auto chunkEnd = static_cast<std::uint32_t>(std::min<std::size_t>(end, (c + 1) * CHUNK_VERTICES));
        if (at % CHUNK_VERTICES == 0) openChunk(layers, at, r);
        IndexChunk& chunk = layers.chunks[c];
        BoundingBox box = chunk.box;
        float zLow = FLOAT_INFINITY, zHigh = -FLOAT_INFINITY;
        std::uint16_t tools = 0;
        const Vec2* vertex = &layers.vertices[at];
        for (; at < chunkEnd; ++at, ++vertex) {
            if (at >= runEndsAt) {
                ++r;
                takeRun();
            }
            Vec2 from = prev;
            prev = *vertex;
            if (at == runFirst) {
                if (runBefore == NO_INDEX) continue;
                from = layers.vertices[runBefore];
            }
            // A segment with a NaN coordinate or height crosses nothing and
            // lies in no window: it is left out.
            if (static_cast<int>(std::isnan(from.x)) | static_cast<int>(std::isnan(from.y)) |
                static_cast<int>(std::isnan(vertex->x)) | static_cast<int>(std::isnan(vertex->y)) |
                static_cast<int>(std::isnan(z)))
                continue;
            box.minima.x = minOf(box.minima.x, minOf(from.x, vertex->x));
            box.minima.y = minOf(box.minima.y, minOf(from.y, vertex->y));
            box.maxima.x = maxOf(box.maxima.x, maxOf(from.x, vertex->x));
            box.maxima.y = maxOf(box.maxima.y, maxOf(from.y, vertex->y));
            tools |= toolBit;
            zLow = minOf(zLow, z);
            zHigh = maxOf(zHigh, z);
        }
        chunk.box = box;
        chunk.tools |= tools;
        // A chunk may hold several layers, so its nodes' heights may grow
        // though its box does not.
        if (tools != 0) growNodesAbove(layers, c, zLow, zHigh, tools);
    }
    layers.indexedVertices = end;
    layers.indexedRun = r;
}

std::string storeLimitText(StoreLimit limit)
{
    switch (limit) {
    case StoreLimit::LayerHeights:
        return "more than " + std::to_string(MAX_LAYERS) + " layer heights of one kind of path";
    case StoreLimit::PathsOfOneTool:
        return "more than " + std::to_string(MAX_PATHS) + " paths of one tool at one height";
    case StoreLimit::Vertices:
        return "more than " + std::to_string(MAX_VERTICES) + " draws of one kind of path";
    case StoreLimit::None:
        break;
    }
    return {};
}

StoreLimit appendVertex(LayerCollection& layers, float z, int tool, Vec2 pt, bool startsPath)
{
    if (tool < 0 || tool >= TOOL_SLOTS) throw std::out_of_range("tool slot out of range");
    if (!startsPath && goesOnWithLastRun(layers, z, tool)) return appendToLastRun(layers, pt);
    if (layers.vertices.size() >= MAX_VERTICES) return StoreLimit::Vertices;
    const auto at = static_cast<std::uint32_t>(layers.vertices.size());
    const std::uint32_t entry = layerFor(layers, z);
    if (entry == NO_INDEX) return StoreLimit::LayerHeights;
    const LayerAndTool layerAndTool = packLayerAndTool(entry, static_cast<unsigned>(tool));
    // Most draws go on with the slot of the one before.
    if (layers.lastUsedSlot == NO_INDEX ||
        layers.runs[layers.slots[layers.lastUsedSlot].lastRun].layerAndTool != layerAndTool)
        layers.lastUsedSlot = slotFor(layers, entry, tool);
    ToolSlot& slot = layers.slots[layers.lastUsedSlot];
    std::uint32_t before = NO_INDEX;
    const bool continues = !startsPath && slot.paths > 0;
    if (continues) before = runEnd(layers, slot.lastRun) - 1;
    // A slot's draws go on in its last run while no other slot's came between.
    if (!continues || slot.lastRun + 1 != layers.runs.size()) {
        if (!continues && slot.paths == MAX_PATHS) return StoreLimit::PathsOfOneTool;
        const auto run = static_cast<std::uint32_t>(layers.runs.size());
        layers.runs.push_back({at, layerAndTool, before, NO_INDEX});
        if (slot.lastRun == NO_INDEX)
            slot.firstRun = run;
        else
            layers.runs[slot.lastRun].nextOfSlot = run;
        slot.lastRun = run;
        if (!continues) ++slot.paths;
    }
    layers.vertices.push_back(pt);
    layers.lastRunZ = layers.entries[entry].z;
    layers.lastRunTool = tool;
    layers.lastVertex = pt;
    return StoreLimit::None;
}

StoreLimit appendSegment(LayerCollection& layers, float z, int tool, Vec2 from, Vec2 to)
{
    if (!(goesOnWithLastRun(layers, z, tool) && layers.lastVertex == from))
        if (const StoreLimit limit = appendVertex(layers, z, tool, from, true); limit != StoreLimit::None) return limit;
    return appendVertex(layers, z, tool, to, false);
}

namespace {

LayerCollection& collectionFor(LayerCollections& c, DrawType section)
{
    switch (section) {
    case DrawType::Perimeter:
        return c.layerPerims;
    case DrawType::Solid:
        return c.layerSolids;
    case DrawType::PrimePillar:
        return c.layerCommonWipables;
    case DrawType::SupportMain:
        return c.layerSupportMain;
    case DrawType::SupportInterface:
        return c.layerSupportInterface;
    case DrawType::StackedInfill:
        return c.layerStackedInfill;
    case DrawType::TopInfill:
        return c.layerTopInfill;
    case DrawType::None:
    case DrawType::UnclassifiedPath:
        break;
    }
    return c.layerNonPerims;
}

} // namespace

StoreLimit collectDraw(LayerCollections& collections, const DrawContext& draw, bool& beginDraw)
{
    LayerCollection& layers = collectionFor(collections, draw.section);
    // Prime pillars of every tool share slot 0: any tool may wipe on them.
    const int tool = &layers == &collections.layerCommonWipables ? 0 : draw.currentTool;
    const StoreLimit limit =
        appendVertexQuickly(layers, draw.currentZ, tool, {draw.currentX, draw.currentY}, beginDraw);
    beginDraw = false;
    return limit;
}

StoreLimit collectLine(LayerCollections& collections, const DrawContext& draw)
{
    if (draw.section == DrawType::PrimePillar) return StoreLimit::None;
    return appendSegmentQuickly(collections.layerAllLines, draw.currentZ, draw.currentTool, draw.from,
                                {draw.currentX, draw.currentY});
}

std::size_t storedVertexCount(const LayerCollections& c)
{
    std::size_t count = 0;
    for (const LayerCollection* layers : allCollections(c))
        count += layers->vertices.size();
    return count;
}

std::size_t storedLayerCount(const LayerCollections& c)
{
    std::size_t count = 0;
    for (const LayerCollection* layers : allCollections(c))
        count += layers->entries.size();
    return count;
}

} // namespace vorlane
