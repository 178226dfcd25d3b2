// Stores opened on behalf of another store: targets of link fields (types 4 and 5), the
// "_Expression" and "_Complex" sub-stores and the stores of cross-store references.
// The list keeps the most recently used first and at most 256 stores; a request for a
// path already in it (exact text) moves it to the front.
#pragma once

#include <cstddef>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/plugin.h"
#include "store/record_store.h"

namespace bw::store {

class StoreLinks {
 public:
  static constexpr size_t kMaxLinkedStores = 256;

  StoreLinks() = default;
  StoreLinks(const StoreLinks&) = delete;
  StoreLinks& operator=(const StoreLinks&) = delete;

  // The store at `path`, opened when it is not in the list yet; nullptr when it cannot
  // be opened (nothing is remembered about the failure).
  RecordStore* get(const std::string& path);
  // The list of stores opened on behalf of `store`, which must be in this list.
  StoreLinks* links_of(const RecordStore* store);

  size_t size() const { return list_.size(); }
  // Paths in the list, most recently used first.
  std::vector<std::string> paths() const;
  // Forgets the loaded windows of every store in the list (and in their lists).
  void invalidate();
  // The plug-in state of the store this list belongs to.
  StorePlugin& plugin() { return plugin_; }

 private:
  struct Entry {
    std::string path;
    std::unique_ptr<RecordStore> store;
    std::unique_ptr<StoreLinks> links;  // destroyed before its store
  };
  std::list<Entry> list_;
  StorePlugin plugin_;
};

// Reads a field as text like RecordStore::read_field, and also follows links of types 4
// and 5 into the stores they name, evaluates expression fields (type 14) through the
// "_Expression" sub-store, and serves virtual fields through the store's plug-in. Stores
// are opened through `links`, the list that belongs to `store`.
int read_field_linked(RecordStore& store, StoreLinks& links, int record, const FieldPath& path,
                      std::string& buffer);
// The same through the store's own list (store_state.h).
int read_field_linked(RecordStore& store, int record, const FieldPath& path, std::string& buffer);

// The directory that contains the store directory `store_dir` ("." when it has none).
std::string containing_directory(std::string_view store_dir);

// The path of the store a link field named `name` points to: the name up to its first
// newline, taken relative to the directory that contains `store_dir` unless it begins
// with "/" or contains ":"; an empty name is that directory itself.
std::string linked_store_path(std::string_view store_dir, std::string_view name);

}  // namespace bw::store
