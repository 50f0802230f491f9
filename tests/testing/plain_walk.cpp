// The plain walk.
#include "testing/plain_walk.hpp"

namespace vorlane::reference {

namespace {

void walkEverySegment(const LayerCollection& layers, const std::function<bool(float)>& tooLow,
                      const std::function<bool(float)>& tooHigh, const SlotFilter& filter,
                      const std::function<void(const LayerEntry&, int, Vec2, Vec2)>& visit)
{
    for (std::uint32_t e = 0; e < layers.entries.size(); ++e) {
        const LayerEntry& entry = layers.entries[e];
        if (tooLow(entry.z) || tooHigh(entry.z)) continue;
        for (std::uint32_t s = entry.firstSlot; s != NO_INDEX; s = layers.slots[s].nextSlot) {
            const unsigned tool = layers.slots[s].tool;
            if (!passes(filter, e, tool)) continue;
            for (std::uint32_t r = layers.slots[s].firstRun; r != NO_INDEX; r = layers.runs[r].nextOfSlot) {
                const VertexRun& run = layers.runs[r];
                Vec2 prev = run.before != NO_INDEX ? layers.vertices[run.before] : layers.vertices[run.first];
                for (std::uint32_t i = run.first; i < runEnd(layers, r); ++i) {
                    if (i != run.first || run.before != NO_INDEX)
                        visit(entry, static_cast<int>(tool), prev, layers.vertices[i]);
                    prev = layers.vertices[i];
                }
            }
        }
    }
}

} // namespace

const SegmentWalk plainWalk{walkEverySegment};

void useWalk(LayerCollections& collections, const SegmentWalk* walk)
{
    for (LayerCollection* layers : allCollections(collections))
        layers->walk = walk;
}

} // namespace vorlane::reference
