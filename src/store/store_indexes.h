// The lookup state of one open store that outlives single lookups: its index files, their
// entries and the values of index nodes already compared.
//
// Index entry (8 bytes, little-endian):
//   Offset Width Meaning
//     0     4    left link: record (or page) number, 0 = none
//     4     4    right link
// The AVL balance rides on the signs: a negative left alone is balance -1, a negative right
// alone +1, both negative marks an entry that holds no node. Entry 0 of an index is its
// header: left = height bound, right = root.
//
// Where the entries live:
//   field 1 (one-level path)  header: first 8 bytes of "Main"; node r: prefix of record r
//   other fields and paths    Tree.n (n = first field number): entry r at 8 * r; when the
//                             schema marks trees scrambled, both words are XORed with the
//                             store's tree key
//   paged fields              header: "_Storage" at 4 + 8k (k = place among the paged
//                             fields); node p: the first 8 bytes of page p, whose entries
//                             are a sorted run of (record, value)
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "store/bank_file.h"
#include "store/field_path.h"
#include "store/record_store.h"

namespace bw::store {

// Longest trail a search follows, whatever the header's bound says (an AVL tree of 2^31
// records is less than 46 levels high).
inline constexpr int kMaxTrail = 128;

// What open_index answers.
enum class IndexStatus {
  ready,
  none,           // out of range, no location, or an array
  failed_before,  // an earlier attempt failed
  bad_header,     // field 1's header entry is not a header
  missing,        // Tree.n does not exist
  unopenable,     // Tree.n cannot be opened
};

// Status of a decoded entry.
enum class EntryStatus { read, no_node, unreadable };

// One decoded index entry.
struct IndexEntry {
  int64_t left = 0;
  int64_t right = 0;
  int balance = 0;  // -1, 0 or +1
  EntryStatus status = EntryStatus::unreadable;
};

// Decodes the two stored words of an entry (after any tree scrambling is undone).
IndexEntry decode_index_entry(int32_t left, int32_t right);

// Finds the tree key of a scrambled Tree file: 1 (no XOR) unless a pair of equal words V, V
// at an even word position of a 512-byte block from offset 8 has V XOR (first word) in 1..999.
uint32_t find_tree_key(BankFile& file);

// The lookup state of one store that outlives single lookups: Tree.n files, remembered
// failures and the tree key. Keep one per open store; it must not outlive the store.
class StoreIndexes {
 public:
  explicit StoreIndexes(RecordStore& store) : store_(store) {}

  // Makes the index of `path` ready. Field 1 only checks its header entry; a paged field
  // of a non-legacy store is always ready.
  IndexStatus open_index(const FieldPath& path);
  // Entry `node` of the index of `path` (0 = the header). open_index must have answered 1.
  IndexEntry read_entry(const FieldPath& path, int64_t node);
  // The store's tree key once found, 0 before.
  uint32_t tree_key() const { return tree_key_; }

  RecordStore& store() { return store_; }

  // Values of index nodes already compared, by index (its numeric path text) and node, so
  // that repeated lookups walk the upper levels of a tree from memory. The files of an open
  // store are taken as unchanging; the cache is dropped when it grows past kMaxCachedBytes.
  struct CachedValue {
    std::vector<uint8_t> bytes;
    bool missing = false;  // the record has no value
  };
  static constexpr size_t kMaxCachedBytes = size_t{16} << 20;
  using ValueCache = std::unordered_map<int64_t, CachedValue>;
  // The cache of one index; the reference stays valid as long as the StoreIndexes.
  ValueCache& value_cache(const std::string& index) { return values_[index]; }
  void remember_value(ValueCache& cache, int64_t node, CachedValue value);
  // Whether `record` is one of the store's records (recounted when it lies beyond).
  bool record_exists(int64_t record);
  // Whether the index of `path` lives in "_Storage" pages.
  bool is_paged(const FieldPath& path) const;

 private:
  enum class Readiness { not_tried, ready, failed };
  struct TreeFile {
    Readiness state = Readiness::not_tried;
    std::unique_ptr<BankFile> file;
  };
  bool is_field1(const FieldPath& path) const;
  IndexEntry read_main_entry(int64_t node);
  IndexEntry read_tree_entry(TreeFile& tree, int64_t node, int field);
  IndexEntry read_paged_entry(const FieldPath& path, int64_t node);
  void write_empty_header(const std::string& file, uint32_t key);

  RecordStore& store_;
  Readiness field1_state_ = Readiness::not_tried;
  std::map<int, TreeFile> trees_;
  uint32_t tree_key_ = 0;
  int known_records_ = 0;
  std::unordered_map<std::string, ValueCache> values_;
  void drop_caches();
  std::unordered_map<int, std::unordered_map<int64_t, IndexEntry>> entries_;  // 0 field 1, n Tree.n
  size_t cached_bytes_ = 0;
};

}  // namespace bw::store
