// The plain walk over every collected segment: no index, every layer entry in
// creation order, then tool, path and vertex. The searches' index is held to
// it: handed to the collections, it takes the index's place.
#pragma once

#include "paths/search_index.hpp"

namespace vorlane::reference {

extern const SegmentWalk plainWalk;

// Every search over these collections walks every segment; null: the index.
void useWalk(LayerCollections& collections, const SegmentWalk* walk);

} // namespace vorlane::reference
