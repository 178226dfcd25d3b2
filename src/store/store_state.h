// The state the engine keeps per open store beyond its files: the lookup's index files and
// caches, the linked-store list and the plug-in. It rides in the store's extension slot,
// so it lives exactly as long as the store.
#pragma once

#include "store/record_store.h"
#include "store/store_cursor.h"
#include "store/store_links.h"

namespace bw::store {

struct StoreState : StoreExtension {
  explicit StoreState(RecordStore& store) : indexes(store) {}
  StoreIndexes indexes;
  StoreLinks links;  // also holds the store's plug-in state
};

// The state of `store`, created on first use.
StoreState& state_of(RecordStore& store);

}  // namespace bw::store
