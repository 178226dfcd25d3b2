// The state the engine keeps per open store beyond its files: the lookup's index files and
// caches, the linked-store list and the plug-in. The store owns it (RecordStore::state), so
// it lives exactly as long as the store.
#pragma once

#include "store/record_store.h"
#include "store/store_indexes.h"
#include "store/store_links.h"

namespace bw::store {

struct StoreState {
  explicit StoreState(RecordStore& store) : indexes(store) {}
  StoreIndexes indexes;
  StoreLinks links;  // also holds the store's plug-in state
};

}  // namespace bw::store
