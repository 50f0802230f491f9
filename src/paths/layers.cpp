// Collecting draws into the per-layer, per-tool path lists.
#include "paths/layers.hpp"

#include <algorithm>
#include <stdexcept>

namespace vorlane {

namespace {

// -0 and 0 are one height.
float keyOf(float z) { return z == 0.0f ? 0.0f : z; }

} // namespace

const LayerEntry* findLayer(const LayerCollection& layers, float z)
{
    const auto found = layers.indexOfZ.find(keyOf(z));
    return found == layers.indexOfZ.end() ? nullptr : &layers.entries[found->second];
}

LayerEntry& layerFor(LayerCollection& layers, float z)
{
    if (!layers.entries.empty() && layers.entries[layers.lastUsedEntry].z == z)
        return layers.entries[layers.lastUsedEntry];
    const auto [found, created] =
        layers.indexOfZ.try_emplace(keyOf(z), static_cast<std::uint32_t>(layers.entries.size()));
    if (created) {
        layers.entries.push_back(LayerEntry{z, {}});
        const LayerHeight height{z, found->second};
        // Prints mostly rise, so the new height usually goes last.
        const auto at = std::upper_bound(layers.heights.begin(), layers.heights.end(), z,
                                         [](float key, const LayerHeight& h) { return key < h.z; });
        layers.heights.insert(at, height);
    }
    layers.lastUsedEntry = found->second;
    return layers.entries[found->second];
}

void addPathSegment(LayerCollection& layers, float z, int tool, std::size_t pathNum, Vec2 pt)
{
    const auto found = layers.indexOfZ.find(keyOf(z));
    if (found == layers.indexOfZ.end()) throw std::out_of_range("no layer entry at this height");
    if (tool < 0 || tool >= TOOL_SLOTS) throw std::out_of_range("tool slot out of range");
    ToolSlot& slot = layers.entries[found->second].slots[static_cast<std::size_t>(tool)];
    if (pathNum + 1 != pathCount(slot)) throw std::out_of_range("only the last path of a slot can grow");
    appendVertex(slot, pt, false);
}

namespace {

void grow(BoundingBox& box, Vec2 pt)
{
    box.minima = {minOf(box.minima.x, pt.x), minOf(box.minima.y, pt.y)};
    box.maxima = {maxOf(box.maxima.x, pt.x), maxOf(box.maxima.y, pt.y)};
}

} // namespace

void appendVertex(ToolSlot& slot, Vec2 pt, bool startsPath)
{
    const std::size_t i = slot.vertices.size();
    if (startsPath) slot.pathStarts.push_back(static_cast<std::uint32_t>(i));
    // Grow by a quarter rather than double: with millions of vertices the
    // unused room at the end of each list would otherwise average a third.
    if (slot.vertices.size() == slot.vertices.capacity())
        slot.vertices.reserve(slot.vertices.size() + slot.vertices.size() / 4 + 8);
    slot.vertices.push_back(pt);
    const std::size_t chunk = i / CHUNK_VERTICES;
    const std::size_t block = chunk / BLOCK_CHUNKS;
    if (chunk == slot.chunkBoxes.size()) slot.chunkBoxes.push_back({pt, pt});
    if (block == slot.blockBoxes.size()) slot.blockBoxes.push_back({pt, pt});
    grow(slot.chunkBoxes[chunk], pt);
    grow(slot.blockBoxes[block], pt);
    // The first segment of a chunk starts in the chunk before.
    if (i % CHUNK_VERTICES == 0 && !startsPath) {
        grow(slot.chunkBoxes[chunk], slot.vertices[i - 1]);
        grow(slot.blockBoxes[block], slot.vertices[i - 1]);
    }
}

namespace {

LayerCollection* collectionFor(LayerCollections& c, DrawType section, int currentTool, int& toolForMain,
                               int& toolForInfill)
{
    switch (section) {
    case DrawType::Perimeter:
        if (collectPerimeter) return &c.layerPerims;
        break;
    case DrawType::Solid:
        if (collectSolid) return &c.layerSolids;
        break;
    case DrawType::PrimePillar:
        if (collectCommonPrimePillar) return &c.layerCommonWipables;
        break;
    case DrawType::SupportMain:
        if (collectSupportMain) {
            toolForMain = currentTool;
            return &c.layerSupportMain;
        }
        break;
    case DrawType::SupportInterface:
        if (collectSupportInterface) return &c.layerSupportInterface;
        break;
    case DrawType::StackedInfill:
        if (collectStackedInfill) {
            toolForInfill = currentTool;
            return &c.layerStackedInfill;
        }
        break;
    case DrawType::TopInfill:
        if (collectTopInfill) return &c.layerTopInfill;
        break;
    case DrawType::None:
    case DrawType::UnclassifiedPath:
        break;
    }
    return findLastPathOfOurColor ? &c.layerNonPerims : nullptr;
}

} // namespace

void collectDraw(LayerCollections& collections, const DrawContext& draw, bool& beginDraw, int& toolForMain,
                 int& toolForInfill)
{
    LayerCollection* layers = collectionFor(collections, draw.section, draw.currentTool, toolForMain, toolForInfill);
    if (layers) {
        // Prime pillars of every tool share slot 0: any tool may wipe on them.
        const int tool = layers == &collections.layerCommonWipables ? 0 : draw.currentTool;
        ToolSlot& slot = layerFor(*layers, draw.currentZ).slots.at(static_cast<std::size_t>(tool));
        appendVertex(slot, {draw.currentX, draw.currentY}, beginDraw || slot.pathStarts.empty());
        layers->currentPath = static_cast<std::int64_t>(pathCount(slot)) - 1;
    }
    beginDraw = false;
}

std::size_t storedVertexCount(const LayerCollections& c)
{
    std::size_t count = 0;
    for (const LayerCollection* layers : allCollections(c))
        for (const LayerEntry& entry : layers->entries)
            for (const ToolSlot& slot : entry.slots)
                count += slot.vertices.size();
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
