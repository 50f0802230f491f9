// The plain walk over every collected segment: no index, every layer entry in
// creation order, then tool, path and vertex. The searches' index is held to
// it: through the index, a search must meet the segments that cross its
// move in exactly the order this walk meets them.
#pragma once

#include "paths/search_index.hpp"

namespace vorlane::reference {

// Calls visit(entry, tool, prev, vertex) for every segment of the slots
// `filter` takes at heights neither tooLow nor tooHigh.
template <typename TooLow, typename TooHigh, typename Visit>
void walkEverySegment(const LayerCollection& layers, TooLow tooLow, TooHigh tooHigh, const SlotFilter& filter,
                      Visit visit)
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

} // namespace vorlane::reference
