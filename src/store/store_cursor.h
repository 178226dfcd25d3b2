// Record lookup: finding records by the value of an indexed field.
//
// The index entries and where they live are described in store_indexes.h.
//
// Invariants the search keeps, whatever the files hold:
//   1. the trail never grows past the header's height bound + 1 (nor past kMaxTrail), so
//      a damaged index (cycle, chain, wrong bound) ends the search as damaged;
//   2. every node number is checked against the records or pages that exist before its
//      entry is read.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/field_path.h"
#include "store/record_store.h"
#include "store/store_indexes.h"
#include "store/store_pages.h"

namespace bw::store {

// How a lookup or a step ended.
enum class FindStatus {
  found,      // the result's record is the one found
  no_index,   // the field has no index that can be read
  not_found,  // no record matches, or the step went past the last one
  damaged,    // the index is damaged
};

// What StoreCursor::find and next give: a record number above 0 when found, else 0.
struct FindResult {
  int record = 0;
  FindStatus status = FindStatus::not_found;

  static constexpr FindResult at(int record) { return {record, FindStatus::found}; }
  static constexpr FindResult none(FindStatus why) { return {0, why}; }
  constexpr bool found() const { return status == FindStatus::found; }
  friend bool operator==(const FindResult&, const FindResult&) = default;
};

// Search modes. The numbers are the ones bwtool takes.
enum class FindMode : int {
  root = -1,    // position at the root without matching
  exact = 0,
  prefix = 1,   // the key's length bounds the comparison
  nearest = 2,  // exact, else the nearest record on the step side
};

// One lookup over a store, created per search by the caller.
class StoreCursor {
 public:
  // `step`: its sign gives the direction (positive ascending); 0 becomes 1. When
  // `indexes` is null the cursor uses the store's own (store_state.h).
  StoreCursor(RecordStore* store, int step, StoreIndexes* indexes = nullptr);

  // Finds the record whose field at `path` matches `key`. Mode root on a tree index gives
  // not_found and leaves the cursor on the root.
  FindResult find(const FieldPath& path, std::string_view key, FindMode mode);
  FindResult find(int field, std::string_view key, FindMode mode);

  // Steps from the current record to the next one in index order in the step's direction
  // (tree indexes): that record, not_found past the last one, or damaged.
  FindResult next();

  FindResult result() const { return result_; }
  int step() const { return step_; }
  FindMode mode() const { return mode_; }
  // The node (record or page) the cursor stands on after the last search.
  int64_t current() const { return current_; }
  // Nodes visited by the last search, root first.
  const std::vector<int64_t>& trail() const { return trail_; }

 private:
  struct Key {
    std::vector<uint8_t> bytes;
    bool is_text = false;  // a text compared by collation (types 11)
  };
  bool convert_key(const FieldDescriptor& d, std::string_view key, Key& out) const;
  // Sign of key - value, for a value of descriptor `d`, over `n` bytes (0 = whole value).
  int compare_value(const FieldDescriptor& d, const Key& key, const uint8_t* value,
                    size_t value_len, size_t n) const;
  int compare_record(const FieldDescriptor& d, const Key& key, int64_t record, size_t n);
  FindResult search_tree(const FieldDescriptor& d, const Key& key, const IndexEntry& header,
                         size_t n);
  FindResult search_pages(const FieldDescriptor& d, const Key& key, const IndexEntry& header,
                          size_t n);
  FindResult position_pages(const FieldDescriptor& d, const IndexEntry& header);
  // Reads page `page` of a paged index and steps onto it; false when the trail has reached
  // `bound` or the page is damaged or holds no node.
  bool visit_page(int64_t page, int64_t bound, IndexEntry& entry,
                  std::vector<PageEntry>& entries);

  RecordStore* store_;
  StoreIndexes* indexes_;
  int step_;
  FindMode mode_ = FindMode::exact;
  FindResult result_;
  int64_t current_ = 0;
  int current_entry_ = -1;
  std::string key_;
  FieldPath path_;
  StoreIndexes::ValueCache* values_ = nullptr;  // cache of the index searched
  bool paged_ = false;
  std::vector<int64_t> trail_;
  std::vector<int64_t> ancestors_;  // root to the current record, for stepping
};

}  // namespace bw::store
